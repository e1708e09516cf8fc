#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "engine/base/Ref.h"

namespace cocos2d {

// Holds one reference to a Ref-derived object and gives it back when the holder goes, so the
// owner of a reference is visible in the type rather than in a retain/release pair.
//
// Like std::unique_ptr, the pointer constructor and reset() adopt a reference the caller already
// holds (a fresh `new`, or a create() that hands out its first reference); retained() takes a
// reference of its own to an object somebody else owns (an autoreleased one, a member, an
// argument). Copies share the object and each holds a reference; a move hands its reference on.
template <typename T> class RefPtr {
public:
    RefPtr() noexcept = default;
    RefPtr(std::nullptr_t) noexcept {}
    explicit RefPtr(T* adopted) noexcept : _object(adopted) {}

    static RefPtr retained(T* object) noexcept {
        if (object) {
            object->retain();
        }
        return RefPtr(object);
    }

    RefPtr(const RefPtr& other) noexcept : _object(other._object) {
        if (_object) {
            _object->retain();
        }
    }
    RefPtr(RefPtr&& other) noexcept : _object(other.detach()) {}

    template <typename U, typename = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    RefPtr(const RefPtr<U>& other) noexcept : RefPtr(retained(other.get())) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    RefPtr(RefPtr<U>&& other) noexcept : _object(other.detach()) {}

    ~RefPtr() { reset(); }

    RefPtr& operator=(RefPtr other) noexcept {
        swap(other);
        return *this;
    }

    // Gives back the held reference (if any) and adopts the one passed in.
    void reset(T* adopted = nullptr) noexcept {
        T* old = _object;
        _object = adopted;
        if (old) {
            old->release();
        }
    }

    // Stops holding without releasing: the caller now owns the reference.
    [[nodiscard]] T* detach() noexcept {
        T* object = _object;
        _object = nullptr;
        return object;
    }

    void swap(RefPtr& other) noexcept { std::swap(_object, other._object); }

    T* get() const noexcept { return _object; }
    T* operator->() const noexcept { return _object; }
    T& operator*() const noexcept { return *_object; }
    explicit operator bool() const noexcept { return _object != nullptr; }

    friend bool operator==(const RefPtr& a, const RefPtr& b) noexcept {
        return a._object == b._object;
    }
    friend bool operator!=(const RefPtr& a, const RefPtr& b) noexcept { return !(a == b); }
    friend bool operator==(const RefPtr& a, std::nullptr_t) noexcept { return !a._object; }
    friend bool operator!=(const RefPtr& a, std::nullptr_t) noexcept {
        return a._object != nullptr;
    }

private:
    T* _object = nullptr;
};

}  // namespace cocos2d
