#include "engine/platform/Application.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/base/Director.h"
#include "engine/platform/GLView.h"

namespace cocos2d {

namespace {

Application* s_sharedApplication = nullptr;

struct LanguageCode {
    const char* code;
    LanguageType language;
};

const LanguageCode kLanguageCodes[] = {
    {"en", LanguageType::ENGLISH},   {"zh", LanguageType::CHINESE},
    {"fr", LanguageType::FRENCH},    {"it", LanguageType::ITALIAN},
    {"de", LanguageType::GERMAN},    {"es", LanguageType::SPANISH},
    {"nl", LanguageType::DUTCH},     {"ru", LanguageType::RUSSIAN},
    {"ko", LanguageType::KOREAN},    {"ja", LanguageType::JAPANESE},
    {"hu", LanguageType::HUNGARIAN}, {"pt", LanguageType::PORTUGUESE},
    {"ar", LanguageType::ARABIC},    {"nb", LanguageType::NORWEGIAN},
    {"nn", LanguageType::NORWEGIAN}, {"no", LanguageType::NORWEGIAN},
    {"pl", LanguageType::POLISH},    {"tr", LanguageType::TURKISH},
    {"uk", LanguageType::UKRAINIAN}, {"ro", LanguageType::ROMANIAN},
    {"bg", LanguageType::BULGARIAN},
};

std::string currentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "";
}

std::string languagePart(const std::string& locale) {
    std::string code = locale.substr(0, locale.find_first_of("_.@"));
    std::transform(code.begin(), code.end(), code.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return code;
}

}  // namespace

Application::Application() {
    s_sharedApplication = this;
}

Application::~Application() {
    if (s_sharedApplication == this) {
        s_sharedApplication = nullptr;
    }
}

Application* Application::getInstance() {
    return s_sharedApplication;
}

int Application::run() {
    initGLContextAttrs();
    if (!applicationDidFinishLaunching()) {
        return 1;
    }
    Director* director = Director::getInstance();
    GLView* view = director->getOpenGLView();
    if (view == nullptr) {
        return 0;
    }
    // The delegate's view is autoreleased; the loop keeps it past the first frame's pool drain.
    view->retain();
    using Clock = std::chrono::steady_clock;
    auto lastFrame = Clock::now() - std::chrono::hours(1);
    while (!view->windowShouldClose()) {
        view->pollEvents();
        if (view->windowShouldClose()) {
            break;
        }
        const auto interval = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<float>(director->getAnimationInterval()));
        const auto now = Clock::now();
        if (now - lastFrame >= interval) {
            lastFrame = now;
            director->mainLoop();
        } else {
            std::this_thread::sleep_for(std::min<Clock::duration>(lastFrame + interval - now,
                                                                  std::chrono::milliseconds(1)));
        }
    }
    applicationWillExit();
    view->end();
    if (Director::getInstance()->getOpenGLView() == view) {
        Director::getInstance()->setOpenGLView(nullptr);
    }
    view->release();
    return 0;
}

void Application::setAnimationInterval(float interval) {
    Director::getInstance()->setAnimationInterval(interval);
}

LanguageType Application::languageForLocale(const std::string& locale) {
    const std::string code = languagePart(locale);
    for (const auto& entry : kLanguageCodes) {
        if (code == entry.code) {
            return entry.language;
        }
    }
    return LanguageType::ENGLISH;
}

LanguageType Application::getCurrentLanguage() {
    return languageForLocale(currentLocale());
}

const char* Application::getCurrentLanguageCode() {
    const std::string code = languagePart(currentLocale());
    _languageCode = code.size() == 2 ? code : "en";
    return _languageCode.c_str();
}

bool Application::openURL(const std::string& url) {
    if (url.empty()) {
        return false;
    }
    // The intermediate child exits at once, so the opener is never left as a zombie and the
    // caller does not wait for the browser.
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        const pid_t opener = fork();
        if (opener == 0) {
            execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(opener < 0 ? 1 : 0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace cocos2d
