#pragma once

#include <functional>
#include <string>

#include "tests/studydb/ServiceFixture.h"

class AppConfig;
class imageViewerPC;

namespace viewerscreentest {

// The task service with a library of its own, a running 1280 x 800 scene, and the layouts and
// pictures on the search path.
class ViewerScreenTest : public studydbtest::SceneServiceTest {
protected:
    static constexpr float kWidth = 1280.0f;
    static constexpr float kHeight = 800.0f;

    ViewerScreenTest() : SceneServiceTest(kWidth, kHeight) {}
    void SetUp() override;
    void TearDown() override;
    void releaseAfterScene() override;

    // Writes `count` CT slices of side × side pixels (`pixelSpacing` mm) 2 mm apart into the
    // folder of that key below the DICOM root.
    void writeVolume(const std::string& key, int count, int side = 16, double pixelSpacing = 1.0);
    // Writes `count` slices without position, which make a series but no volume.
    void writeFlat(const std::string& key, int count);
    // A screen for the series text pushed on the director; not entered yet.
    imageViewerPC* pushScreen(const std::string& seriesText, const std::string& protocol = "");
    // Runs frames until the condition holds; false after a generous bound.
    bool pumpUntil(const std::function<bool()>& condition);
    void pumpFrames(int frames);
    // The screen has shown its series and every reader has its slices.
    bool settled(imageViewerPC* screen);
    // Runs frames until the screen has announced its series loaded, `atLoaded` having run then,
    // and has settled; false after a generous bound.
    bool pumpUntilLoaded(imageViewerPC* screen, const std::function<void()>& atLoaded);
    // Hands an entered screen that has not loaded (firstEntry cleared before it entered) the
    // result of its load with the series' slices built and no pixel stored yet, as when the
    // result comes before any loader got to work: it shows the series at once and lays it out
    // again once the slices are loaded. `whileHeld` runs after the screen has the result and
    // before any loader may store a slice.
    void deliverBeforeAnySliceIsLoaded(imageViewerPC* screen,
                                       const std::function<void()>& whileHeld);

    AppConfig* config = nullptr;
};

}  // namespace viewerscreentest
