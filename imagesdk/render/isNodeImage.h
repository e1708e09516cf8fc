#pragma once

#include <cstdint>

#include "engine/base/Macros.h"
#include "engine/math/Vec2.h"
#include "imagesdk/render/isNodeSprite.h"
#include "imagesdk/render/isSliceTexture.h"

namespace cocos2d {
class Texture2D;
}

namespace isImageSDK {

class isClut;
class isFilterObject;
class isSliceInfo;

// One frame of one slice record as a textured sprite in 3D: every pixel goes through the
// colour table on the CPU, the sprite is scaled by the pixel spacing and placed by the slice
// matrix so that the centre of pixel (c, r) lies at matrix x (c * spacing x, r * spacing y),
// and the frames of a multi-frame slice play on the node's own timer (cine keys 9058, 9060,
// 9061 in its notification group; it posts 9059 and 9062 to 9064). The texture is rebuilt
// only on a new record, a requested rebuild, a cine step or a source change. Main thread.
class isNodeImage : public isNodeSprite {
public:
    CREATE_FUNC(isNodeImage);

    bool init() override;
    void cleanup() override;
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;

    // The spare pointer of the sprite is the notification group.
    void setUserPointer(void* pointer) override;
    // Drops the record pointer (the record belongs to its image data).
    void forgetLinks() override;

    // Observes the cine keys in the group (null: none); a group equal to the current one
    // changes nothing.
    virtual void setNotificationGroup(void* group);
    // Shows a record (not owned; null shows nothing new). An unloaded record scales the node
    // to nothing. Stops playing, goes to frame 0 and announces whether the record has frames.
    virtual void setSliceInfo(isSliceInfo* record);
    // Retained; the table's automatic rebuild is turned off, the node rebuilds it when needed.
    virtual void setClut(isClut* clut);
    // Both have the record shown again at the next visit, from its first frame.
    virtual void onWindowLevelChanged();
    virtual void onColorTableChanged();
    // Rebuilds and installs the texture of the current frame.
    virtual void refreshFrame();

    // Retained; the first slice of its output is shown from the next visit on. Whenever the
    // source replaced or refilled its output since the node last looked (also when someone
    // else brought it up to date), the node shows the new record before it uses the old one.
    void setSource(isFilterObject* source);

    isSliceInfo* getSliceInfo() const { return slice; }
    isClut* getClut() const { return clut; }
    isFilterObject* getSource() const { return source; }
    void* getNotificationGroup() const { return group; }
    int getFrameIndex() const { return frameIndex; }
    bool isPlaying() const { return playing != 0; }
    // Ticks of 5 ms between two frames while playing.
    int getFramePeriod() const { return framePeriod; }
    // Millimetres per texel of the texture shown.
    const cocos2d::Vec2& getSpriteScale() const { return spriteScale; }
    bool isRebuildRequested() const { return rebuildRequested != 0; }

protected:
    isNodeImage() = default;
    ~isNodeImage() override;

    // The CPU texture of the current frame, autoreleased; null when none can be built.
    cocos2d::Texture2D* buildTexture();
    // Installs a texture with a rectangle of its full size.
    void installTexture(cocos2d::Texture2D* texture);
    // Scale from `spriteScale`, placement from the record's matrix.
    void placeBySlice();
    // Frame 0; a playing node stops and announces it.
    void resetFrame();
    void announceFrames();
    void postInt(int key, int value);
    void stopPlaying();
    // Shows the source's first record when the source changed since it was last shown; true
    // when it did.
    bool followSource();

    isSliceInfo* slice = nullptr;
    isClut* clut = nullptr;
    isFilterObject* source = nullptr;
    // The source's product version of the record shown.
    unsigned long long shownVersion = 0;
    uint8_t rebuildRequested = 0;
    uint8_t sourceDirty = 0;
    uint8_t frameChanged = 0;
    int frameIndex = 0;
    uint8_t playing = 0;
    unsigned int tickCount = 0;
    int framePeriod = 60;
    void* group = nullptr;
    int maxTextureSize = 4096;
    cocos2d::Vec2 spriteScale = cocos2d::Vec2(1.0f, 1.0f);
    isSliceTexture texels;
    // The last texture this node made; compared, never dereferenced, until it is shown.
    const cocos2d::Texture2D* builtTexture = nullptr;

private:
    void onCineKey(int key);
    void tick(float delta);
};

}  // namespace isImageSDK
