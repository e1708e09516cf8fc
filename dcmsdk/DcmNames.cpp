#include "dcmsdk/DcmNames.h"

#include <cstdio>
#include <random>

namespace dcmSDK {

namespace {

const std::size_t kMaxUidLength = 64;

std::string hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Decimal text of the 128-bit number high:low.
std::string decimal128(std::uint64_t high, std::uint64_t low) {
    if (high == 0 && low == 0) {
        return "0";
    }
    std::string digits;
    while (high != 0 || low != 0) {
        // Divide the 128-bit number by 10 in 32-bit limbs.
        std::uint32_t limbs[4] = {
            static_cast<std::uint32_t>(high >> 32), static_cast<std::uint32_t>(high),
            static_cast<std::uint32_t>(low >> 32), static_cast<std::uint32_t>(low)};
        std::uint64_t remainder = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t current = (remainder << 32) | limb;
            limb = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        high = (static_cast<std::uint64_t>(limbs[0]) << 32) | limbs[1];
        low = (static_cast<std::uint64_t>(limbs[2]) << 32) | limbs[3];
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    return digits;
}

}  // namespace

bool DcmNames::isValidUid(const std::string& uid) {
    if (uid.empty() || uid.size() > kMaxUidLength || uid.front() == '.' || uid.back() == '.') {
        return false;
    }
    char previous = '.';
    for (const char c : uid) {
        if (c == '.') {
            if (previous == '.') {
                return false;
            }
        } else if (c < '0' || c > '9') {
            return false;
        }
        previous = c;
    }
    return true;
}

std::uint64_t DcmNames::hash64(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string DcmNames::fileNameFor(const std::string& sopInstanceUid) {
    bool plain = !sopInstanceUid.empty() && sopInstanceUid.front() >= '0' &&
                 sopInstanceUid.front() <= '9' && sopInstanceUid.size() <= kMaxUidLength;
    for (const char c : sopInstanceUid) {
        plain = plain && (c == '.' || (c >= '0' && c <= '9'));
    }
    return plain ? sopInstanceUid : "h" + hex64(hash64(sopInstanceUid));
}

std::string DcmNames::key(const std::string& uid) {
    return isValidUid(uid) ? uid : "h" + hex64(hash64(uid));
}

bool DcmNames::hasStorableUids(const std::string& sopUid, const std::string& studyUid,
                               const std::string& seriesUid) {
    return isValidUid(sopUid) && isValidUid(studyUid) && isValidUid(seriesUid);
}

std::string DcmNames::seriesFolder(const std::string& patientName, const std::string& patientId,
                                   const std::string& studyUid, const std::string& seriesUid) {
    // The unit separator keeps ("ab", "c") and ("a", "bc") apart.
    const std::string patient =
        "p" + hex64(hash64(personNameKey(patientName) + '\x1f' + patientId));
    return patient + "/" + key(studyUid) + "/" + key(seriesUid);
}

std::string DcmNames::personNameKey(const std::string& name) {
    std::string key;
    std::size_t kept = 0;  // key's length up to its last non-empty group
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('=', start);
        if (end == std::string::npos) {
            end = name.size();
        }
        std::size_t last = end;
        while (last > start && (name[last - 1] == ' ' || name[last - 1] == '^')) {
            --last;
        }
        if (start > 0) {
            key += '=';
        }
        key.append(name, start, last - start);
        if (last > start) {
            kept = key.size();
        }
        start = end + 1;
    }
    key.resize(kept);
    return key;
}

std::string DcmNames::newUid() {
    static thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    const std::uint64_t high = generator();
    const std::uint64_t low = generator();
    return "2.25." + decimal128(high, low);
}

std::string DcmNames::uidFromText(const std::string& text) {
    const std::uint64_t high = hash64(text);
    const std::uint64_t low = hash64(text + '\x1f' + std::to_string(high));
    return "2.25." + decimal128(high, low);
}

}  // namespace dcmSDK
