#pragma once

#include <functional>
#include <string>

// Where the screens open the viewer screen with a series text (one series key, or the flat JSON
// list of several) and, optionally, a hanging protocol. The viewer screen lies above this
// library: the program hands its opener in at start-up. Without one the request is kept and the
// user is told that the screen is not available. Main thread only.
struct ViewerRequest {
    std::string seriesText;
    std::string protocol;
    // Requests made since start-up.
    int count = 0;
};

using ViewerScreenOpener =
    std::function<void(const std::string& seriesText, const std::string& protocol)>;

// Replaces the opener; an empty one restores the "not available" answer.
void setViewerScreenOpener(ViewerScreenOpener opener);
void openViewerScreen(const std::string& seriesText, const std::string& protocol);
const ViewerRequest& lastViewerRequest();

// The toast for a screen that the program does not have yet.
void showScreenNotAvailable();
