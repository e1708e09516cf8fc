#pragma once

#include <string>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/renderer/RenderTypes.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

class FontFreeType;
class Texture2D;

enum class TextHAlignment { LEFT, CENTER, RIGHT };
enum class TextVAlignment { TOP, CENTER, BOTTOM };

// A text drawn with FreeType from a TTF file or from a system font that fontconfig finds
// (characters the font lacks come from a system font that has them, CJK included). The text
// is laid out in lines: at "\n", and, when a width is set, before a word that would pass it
// (CJK characters break anywhere; a word longer than the width breaks between characters).
// The content size is the width set (else the widest line) by the height set (else the lines'
// height); it is exact headless too, where only the bitmap is skipped.
class Label : public Node {
public:
    static Label* create();
    // The same as createWithSystemFont.
    static Label* create(const std::string& text, const std::string& font, float fontSize,
                         const Size& dimensions = Size::ZERO,
                         TextHAlignment hAlignment = TextHAlignment::LEFT,
                         TextVAlignment vAlignment = TextVAlignment::TOP);
    // `font` is a family name ("" for the default sans serif) or a font file found through the
    // file utilities. Null when no font at all can be loaded.
    static Label* createWithSystemFont(const std::string& text, const std::string& font,
                                       float fontSize, const Size& dimensions = Size::ZERO,
                                       TextHAlignment hAlignment = TextHAlignment::LEFT,
                                       TextVAlignment vAlignment = TextVAlignment::TOP);
    // Null when the font file is missing or unreadable.
    static Label* createWithTTF(const std::string& text, const std::string& fontFilePath,
                                float fontSize, const Size& dimensions = Size::ZERO,
                                TextHAlignment hAlignment = TextHAlignment::LEFT,
                                TextVAlignment vAlignment = TextVAlignment::TOP);

    ~Label() override;

    bool init() override;

    virtual void setString(const std::string& text);
    virtual const std::string& getString() const { return _text; }

    void setSystemFontName(const std::string& font);
    const std::string& getSystemFontName() const { return _systemFont; }
    void setSystemFontSize(float fontSize);
    float getSystemFontSize() const { return _fontSize; }
    // Empty for system-font labels.
    const std::string& getTTFFontFile() const { return _ttfFile; }

    // Zero in a dimension: that dimension follows the text.
    void setDimensions(float width, float height);
    const Size& getDimensions() const { return _dimensions; }
    void setWidth(float width) { setDimensions(width, _dimensions.height); }
    void setHeight(float height) { setDimensions(_dimensions.width, height); }

    void setAlignment(TextHAlignment hAlignment);
    void setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment);
    void setHorizontalAlignment(TextHAlignment hAlignment);
    void setVerticalAlignment(TextVAlignment vAlignment);
    TextHAlignment getHorizontalAlignment() const { return _hAlignment; }
    TextVAlignment getVerticalAlignment() const { return _vAlignment; }

    // Break lines between any characters, not only at spaces.
    void setLineBreakWithoutSpace(bool breakWithoutSpace);

    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const { return _textColor; }

    // A copy of the text drawn behind it, moved by `offset` (y up); it does not change the
    // content size. The blur radius is accepted and not applied.
    void enableShadow(const Color4B& shadowColor = Color4B::BLACK, const Size& offset = Size(2, -2),
                      int blurRadius = 0);
    void disableEffect();
    bool isShadowEnabled() const { return _shadowEnabled; }

    void setBlendFunc(const BlendFunc& blendFunc) { _blendFunc = blendFunc; }
    const BlendFunc& getBlendFunc() const { return _blendFunc; }

    const Size& getContentSize() const override;
    int getStringNumLines() const;
    float getLineHeight() const;
    // The laid-out lines, for tests and for callers that measure.
    const std::vector<std::string>& getLines() const;

    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override;
    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) override;

protected:
    Label() = default;
    bool initWithFont(const std::string& text, const std::string& font, bool isTTF, float fontSize,
                      const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment);
    void updateColor() override;

private:
    FontFreeType* loadFont() const;
    void updateContent();
    void layoutLines(FontFreeType* font);
    void renderTexture(FontFreeType* font);
    void markDirty() { _contentDirty = true; }

    std::string _text;
    std::string _systemFont;
    std::string _ttfFile;
    float _fontSize = 12.0f;
    Size _dimensions;
    TextHAlignment _hAlignment = TextHAlignment::LEFT;
    TextVAlignment _vAlignment = TextVAlignment::TOP;
    bool _breakWithoutSpace = false;
    Color4B _textColor = Color4B::WHITE;
    bool _shadowEnabled = false;
    Color4B _shadowColor = Color4B::BLACK;
    Size _shadowOffset;
    BlendFunc _blendFunc = BlendFunc::ALPHA_NON_PREMULTIPLIED;

    bool _contentDirty = true;
    std::vector<std::u32string> _lineText;
    std::vector<std::string> _lines;
    std::vector<int> _lineWidths;
    int _lineHeight = 0;

    Texture2D* _texture = nullptr;
    V3F_C4B_T2F _quad[4];
    unsigned short _indices[6] = {0, 1, 2, 3, 2, 1};
    TrianglesCommand _trianglesCommand;
};

}  // namespace cocos2d
