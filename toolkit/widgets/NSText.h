#pragma once

#include <string>

#include "engine/ui/Text.h"

namespace NSUI {

// The toolkit's text widget; screens and overlays derive their texts from it.
class NSText : public cocos2d::ui::Text {
public:
    // Autoreleased; null when init fails.
    static NSText* create();
    static NSText* create(const std::string& text, const std::string& fontName, float fontSize);

protected:
    NSText() = default;

    cocos2d::ui::Widget* createCloneInstance() override;
};

}  // namespace NSUI
