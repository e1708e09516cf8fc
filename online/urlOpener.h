#pragma once

#include <functional>
#include <string>

// Opens an address outside the program (the desktop's browser). The online services open pages
// only through this, so that a headless run can see what would have been opened.
bool openExternalUrl(const std::string& url);
// Replaces the opener; an empty function restores the desktop's. Returns the previous one.
std::function<bool(const std::string&)>
setUrlOpener(std::function<bool(const std::string&)> opener);
