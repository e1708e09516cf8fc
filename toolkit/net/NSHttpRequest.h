#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"

struct curl_httppost;

namespace NSUI {

class NSHttpClient;
class NSHttpResponse;

// One HTTP request for NSHttpClient. The sender fills the fields, hands it to
// NSHttpClient::send and releases its own reference.
class NSHttpRequest : public cocos2d::Ref {
public:
    enum class Type : int {
        GET = 0,           // the body is not sent
        POST = 1,          // the body is the posted data
        PUT = 2,           // the body is the posted data
        DELETE = 3,        // the body is not sent
        POST_FORM = 4,     // multipart POST of `form`
        POST_TO_FILE = 5,  // POST whose answer body is written to `filePath`
        NONE = 6,          // never performed
    };

    using Callback = std::function<void(NSHttpClient*, NSHttpResponse*)>;

    NSHttpRequest() = default;
    ~NSHttpRequest() override;

    NSHttpRequest(const NSHttpRequest&) = delete;
    NSHttpRequest& operator=(const NSHttpRequest&) = delete;

    std::vector<std::string> getHeaders() const { return headers; }

    // Multipart form for POST_FORM, built with curl_formadd; freed by the destructor.
    curl_httppost* form = nullptr;
    curl_httppost* formLast = nullptr;
    Type type = Type::NONE;
    std::string url;
    std::vector<unsigned char> body;
    // Handed back untouched with the response.
    std::string tag;
    // The owner, not retained. Cancellation matches on it; without it the callback never runs.
    cocos2d::Ref* target = nullptr;
    // Runs on the main thread.
    Callback callback;
    // Complete header lines ("Name: value"), sent in this order.
    std::vector<std::string> headers;
    // Local file of a POST_TO_FILE request.
    std::string filePath;
};

}  // namespace NSUI
