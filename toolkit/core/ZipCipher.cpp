#include "toolkit/core/ZipCipher.h"

#include <array>
#include <random>

namespace NSUI {

namespace {

// The reflected CRC-32 table (polynomial 0xEDB88320) that the key schedule steps with.
const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> made{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t value = n;
            for (int bit = 0; bit < 8; ++bit) {
                value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
            }
            made[n] = value;
        }
        return made;
    }();
    return table;
}

uint32_t crcStep(uint32_t crc, unsigned char byte) {
    return crcTable()[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCipher::ZipCipher(const std::string& password) : keys{0x12345678u, 0x23456789u, 0x34567890u} {
    for (const char c : password) {
        updateKeys(static_cast<unsigned char>(c));
    }
}

void ZipCipher::updateKeys(unsigned char plain) {
    keys[0] = crcStep(keys[0], plain);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = crcStep(keys[2], static_cast<unsigned char>(keys[1] >> 24));
}

unsigned char ZipCipher::streamByte() const {
    const uint32_t temp = (keys[2] | 2) & 0xFFFF;
    return static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
}

void ZipCipher::encrypt(unsigned char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const unsigned char mask = streamByte();
        updateKeys(bytes[i]);
        bytes[i] ^= mask;
    }
}

void ZipCipher::decrypt(unsigned char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        bytes[i] ^= streamByte();
        updateKeys(bytes[i]);
    }
}

void ZipCipher::makeHeader(unsigned char (&header)[kHeaderSize], unsigned char checkByte) {
    std::random_device source;
    std::uniform_int_distribution<int> byteValue(0, 255);
    for (size_t i = 0; i + 1 < kHeaderSize; ++i) {
        header[i] = static_cast<unsigned char>(byteValue(source));
    }
    header[kHeaderSize - 1] = checkByte;
    encrypt(header, kHeaderSize);
}

bool ZipCipher::readHeader(unsigned char (&header)[kHeaderSize], unsigned char checkByte) {
    decrypt(header, kHeaderSize);
    return header[kHeaderSize - 1] == checkByte;
}

}  // namespace NSUI
