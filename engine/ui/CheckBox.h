#pragma once

#include <functional>
#include <string>

#include "engine/ui/Widget.h"

namespace cocos2d {

class Sprite;

namespace ui {

// A box that a click ticks or unticks: a background image with a check mark over it while
// selected. Each click reports the new state to the listener (SELECTED or UNSELECTED);
// `setSelected` changes the state without reporting.
class CheckBox : public Widget {
public:
    enum class EventType { SELECTED = 0, UNSELECTED = 1 };
    using ccCheckBoxCallback = std::function<void(Ref*, EventType)>;

    static CheckBox* create();
    static CheckBox* create(const std::string& backGround, const std::string& cross,
                            TextureResType type = TextureResType::LOCAL);
    bool init() override;
    virtual bool init(const std::string& backGround, const std::string& cross,
                      TextureResType type = TextureResType::LOCAL);

    void loadTextureBackGround(const std::string& backGround,
                               TextureResType type = TextureResType::LOCAL);
    void loadTextureFrontCross(const std::string& cross,
                               TextureResType type = TextureResType::LOCAL);
    const std::string& getBackGroundFile() const { return _backGroundFileName; }
    const std::string& getCrossFile() const { return _frontCrossFileName; }

    void setSelected(bool selected);
    bool isSelected() const { return _isSelected; }
    void addEventListener(const ccCheckBoxCallback& callback) { _checkBoxEventCallback = callback; }

    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override;
    std::string getDescription() const override;

protected:
    CheckBox() = default;

    void initRenderer() override;
    void onSizeChanged() override;
    void onPressStateChangedToDisabled() override;
    void onPressStateChangedToNormal() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    void releaseUpEvent() override;
    void placeRenderers();

    Sprite* _backGroundBoxRenderer = nullptr;
    Sprite* _frontCrossRenderer = nullptr;
    std::string _backGroundFileName;
    std::string _frontCrossFileName;
    bool _isSelected = false;
    ccCheckBoxCallback _checkBoxEventCallback;
};

}  // namespace ui
}  // namespace cocos2d
