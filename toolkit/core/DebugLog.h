#pragma once

namespace NSUI {

// Log hook of the database wrapper and of the loaders built on the toolkit. This build keeps
// no diagnostic log, so the text is dropped.
void debugLog(const char* text);

}  // namespace NSUI
