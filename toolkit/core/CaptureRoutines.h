#pragma once

#include <string>

namespace cocos2d {
class Image;
}

namespace NSUI {

// Folder of screen captures: <writable path>qn/tmp/capture/.
std::string getCaptureFolder();

// Captures a rectangle of the frame buffer (all zeros: the whole frame) into a new JPEG file in
// the capture folder, named by the time stamp; once the file is written it is stamped and
// announced with NOTIFY_CAPTURE_SAVED. A failed capture ends silently.
void captureScreenToJpeg(int x, int y, int width, int height);

// Stamps the picture at `path` and then posts NOTIFY_CAPTURE_SAVED with the path, also when no
// stamp could be applied.
void addQrCodeAndNotify(const std::string& path);

// Stamps the picture of the current language into the lower right corner of the image file and
// saves it over the same path; a file that cannot be stamped is left untouched.
void addQrCodeToImage(const std::string& path);

// Stamps `stamp` into `capture` in memory; true when a stamp was applied. The square stamp
// (Chinese) needs RGBA of at least 300 x 300 and a capture whose shorter side is at least 500;
// it is scaled down by sampling and copied without blending. The banner (other languages)
// needs RGBA of at most 350 x 100 and a capture of at least 350 x 100; it is alpha-blended.
// The capture must be RGB. Pictures of any other shape are left alone.
bool stampCaptureImage(cocos2d::Image* capture, cocos2d::Image* stamp, bool squareStamp);

}  // namespace NSUI
