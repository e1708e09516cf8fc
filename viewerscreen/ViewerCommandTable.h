#pragma once

#include <string>

// What a click on a viewer-screen button does, looked up by the button's name.
enum class ViewerAction {
    ChoosePatient,
    WindowMenu,
    ProtocolMenu,
    Favorites,
    GoBack,
    // The region's multi-viewer runs the key at once (with `value` as the int when it is not 0).
    Run,
    // Posted with the multi-viewer as group; `nextFrame` says which queue.
    Post,
    // Posted, then the first-use hint of the automatic grid.
    PostAutoGrid,
    // Posted, then the quick tool strip is hidden.
    PostView,
    CaptureMenu,
    WindowLevelMenu,
    ClutMenu,
    OpacityMenu,
    FlipMenu,
    SlabMenu,
    ToolDiskLayout,
    ToolDiskWindowLevel,
    ToolDiskROI,
    ViewCycle,
    PhasePrior,
    PhaseNext,
    PhaseMenu,
};

struct ViewerCommand {
    const char* name;
    ViewerAction action;
    int key;
    int value;
    bool nextFrame;
    // Does not match while cine play runs.
    bool gated;
};

// The first row of the table for the name that is not gated by cine play; null when none acts.
const ViewerCommand* findViewerCommand(const std::string& name, bool playing);
