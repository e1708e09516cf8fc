#include "engine/2d/FontFreeType.h"

#include <fontconfig/fontconfig.h>

#include <cmath>

namespace cocos2d {

namespace {

FT_Library library() {
    static FT_Library instance = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0) {
            return static_cast<FT_Library>(nullptr);
        }
        return created;
    }();
    return instance;
}

FT_Face openFace(const std::string& path, int pixelSize) {
    FT_Library ft = library();
    FT_Face face = nullptr;
    if (ft == nullptr || path.empty() || FT_New_Face(ft, path.c_str(), 0, &face) != 0) {
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return face;
}

// Fontconfig's state lives until the process ends; finishing it then returns what its
// start-up allocated.
struct FontconfigSession {
    FontconfigSession() : ready(FcInit() == FcTrue) {}
    ~FontconfigSession() {
        if (ready) {
            FcFini();
        }
    }
    bool ready;
};

bool fontconfigReady() {
    static FontconfigSession session;
    return session.ready;
}

std::unordered_map<std::string, std::unique_ptr<FontFreeType>>& fontCache() {
    static std::unordered_map<std::string, std::unique_ptr<FontFreeType>> cache;
    return cache;
}

}  // namespace

std::string FontFreeType::findSystemFontFile(const std::string& family, char32_t codepoint) {
    if (!fontconfigReady()) {
        return "";
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(
        pattern, FC_FAMILY,
        reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
    FcCharSet* charset = nullptr;
    if (codepoint != 0) {
        charset = FcCharSetCreate();
        FcCharSetAddChar(charset, static_cast<FcChar32>(codepoint));
        FcPatternAddCharSet(pattern, FC_CHARSET, charset);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string path;
    if (match != nullptr) {
        FcChar8* file = nullptr;
        FcCharSet* covered = nullptr;
        const bool hasFile = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
        // The best match may still lack the character; then there is no font for it.
        const bool covers = codepoint == 0 ||
                            (FcPatternGetCharSet(match, FC_CHARSET, 0, &covered) == FcResultMatch &&
                             FcCharSetHasChar(covered, static_cast<FcChar32>(codepoint)));
        if (hasFile && covers) {
            path = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    if (charset != nullptr) {
        FcCharSetDestroy(charset);
    }
    FcPatternDestroy(pattern);
    return path;
}

FontFreeType* FontFreeType::getFont(const std::string& source, bool isFile, int pixelSize) {
    if (pixelSize <= 0) {
        return nullptr;
    }
    const std::string key =
        (isFile ? "file:" : "family:") + source + "@" + std::to_string(pixelSize);
    auto& cache = fontCache();
    auto found = cache.find(key);
    if (found != cache.end()) {
        return found->second.get();
    }
    const std::string path = isFile ? source : findSystemFontFile(source);
    FT_Face face = openFace(path, pixelSize);
    if (face == nullptr) {
        return nullptr;
    }
    auto* font = new FontFreeType(face, pixelSize);
    cache.emplace(key, std::unique_ptr<FontFreeType>(font));
    return font;
}

FontFreeType::FontFreeType(FT_Face primary, int pixelSize)
    : _primary(primary), _pixelSize(pixelSize) {
    const FT_Size_Metrics& metrics = primary->size->metrics;
    _ascender = static_cast<int>(std::lround(metrics.ascender / 64.0));
    _lineHeight = static_cast<int>(std::lround(metrics.height / 64.0));
    if (_lineHeight <= 0) {
        _lineHeight = pixelSize;
    }
}

FontFreeType::~FontFreeType() {
    for (auto& entry : _fallbackFaces) {
        if (entry.second != nullptr) {
            FT_Done_Face(entry.second);
        }
    }
    FT_Done_Face(_primary);
}

FT_Face FontFreeType::loadFace(const std::string& path) {
    auto found = _fallbackFaces.find(path);
    if (found != _fallbackFaces.end()) {
        return found->second;
    }
    FT_Face face = openFace(path, _pixelSize);
    _fallbackFaces.emplace(path, face);
    return face;
}

FT_Face FontFreeType::faceFor(char32_t codepoint, FT_UInt* glyphIndex) {
    *glyphIndex = FT_Get_Char_Index(_primary, codepoint);
    if (*glyphIndex != 0) {
        return _primary;
    }
    auto known = _fallbackForChar.find(codepoint);
    FT_Face face = nullptr;
    if (known != _fallbackForChar.end()) {
        face = known->second;
    } else {
        const std::string path = findSystemFontFile("", codepoint);
        face = path.empty() ? nullptr : loadFace(path);
        _fallbackForChar.emplace(codepoint, face);
    }
    if (face == nullptr) {
        return nullptr;
    }
    *glyphIndex = FT_Get_Char_Index(face, codepoint);
    return *glyphIndex != 0 ? face : nullptr;
}

int FontFreeType::getAdvance(char32_t codepoint) {
    auto found = _advances.find(codepoint);
    if (found != _advances.end()) {
        return found->second;
    }
    FT_UInt index = 0;
    FT_Face face = faceFor(codepoint, &index);
    int advance = 0;
    if (face != nullptr && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) == 0) {
        advance = static_cast<int>(std::lround(face->glyph->advance.x / 64.0));
    }
    _advances.emplace(codepoint, advance);
    return advance;
}

void FontFreeType::renderGlyph(char32_t codepoint,
                               const std::function<void(const GlyphBitmap&)>& draw) {
    FT_UInt index = 0;
    FT_Face face = faceFor(codepoint, &index);
    if (face == nullptr || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) {
        return;
    }
    const FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return;
    }
    GlyphBitmap bitmap{slot->bitmap.buffer,
                       static_cast<int>(slot->bitmap.width),
                       static_cast<int>(slot->bitmap.rows),
                       slot->bitmap.pitch,
                       slot->bitmap_left,
                       slot->bitmap_top};
    draw(bitmap);
}

}  // namespace cocos2d
