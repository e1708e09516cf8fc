#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cocos2d {

class Ref;

// Holds one reference of each object autoreleased into it until `clear` releases them, in the
// order they were added. An object added twice is released twice. Safe to use from any thread:
// objects released by `clear` are released outside the pool's lock, so their destructors may
// autorelease again (those land in the pool's next round).
//
// A pool made by a caller is pushed onto the calling thread's pool stack and becomes that
// thread's current pool until it is destroyed, which pops it and then clears it (objects
// autoreleased while it clears go to the pool below).
class AutoreleasePool {
public:
    AutoreleasePool();
    explicit AutoreleasePool(const std::string& name);
    ~AutoreleasePool();

    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

    void addObject(Ref* object);
    void clear();
    bool contains(Ref* object) const;
    bool isClearing() const { return _isClearing.load(); }
    const std::string& getName() const { return _name; }

private:
    friend class PoolManager;
    struct Detached {};
    // A pool owned by the manager: not pushed on construction, not popped on destruction.
    AutoreleasePool(const std::string& name, Detached);

    mutable std::mutex _mutex;
    std::vector<Ref*> _managedObjectArray;
    std::string _name;
    std::atomic<bool> _isClearing{false};
    bool _ownedByManager = false;
    std::thread::id _thread;
};

// Keeps a stack of autorelease pools per thread.
//
// The main thread is the thread that first calls `getInstance`. Its bottom pool lives as long
// as the manager; the Director clears it at the end of every main-loop frame.
//
// Off the main thread, autorelease never reaches the main thread's pools: clearing those at
// the end of a frame would release objects that a worker is still using. Instead every other
// thread has a pool of its own. `addThread` creates it ahead of use (threads not announced get
// theirs on their first autorelease), and `removeThread` drains and drops it; a thread that
// ends without being removed has its pool drained as it exits. So an object autoreleased on a
// worker stays alive until that worker is removed or ends; a worker that hands an object to
// another thread retains it for the receiver first. `removeThread` must run on the thread
// itself or after it has stopped autoreleasing (e.g. once joined).
class PoolManager {
public:
    static PoolManager* getInstance();
    // Drains every pool and deletes the manager; only once no other thread uses it.
    static void destroyInstance();

    // The top pool of the calling thread's stack.
    AutoreleasePool* getCurrentPool() const;
    bool isObjectInPools(Ref* object) const;

    void addThread(std::thread::id id);
    void removeThread(std::thread::id id);

private:
    friend class AutoreleasePool;

    PoolManager();
    ~PoolManager();

    void push(AutoreleasePool* pool);
    void pop(AutoreleasePool* pool);
    AutoreleasePool* ensureThreadPool(std::thread::id id) const;

    const std::thread::id _mainThread;
    AutoreleasePool* _mainPool;
    mutable std::mutex _mutex;
    mutable std::map<std::thread::id, std::vector<AutoreleasePool*>> _stacks;
};

}  // namespace cocos2d
