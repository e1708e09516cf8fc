// Entry point of the workstation on Linux. "--check-resources" reports where the program finds
// its resources and whether the files it starts with are there (exit status 0 when they are);
// nothing else on the command line is used.
#include <cstdio>
#include <cstring>

#include "engine/platform/FileUtils.h"

namespace {

int checkResources() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    std::printf("resources: %s\n", files->getDefaultResourceRootPath().c_str());
    int missing = 0;
    for (const char* name : {"language.dat", "protocal/protocal.xml", "imageSDK/noClut.plist",
                             "UIRes/white.png", "editnormal.png"}) {
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
    std::puts("brimvale: the application shell is not built yet; nothing to show.");
    return 0;
}
