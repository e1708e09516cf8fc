#include "imagesdk/io/SeriesFolderFiles.h"

namespace isImageSDK {

namespace {

const std::string kThumbnailPrefix = "thrumb";
const std::string kPartialSuffix = ".part";
const int kThumbnailCount = 6;

bool isThumbnail(const std::string& name) {
    if (name.size() != kThumbnailPrefix.size() + 1 || name.rfind(kThumbnailPrefix, 0) != 0) {
        return false;
    }
    const char digit = name.back();
    return digit >= '0' && digit < '0' + kThumbnailCount;
}

}  // namespace

bool isSeriesCompanionFile(const std::string& name) {
    if (name.empty() || name[0] == '.') {
        return true;
    }
    if (name.size() > kPartialSuffix.size() &&
        name.compare(name.size() - kPartialSuffix.size(), kPartialSuffix.size(), kPartialSuffix) ==
            0) {
        return isThumbnail(name.substr(0, name.size() - kPartialSuffix.size()));
    }
    return isThumbnail(name);
}

}  // namespace isImageSDK
