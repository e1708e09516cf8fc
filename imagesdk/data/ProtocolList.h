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

// What a protocol choice depends on: the number of series shown together, the image count of
// the focused series, whether it can be reformatted as a volume and whether it has phases.
struct ProtocolQuery {
    int seriesCount = 0;
    int imageCount = 0;
    bool isVolume = false;
    bool is4D = false;
};

// The process-wide protocol list, read from "protocal/protocal.xml" when it is empty and kept.
// Main thread only.
std::list<ProtocolEntry*>& loadProtocols();

// The layout code of a type name: "2dview" 1, "browser2d" 2, "mpr3d" 3, "mpr" 4, "mpr2" 5,
// "2dslice" 6, "compare2d" 7, "compare4d" 8; any other text 0.
int protocolTypeCode(const std::string& type);

// Appends to `out`, in list order, the entries of the protocol list that suit the query: for two
// or more series "compare2d" (and "compare4d" above 50 images); for one volume every entry but
// "compare2d" and "2dslice" ("compare4d" only with phases), only "browser2d" at 4 images or
// fewer; for one series that is no volume "2dslice" and "compare2d".
void matchProtocols(const ProtocolQuery& query, std::list<ProtocolEntry*>& out);

// Destroys every entry and leaves the list empty; part of the image library's shutdown.
void releaseProtocols();
