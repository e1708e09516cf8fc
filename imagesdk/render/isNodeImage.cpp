#include "imagesdk/render/isNodeImage.h"

#include <algorithm>
#include <new>

#include "engine/base/Scheduler.h"
#include "engine/renderer/Configuration.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isFilterObject.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

constexpr const char* kCineTimer = "isNodeImage.cine";
constexpr float kTickInterval = 0.005f;
constexpr float kTickDelay = 0.1f;
constexpr int kPeriodStep = 20;
constexpr int kSlowestPeriod = 120;
constexpr int kFastestPeriod = 5;

int frameCount(const isSliceInfo* record) {
    return record != nullptr && record->frames > 1 ? record->frames : 1;
}

}  // namespace

isNodeImage::~isNodeImage() {
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    if (clut != nullptr) {
        clut->release();
    }
    if (source != nullptr) {
        source->release();
    }
}

bool isNodeImage::init() {
    if (!isNodeSprite::init()) {
        return false;
    }
    removeCameraMask(static_cast<unsigned short>(cocos2d::CameraFlag::DEFAULT), true);
    setFlipY(true);
    setBlend(false);
    group = nullptr;
    slice = nullptr;
    rebuildRequested = sourceDirty = frameChanged = 0;
    frameIndex = 0;
    playing = 0;
    tickCount = 0;
    framePeriod = 60;
    maxTextureSize = cocos2d::Configuration::getInstance()->getMaxTextureSize();
    return true;
}

void isNodeImage::cleanup() {
    isNodeSprite::cleanup();
    stopPlaying();
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    group = nullptr;
    if (clut != nullptr) {
        clut->release();
        clut = nullptr;
    }
    if (source != nullptr) {
        source->release();
        source = nullptr;
    }
}

void isNodeImage::forgetLinks() {
    slice = nullptr;
}

void isNodeImage::setUserPointer(void* pointer) {
    setNotificationGroup(pointer);
}

void isNodeImage::setNotificationGroup(void* newGroup) {
    if (newGroup == group) {
        return;
    }
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserver(this);
    group = newGroup;
    // Without a group the node hears nobody: null-group posts are not meant for one window.
    if (group == nullptr) {
        return;
    }
    for (int key : {NOTIFY_CINE_TOGGLE, NOTIFY_OVERLAY_PRIOR, NOTIFY_OVERLAY_NEXT}) {
        centre->addObserver(
            this, group,
            [this](cocos2d::Ref*, unsigned received, NSUI::NSNotificationData*) {
                onCineKey(int(received));
            },
            key);
    }
}

void isNodeImage::setSliceInfo(isSliceInfo* record) {
    slice = record;
    // The frame goes back to 0 before the build, so a new record starts at its first frame.
    resetFrame();
    if (record == nullptr) {
        return;
    }
    if (record->loaded) {
        if (cocos2d::Texture2D* texture = buildTexture()) {
            installTexture(texture);
            placeBySlice();
        }
    } else {
        setScale(0.0001f);
    }
    announceFrames();
}

void isNodeImage::setClut(isClut* newClut) {
    if (newClut != nullptr) {
        newClut->retain();
        newClut->autoRebuild = false;
    }
    if (clut != nullptr) {
        clut->release();
    }
    clut = newClut;
}

void isNodeImage::onWindowLevelChanged() {
    rebuildRequested = 1;
}

void isNodeImage::onColorTableChanged() {
    rebuildRequested = 1;
}

void isNodeImage::refreshFrame() {
    cocos2d::Texture2D* texture = buildTexture();
    if (texture == nullptr) {
        return;
    }
    installTexture(texture);
    if (slice != nullptr && slice->loaded) {
        placeBySlice();
    }
}

void isNodeImage::setSource(isFilterObject* newSource) {
    if (newSource != nullptr) {
        newSource->retain();
    }
    if (source != nullptr) {
        source->release();
    }
    source = newSource;
    sourceDirty = 1;
}

cocos2d::Texture2D* isNodeImage::buildTexture() {
    if (!texels.buildColour(slice, frameIndex, clut, maxTextureSize)) {
        return nullptr;
    }
    spriteScale = texels.scale;
    // A new slab or frame of the same size refills the texture shown instead of making another.
    cocos2d::Texture2D* shown = getTexture();
    if (shown != nullptr && shown == builtTexture && shown->getPixelsWide() == texels.width &&
        shown->getPixelsHigh() == texels.height &&
        shown->updateWithData(texels.texels.data(), 0, 0, texels.width, texels.height)) {
        return shown;
    }
    auto* texture = new (std::nothrow) cocos2d::Texture2D();
    if (texture == nullptr) {
        return nullptr;
    }
    if (!texture->initWithData(texels.texels.data(), static_cast<ssize_t>(texels.texels.size()),
                               cocos2d::Texture2D::PixelFormat::RGB888, texels.width, texels.height,
                               cocos2d::Size(float(texels.width), float(texels.height)))) {
        delete texture;
        return nullptr;
    }
    texture->autorelease();
    builtTexture = texture;
    return texture;
}

void isNodeImage::installTexture(cocos2d::Texture2D* texture) {
    setTexture(texture);
    setTextureRect(cocos2d::Rect(cocos2d::Vec2::ZERO, texture->getContentSize()));
}

void isNodeImage::placeBySlice() {
    setScaleX(spriteScale.x);
    setScaleY(spriteScale.y);
    // The slice origin is the centre of the first pixel: the quad's corner lies half a texel
    // before it along both slice axes.
    cocos2d::Mat4 corner;
    cocos2d::Mat4::createTranslation(-0.5f * spriteScale.x, -0.5f * spriteScale.y, 0.0f, &corner);
    setMatrix(slice->matrix * corner);
}

void isNodeImage::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                        uint32_t parentFlags) {
    if (!isVisible() || !isVisitableByVisitingCamera()) {
        return;
    }
    if (!followSource() && rebuildRequested != 0) {
        setSliceInfo(slice);
        rebuildRequested = 0;
    }
    frameChanged = 0;
    isNodeSprite::visit(renderer, parentTransform, parentFlags);
}

bool isNodeImage::followSource() {
    if (source == nullptr ||
        (sourceDirty == 0 && !source->isDataModified() && !source->isInformationModified() &&
         source->getProductVersion() == shownVersion)) {
        return false;
    }
    source->update();
    shownVersion = source->getProductVersion();
    sourceDirty = 0;
    auto* data = dynamic_cast<isImageData*>(source->getOutput());
    setSliceInfo(data != nullptr && !data->slices.empty() ? data->slices.front() : nullptr);
    return true;
}

void isNodeImage::resetFrame() {
    frameIndex = 0;
    if (playing != 0) {
        stopPlaying();
        postInt(NOTIFY_CINE_BUTTON, 0);
    }
}

void isNodeImage::announceFrames() {
    const int hasFrames = frameCount(slice) > 1 ? 1 : 0;
    for (int key : {NOTIFY_CINE_STATE_A, NOTIFY_CINE_STATE_B, NOTIFY_CINE_STATE_C}) {
        postInt(key, hasFrames);
    }
}

void isNodeImage::postInt(int key, int value) {
    NSUI::NSNotificationCenter::getInstance()->postInt(this, key, value, group, true);
}

void isNodeImage::stopPlaying() {
    unschedule(kCineTimer);
    playing = 0;
}

void isNodeImage::onCineKey(int key) {
    followSource();
    const int frames = frameCount(slice);
    switch (key) {
    case NOTIFY_CINE_TOGGLE:
        if (playing != 0) {
            stopPlaying();
        } else if (slice != nullptr && slice->loaded && frames > 1) {
            playing = 1;
            tickCount = 0;
            schedule([this](float delta) { tick(delta); }, kTickInterval, CC_REPEAT_FOREVER,
                     kTickDelay, kCineTimer);
        }
        postInt(NOTIFY_CINE_BUTTON, playing);
        break;
    case NOTIFY_OVERLAY_PRIOR:
    case NOTIFY_OVERLAY_NEXT: {
        const bool next = key == NOTIFY_OVERLAY_NEXT;
        if (playing != 0) {
            framePeriod = next ? std::max(framePeriod - kPeriodStep, kFastestPeriod)
                               : std::min(framePeriod + kPeriodStep, kSlowestPeriod);
            tickCount = 0;
        } else if (slice != nullptr) {
            frameIndex = (frameIndex + (next ? 1 : frames - 1)) % frames;
            refreshFrame();
            frameChanged = 1;
        }
        break;
    }
    default:
        break;
    }
}

void isNodeImage::tick(float /*delta*/) {
    // A new record from the source stops playing.
    if (playing == 0 || followSource()) {
        return;
    }
    const int frames = frameCount(slice);
    if (slice != nullptr && slice->loaded && frames > 1 && frameChanged == 0 &&
        tickCount % unsigned(framePeriod) == 0) {
        frameIndex = (frameIndex + 1) % frames;
        refreshFrame();
        frameChanged = 1;
    }
    ++tickCount;
}

}  // namespace isImageSDK
