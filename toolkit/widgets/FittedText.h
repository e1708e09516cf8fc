#pragma once

#include <string>

namespace cocos2d {
namespace ui {
class Text;
}
}  // namespace cocos2d

namespace NSUI {

// The text whole when one line of it in the font is no wider than `width`, else cut (cutText)
// to the most characters that fit together with the "…". A width of 0 or less keeps it whole.
std::string fitText(const std::string& text, const std::string& font, float fontSize, float width);

// Sets the widget's text fitted to its text area's width, so that a cut value is never shown
// as a whole one.
void setFittedText(cocos2d::ui::Text* widget, const std::string& text);

}  // namespace NSUI
