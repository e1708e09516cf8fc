#pragma once

#include <functional>
#include <string>

#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

class Scale9Sprite;

// A horizontal bar with a progress part and a ball at the current percent (0..max percent).
// The widget's size is the bar's. Pressing sets the percent from the touch and reports
// ON_SLIDEBALL_DOWN; moving sets it and reports ON_PERCENTAGE_CHANGED; releasing reports
// ON_PERCENTAGE_CHANGED, then ON_SLIDEBALL_UP. A touch hits the bar's rectangle or the ball's.
class Slider : public Widget {
public:
    enum class EventType { ON_PERCENTAGE_CHANGED = 0, ON_SLIDEBALL_DOWN = 1, ON_SLIDEBALL_UP = 2 };
    using ccSliderCallback = std::function<void(Ref*, EventType)>;

    static Slider* create();
    static Slider* create(const std::string& barTexture, const std::string& ballTexture,
                          TextureResType type = TextureResType::LOCAL);
    bool init() override;

    void loadBarTexture(const std::string& file, TextureResType type = TextureResType::LOCAL);
    void loadProgressBarTexture(const std::string& file,
                                TextureResType type = TextureResType::LOCAL);
    void loadSlidBallTextures(const std::string& normal, const std::string& pressed = "",
                              const std::string& disabled = "",
                              TextureResType type = TextureResType::LOCAL);
    const std::string& getBarFile() const { return _barFileName; }
    const std::string& getProgressBarFile() const { return _progressBarFileName; }
    const std::string& getBallNormalFile() const { return _ballNormalFileName; }

    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);

    // Clamped to 0..max percent.
    void setPercent(int percent);
    int getPercent() const { return _percent; }
    void setMaxPercent(int percent);
    int getMaxPercent() const { return _maxPercent; }
    void addEventListener(const ccSliderCallback& callback) { _eventCallback = callback; }

    bool onTouchBegan(Touch* touch, Event* event) override;
    void onTouchMoved(Touch* touch, Event* event) override;
    void onTouchEnded(Touch* touch, Event* event) override;
    bool hitTest(const Vec2& worldPoint, const Camera* camera, Vec3* nodePoint) const override;
    void ignoreContentAdaptWithSize(bool ignore) override;

    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override { return _barTextureSize; }
    // The ball's renderer; its position follows the percent.
    Node* getSlidBallRenderer() const;
    std::string getDescription() const override;

protected:
    Slider() = default;

    void initRenderer() override;
    void onSizeChanged() override;
    void onPressStateChangedToNormal() override;
    void onPressStateChangedToPressed() override;
    void onPressStateChangedToDisabled() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    int percentAt(const Vec2& worldPoint) const;
    void percentChangedEvent(EventType event);
    void placeRenderers();
    void showBall(Scale9Sprite* shown);

    Scale9Sprite* _barRenderer = nullptr;
    Scale9Sprite* _progressBarRenderer = nullptr;
    Node* _slidBallRenderer = nullptr;
    Scale9Sprite* _slidBallNormalRenderer = nullptr;
    Scale9Sprite* _slidBallPressedRenderer = nullptr;
    Scale9Sprite* _slidBallDisabledRenderer = nullptr;
    std::string _barFileName;
    std::string _progressBarFileName;
    std::string _ballNormalFileName;
    std::string _ballPressedFileName;
    std::string _ballDisabledFileName;
    Size _barTextureSize;
    Size _progressBarTextureSize;
    bool _scale9Enabled = false;
    Rect _capInsets;
    int _percent = 0;
    int _maxPercent = 100;
    ccSliderCallback _eventCallback;
};

}  // namespace ui
}  // namespace cocos2d
