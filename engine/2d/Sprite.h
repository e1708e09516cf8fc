#pragma once

#include <string>

#include "engine/2d/Node.h"
#include "engine/renderer/RenderTypes.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

class Texture2D;

// A textured quad: a rectangle of a texture (in points, origin top-left of the texture), drawn
// at the node's content size with the node's displayed colour and opacity. Textures with
// straight alpha blend with ALPHA_NON_PREMULTIPLIED, premultiplied ones with
// ALPHA_PREMULTIPLIED, until a blend function is set. Headless, the texture has no GL name
// and the sprite only measures and queues its command.
class Sprite : public Node {
public:
    static Sprite* create();
    // Null when the file cannot be loaded.
    static Sprite* create(const std::string& filename);
    static Sprite* create(const std::string& filename, const Rect& rect);
    static Sprite* createWithTexture(Texture2D* texture);
    static Sprite* createWithTexture(Texture2D* texture, const Rect& rect);

    ~Sprite() override;

    bool init() override;
    virtual bool initWithTexture(Texture2D* texture);
    virtual bool initWithTexture(Texture2D* texture, const Rect& rect);
    virtual bool initWithFile(const std::string& filename);
    virtual bool initWithFile(const std::string& filename, const Rect& rect);

    // Through the director's texture cache; an unloadable file leaves the texture unchanged.
    virtual void setTexture(const std::string& filename);
    // Takes the whole texture as the rectangle when the sprite had no texture before.
    virtual void setTexture(Texture2D* texture);
    virtual Texture2D* getTexture() const { return _texture; }

    // Also sets the content size to the rectangle's size.
    virtual void setTextureRect(const Rect& rect);
    const Rect& getTextureRect() const { return _rect; }

    void setFlippedX(bool flippedX);
    void setFlippedY(bool flippedY);
    bool isFlippedX() const { return _flippedX; }
    bool isFlippedY() const { return _flippedY; }
    void setFlipX(bool flipX) { setFlippedX(flipX); }
    void setFlipY(bool flipY) { setFlippedY(flipY); }

    void setBlendFunc(const BlendFunc& blendFunc) { _blendFunc = blendFunc; }
    const BlendFunc& getBlendFunc() const { return _blendFunc; }

    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override;
    void setOpacityModifyRGB(bool modify) override;

    // The quad's vertices: bottom-left, bottom-right, top-left, top-right.
    const V3F_C4B_T2F* getQuadVertices() const { return _quad; }

protected:
    void updateColor() override;
    void updateQuad();
    void updateBlendFunc();

    Texture2D* _texture = nullptr;
    Rect _rect;
    bool _flippedX = false;
    bool _flippedY = false;
    BlendFunc _blendFunc = BlendFunc::ALPHA_PREMULTIPLIED;
    V3F_C4B_T2F _quad[4];
    unsigned short _indices[6] = {0, 1, 2, 3, 2, 1};
    TrianglesCommand _trianglesCommand;
};

}  // namespace cocos2d
