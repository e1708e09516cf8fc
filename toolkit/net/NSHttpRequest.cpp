#include "toolkit/net/NSHttpRequest.h"

// The client builds multipart forms with the classic form API.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

namespace NSUI {

NSHttpRequest::~NSHttpRequest() {
    if (form != nullptr) {
        curl_formfree(form);
    }
}

}  // namespace NSUI
