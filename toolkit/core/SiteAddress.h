#pragma once

#include <string>

namespace NSUI {

// The web service's addresses. The service is reached over HTTPS with the peer verified; a
// plain http address is accepted only on the loopback interface (a service on this machine).
//
// The site base comes from the environment ("BRIMVALE_SITE_BASE"), else from the line
// "site_base=<address>" of "brimvale.conf" in the writable folder, else the built-in default (a
// reserved name that never resolves). The reachability probe ("BRIMVALE_PROBE_URL", "probe_url=")
// defaults to the site base. A value that is not a permitted address is ignored.

// An https address with a host, or an http address whose host is 127.x.x.x, "localhost" or
// "[::1]".
bool isPermittedServiceUrl(const std::string& url);
// The site base without a trailing "/"; `writablePath` ends in "/".
std::string resolveSiteBase(const std::string& writablePath);
std::string resolveProbeUrl(const std::string& writablePath, const std::string& siteBase);

// The default site base.
extern const char* const kDefaultSiteBase;

}  // namespace NSUI
