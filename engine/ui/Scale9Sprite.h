#pragma once

#include <string>

#include "engine/2d/ProtectedNode.h"

namespace cocos2d {

class Sprite;
class Texture2D;

namespace ui {

// An image drawn at any size in nine slices: the corners keep their size, the edges stretch
// along one axis and the centre along both. Cap insets name the centre slice in image points,
// from the top-left corner of the image (x, y = left and top widths; width, height = centre);
// empty insets take the middle third. With nine-slicing off the whole image stretches. When
// the size is smaller than both fixed edges together, the edges shrink in proportion.
class Scale9Sprite : public ProtectedNode {
public:
    static Scale9Sprite* create();
    // Null when the file cannot be loaded.
    static Scale9Sprite* create(const std::string& file);
    static Scale9Sprite* create(const Rect& capInsets, const std::string& file);
    ~Scale9Sprite() override;

    bool init() override;
    // May be called again to change the image: the size becomes the image's size.
    virtual bool initWithFile(const std::string& file);
    virtual bool initWithFile(const Rect& capInsets, const std::string& file);
    // Changes the image and keeps the size and insets; false (nothing changed) when the file
    // cannot be loaded.
    bool setTexture(const std::string& file);
    Texture2D* getTexture() const { return _texture; }

    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const { return _capInsets; }
    // The image's size in points.
    const Size& getOriginalSize() const { return _originalSize; }
    void setPreferredSize(const Size& size) { setContentSize(size); }
    const Size& getPreferredSize() const { return _contentSize; }
    void setContentSize(const Size& size) override;

    void setFlippedX(bool flipped);
    bool isFlippedX() const { return _flippedX; }

    // Slices are rebuilt lazily before drawing; also available to tests.
    void updateSlices();
    // The sprites currently drawn, bottom-left slice first, row by row.
    const Vector<Node*>& getSlices() const { return getProtectedChildren(); }

    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) override;

protected:
    Scale9Sprite() = default;
    bool loadTexture(const std::string& file);

    Texture2D* _texture = nullptr;
    Size _originalSize;
    Rect _capInsets;
    bool _scale9Enabled = true;
    bool _flippedX = false;
    bool _slicesDirty = true;
};

}  // namespace ui
}  // namespace cocos2d
