#include "toolkit/core/SiteAddress.h"

#include <cstdlib>
#include <fstream>

namespace NSUI {

// A reserved name that never resolves: until an installation names its service, nothing the
// program sends (credentials included) can reach a host nobody chose.
const char* const kDefaultSiteBase = "https://service.brimvale.invalid";

namespace {

const char kConfigFile[] = "brimvale.conf";

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string hostOf(const std::string& url, std::size_t schemeLength) {
    const std::string rest = url.substr(schemeLength);
    const std::size_t end = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, end);
    if (authority.find('@') != std::string::npos) {
        return "";  // credentials in the address are never sent
    }
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        return close == std::string::npos ? "" : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "[::1]") {
        return true;
    }
    if (!startsWith(host, "127.")) {
        return false;
    }
    int dots = 0;
    for (char c : host) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return dots == 3;
}

std::string trimmed(std::string text) {
    const char* blanks = " \t\r\n";
    text.erase(0, text.find_first_not_of(blanks));
    const std::size_t last = text.find_last_not_of(blanks);
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::string configValue(const std::string& writablePath, const std::string& key) {
    std::ifstream file(writablePath + kConfigFile);
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && trimmed(line.substr(0, equals)) == key) {
            return trimmed(line.substr(equals + 1));
        }
    }
    return "";
}

// The first permitted address of the environment variable and the configuration key.
std::string configuredUrl(const char* variable, const std::string& writablePath,
                          const std::string& key) {
    const char* value = std::getenv(variable);
    std::string url = value != nullptr ? trimmed(value) : "";
    if (!isPermittedServiceUrl(url)) {
        url = configValue(writablePath, key);
    }
    if (!isPermittedServiceUrl(url)) {
        return "";
    }
    while (url.size() > 1 && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

}  // namespace

bool isPermittedServiceUrl(const std::string& url) {
    if (startsWith(url, "https://")) {
        return !hostOf(url, 8).empty();
    }
    if (startsWith(url, "http://")) {
        return isLoopbackHost(hostOf(url, 7));
    }
    return false;
}

std::string resolveSiteBase(const std::string& writablePath) {
    const std::string url = configuredUrl("BRIMVALE_SITE_BASE", writablePath, "site_base");
    return url.empty() ? kDefaultSiteBase : url;
}

std::string resolveProbeUrl(const std::string& writablePath, const std::string& siteBase) {
    const std::string url = configuredUrl("BRIMVALE_PROBE_URL", writablePath, "probe_url");
    return url.empty() ? siteBase : url;
}

}  // namespace NSUI
