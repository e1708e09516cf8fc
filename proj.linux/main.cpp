// Entry point of the workstation on Linux. "--check-resources" reports where the program finds
// its resources and whether the files it starts with are there (exit status 0 when they are);
// "--dump-widgets FILE" makes the program write the rectangles of the named widgets of the shown
// screen to FILE whenever F12 is pressed (for the end-to-end tests). Nothing else on the command
// line is used. The environment variable BRIMVALE_NODE_PORT, when set, replaces the storage
// node's port 4587 (end-to-end tests run side by side).
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppDelegate.h"
#include "app/ViewerScreenLink.h"
#include "app/WidgetDump.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/platform/FileUtils.h"
#include "favourites/FavouritesScreens.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/TextRoutines.h"
#include "viewerscreen/imageViewerPC.h"

namespace {

int checkResources() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    std::printf("resources: %s\n", files->getDefaultResourceRootPath().c_str());
    int missing = 0;
    for (const char* name :
         {"language.dat", "protocal/protocal.xml", "imageSDK/noClut.plist", "UIRes/white.png",
          "editnormal.png", "res/pad/choosePath.csb", "UIRes/choosePath/button_normal.png"}) {
        if (files->getDataFromFile(name).isNull()) {
            std::printf("missing: %s\n", name);
            ++missing;
        }
    }
    return missing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--check-resources") == 0) {
        return checkResources();
    }
    if (argc == 3 && std::strcmp(argv[1], "--dump-widgets") == 0) {
        WidgetDump::enable(argv[2]);
    }
    if (const char* port = std::getenv("BRIMVALE_NODE_PORT")) {
        dicomDB::setNodePort(port);
    }
    NSUI::createSharedFormattingBuffer();
    registerFavouritesScreens();
    setViewerScreenOpener(&imageViewerPC::open);
    // One display connection for the run: the desktop query and the window share it instead of
    // each opening its own. Without a display the window picks its offscreen driver itself.
    const bool display =
        (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr) &&
        SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    int status = 0;
    {
        AppDelegate app;
        AppDelegate::setWindowFactory([](const std::string& title, const cocos2d::Rect& rect) {
            return static_cast<cocos2d::GLView*>(cocos2d::GLViewImpl::createWithRect(title, rect));
        });
        status = cocos2d::Application::getInstance()->run();
    }
    if (display) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    return status;
}
