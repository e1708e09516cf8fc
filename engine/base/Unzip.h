#pragma once

// The engine's unzip interface: the system's minizip under the engine's names. Code that uses
// it links minizip (the toolkit does).

#include <unzip.h>

namespace cocos2d {

using ::unz_file_info;
using ::unz_global_info;
using ::unzFile;

using ::unzClose;
using ::unzGetCurrentFileInfo;
using ::unzGetGlobalInfo;
using ::unzGoToNextFile;
using ::unzOpen;

}  // namespace cocos2d
