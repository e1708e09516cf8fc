#pragma once

#include <string>

// Where the screens open the viewer screen with a series text (one series key, or the flat JSON
// list of several) and, optionally, a hanging protocol. The viewer screen is not part of the
// program yet: the request is kept for it and the user is told that the screen is not
// available. Main thread only.
struct ViewerRequest {
    std::string seriesText;
    std::string protocol;
    // Requests made since start-up.
    int count = 0;
};

void openViewerScreen(const std::string& seriesText, const std::string& protocol);
const ViewerRequest& lastViewerRequest();

// The toast for a screen that the program does not have yet.
void showScreenNotAvailable();
