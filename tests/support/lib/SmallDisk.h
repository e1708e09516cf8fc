#pragma once

#include <string>

namespace bvtest {

// A tmpfs of a few hundred kilobytes mounted over a folder while the object lives: a disk a test
// can fill for real. Mounting needs root; mounted() says whether it worked.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder, const std::string& size = "256k");
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    // Writes path until the disk takes no more.
    void fill(const std::string& path) const;

private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace bvtest
