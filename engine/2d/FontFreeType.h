#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace cocos2d {

// A font at one pixel size: a primary FreeType face and, for characters it lacks, faces that
// fontconfig finds among the system fonts (so Chinese, Japanese and Korean texts draw even
// with a Latin primary font). Instances are shared and live for the whole process. Main
// thread only.
class FontFreeType {
public:
    struct GlyphBitmap {
        const unsigned char* buffer;  // 8-bit coverage, `pitch` bytes per row
        int width;
        int rows;
        int pitch;
        int left;  // from the pen position to the bitmap's left edge
        int top;   // from the baseline up to the bitmap's top edge
    };

    // `source` is a font file when `isFile`, else a family name ("" for the default sans
    // serif). Null when no face can be loaded.
    static FontFreeType* getFont(const std::string& source, bool isFile, int pixelSize);
    // Path of the system font fontconfig picks for the family (and, when `codepoint` is not 0,
    // that covers the character); "" when there is none.
    static std::string findSystemFontFile(const std::string& family, char32_t codepoint = 0);

    FontFreeType(const FontFreeType&) = delete;
    FontFreeType& operator=(const FontFreeType&) = delete;
    ~FontFreeType();

    int getPixelSize() const { return _pixelSize; }
    // Distance between baselines of consecutive lines, in pixels.
    int getLineHeight() const { return _lineHeight; }
    // Baseline below the top of a line, in pixels.
    int getAscender() const { return _ascender; }

    // Horizontal advance of the character, in pixels.
    int getAdvance(char32_t codepoint);
    // Calls `draw` with the rendered glyph; nothing for a character no face has.
    void renderGlyph(char32_t codepoint, const std::function<void(const GlyphBitmap&)>& draw);

private:
    FontFreeType(FT_Face primary, int pixelSize);
    // The face that holds the character: the primary one, else a fallback; null for none.
    FT_Face faceFor(char32_t codepoint, FT_UInt* glyphIndex);
    FT_Face loadFace(const std::string& path);

    FT_Face _primary;
    int _pixelSize;
    int _lineHeight = 0;
    int _ascender = 0;
    std::unordered_map<std::string, FT_Face> _fallbackFaces;
    std::unordered_map<char32_t, FT_Face> _fallbackForChar;
    std::unordered_map<char32_t, int> _advances;
};

}  // namespace cocos2d
