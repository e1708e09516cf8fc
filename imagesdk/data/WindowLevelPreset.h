#pragma once

#include <list>
#include <string>

namespace isImageSDK {

// A named window for the window/level menus.
struct WindowLevelPreset {
    std::string name;
    float level = 0.0f;
    float width = 0.0f;
};

// Replaces the list's content with the presets of a modality code: 0 CT, 1 PT, any other the
// generic level/width ladder.
void fillWindowLevelPresets(int kind, std::list<WindowLevelPreset>& presets);
void appendWindowLevelPreset(const std::string& name, float level, float width,
                             std::list<WindowLevelPreset>& presets);
void clearWindowLevelPresets(std::list<WindowLevelPreset>& presets);

}  // namespace isImageSDK
