#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace isImageSDK {

// Source of voxel memory for image data. Every buffer it hands out is zero-filled and released
// with std::free. The default refuses large requests that the machine cannot back, so that a
// shortage is reported instead of ending in the kernel's out-of-memory killer.
class isVoxelAllocator {
public:
    using AllocateFunction = std::function<void*(std::size_t bytes)>;

    // Zero-filled memory, or null when it cannot be had.
    static void* allocate(std::size_t bytes);
    // Replaces the allocation routine (it must honour the contract above); an empty function
    // restores the default. Returns the routine in use before.
    static AllocateFunction setAllocateFunction(AllocateFunction function);

    static void* systemAllocate(std::size_t bytes);
    // Memory the system can still give without swapping, in bytes; 0 when unknown.
    static std::uint64_t availableMemory();
};

}  // namespace isImageSDK
