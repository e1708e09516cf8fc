#pragma once

#include <string>

namespace cocos2d {
class Label;
class Node;
}  // namespace cocos2d

// A count badge beside a button, in the button's parent: the sprite "imgs/newFiles.png" at
// scale 2 named `name` + "BK" (z order above the button) under a white label named `name`,
// both centred at (button x + dx, button y + 15). Made on first need; the label is returned.
cocos2d::Label* countBadge(cocos2d::Node* button, const std::string& name, float dx);

// The count of new favourites on the "btnFavorite" button under `screen` (nothing without one).
// The count lives in the button's user string: a negative value means one more, any other is
// taken as it is. The badge (sprite "favoriteNodesBK" and label "favoriteNodes", beside the
// button in its parent) is made on first need and hidden below 1.
void updateFavoriteBadge(cocos2d::Node* screen, int value);
