#include "engine/base/Ref.h"

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Macros.h"

namespace cocos2d {

namespace {

std::uint64_t nextRefID() {
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

Ref::Ref() : _referenceCount(1), _refID(nextRefID()) {}

Ref::Ref(const Ref&) : _referenceCount(1), _refID(nextRefID()) {}

Ref& Ref::operator=(const Ref&) {
    return *this;
}

Ref::~Ref() = default;

void Ref::retain() {
    const unsigned int before = _referenceCount.fetch_add(1, std::memory_order_relaxed);
    CCASSERT(before > 0, "retain of an object that is being destroyed");
}

void Ref::release() {
    unsigned int count = _referenceCount.load(std::memory_order_relaxed);
    do {
        if (count == 0) {
            CCASSERT(false, "release of an object whose reference count is already 0");
            return;
        }
    } while (!_referenceCount.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel,
                                                    std::memory_order_relaxed));
    if (count == 1) {
        delete this;
    }
}

Ref* Ref::autorelease() {
    PoolManager::getInstance()->getCurrentPool()->addObject(this);
    return this;
}

unsigned int Ref::getReferenceCount() const {
    return _referenceCount.load(std::memory_order_relaxed);
}

}  // namespace cocos2d
