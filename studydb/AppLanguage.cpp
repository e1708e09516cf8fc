#include "studydb/AppLanguage.h"

#include "engine/platform/Application.h"

namespace studydb {

namespace {

using L = dcmSDK::LanguageType;
using E = cocos2d::LanguageType;

constexpr bool same(L library, E engine) {
    return static_cast<int>(library) == static_cast<int>(engine);
}

// The engine's current language reaches the DICOM layer through a cast: both must number every
// language alike.
static_assert(same(L::ENGLISH, E::ENGLISH) && same(L::CHINESE, E::CHINESE) &&
                  same(L::FRENCH, E::FRENCH) && same(L::ITALIAN, E::ITALIAN) &&
                  same(L::GERMAN, E::GERMAN) && same(L::SPANISH, E::SPANISH) &&
                  same(L::DUTCH, E::DUTCH) && same(L::RUSSIAN, E::RUSSIAN) &&
                  same(L::KOREAN, E::KOREAN) && same(L::JAPANESE, E::JAPANESE) &&
                  same(L::HUNGARIAN, E::HUNGARIAN) && same(L::PORTUGUESE, E::PORTUGUESE) &&
                  same(L::ARABIC, E::ARABIC) && same(L::NORWEGIAN, E::NORWEGIAN) &&
                  same(L::POLISH, E::POLISH) && same(L::TURKISH, E::TURKISH) &&
                  same(L::UKRAINIAN, E::UKRAINIAN) && same(L::ROMANIAN, E::ROMANIAN) &&
                  same(L::BULGARIAN, E::BULGARIAN),
              "the DICOM layer's languages must follow the engine's numbering");

}  // namespace

dcmSDK::LanguageType currentLanguage() {
    cocos2d::Application* application = cocos2d::Application::getInstance();
    if (application == nullptr) {
        return dcmSDK::LanguageType::ENGLISH;
    }
    return static_cast<dcmSDK::LanguageType>(application->getCurrentLanguage());
}

}  // namespace studydb
