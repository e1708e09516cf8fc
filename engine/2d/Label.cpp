#include "engine/2d/Label.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/2d/FontFreeType.h"
#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"

namespace cocos2d {

namespace {

bool isWideCharacter(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x20000;
}

bool isSpace(char32_t c) {
    return c == U' ' || c == U'\t';
}

}  // namespace

Label* Label::create() {
    auto* label = new (std::nothrow) Label();
    if (label != nullptr && label->init()) {
        label->autorelease();
        return label;
    }
    delete label;
    return nullptr;
}

Label* Label::create(const std::string& text, const std::string& font, float fontSize,
                     const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment) {
    return createWithSystemFont(text, font, fontSize, dimensions, hAlignment, vAlignment);
}

Label* Label::createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                   const Size& dimensions, TextHAlignment hAlignment,
                                   TextVAlignment vAlignment) {
    auto* label = new (std::nothrow) Label();
    if (label != nullptr &&
        label->initWithFont(text, font, false, fontSize, dimensions, hAlignment, vAlignment)) {
        label->autorelease();
        return label;
    }
    delete label;
    return nullptr;
}

Label* Label::createWithTTF(const std::string& text, const std::string& fontFilePath,
                            float fontSize, const Size& dimensions, TextHAlignment hAlignment,
                            TextVAlignment vAlignment) {
    auto* label = new (std::nothrow) Label();
    if (label != nullptr && label->initWithFont(text, fontFilePath, true, fontSize, dimensions,
                                                hAlignment, vAlignment)) {
        label->autorelease();
        return label;
    }
    delete label;
    return nullptr;
}

Label::~Label() {
    if (_texture != nullptr) {
        _texture->release();
    }
}

bool Label::init() {
    return initWithFont("", "", false, 12.0f, Size::ZERO, TextHAlignment::LEFT,
                        TextVAlignment::TOP);
}

bool Label::initWithFont(const std::string& text, const std::string& font, bool isTTF,
                         float fontSize, const Size& dimensions, TextHAlignment hAlignment,
                         TextVAlignment vAlignment) {
    if (!Node::init()) {
        return false;
    }
    if (isTTF) {
        _ttfFile = FileUtils::getInstance()->fullPathForFilename(font);
        if (_ttfFile.empty()) {
            return false;
        }
    } else {
        _systemFont = font;
    }
    _text = text;
    _fontSize = fontSize;
    _dimensions = dimensions;
    _hAlignment = hAlignment;
    _vAlignment = vAlignment;
    setAnchorPoint(Vec2(0.5f, 0.5f));
    setGLProgramState(GLProgramState::getOrCreateWithGLProgramName(
        GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP));
    if (loadFont() == nullptr) {
        return false;
    }
    markDirty();
    updateContent();
    return true;
}

FontFreeType* Label::loadFont() const {
    const int pixelSize =
        static_cast<int>(std::lround(_fontSize * Director::getInstance()->getContentScaleFactor()));
    if (!_ttfFile.empty()) {
        return FontFreeType::getFont(_ttfFile, true, pixelSize);
    }
    if (!_systemFont.empty()) {
        // A system font may be named by its file, like the TTF files shipped as resources.
        const std::string file = FileUtils::getInstance()->fullPathForFilename(_systemFont);
        if (!file.empty()) {
            if (FontFreeType* fromFile = FontFreeType::getFont(file, true, pixelSize)) {
                return fromFile;
            }
        }
    }
    return FontFreeType::getFont(_systemFont, false, pixelSize);
}

void Label::setString(const std::string& text) {
    if (text != _text) {
        _text = text;
        markDirty();
    }
}

void Label::setSystemFontName(const std::string& font) {
    if (font != _systemFont || !_ttfFile.empty()) {
        _systemFont = font;
        _ttfFile.clear();
        markDirty();
    }
}

void Label::setSystemFontSize(float fontSize) {
    if (fontSize > 0.0f && fontSize != _fontSize) {
        _fontSize = fontSize;
        markDirty();
    }
}

void Label::setDimensions(float width, float height) {
    if (width != _dimensions.width || height != _dimensions.height) {
        _dimensions = Size(std::max(width, 0.0f), std::max(height, 0.0f));
        markDirty();
    }
}

void Label::setAlignment(TextHAlignment hAlignment) {
    setHorizontalAlignment(hAlignment);
}

void Label::setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment) {
    setHorizontalAlignment(hAlignment);
    setVerticalAlignment(vAlignment);
}

void Label::setHorizontalAlignment(TextHAlignment hAlignment) {
    if (hAlignment != _hAlignment) {
        _hAlignment = hAlignment;
        markDirty();
    }
}

void Label::setVerticalAlignment(TextVAlignment vAlignment) {
    if (vAlignment != _vAlignment) {
        _vAlignment = vAlignment;
        markDirty();
    }
}

void Label::setLineBreakWithoutSpace(bool breakWithoutSpace) {
    if (breakWithoutSpace != _breakWithoutSpace) {
        _breakWithoutSpace = breakWithoutSpace;
        markDirty();
    }
}

void Label::setTextColor(const Color4B& color) {
    if (color != _textColor) {
        _textColor = color;
        markDirty();
    }
}

void Label::enableShadow(const Color4B& shadowColor, const Size& offset, int blurRadius) {
    (void)blurRadius;
    _shadowEnabled = true;
    _shadowColor = shadowColor;
    _shadowOffset = offset;
    markDirty();
}

void Label::disableEffect() {
    if (_shadowEnabled) {
        _shadowEnabled = false;
        markDirty();
    }
}

const Size& Label::getContentSize() const {
    if (_contentDirty) {
        const_cast<Label*>(this)->updateContent();
    }
    return Node::getContentSize();
}

int Label::getStringNumLines() const {
    return static_cast<int>(getLines().size());
}

float Label::getLineHeight() const {
    getContentSize();
    return static_cast<float>(_lineHeight);
}

const std::vector<std::string>& Label::getLines() const {
    getContentSize();
    return _lines;
}

void Label::layoutLines(FontFreeType* font) {
    _lineText.clear();
    _lines.clear();
    _lineWidths.clear();
    std::u32string text;
    if (!StringUtils::UTF8ToUTF32(_text, text)) {
        text.clear();
    }
    const float maxWidth = _dimensions.width;
    auto widthOf = [font](const std::u32string& s) {
        int width = 0;
        for (char32_t c : s) {
            width += font->getAdvance(c);
        }
        return width;
    };
    // Spaces at a wrap belong to neither line; typed spaces at the end of the text keep their
    // width, so a text field shows a space the moment it is typed.
    auto pushLine = [&](std::u32string line, bool wrapped) {
        while (wrapped && !line.empty() && isSpace(line.back())) {
            line.pop_back();
        }
        _lineWidths.push_back(widthOf(line));
        _lineText.push_back(std::move(line));
    };
    if (text.empty()) {
        return;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(U'\n', start), text.size());
        const std::u32string paragraph = text.substr(start, end - start);
        start = end + 1;
        if (maxWidth <= 0.0f) {
            pushLine(paragraph, false);
        } else {
            // Tokens break after trailing spaces, after each wide character, or anywhere.
            std::vector<std::u32string> tokens;
            std::u32string token;
            for (char32_t c : paragraph) {
                const bool breakBefore = !token.empty() && !isSpace(c) &&
                                         (isSpace(token.back()) || isWideCharacter(c) ||
                                          isWideCharacter(token.back()) || _breakWithoutSpace);
                if (breakBefore) {
                    tokens.push_back(token);
                    token.clear();
                }
                token.push_back(c);
            }
            if (!token.empty()) {
                tokens.push_back(token);
            }
            std::u32string line;
            int lineWidth = 0;
            for (const auto& t : tokens) {
                std::u32string trimmed = t;
                while (!trimmed.empty() && isSpace(trimmed.back())) {
                    trimmed.pop_back();
                }
                if (!line.empty() && lineWidth + widthOf(trimmed) > maxWidth) {
                    pushLine(line, true);
                    line.clear();
                    lineWidth = 0;
                }
                if (line.empty() && widthOf(trimmed) > maxWidth) {
                    // A word wider than the line is cut between characters.
                    for (char32_t c : t) {
                        const int advance = font->getAdvance(c);
                        if (!line.empty() && !isSpace(c) && lineWidth + advance > maxWidth) {
                            pushLine(line, true);
                            line.clear();
                            lineWidth = 0;
                        }
                        line.push_back(c);
                        lineWidth += advance;
                    }
                    continue;
                }
                line += t;
                lineWidth += widthOf(t);
            }
            pushLine(line, false);
        }
        if (end == text.size()) {
            break;
        }
    }
    for (const auto& line : _lineText) {
        std::string utf8;
        StringUtils::UTF32ToUTF8(line, utf8);
        _lines.push_back(std::move(utf8));
    }
}

void Label::updateContent() {
    _contentDirty = false;
    FontFreeType* face = loadFont();
    if (face == nullptr) {
        _lineText.clear();
        _lines.clear();
        _lineWidths.clear();
        setContentSize(_dimensions);
        return;
    }
    _lineHeight = face->getLineHeight();
    layoutLines(face);
    int widest = 0;
    for (int width : _lineWidths) {
        widest = std::max(widest, width);
    }
    const float scale = Director::getInstance()->getContentScaleFactor();
    const float textHeight = static_cast<float>(_lineText.size() * _lineHeight) / scale;
    Size size(_dimensions.width > 0.0f ? _dimensions.width : widest / scale,
              _dimensions.height > 0.0f ? _dimensions.height : textHeight);
    setContentSize(size);
    renderTexture(face);
}

void Label::renderTexture(FontFreeType* face) {
    if (_texture != nullptr) {
        _texture->release();
        _texture = nullptr;
    }
    const float scale = Director::getInstance()->getContentScaleFactor();
    const int width = static_cast<int>(std::ceil(_contentSize.width * scale));
    const int height = static_cast<int>(std::ceil(_contentSize.height * scale));
    if (_lineText.empty() || width <= 0 || height <= 0) {
        return;
    }
    const int dx = _shadowEnabled ? static_cast<int>(std::lround(_shadowOffset.width * scale)) : 0;
    const int dy = _shadowEnabled ? static_cast<int>(std::lround(_shadowOffset.height * scale)) : 0;
    const int padLeft = std::max(0, -dx);
    const int padRight = std::max(0, dx);
    const int padTop = std::max(0, dy);
    const int padBottom = std::max(0, -dy);
    const int bitmapW = width + padLeft + padRight;
    const int bitmapH = height + padTop + padBottom;

    std::vector<unsigned char> pixels;
    if (GL::hasContext()) {
        std::vector<unsigned char> text(static_cast<size_t>(bitmapW * bitmapH), 0);
        std::vector<unsigned char> shadow(_shadowEnabled ? text.size() : 0, 0);
        const int textHeight = static_cast<int>(_lineText.size()) * _lineHeight;
        int top = 0;
        if (_vAlignment == TextVAlignment::CENTER) {
            top = (height - textHeight) / 2;
        } else if (_vAlignment == TextVAlignment::BOTTOM) {
            top = height - textHeight;
        }
        auto stamp = [&](std::vector<unsigned char>& target, int originX, int originY,
                         const FontFreeType::GlyphBitmap& glyph) {
            for (int row = 0; row < glyph.rows; ++row) {
                const int y = originY - glyph.top + row;
                if (y < 0 || y >= bitmapH) {
                    continue;
                }
                for (int col = 0; col < glyph.width; ++col) {
                    const int x = originX + glyph.left + col;
                    if (x < 0 || x >= bitmapW) {
                        continue;
                    }
                    unsigned char& cell = target[static_cast<size_t>(y * bitmapW + x)];
                    cell = std::max(cell, glyph.buffer[row * glyph.pitch + col]);
                }
            }
        };
        for (size_t i = 0; i < _lineText.size(); ++i) {
            int penX = 0;
            if (_hAlignment == TextHAlignment::CENTER) {
                penX = (width - _lineWidths[i]) / 2;
            } else if (_hAlignment == TextHAlignment::RIGHT) {
                penX = width - _lineWidths[i];
            }
            const int baseline = top + static_cast<int>(i) * _lineHeight + face->getAscender();
            for (char32_t c : _lineText[i]) {
                face->renderGlyph(c, [&](const FontFreeType::GlyphBitmap& glyph) {
                    stamp(text, padLeft + penX, padTop + baseline, glyph);
                    if (_shadowEnabled) {
                        stamp(shadow, padLeft + penX + dx, padTop + baseline - dy, glyph);
                    }
                });
                penX += face->getAdvance(c);
            }
        }
        pixels.resize(text.size() * 4);
        for (size_t i = 0; i < text.size(); ++i) {
            const float at = _textColor.a / 255.0f * text[i] / 255.0f;
            const float as = _shadowEnabled ? _shadowColor.a / 255.0f * shadow[i] / 255.0f : 0.0f;
            const float a = at + as * (1.0f - at);
            unsigned char* out = &pixels[i * 4];
            if (a <= 0.0f) {
                continue;
            }
            const unsigned char tc[3] = {_textColor.r, _textColor.g, _textColor.b};
            const unsigned char sc[3] = {_shadowColor.r, _shadowColor.g, _shadowColor.b};
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<unsigned char>(
                    std::lround((tc[c] * at + sc[c] * as * (1.0f - at)) / a));
            }
            out[3] = static_cast<unsigned char>(std::lround(a * 255.0f));
        }
    }
    _texture = new (std::nothrow) Texture2D();
    if (_texture == nullptr) {
        return;
    }
    if (!_texture->initWithData(pixels.empty() ? nullptr : pixels.data(),
                                static_cast<ssize_t>(pixels.size()),
                                Texture2D::PixelFormat::RGBA8888, bitmapW, bitmapH,
                                Size(static_cast<float>(bitmapW), static_cast<float>(bitmapH)))) {
        _texture->release();
        _texture = nullptr;
        return;
    }
    const float left = -padLeft / scale;
    const float bottom = -padBottom / scale;
    const float right = (width + padRight) / scale;
    const float topEdge = (height + padTop) / scale;
    _quad[0].vertices = Vec3(left, bottom, 0);
    _quad[1].vertices = Vec3(right, bottom, 0);
    _quad[2].vertices = Vec3(left, topEdge, 0);
    _quad[3].vertices = Vec3(right, topEdge, 0);
    _quad[0].texCoords = {0.0f, 1.0f};
    _quad[1].texCoords = {1.0f, 1.0f};
    _quad[2].texCoords = {0.0f, 0.0f};
    _quad[3].texCoords = {1.0f, 0.0f};
    updateColor();
}

void Label::updateColor() {
    const Color4B color(_displayedColor.r, _displayedColor.g, _displayedColor.b, _displayedOpacity);
    for (auto& vertex : _quad) {
        vertex.colors = color;
    }
}

void Label::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (_contentDirty) {
        updateContent();
    }
    Node::visit(renderer, parentTransform, parentFlags);
}

void Label::draw(Renderer* renderer, const Mat4& transform, uint32_t flags) {
    if (_texture == nullptr || !renderer->checkVisibility(transform, _contentSize)) {
        return;
    }
    TrianglesCommand::Triangles triangles;
    triangles.verts = _quad;
    triangles.indices = _indices;
    triangles.vertCount = 4;
    triangles.indexCount = 6;
    _trianglesCommand.init(_globalZOrder, _texture->getName(), _glProgramState, _blendFunc,
                           triangles, transform, flags);
    renderer->addCommand(&_trianglesCommand);
}

}  // namespace cocos2d
