#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <sys/types.h>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/Ref.h"

namespace cocos2d {

// An ordered list of reference-counted objects that holds one reference on each element:
// inserting retains, erasing or replacing releases, copying retains every element again.
// Null elements are refused (logged, list unchanged).
template <class T> class Vector {
public:
    static_assert(std::is_pointer<T>::value && std::is_convertible<T, const Ref*>::value,
                  "Vector holds pointers to Ref-derived objects only");

    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;
    using reverse_iterator = typename std::vector<T>::reverse_iterator;
    using const_reverse_iterator = typename std::vector<T>::const_reverse_iterator;

    Vector() = default;
    explicit Vector(ssize_t capacity) { reserve(capacity); }
    Vector(std::initializer_list<T> list) {
        for (T object : list) {
            pushBack(object);
        }
    }
    Vector(const Vector& other) : _data(other._data) { addRefForAllObjects(); }
    Vector(Vector&& other) noexcept : _data(std::move(other._data)) { other._data.clear(); }
    ~Vector() { clear(); }

    Vector& operator=(const Vector& other) {
        if (this != &other) {
            Vector copy(other);
            swapContents(copy);
        }
        return *this;
    }
    Vector& operator=(Vector&& other) noexcept {
        if (this != &other) {
            clear();
            _data.swap(other._data);
        }
        return *this;
    }

    iterator begin() { return _data.begin(); }
    const_iterator begin() const { return _data.begin(); }
    iterator end() { return _data.end(); }
    const_iterator end() const { return _data.end(); }
    const_iterator cbegin() const { return _data.cbegin(); }
    const_iterator cend() const { return _data.cend(); }
    reverse_iterator rbegin() { return _data.rbegin(); }
    const_reverse_iterator rbegin() const { return _data.rbegin(); }
    reverse_iterator rend() { return _data.rend(); }
    const_reverse_iterator rend() const { return _data.rend(); }

    void reserve(ssize_t capacity) {
        if (capacity > 0) {
            _data.reserve(static_cast<std::size_t>(capacity));
        }
    }
    ssize_t capacity() const { return static_cast<ssize_t>(_data.capacity()); }
    ssize_t size() const { return static_cast<ssize_t>(_data.size()); }
    bool empty() const { return _data.empty(); }

    // Position of the first occurrence, or CC_INVALID_INDEX.
    ssize_t getIndex(T object) const {
        const auto found = std::find(_data.begin(), _data.end(), object);
        return found == _data.end() ? CC_INVALID_INDEX : found - _data.begin();
    }
    const_iterator find(T object) const { return std::find(_data.begin(), _data.end(), object); }
    iterator find(T object) { return std::find(_data.begin(), _data.end(), object); }
    bool contains(T object) const { return find(object) != _data.end(); }

    // Positions outside the list give null.
    T at(ssize_t index) const {
        return inRange(index) ? _data[static_cast<std::size_t>(index)] : nullptr;
    }
    T front() const { return _data.empty() ? nullptr : _data.front(); }
    T back() const { return _data.empty() ? nullptr : _data.back(); }

    // Same elements in the same order.
    bool equals(const Vector& other) const { return _data == other._data; }

    void pushBack(T object) {
        if (!accept(object)) {
            return;
        }
        _data.push_back(object);
        object->retain();
    }
    void pushBack(const Vector& other) {
        const std::vector<T> appended(other._data);
        for (T object : appended) {
            _data.push_back(object);
            object->retain();
        }
    }
    // Positions past the end are refused.
    void insert(ssize_t index, T object) {
        if (!accept(object) || index < 0 || index > size()) {
            return;
        }
        _data.insert(_data.begin() + index, object);
        object->retain();
    }

    void popBack() {
        if (_data.empty()) {
            return;
        }
        T last = _data.back();
        _data.pop_back();
        last->release();
    }
    // Removes the first occurrence, or every occurrence when asked to.
    void eraseObject(T object, bool removeAll = false) {
        if (removeAll) {
            for (auto it = _data.begin(); it != _data.end();) {
                if (*it == object) {
                    it = _data.erase(it);
                    object->release();
                } else {
                    ++it;
                }
            }
            return;
        }
        const auto found = std::find(_data.begin(), _data.end(), object);
        if (found != _data.end()) {
            _data.erase(found);
            object->release();
        }
    }
    // Returns the position after the erased element.
    iterator erase(iterator position) {
        T object = *position;
        const auto next = _data.erase(position);
        object->release();
        return next;
    }
    iterator erase(iterator first, iterator last) {
        const std::vector<T> erased(first, last);
        const auto next = _data.erase(first, last);
        for (T object : erased) {
            object->release();
        }
        return next;
    }
    iterator erase(ssize_t index) {
        if (!inRange(index)) {
            return _data.end();
        }
        return erase(_data.begin() + index);
    }
    void clear() {
        std::vector<T> released;
        released.swap(_data);
        for (T object : released) {
            object->release();
        }
    }

    // Exchanges the positions of two elements.
    void swap(T object1, T object2) {
        const ssize_t index1 = getIndex(object1);
        const ssize_t index2 = getIndex(object2);
        if (index1 != CC_INVALID_INDEX && index2 != CC_INVALID_INDEX) {
            std::swap(_data[static_cast<std::size_t>(index1)],
                      _data[static_cast<std::size_t>(index2)]);
        }
    }
    void swap(ssize_t index1, ssize_t index2) {
        if (inRange(index1) && inRange(index2)) {
            std::swap(_data[static_cast<std::size_t>(index1)],
                      _data[static_cast<std::size_t>(index2)]);
        }
    }
    void replace(ssize_t index, T object) {
        if (!accept(object) || !inRange(index)) {
            return;
        }
        object->retain();
        T old = _data[static_cast<std::size_t>(index)];
        _data[static_cast<std::size_t>(index)] = object;
        old->release();
    }
    void reverse() { std::reverse(_data.begin(), _data.end()); }
    void shrinkToFit() { _data.shrink_to_fit(); }

private:
    bool inRange(ssize_t index) const { return index >= 0 && index < size(); }
    static bool accept(T object) {
        CCASSERT(object != nullptr, "a Vector does not hold null");
        return object != nullptr;
    }
    void addRefForAllObjects() {
        for (T object : _data) {
            object->retain();
        }
    }
    void swapContents(Vector& other) { _data.swap(other._data); }

    std::vector<T> _data;
};

}  // namespace cocos2d
