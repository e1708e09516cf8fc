#pragma once

#include <cstdint>
#include <vector>

namespace isImageSDK {

// One lookup entry: opacity, then red, green, blue.
struct vrTableEntry {
    float opacity;
    float r;
    float g;
    float b;
};

// Opacity as a linear ramp over the display window and colour from a 256-entry colour table,
// and the tables the ray kernels read. The function's opacity runs 0..255 like its colours; the
// lookup tables divide it by 255.
class vrTransferFunction {
public:
    vrTransferFunction();

    // Entry i becomes (i, colour i); the pre-integrated table is rebuilt on the next ensureTables.
    void buildFromColorTable(const std::uint8_t colours[768]);
    // Rebuilds the pre-integrated table when the function changed since the last call.
    void ensureTables();

    const vrTableEntry* function() const { return entries.data(); }
    // 256 x 256 entries, (cur, prev) at cur * 256 + prev, in the function's ranges.
    const vrTableEntry* preIntegrated() const { return preTable.data(); }

    // Index of value v for a window with low edge L and scale S, rounded (per-value tables) or
    // truncated (kernels), clamped to 0..255.
    static int indexRounded(double v, float low, float scale);
    static int indexTruncated(float v, float low, float scale);

    // Per-value table: entry j is the function entry of value base + j with opacity / 255, for
    // count values.
    void fillValueTable(vrTableEntry* out, int base, int count, float low, float scale) const;
    // The 256 function entries with opacity / 255.
    void fillIndexTable(vrTableEntry* out) const;
    // The pre-integrated table with opacity / 255.
    void fillPreIntegratedTable(vrTableEntry* out) const;

private:
    bool stale = true;
    std::vector<vrTableEntry> entries;
    std::vector<vrTableEntry> preTable;
};

}  // namespace isImageSDK
