#pragma once

#include <functional>
#include <string>

#include "engine/math/Geometry.h"
#include "engine/platform/Application.h"

namespace cocos2d {
class GLView;
class Scene;
}  // namespace cocos2d

// The application delegate: makes the main window, sets the engine up, hands the DICOM library
// its callbacks, starts the long-lived services in a fixed order and shows the first scene (the
// data-folder chooser on the first run, else the home screen); pauses and resumes with the
// window; at exit ends the screens and then the services, each service's threads joined before
// the singletons it uses are freed. Main thread only.
class AppDelegate : public cocos2d::Application {
public:
    // Makes the window for a title and a rectangle (screen pixels, from the top-left), or null.
    using WindowFactory =
        std::function<cocos2d::GLView*(const std::string& title, const cocos2d::Rect& rect)>;

    AppDelegate() = default;
    ~AppDelegate() override = default;

    // How the window is made; without a factory the program runs headless with a window size
    // of the same rectangle.
    static void setWindowFactory(const WindowFactory& factory);

    void initGLContextAttrs() override;
    bool applicationDidFinishLaunching() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void applicationWillExit() override;
    void openFile(const char* path) override;

    // Asks the home screen to import `path` (NOTIFY_IMPORT_PATH), one delivery per pass.
    static void postOpenFile(const std::string& path);
    // The scene of the first start (the data-folder chooser) or of every later one.
    static cocos2d::Scene* createFirstScene();
};
