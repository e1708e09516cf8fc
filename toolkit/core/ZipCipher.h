#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace NSUI {

// The traditional zip encryption: three 32-bit keys driven by the password and by the plain
// bytes. Every encrypted entry starts with a 12-byte header whose last plain byte lets the
// reader test the password.
class ZipCipher {
public:
    static constexpr size_t kHeaderSize = 12;

    explicit ZipCipher(const std::string& password);

    void encrypt(unsigned char* bytes, size_t length);
    void decrypt(unsigned char* bytes, size_t length);

    // Eleven random bytes and the check byte, encrypted.
    void makeHeader(unsigned char (&header)[kHeaderSize], unsigned char checkByte);
    // Decrypts the header in place; true when its check byte matches.
    bool readHeader(unsigned char (&header)[kHeaderSize], unsigned char checkByte);

private:
    void updateKeys(unsigned char plain);
    unsigned char streamByte() const;

    uint32_t keys[3];
};

}  // namespace NSUI
