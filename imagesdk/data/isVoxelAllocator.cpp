#include "imagesdk/data/isVoxelAllocator.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace isImageSDK {

namespace {

// Below this size a request cannot hurt and is not worth reading /proc for.
constexpr std::size_t kCheckedRequest = 64u * 1024u * 1024u;
constexpr std::size_t kHugePage = 2u * 1024u * 1024u;
// From this size a buffer is a volume that is read at scattered places; whole huge pages then
// spare the TLB misses.
constexpr std::size_t kHugePageRequest = 32u * 1024u * 1024u;

// calloc hands a request of this size out as a fresh mapping, already zero, without writing a byte
// of it; the pages are only touched when the volume fills. The huge-page hint covers the whole
// huge pages inside the buffer, before any of them is touched.
void* hugePageAllocate(std::size_t bytes) {
    void* buffer = std::calloc(bytes, 1);
    if (!buffer) {
        return nullptr;
    }
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t begin = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    const std::uintptr_t end = (start + bytes) & ~std::uintptr_t(kHugePage - 1);
    if (end > begin) {
        // Only a hint: without transparent huge pages the buffer simply keeps small pages.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
    return buffer;
}

std::mutex& allocatorMutex() {
    static std::mutex mutex;
    return mutex;
}

isVoxelAllocator::AllocateFunction& currentFunction() {
    static isVoxelAllocator::AllocateFunction function;
    return function;
}

}  // namespace

void* isVoxelAllocator::allocate(std::size_t bytes) {
    AllocateFunction function;
    {
        std::lock_guard<std::mutex> guard(allocatorMutex());
        function = currentFunction();
    }
    return function ? function(bytes) : systemAllocate(bytes);
}

isVoxelAllocator::AllocateFunction
isVoxelAllocator::setAllocateFunction(AllocateFunction function) {
    std::lock_guard<std::mutex> guard(allocatorMutex());
    AllocateFunction previous = std::move(currentFunction());
    currentFunction() = std::move(function);
    return previous;
}

void* isVoxelAllocator::systemAllocate(std::size_t bytes) {
    if (bytes >= kCheckedRequest) {
        const std::uint64_t available = availableMemory();
        if (available != 0 && bytes > available) {
            return nullptr;
        }
    }
    if (bytes >= kHugePageRequest) {
        return hugePageAllocate(bytes);
    }
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

std::uint64_t isVoxelAllocator::availableMemory() {
    std::FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file) {
        return 0;
    }
    std::uint64_t available = 0;
    char line[256];
    while (std::fgets(line, sizeof(line), file)) {
        unsigned long long kilobytes = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1) {
            available = static_cast<std::uint64_t>(kilobytes) * 1024u;
            break;
        }
    }
    std::fclose(file);
    return available;
}

}  // namespace isImageSDK
