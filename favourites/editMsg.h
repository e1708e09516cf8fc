#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/ui/EditBoxDelegate.h"
#include "engine/ui/Widget.h"
#include "favourites/TimeOfDay.h"
#include "toolkit/widgets/NSLayout.h"

namespace cocos2d {
class ApplicationProtocol;
namespace ui {
class EditBox;
}
}  // namespace cocos2d

// The message bar under the favourites list: a text note typed and sent, or a voice note held
// to record. It posts the note; the study database stores it and announces the new row.
// Starts in text mode. Main thread only.
class editMsg : public NSUI::NSLayout, public cocos2d::ui::EditBoxDelegate {
public:
    static constexpr const char* kLayoutFile = "editbox.csb";
    static constexpr const char* kVoiceFolder = "qn/favorite/voice/";
    static constexpr int kOverlayTag = 10000;
    static constexpr const char* kStartFailed = "Failed to startup recoder";
    static constexpr const char* kNoMicrophone = "Failed to access the microphone";

    CREATE_FUNC(editMsg);
    bool init() override;

    // Loads the layout at the bar's content size; the owner places and sizes the bar first.
    void setupLayout();

    void onButtonClick(cocos2d::Ref* sender);
    void onTouchSpeak(cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType type);
    void sendText();
    void updateRecordAnimation(float dt);
    void editBoxReturn(cocos2d::ui::EditBox* editBox) override;

    // The recording overlay's picture for an input volume: "res/chat/record_animate_NN.png".
    static std::string recordFrame(float volume);

    void cleanup() override;

    cocos2d::ui::EditBox* getTextBox() const { return textBox; }
    const std::string& getVoicePath() const { return voicePath; }

    // Where recording goes; null: the running application.
    cocos2d::ApplicationProtocol* application = nullptr;
    // The time of day of the whole-second rule; tests replace it.
    TimeOfDayClock clock = systemTimeOfDay;

protected:
    editMsg() = default;
    ~editMsg() override;

private:
    cocos2d::ApplicationProtocol* recorder() const;
    cocos2d::Node* overlayParent();
    void beginRecording();
    void endRecording();

    cocos2d::Size barSize;
    cocos2d::Node* layoutRoot = nullptr;
    cocos2d::ui::EditBox* textBox = nullptr;
    std::string voicePath;
    TimeOfDay recordStart;
};
