#pragma once

#include "engine/base/Dictionary.h"

namespace NSUI {

// The toolkit's string-keyed dictionary of reference-counted values: strings as __String,
// nested maps as NSDictionary, arrays as __Array. `createWithContentsOfFile` reads a property
// list (null when it cannot be read); `objectForKey` gives the value or null.
using NSDictionary = cocos2d::__Dictionary;

}  // namespace NSUI
