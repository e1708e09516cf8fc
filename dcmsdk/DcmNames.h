#pragma once

#include <cstdint>
#include <string>

namespace dcmSDK {

// Names the library derives from data it received: UIDs, file names and folders. Nothing taken
// from a data set reaches the file system unless it is made of digits and dots.
class DcmNames {
public:
    // Digits and dots only, 1 to 64 characters, no empty component.
    static bool isValidUid(const std::string& uid);
    // Whether an object's SOP instance, study and series UIDs, taken whole, are all valid UIDs:
    // the rule for every object the library files, received or imported.
    static bool hasStorableUids(const std::string& sopUid, const std::string& studyUid,
                                const std::string& seriesUid);
    // The SOP Instance UID itself when it is made of digits and dots and starts with a digit;
    // otherwise a name made from its hash, so that the same UID always gives the same name.
    static std::string fileNameFor(const std::string& sopInstanceUid);
    // Series folder relative to the storage root, three levels deep and without a trailing
    // separator: patient key (hash of the name's key and the ID) / study key / series key, where a
    // key is the UID itself when it is valid and a hash-based name otherwise.
    static std::string seriesFolder(const std::string& patientName, const std::string& patientId,
                                    const std::string& studyUid, const std::string& seriesUid);
    // A person name as it is compared: each component group ("=") without its trailing spaces
    // and empty components ("^"), and without trailing empty groups, which carry no meaning.
    static std::string personNameKey(const std::string& name);
    // A new, globally unique UID (2.25 form from 128 random bits).
    static std::string newUid();
    // A UID that is always the same for the same text (2.25 form from its hash).
    static std::string uidFromText(const std::string& text);
    static std::uint64_t hash64(const std::string& text);

private:
    static std::string key(const std::string& uid);
};

}  // namespace dcmSDK
