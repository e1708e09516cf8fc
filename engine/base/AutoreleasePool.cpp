#include "engine/base/AutoreleasePool.h"

#include <algorithm>
#include <utility>

#include "engine/base/Ref.h"

namespace cocos2d {

namespace {

std::atomic<PoolManager*> s_instance{nullptr};
std::mutex s_instanceMutex;

// Set once the calling thread's exit drain runs, so that objects autoreleased by destructors
// during the drain do not touch the thread_local being destroyed.
thread_local bool t_exiting = false;

struct ThreadExitDrain {
    bool armed = false;
    ~ThreadExitDrain() {
        t_exiting = true;
        PoolManager* manager = s_instance.load(std::memory_order_acquire);
        if (armed && manager != nullptr) {
            manager->removeThread(std::this_thread::get_id());
        }
    }
};

thread_local ThreadExitDrain t_exitDrain;

}  // namespace

AutoreleasePool::AutoreleasePool() : AutoreleasePool(std::string()) {}

AutoreleasePool::AutoreleasePool(const std::string& name) : _name(name) {
    _managedObjectArray.reserve(150);
    PoolManager::getInstance()->push(this);
}

AutoreleasePool::AutoreleasePool(const std::string& name, Detached)
    : _name(name), _ownedByManager(true) {
    _managedObjectArray.reserve(150);
}

AutoreleasePool::~AutoreleasePool() {
    if (!_ownedByManager) {
        PoolManager::getInstance()->pop(this);
    }
    clear();
}

void AutoreleasePool::addObject(Ref* object) {
    std::lock_guard<std::mutex> lock(_mutex);
    _managedObjectArray.push_back(object);
}

void AutoreleasePool::clear() {
    std::vector<Ref*> releasing;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        releasing.swap(_managedObjectArray);
    }
    _isClearing.store(true);
    for (Ref* object : releasing) {
        object->release();
    }
    _isClearing.store(false);
}

bool AutoreleasePool::contains(Ref* object) const {
    std::lock_guard<std::mutex> lock(_mutex);
    return std::find(_managedObjectArray.begin(), _managedObjectArray.end(), object) !=
           _managedObjectArray.end();
}

PoolManager* PoolManager::getInstance() {
    PoolManager* manager = s_instance.load(std::memory_order_acquire);
    if (manager != nullptr) {
        return manager;
    }
    std::lock_guard<std::mutex> lock(s_instanceMutex);
    manager = s_instance.load(std::memory_order_relaxed);
    if (manager == nullptr) {
        manager = new PoolManager();
        s_instance.store(manager, std::memory_order_release);
    }
    return manager;
}

void PoolManager::destroyInstance() {
    PoolManager* manager;
    {
        std::lock_guard<std::mutex> lock(s_instanceMutex);
        manager = s_instance.exchange(nullptr, std::memory_order_acq_rel);
    }
    // Outside the lock: destructors run by the drain may reach getInstance.
    delete manager;
}

PoolManager::PoolManager()
    : _mainThread(std::this_thread::get_id()),
      _mainPool(new AutoreleasePool("cocos2d autorelease pool", AutoreleasePool::Detached{})) {
    _stacks[_mainThread].push_back(_mainPool);
}

PoolManager::~PoolManager() {
    std::map<std::thread::id, std::vector<AutoreleasePool*>> stacks;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        stacks.swap(_stacks);
    }
    for (auto& entry : stacks) {
        for (auto pool = entry.second.rbegin(); pool != entry.second.rend(); ++pool) {
            (*pool)->clear();
            if ((*pool)->_ownedByManager) {
                delete *pool;
            }
        }
    }
}

AutoreleasePool* PoolManager::getCurrentPool() const {
    const std::thread::id id = std::this_thread::get_id();
    if (id == _mainThread) {
        std::lock_guard<std::mutex> lock(_mutex);
        return _stacks[_mainThread].back();
    }
    if (!t_exiting) {
        t_exitDrain.armed = true;
    }
    return ensureThreadPool(id);
}

AutoreleasePool* PoolManager::ensureThreadPool(std::thread::id id) const {
    std::lock_guard<std::mutex> lock(_mutex);
    std::vector<AutoreleasePool*>& stack = _stacks[id];
    if (stack.empty()) {
        stack.push_back(
            new AutoreleasePool("thread autorelease pool", AutoreleasePool::Detached{}));
    }
    return stack.back();
}

bool PoolManager::isObjectInPools(Ref* object) const {
    std::lock_guard<std::mutex> lock(_mutex);
    for (const auto& entry : _stacks) {
        for (const AutoreleasePool* pool : entry.second) {
            if (pool->contains(object)) {
                return true;
            }
        }
    }
    return false;
}

void PoolManager::addThread(std::thread::id id) {
    if (id == std::thread::id() || id == _mainThread) {
        return;
    }
    ensureThreadPool(id);
}

void PoolManager::removeThread(std::thread::id id) {
    if (id == std::thread::id() || id == _mainThread) {
        return;
    }
    // Destructors run by the drain may autorelease again on this thread, into a fresh pool;
    // drain until none is left.
    for (;;) {
        std::vector<AutoreleasePool*> stack;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            const auto found = _stacks.find(id);
            if (found == _stacks.end()) {
                return;
            }
            stack.swap(found->second);
            _stacks.erase(found);
        }
        for (auto pool = stack.rbegin(); pool != stack.rend(); ++pool) {
            (*pool)->clear();
            if ((*pool)->_ownedByManager) {
                delete *pool;
            }
        }
    }
}

void PoolManager::push(AutoreleasePool* pool) {
    std::lock_guard<std::mutex> lock(_mutex);
    pool->_thread = std::this_thread::get_id();
    _stacks[pool->_thread].push_back(pool);
}

void PoolManager::pop(AutoreleasePool* pool) {
    std::lock_guard<std::mutex> lock(_mutex);
    const auto found = _stacks.find(pool->_thread);
    if (found == _stacks.end()) {
        return;
    }
    std::vector<AutoreleasePool*>& stack = found->second;
    const auto entry = std::find(stack.rbegin(), stack.rend(), pool);
    if (entry != stack.rend()) {
        stack.erase(std::next(entry).base());
    }
    if (stack.empty()) {
        _stacks.erase(found);
    }
}

}  // namespace cocos2d
