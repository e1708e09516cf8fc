#pragma once

#include <cstdint>
#include <string>

namespace dcmSDK {

// Writes 8-bit RGB pixels (rows top first, no gaps) as a PNG file through libpng.
class DcmPngWriter {
public:
    static bool write(int width, int height, const std::uint8_t* pixels, const std::string& path);
};

}  // namespace dcmSDK
