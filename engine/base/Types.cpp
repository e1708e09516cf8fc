#include "engine/base/Types.h"

#include <algorithm>

namespace cocos2d {

namespace {

std::uint8_t toByte(float channel) {
    return static_cast<std::uint8_t>(std::clamp(channel, 0.0f, 1.0f) * 255.0f);
}

float toFloat(std::uint8_t channel) {
    return channel / 255.0f;
}

}  // namespace

const Color3B Color3B::WHITE(255, 255, 255);
const Color3B Color3B::YELLOW(255, 255, 0);
const Color3B Color3B::BLUE(0, 0, 255);
const Color3B Color3B::GREEN(0, 255, 0);
const Color3B Color3B::RED(255, 0, 0);
const Color3B Color3B::MAGENTA(255, 0, 255);
const Color3B Color3B::BLACK(0, 0, 0);
const Color3B Color3B::ORANGE(255, 127, 0);
const Color3B Color3B::GRAY(166, 166, 166);

const Color4B Color4B::WHITE(255, 255, 255, 255);
const Color4B Color4B::YELLOW(255, 255, 0, 255);
const Color4B Color4B::BLUE(0, 0, 255, 255);
const Color4B Color4B::GREEN(0, 255, 0, 255);
const Color4B Color4B::RED(255, 0, 0, 255);
const Color4B Color4B::MAGENTA(255, 0, 255, 255);
const Color4B Color4B::BLACK(0, 0, 0, 255);
const Color4B Color4B::ORANGE(255, 127, 0, 255);
const Color4B Color4B::GRAY(166, 166, 166, 255);

const Color4F Color4F::WHITE(1, 1, 1, 1);
const Color4F Color4F::YELLOW(1, 1, 0, 1);
const Color4F Color4F::BLUE(0, 0, 1, 1);
const Color4F Color4F::GREEN(0, 1, 0, 1);
const Color4F Color4F::RED(1, 0, 0, 1);
const Color4F Color4F::MAGENTA(1, 0, 1, 1);
const Color4F Color4F::BLACK(0, 0, 0, 1);
const Color4F Color4F::ORANGE(1, 0.5f, 0, 1);
const Color4F Color4F::GRAY(166 / 255.0f, 166 / 255.0f, 166 / 255.0f, 1);

Color3B::Color3B(const Color4B& color) : r(color.r), g(color.g), b(color.b) {}

Color3B::Color3B(const Color4F& color)
    : r(toByte(color.r)), g(toByte(color.g)), b(toByte(color.b)) {}

bool Color3B::operator==(const Color3B& right) const {
    return r == right.r && g == right.g && b == right.b;
}

bool Color3B::operator==(const Color4B& right) const {
    return r == right.r && g == right.g && b == right.b && right.a == 255;
}

bool Color3B::operator==(const Color4F& right) const {
    return right == *this;
}

Color4B::Color4B(const Color3B& color, std::uint8_t alpha)
    : r(color.r), g(color.g), b(color.b), a(alpha) {}

Color4B::Color4B(const Color4F& color)
    : r(toByte(color.r)), g(toByte(color.g)), b(toByte(color.b)), a(toByte(color.a)) {}

bool Color4B::operator==(const Color4B& right) const {
    return r == right.r && g == right.g && b == right.b && a == right.a;
}

bool Color4B::operator==(const Color3B& right) const {
    return right == *this;
}

bool Color4B::operator==(const Color4F& right) const {
    return *this == Color4B(right);
}

Color4F::Color4F(const Color3B& color, float alpha)
    : r(toFloat(color.r)), g(toFloat(color.g)), b(toFloat(color.b)), a(alpha) {}

Color4F::Color4F(const Color4B& color)
    : r(toFloat(color.r)), g(toFloat(color.g)), b(toFloat(color.b)), a(toFloat(color.a)) {}

bool Color4F::operator==(const Color4F& right) const {
    return r == right.r && g == right.g && b == right.b && a == right.a;
}

bool Color4F::operator==(const Color3B& right) const {
    return a == 1.0f && Color3B(*this) == right;
}

bool Color4F::operator==(const Color4B& right) const {
    return Color4B(*this) == right;
}

}  // namespace cocos2d
