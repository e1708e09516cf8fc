#include "imagesdk/data/WindowLevelPreset.h"

namespace isImageSDK {

void fillWindowLevelPresets(int kind, std::list<WindowLevelPreset>& presets) {
    clearWindowLevelPresets(presets);
    switch (kind) {
    case 0:
        appendWindowLevelPreset("Abdomen", -700.0f, 1500.0f, presets);
        appendWindowLevelPreset("Angio", 300.0f, 600.0f, presets);
        appendWindowLevelPreset("Bone", 550.0f, 1600.0f, presets);
        appendWindowLevelPreset("Brain", 35.0f, 90.0f, presets);
        appendWindowLevelPreset("Brain Bone", 450.0f, 1600.0f, presets);
        appendWindowLevelPreset("Chest", 40.0f, 400.0f, presets);
        appendWindowLevelPreset("Lung", -650.0f, 1000.0f, presets);
        appendWindowLevelPreset("Spine", 700.0f, 4000.0f, presets);
        appendWindowLevelPreset("Liver", 40.0f, 400.0f, presets);
        appendWindowLevelPreset("Vessel", 40.0f, 500.0f, presets);
        break;
    case 1:
        appendWindowLevelPreset("10K", 5000.0f, 10000.0f, presets);
        appendWindowLevelPreset("20K", 10000.0f, 20000.0f, presets);
        appendWindowLevelPreset("40K", 20000.0f, 40000.0f, presets);
        appendWindowLevelPreset("80K", 40000.0f, 80000.0f, presets);
        appendWindowLevelPreset("160K", 80000.0f, 160000.0f, presets);
        appendWindowLevelPreset("320K", 160000.0f, 320000.0f, presets);
        break;
    default:
        appendWindowLevelPreset("20/40", 20.0f, 40.0f, presets);
        appendWindowLevelPreset("40/80", 40.0f, 80.0f, presets);
        appendWindowLevelPreset("80/160", 80.0f, 160.0f, presets);
        appendWindowLevelPreset("160/320", 160.0f, 320.0f, presets);
        appendWindowLevelPreset("320/640", 320.0f, 640.0f, presets);
        appendWindowLevelPreset("640/1280", 640.0f, 1280.0f, presets);
        appendWindowLevelPreset("1280/2560", 1280.0f, 2560.0f, presets);
        appendWindowLevelPreset("2560/5120", 2560.0f, 5120.0f, presets);
        break;
    }
}

void appendWindowLevelPreset(const std::string& name, float level, float width,
                             std::list<WindowLevelPreset>& presets) {
    presets.push_back(WindowLevelPreset{name, level, width});
}

void clearWindowLevelPresets(std::list<WindowLevelPreset>& presets) {
    presets.clear();
}

}  // namespace isImageSDK
