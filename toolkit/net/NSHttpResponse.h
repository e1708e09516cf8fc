#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "toolkit/net/NSHttpRequest.h"

namespace NSUI {

// The answer to one NSHttpRequest, made on the client's worker thread and delivered on the main
// thread.
class NSHttpResponse : public cocos2d::Ref {
public:
    // Retains the request; for POST_TO_FILE opens (creates or truncates) its file.
    explicit NSHttpResponse(NSHttpRequest* request);
    ~NSHttpResponse() override;

    NSHttpResponse(const NSHttpResponse&) = delete;
    NSHttpResponse& operator=(const NSHttpResponse&) = delete;

    // Closes the downloaded file, if any, so that it is complete on disk.
    void closeFile();

    NSHttpRequest* request = nullptr;
    // The transfer was performed and the status was 200 to 299.
    bool succeeded = false;
    // Empty for POST_TO_FILE, whose body goes to the file.
    std::vector<unsigned char> body;
    // The raw response header lines as received.
    std::vector<unsigned char> headerData;
    // -1 when no status was obtained.
    int responseCode = -1;
    // libcurl's error text on failure; empty otherwise.
    std::string errorText;
    // POST_TO_FILE only: the open local file; null when it could not be opened.
    FILE* file = nullptr;
};

}  // namespace NSUI
