#pragma once

#include <filesystem>
#include <string>

namespace bvtest {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope. Test and benchmark mains make one their process's writable folder
// (useAsWritablePath), so that runs side by side share no settings, databases or caches.
class TempDir {
public:
    // The folder's name starts with the prefix; throws when no folder can be made.
    explicit TempDir(const std::string& prefix = "bvtmp");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as text, ending in "/".
    std::string str() const { return path_.string() + "/"; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Points BRIMVALE_WRITABLE_PATH at the folder (or at the named folder inside it).
    void useAsWritablePath(const std::string& inside = "") const;

private:
    std::filesystem::path path_;
};

}  // namespace bvtest
