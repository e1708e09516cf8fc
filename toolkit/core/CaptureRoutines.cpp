#include "toolkit/core/CaptureRoutines.h"

#include <algorithm>

#include "engine/base/RefPtr.h"
#include "engine/platform/Application.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "engine/renderer/ScreenCapture.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace NSUI {

namespace {

// The square stamp is sampled up to its pixel 299 in both directions.
constexpr int kSquareStampMinimum = 300;
// The banner must fit the smallest capture that gets one.
constexpr int kBannerMaxWidth = 350;
constexpr int kBannerMaxHeight = 100;

bool isChinese() {
    cocos2d::Application* application = cocos2d::Application::getInstance();
    return application != nullptr &&
           application->getCurrentLanguage() == cocos2d::LanguageType::CHINESE;
}

bool hasChannels(cocos2d::Image* image, int channels) {
    const int w = image->getWidth();
    const int h = image->getHeight();
    return w > 0 && h > 0 && image->getData() != nullptr &&
           image->getDataLen() == static_cast<ssize_t>(w) * h * channels;
}

bool stampSquare(cocos2d::Image* capture, cocos2d::Image* stamp) {
    if (stamp->getWidth() < kSquareStampMinimum || stamp->getHeight() < kSquareStampMinimum) {
        return false;
    }
    const int w = capture->getWidth();
    const int h = capture->getHeight();
    const int s = static_cast<int>(std::min(w, h) * 0.2);
    int size = 0;
    int step = 0;
    if (s >= 225) {
        size = 300;
        step = 1;
    } else if (s >= 125) {
        size = 150;
        step = 2;
    } else if (s >= 100) {
        size = 100;
        step = 3;
    } else {
        return false;
    }
    unsigned char* target = capture->getData();
    const unsigned char* source = stamp->getData();
    const size_t stampWidth = static_cast<size_t>(stamp->getWidth());
    for (int r = h - size; r < h; ++r) {
        const size_t stampRow = static_cast<size_t>(r - (h - size)) * step;
        for (int c = w - size; c < w; ++c) {
            const size_t stampColumn = static_cast<size_t>(c - (w - size)) * step;
            const unsigned char* from = source + (stampRow * stampWidth + stampColumn) * 4;
            unsigned char* to = target + (static_cast<size_t>(r) * w + c) * 3;
            std::copy(from, from + 3, to);
        }
    }
    return true;
}

bool stampBanner(cocos2d::Image* capture, cocos2d::Image* banner) {
    const int w = capture->getWidth();
    const int h = capture->getHeight();
    const int bw = banner->getWidth();
    const int bh = banner->getHeight();
    if (w < kBannerMaxWidth || h < kBannerMaxHeight || bw > kBannerMaxWidth ||
        bh > kBannerMaxHeight) {
        return false;
    }
    unsigned char* target = capture->getData();
    const unsigned char* source = banner->getData();
    for (int r = h - bh; r < h; ++r) {
        for (int c = w - bw; c < w; ++c) {
            const unsigned char* from =
                source + (static_cast<size_t>(r - (h - bh)) * bw + (c - (w - bw))) * 4;
            unsigned char* to = target + (static_cast<size_t>(r) * w + c) * 3;
            const float a = from[3] / 255.0f;
            for (int channel = 0; channel < 3; ++channel) {
                to[channel] = static_cast<unsigned char>(from[channel] * a + to[channel] * (1 - a));
            }
        }
    }
    return true;
}

}  // namespace

std::string getCaptureFolder() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn" + "/" + "tmp" + "/" +
           "capture" + "/";
}

void captureScreenToJpeg(int x, int y, int width, int height) {
    const std::string folder = getCaptureFolder();
    cocos2d::FileUtils::getInstance()->createDirectory(folder);
    const std::string fileName = folder + getTimestampString() + ".jpg";
    cocos2d::utils::captureScreen(
        [](bool succeeded, const std::string& path) {
            if (succeeded) {
                addQrCodeAndNotify(path);
            }
        },
        fileName, x, y, width, height);
}

void addQrCodeAndNotify(const std::string& path) {
    addQrCodeToImage(path);
    NSNotificationCenter::getInstance()->postString(nullptr, NOTIFY_CAPTURE_SAVED, path, nullptr,
                                                    false);
}

void addQrCodeToImage(const std::string& path) {
    const bool chinese = isChinese();
    const cocos2d::RefPtr<cocos2d::Image> capture(new cocos2d::Image());
    const cocos2d::RefPtr<cocos2d::Image> stamp(new cocos2d::Image());
    const std::string stampPath = cocos2d::FileUtils::getInstance()->fullPathForFilename(
        chinese ? "UIRes/qrcode.png" : "UIRes/qrcode2.png");
    if (capture->initWithImageFile(path) && !stampPath.empty() &&
        stamp->initWithImageFile(stampPath) &&
        stampCaptureImage(capture.get(), stamp.get(), chinese)) {
        capture->saveToFile(path, true);
    }
}

bool stampCaptureImage(cocos2d::Image* capture, cocos2d::Image* stamp, bool squareStamp) {
    if (capture == nullptr || stamp == nullptr || !hasChannels(capture, 3) ||
        !hasChannels(stamp, 4)) {
        return false;
    }
    return squareStamp ? stampSquare(capture, stamp) : stampBanner(capture, stamp);
}

}  // namespace NSUI
