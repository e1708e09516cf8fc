#pragma once

#include <list>
#include <string>

// One hanging protocol offered to the user: its layout type, the title the menus show and the
// icon file.
struct ProtocolEntry {
    std::string type;
    std::string title;
    std::string file;
};

// The process-wide protocol list, read from "protocal/protocal.xml" when it is empty and kept.
// Main thread only.
std::list<ProtocolEntry*>& loadProtocols();

// Destroys every entry and leaves the list empty; part of the image library's shutdown.
void releaseProtocols();
