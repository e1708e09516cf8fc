#pragma once

#include <cstdint>

namespace cocos2d {

struct Color4B;
struct Color4F;

// RGB colour with 8-bit channels.
struct Color3B {
    Color3B() = default;
    constexpr Color3B(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
        : r(red), g(green), b(blue) {}
    explicit Color3B(const Color4B& color);
    explicit Color3B(const Color4F& color);

    bool operator==(const Color3B& right) const;
    bool operator==(const Color4B& right) const;
    bool operator==(const Color4F& right) const;
    bool operator!=(const Color3B& right) const { return !(*this == right); }
    bool operator!=(const Color4B& right) const { return !(*this == right); }
    bool operator!=(const Color4F& right) const { return !(*this == right); }

    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    static const Color3B WHITE;
    static const Color3B YELLOW;
    static const Color3B BLUE;
    static const Color3B GREEN;
    static const Color3B RED;
    static const Color3B MAGENTA;
    static const Color3B BLACK;
    static const Color3B ORANGE;
    static const Color3B GRAY;
};

// RGBA colour with 8-bit channels. A Color3B converts with full opacity unless told otherwise.
struct Color4B {
    Color4B() = default;
    constexpr Color4B(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha)
        : r(red), g(green), b(blue), a(alpha) {}
    explicit Color4B(const Color3B& color, std::uint8_t alpha = 255);
    // Channels are clamped to [0, 1] and scaled by 255, dropping the fraction.
    explicit Color4B(const Color4F& color);

    bool operator==(const Color4B& right) const;
    bool operator==(const Color3B& right) const;
    bool operator==(const Color4F& right) const;
    bool operator!=(const Color4B& right) const { return !(*this == right); }
    bool operator!=(const Color3B& right) const { return !(*this == right); }
    bool operator!=(const Color4F& right) const { return !(*this == right); }

    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    static const Color4B WHITE;
    static const Color4B YELLOW;
    static const Color4B BLUE;
    static const Color4B GREEN;
    static const Color4B RED;
    static const Color4B MAGENTA;
    static const Color4B BLACK;
    static const Color4B ORANGE;
    static const Color4B GRAY;
};

// RGBA colour with float channels in [0, 1].
struct Color4F {
    Color4F() = default;
    constexpr Color4F(float red, float green, float blue, float alpha)
        : r(red), g(green), b(blue), a(alpha) {}
    explicit Color4F(const Color3B& color, float alpha = 1.0f);
    explicit Color4F(const Color4B& color);

    bool operator==(const Color4F& right) const;
    bool operator==(const Color3B& right) const;
    bool operator==(const Color4B& right) const;
    bool operator!=(const Color4F& right) const { return !(*this == right); }
    bool operator!=(const Color3B& right) const { return !(*this == right); }
    bool operator!=(const Color4B& right) const { return !(*this == right); }

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    static const Color4F WHITE;
    static const Color4F YELLOW;
    static const Color4F BLUE;
    static const Color4F GREEN;
    static const Color4F RED;
    static const Color4F MAGENTA;
    static const Color4F BLACK;
    static const Color4F ORANGE;
    static const Color4F GRAY;
};

}  // namespace cocos2d
