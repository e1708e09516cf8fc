#include "toolkit/core/DebugLog.h"

namespace NSUI {

void debugLog(const char*) {}

}  // namespace NSUI
