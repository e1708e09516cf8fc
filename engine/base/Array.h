#pragma once

#include "engine/base/Ref.h"
#include "engine/base/Vector.h"

namespace cocos2d {

// A reference-counted, ordered list of objects that retains what it holds.
class __Array : public Ref {
public:
    using const_iterator = Vector<Ref*>::const_iterator;

    static __Array* create();
    static __Array* createWithCapacity(ssize_t capacity);

    ssize_t count() const { return _data.size(); }
    // Null outside the list.
    Ref* getObjectAtIndex(ssize_t index) const { return _data.at(index); }
    Ref* getLastObject() const { return _data.back(); }
    // CC_INVALID_INDEX when the object is not in the list.
    ssize_t getIndexOfObject(Ref* object) const { return _data.getIndex(object); }
    bool containsObject(Ref* object) const { return _data.contains(object); }

    void addObject(Ref* object) { _data.pushBack(object); }
    void insertObject(Ref* object, ssize_t index) { _data.insert(index, object); }
    void removeObject(Ref* object) { _data.eraseObject(object); }
    void removeObjectAtIndex(ssize_t index) { _data.erase(index); }
    void removeLastObject() { _data.popBack(); }
    void removeAllObjects() { _data.clear(); }

    const_iterator begin() const { return _data.begin(); }
    const_iterator end() const { return _data.end(); }

private:
    Vector<Ref*> _data;
};

}  // namespace cocos2d
