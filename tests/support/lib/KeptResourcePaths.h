#pragma once

#include <string>
#include <vector>

#include "engine/platform/FileUtils.h"

namespace bvtest {

// The file finder's search paths and resource root as they were when this was made, put back
// when it ends, however the test ends.
class KeptResourcePaths {
public:
    KeptResourcePaths()
        : searchPaths_(cocos2d::FileUtils::getInstance()->getSearchPaths()),
          root_(cocos2d::FileUtils::getInstance()->getDefaultResourceRootPath()) {}
    ~KeptResourcePaths() {
        cocos2d::FileUtils::getInstance()->setDefaultResourceRootPath(root_);
        cocos2d::FileUtils::getInstance()->setSearchPaths(searchPaths_);
    }
    KeptResourcePaths(const KeptResourcePaths&) = delete;
    KeptResourcePaths& operator=(const KeptResourcePaths&) = delete;

private:
    std::vector<std::string> searchPaths_;
    std::string root_;
};

}  // namespace bvtest
