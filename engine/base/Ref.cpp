#include "engine/base/Ref.h"

#include "engine/base/AutoreleasePool.h"

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
    _referenceCount.fetch_add(1, std::memory_order_relaxed);
}

void Ref::release() {
    if (_referenceCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
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
