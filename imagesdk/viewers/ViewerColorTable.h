#pragma once

#include <string>

namespace isImageSDK {

// 256 RGB entries, the form the slice actor and the ray casters take.
constexpr int kColorTableBytes = 768;

// Fills `table` with the colour table a viewer's colour menu names: "bwInverse.plist" and
// "noClut.plist" are built in (inverted and plain grey ramps); any other name is a property list
// found by the engine's file utilities with the arrays "Red", "Green" and "Blue" of exactly 256
// entries. With `redFromBlue` the "Blue" array fills red and the "Red" array blue. False, with
// `table` untouched, for a name of fewer than two characters or a list that cannot be used.
bool loadColorTable(const std::string& name, bool redFromBlue,
                    unsigned char table[kColorTableBytes]);

// The grey ramps: entry i is (i, i, i), or (255 - i, ...) when inverted.
void fillGreyTable(bool inverted, unsigned char table[kColorTableBytes]);

}  // namespace isImageSDK
