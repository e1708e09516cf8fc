#include "online/urlOpener.h"

#include "engine/platform/Application.h"

namespace {

std::function<bool(const std::string&)>& opener() {
    static std::function<bool(const std::string&)> current;
    return current;
}

}  // namespace

bool openExternalUrl(const std::string& url) {
    if (opener()) {
        return opener()(url);
    }
    cocos2d::Application* application = cocos2d::Application::getInstance();
    return application != nullptr && application->openURL(url);
}

std::function<bool(const std::string&)> setUrlOpener(std::function<bool(const std::string&)> next) {
    std::function<bool(const std::string&)> previous = opener();
    opener() = std::move(next);
    return previous;
}
