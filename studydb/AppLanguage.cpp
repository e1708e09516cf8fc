#include "studydb/AppLanguage.h"

#include "engine/platform/Application.h"

namespace studydb {

dcmSDK::LanguageType currentLanguage() {
    cocos2d::Application* application = cocos2d::Application::getInstance();
    if (application == nullptr) {
        return dcmSDK::LanguageType::ENGLISH;
    }
    return static_cast<dcmSDK::LanguageType>(application->getCurrentLanguage());
}

}  // namespace studydb
