#pragma once

#include <string>

namespace NSUI {

// Base address of the web service, set by the application configuration at start-up; empty
// until then.
void setServerUrl(const std::string& url);
std::string getServerUrl();

// Application shutdown: releases the toolkit's singletons. A later getInstance makes a fresh
// object.
void purgeToolkitSingletons();

}  // namespace NSUI
