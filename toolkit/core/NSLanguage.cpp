#include "toolkit/core/NSLanguage.h"

#include <cstring>

#include "engine/2d/Node.h"
#include "engine/base/Base64.h"
#include "engine/base/Macros.h"
#include "engine/base/String.h"
#include "engine/base/Utils.h"
#include "engine/platform/Application.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "toolkit/core/NSTranslatable.h"

namespace NSUI {

namespace {

NSLanguage* s_sharedLanguage = nullptr;

// Names of the table's parts in the engine's language order.
const char* const kLanguageNames[] = {
    "english", "chinese", "french",    "italian",   "german",     "spanish", "dutch",
    "russian", "korean",  "japanese",  "hungarian", "portuguese", "arabic",  "norwegian",
    "polish",  "turkish", "ukrainian", "romanian",  "bulgarian",
};

cocos2d::LanguageType currentLanguage() {
    cocos2d::Application* application = cocos2d::Application::getInstance();
    return application != nullptr ? application->getCurrentLanguage()
                                  : cocos2d::LanguageType::ENGLISH;
}

const char* languageName(cocos2d::LanguageType language) {
    const auto index = static_cast<size_t>(language);
    if (index < sizeof(kLanguageNames) / sizeof(kLanguageNames[0])) {
        return kLanguageNames[index];
    }
    return "english";
}

NSDictionary* dictionaryEntry(NSDictionary* table, const char* name) {
    return dynamic_cast<NSDictionary*>(table->objectForKey(name));
}

// A file that the strict decoder accepts is the Base64 form of the table; anything else is
// taken as the plist text itself.
std::string decodedIfBase64(const std::string& text) {
    unsigned char* decoded = nullptr;
    const int length =
        cocos2d::safeBase64Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<unsigned int>(text.size()), &decoded);
    if (length <= 0 || decoded == nullptr) {
        delete[] decoded;
        return text;
    }
    std::string result(
        reinterpret_cast<const char*>(decoded),
        strnlen(reinterpret_cast<const char*>(decoded), static_cast<size_t>(length)));
    delete[] decoded;
    return result;
}

}  // namespace

NSLanguage::NSLanguage() : fileName("language.dat") {}

NSLanguage::~NSLanguage() {
    if (s_sharedLanguage == this) {
        s_sharedLanguage = nullptr;
    }
    CC_SAFE_RELEASE(table);
}

void NSLanguage::load() {
    if (table != nullptr) {
        return;
    }
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    std::string text = files->getStringFromFile(files->fullPathForFilename(fileName));
    if (text.empty()) {
        return;
    }
    text = decodedIfBase64(text);
    cocos2d::ValueMap map;
    if (!text.empty()) {
        map = files->getValueMapFromData(text.data(), static_cast<int>(text.size()));
    }
    if (map.empty()) {
        cocos2d::log("Failed to load config file of language.");
        return;
    }
    table = NSDictionary::createWithValueMap(map);
    table->retain();
    currentTable = dictionaryEntry(table, languageName(currentLanguage()));
    if (currentTable == nullptr) {
        currentTable = dictionaryEntry(table, "english");
    }
}

const std::string& NSLanguage::getString(const std::string& key) {
    lastText.clear();
    if (currentTable == nullptr || key.empty() || currentTable->count() == 0) {
        return lastText;
    }
    const auto* value = dynamic_cast<const cocos2d::__String*>(currentTable->objectForKey(key));
    if (value != nullptr) {
        lastText = value->getCString();
    }
    return lastText;
}

void NSLanguage::translateNode(cocos2d::Node* node, const std::string& prefix) {
    if (node == nullptr) {
        return;
    }
    // Retained copies: a translated widget may resize and relayout its parent.
    const cocos2d::Vector<cocos2d::Node*> children = node->getChildren();
    for (cocos2d::Node* child : children) {
        if (auto* text = dynamic_cast<cocos2d::ui::Text*>(child)) {
            const std::string translated = getString(prefix + text->getString());
            if (!translated.empty()) {
                text->setString(translated);
            }
        } else if (auto* button = dynamic_cast<cocos2d::ui::Button*>(child)) {
            const std::string translated = getString(prefix + button->getTitleText());
            if (!translated.empty()) {
                button->setTitleText(translated);
            }
        } else if (auto* widget = dynamic_cast<NSTranslatable*>(child)) {
            const std::string translated = getString(prefix + widget->translationKey());
            if (!translated.empty()) {
                widget->applyTranslation(translated);
            }
        } else if (child->getChildrenCount() > 0) {
            translateNode(child, prefix);
        }
    }
}

void setSharedLanguage(NSLanguage* language) {
    s_sharedLanguage = language;
}

NSLanguage* getSharedLanguage() {
    return s_sharedLanguage;
}

std::string getLocalizedString(const std::string& key) {
    return s_sharedLanguage != nullptr ? s_sharedLanguage->getString(key) : std::string();
}

}  // namespace NSUI
