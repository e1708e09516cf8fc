#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace wavtest {

inline void putLE(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// Writes a 16-bit PCM WAV file; samples are interleaved when there are several channels.
inline void writeWav(const std::string& path, int rate, int channels,
                     const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out << "RIFF";
    putLE(out, 36 + dataBytes, 4);
    out << "WAVEfmt ";
    putLE(out, 16, 4);
    putLE(out, 1, 2);
    putLE(out, static_cast<std::uint32_t>(channels), 2);
    putLE(out, static_cast<std::uint32_t>(rate), 4);
    putLE(out, static_cast<std::uint32_t>(rate * channels * 2), 4);
    putLE(out, static_cast<std::uint32_t>(channels * 2), 2);
    putLE(out, 16, 2);
    out << "data";
    putLE(out, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        putLE(out, static_cast<std::uint16_t>(sample), 2);
    }
}

// Reads a whole file as bytes.
inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

inline std::uint32_t readLE(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value |= static_cast<std::uint32_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
    }
    return value;
}

}  // namespace wavtest
