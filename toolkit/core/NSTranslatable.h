#pragma once

#include <string>

namespace NSUI {

// A toolkit widget whose shown text NSLanguage::translateNode replaces, beside the engine's
// texts and buttons (the text field, whose placeholder takes the translation). Lets the
// language table work on widgets it cannot include.
class NSTranslatable {
public:
    virtual ~NSTranslatable() = default;

    // The text whose translation is looked up.
    virtual std::string translationKey() const = 0;
    // Shows the translation found for it.
    virtual void applyTranslation(const std::string& translated) = 0;
};

}  // namespace NSUI
