#pragma once

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "favourites/captureList.h"
#include "tests/studydb/ServiceFixture.h"

namespace favtest {

// The task service with a study database of its own, a running 960 x 640 scene and the layouts
// on the search path.
class FavouritesTest : public studydbtest::SceneServiceTest {
protected:
    static constexpr float kWidth = 960.0f;
    static constexpr float kHeight = 640.0f;

    FavouritesTest() : SceneServiceTest(kWidth, kHeight) {}
    void TearDown() override;

    // Stores a favourite row as the database keeps it; returns its ID.
    int storeRow(int type, const std::string& message, const std::string& image,
                 const std::string& updateTime, float scale = 1.0f);
    // A list of `width` x `height` on the running scene whose rows have arrived.
    captureList* loadedList(float width = 300.0f, float height = 480.0f);
    std::vector<int> kinds(captureList* list);
    std::vector<int> storedIds();
    // A visible text with exactly this string somewhere on the running scene.
    bool showsText(const std::string& text);
    void frames(int count = 2);
};

}  // namespace favtest
