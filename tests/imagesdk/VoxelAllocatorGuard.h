#pragma once

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "imagesdk/data/isVoxelAllocator.h"

namespace imagesdktest {

// Replaces the voxel allocator for one test: records every request and refuses those that the
// given rule rejects; restores the previous allocator on destruction.
class VoxelAllocatorGuard {
public:
    using Rule = std::function<bool(std::size_t bytes, std::size_t requestIndex)>;

    explicit VoxelAllocatorGuard(Rule refuse) : refuse_(std::move(refuse)) {
        previous_ = isImageSDK::isVoxelAllocator::setAllocateFunction([this](std::size_t bytes) {
            const std::size_t index = requests.size();
            requests.push_back(bytes);
            return refuse_(bytes, index) ? nullptr : std::calloc(bytes == 0 ? 1 : bytes, 1);
        });
    }
    ~VoxelAllocatorGuard() { isImageSDK::isVoxelAllocator::setAllocateFunction(previous_); }
    VoxelAllocatorGuard(const VoxelAllocatorGuard&) = delete;
    VoxelAllocatorGuard& operator=(const VoxelAllocatorGuard&) = delete;

    std::vector<std::size_t> requests;

private:
    Rule refuse_;
    isImageSDK::isVoxelAllocator::AllocateFunction previous_;
};

}  // namespace imagesdktest
