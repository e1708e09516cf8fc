#pragma once

#include <string>
#include <unordered_map>

#include "engine/base/Value.h"

namespace cocos2d {

class Node;

// Builds node trees from layout files: JSON text in the format of docs/layout-format.md, found
// through the file utilities under the names screens use (".csb" included). A file that is
// missing, is not valid JSON, has another format version, names an unknown node type or gives
// a property a value of the wrong kind yields no node at all (the reason goes to the log).
//
// The loader keeps a cache of parsed files for the loads that ask for it; `destroyInstance`
// drops the cache with the loader.
class CSLoader {
public:
    static CSLoader* getInstance();
    static void destroyInstance();

    // A new node tree (autoreleased) for the file, or null.
    static Node* createNode(const std::string& filename);
    // With `useCache`, the parsed file is kept and later loads of the same name that also ask
    // for the cache reuse it without reading the file again.
    static Node* createNode(const std::string& filename, bool useCache);

    // The same from layout text in memory; `error` (optional) receives the reason of a failure.
    Node* createNodeFromText(const std::string& text, std::string* error);

    size_t getCachedFileCount() const { return _cache.size(); }

private:
    CSLoader() = default;

    Node* load(const std::string& filename, bool useCache);
    Node* build(const Value& document, std::string* error);

    std::unordered_map<std::string, Value> _cache;
};

}  // namespace cocos2d
