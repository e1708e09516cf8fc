#pragma once

#include <string>

#include "engine/renderer/ClippingProtocol.h"
#include "engine/ui/Widget.h"

namespace cocos2d {

class LayerColor;

namespace ui {

class Scale9Sprite;

// A widget that holds and places other widgets, with an optional solid background colour, an
// optional background image and optional clipping of everything it holds to its rectangle
// (a scissor region; both clipping types clip the same way).
//
// Layout types (the numbers are the values layout files and callers use):
//  0 ABSOLUTE: children keep their positions.
//  1 VERTICAL: children stacked from the top in order, each against the left edge unless its
//    linear gravity says otherwise, margins kept.
//  2 HORIZONTAL: children in a row from the left edge in order, tops at the top edge unless
//    the gravity says otherwise, margins kept.
//  3 RELATIVE: children placed by their relative parameters (against the layout or beside a
//    sibling); children whose alignment is NONE are set in a row from the top-left corner.
//  4 HORIZONTAL_RIGHT: like HORIZONTAL, but the row ends at the right edge.
//  5 OVERLAY: children with a relative parameter are placed as in RELATIVE; all other children
//    (and those whose alignment is NONE) keep their positions. Suited to panels that mix free
//    content with aligned overlays.
// Layouts of types 1 to 4 give an added widget that lacks the matching parameter a default one.
// The placement runs before the next draw after anything that affects it (children added or
// removed, size, type, a child's parameter, `requestDoLayout`), or at once with `forceDoLayout`.
class Layout : public Widget, public ClippingProtocol {
public:
    enum class Type { ABSOLUTE = 0, VERTICAL, HORIZONTAL, RELATIVE, HORIZONTAL_RIGHT, OVERLAY };
    enum class ClippingType { STENCIL, SCISSOR };
    enum class BackGroundColorType { NONE, SOLID };

    static Layout* create();
    bool init() override;
    ~Layout() override;

    void setBackGroundColorType(BackGroundColorType type);
    BackGroundColorType getBackGroundColorType() const { return _colorType; }
    void setBackGroundColor(const Color3B& color);
    const Color3B& getBackGroundColor() const { return _backGroundColor; }
    void setBackGroundColorOpacity(uint8_t opacity);
    uint8_t getBackGroundColorOpacity() const { return _backGroundColorOpacity; }
    // On: a solid background of `color` at opacity factor × 255 (factor clamped to 0..1);
    // off: no background colour.
    void enableBKColor(bool on, const Color3B& color, float opacityFactor);
    // Null while no colour is shown.
    LayerColor* getBackGroundColorRenderer() const { return _colorRender; }

    // An empty name removes the image; an unloadable file leaves the current one.
    void setBackGroundImage(const std::string& file, TextureResType type = TextureResType::LOCAL);
    void removeBackGroundImage();
    void setBackGroundImageScale9Enabled(bool enabled);
    bool isBackGroundImageScale9Enabled() const { return _backGroundScale9Enabled; }
    void setBackGroundImageCapInsets(const Rect& capInsets);
    const Rect& getBackGroundImageCapInsets() const { return _backGroundImageCapInsets; }
    const Size& getBackGroundImageTextureSize() const { return _backGroundImageTextureSize; }
    Scale9Sprite* getBackGroundImageRenderer() const { return _backGroundImage; }

    virtual void setClippingEnabled(bool enabled);
    bool isClippingEnabled() const { return _clippingEnabled; }
    void setClippingType(ClippingType type) { _clippingType = type; }
    ClippingType getClippingType() const { return _clippingType; }

    virtual void setLayoutType(Type type);
    virtual Type getLayoutType() const { return _layoutType; }
    void setLayoutType(int type) { setLayoutType(static_cast<Type>(type)); }

    void requestDoLayout() { _doLayoutDirty = true; }
    bool isLayoutDirty() const { return _doLayoutDirty; }
    // Places the children when something changed since the last placement.
    virtual void doLayout();
    void forceDoLayout();

    void addChild(Node* child) override;
    void addChild(Node* child, int localZOrder) override;
    void addChild(Node* child, int localZOrder, int tag) override;
    void addChild(Node* child, int localZOrder, const std::string& name) override;
    void removeChild(Node* child, bool cleanup = true) override;
    void removeAllChildren() override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) override;
    std::string getDescription() const override;

protected:
    Layout() = default;

    void onSizeChanged() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    void supplyTheLayoutParameterLackToChild(Widget* child);
    void addBackGroundColorRenderer();

    void layoutLinearVertical();
    void layoutLinearHorizontal(bool alignRight);
    void layoutRelative(bool keepUnaligned);

    Type _layoutType = Type::ABSOLUTE;
    bool _doLayoutDirty = true;
    // Set by scrolling subclasses while they take over a touch that began on a child widget.
    bool _isInterceptTouch = false;
    bool _clippingEnabled = false;
    ClippingType _clippingType = ClippingType::SCISSOR;

    BackGroundColorType _colorType = BackGroundColorType::NONE;
    Color3B _backGroundColor = Color3B(150, 200, 255);
    uint8_t _backGroundColorOpacity = 255;
    LayerColor* _colorRender = nullptr;

    Scale9Sprite* _backGroundImage = nullptr;
    std::string _backGroundImageFileName;
    bool _backGroundScale9Enabled = false;
    Rect _backGroundImageCapInsets;
    Size _backGroundImageTextureSize;
};

}  // namespace ui
}  // namespace cocos2d
