#pragma once

#include <string>

namespace NSUI {

class NSActivity;

// Base address of the web service, set by the application configuration at start-up; empty
// until then.
void setServerUrl(const std::string& url);
std::string getServerUrl();

// The shown activity indicator; null while none is shown. The toolkit holds one reference to
// it, taken by NSActivity::show, while it is set.
NSActivity* getSharedActivity();
void setSharedActivity(NSActivity* activity);
// How purgeToolkitSingletons takes a shown indicator down: the widgets set it (NSActivity::show),
// since the core cannot include them.
void setSharedActivityRemover(void (*remover)());

// Application shutdown: removes a shown activity indicator and releases the toolkit's
// singletons. A later getInstance makes a fresh object.
void purgeToolkitSingletons();

}  // namespace NSUI
