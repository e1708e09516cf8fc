#pragma once

#include <string>

#include "toolkit/core/NSDictionary.h"

namespace cocos2d {
class Node;
}

namespace NSUI {

// The table of translated texts read from "language.dat": a property list whose root holds one
// dictionary per language ("english", "chinese", ...) from text key to text. The file may also
// be the Base64 form of that text. The part for the engine's current language is chosen at
// load, falling back to "english". Main thread only.
class NSLanguage {
public:
    NSLanguage();
    virtual ~NSLanguage();

    NSLanguage(const NSLanguage&) = delete;
    NSLanguage& operator=(const NSLanguage&) = delete;

    // Reads the file once; a missing, empty or unparsable file leaves the table unloaded, and a
    // later call tries again.
    void load();

    // The text of the key in the chosen language, empty when there is none. The reference
    // stays valid until the next call.
    const std::string& getString(const std::string& key);

    // Replaces the texts of the text and button widgets under `node` with the table's text for
    // `prefix` + their current text, where there is one; for a text field that text becomes
    // its placeholder. Other nodes are searched for such widgets; text, button and text-field
    // widgets are not descended into. A layout therefore keeps the text it was saved with
    // wherever the table has no entry.
    void translateNode(cocos2d::Node* node, const std::string& prefix);

    bool isLoaded() const { return table != nullptr; }

private:
    std::string fileName;
    // The chosen language's part of `table`; not retained.
    NSDictionary* currentTable = nullptr;
    NSDictionary* table = nullptr;
    std::string lastText;
};

// The table the application configuration loaded, for the toolkit's lookups; not owned. A
// table that is destroyed while published unpublishes itself.
void setSharedLanguage(NSLanguage* language);
NSLanguage* getSharedLanguage();

// The published table's text for the key; empty when nothing is published.
std::string getLocalizedString(const std::string& key);

}  // namespace NSUI
