#pragma once

#include <string>

namespace cocos2d {
class Node;
}

// The rectangles of the named widgets on screen, for the end-to-end tests that check a screen
// at several window sizes: once enabled, F12 writes them for the running scene.
class WidgetDump {
public:
    // Remembers the file; `install` then adds the key listener.
    static void enable(const std::string& path);
    static bool isEnabled();
    // Adds the F12 listener to the director's event dispatcher when enabled.
    static void install();

    // One line for the window ("window W H"), then one per visible named widget below `root`:
    // "widget PATH X Y W H" in window pixels from the top-left, PATH the names of its named
    // ancestors and its own joined by '/'; a text widget adds a tab and its text. Each region
    // of the viewer screen (a multi-viewer) adds "region X Y W H", each of its cells "viewer
    // TYPE X Y W H" with its view type's label ("Axial", "VR", ...; "None" while untyped).
    // Each open menu adds "menu NAME X Y W H", each shown named sprite "sprite NAME X Y W H".
    static std::string describe(cocos2d::Node* root);
    // describe() of the running scene, written to the file (through a temporary name).
    static bool write();
};
