#pragma once

#include <atomic>
#include <cstdint>

namespace cocos2d {

// Reference-counted base of every engine and application object. A new object holds one
// reference; the last release deletes it. Counting is atomic so that worker threads may retain
// and release objects shared with the main thread.
class Ref {
public:
    virtual ~Ref();

    void retain();
    void release();
    // Hands one reference to the calling thread's current autorelease pool (see PoolManager).
    Ref* autorelease();

    unsigned int getReferenceCount() const;

    // Unique for the life of the process; never reused, not even after the object is gone.
    std::uint64_t getRefID() const { return _refID; }

    // Identity test: whether both references denote the same object.
    bool equal(const Ref* other) const { return this == other; }
    static bool equal(const Ref* a, const Ref* b) { return a == b; }

protected:
    Ref();
    // A copy is a new object: one reference of its own and a fresh id.
    Ref(const Ref& other);
    Ref& operator=(const Ref& other);

private:
    std::atomic<unsigned int> _referenceCount;
    std::uint64_t _refID;
};

}  // namespace cocos2d
