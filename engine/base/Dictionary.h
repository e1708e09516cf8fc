#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Value.h"

namespace cocos2d {

class __Array;
class __String;

// A reference-counted dictionary from text keys to objects; it retains what it holds and keeps
// its keys in insertion order.
class __Dictionary : public Ref {
public:
    ~__Dictionary() override;

    static __Dictionary* create();
    // A deep conversion of a value map: maps become __Dictionary, vectors __Array, every other
    // value a __String of its text form.
    static __Dictionary* createWithValueMap(const ValueMap& map);
    // Reads a property-list file through FileUtils; null when it cannot be read or holds no
    // entries.
    static __Dictionary* createWithContentsOfFile(const char* fileName);

    unsigned int count() const { return static_cast<unsigned int>(_keys.size()); }
    // Null when the key is absent.
    Ref* objectForKey(const std::string& key) const;
    // The text stored under the key, or an empty text when it is absent or not a __String.
    const __String* valueForKey(const std::string& key) const;
    // An autoreleased list of the keys as __String, in insertion order.
    __Array* allKeys() const;

    // Replaces any object stored under the key; a null object is refused.
    void setObject(Ref* object, const std::string& key);
    void removeObjectForKey(const std::string& key);
    void removeAllObjects();

private:
    std::vector<std::string> _keys;
    std::unordered_map<std::string, Ref*> _elements;
};

}  // namespace cocos2d
