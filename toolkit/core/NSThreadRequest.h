#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "toolkit/core/NSObject.h"

namespace NSUI {

// A work item of an NSThread queue; request types derive from it and add their own fields.
class NSThreadRequest : public NSObject {
public:
    NSThreadRequest();
    ~NSThreadRequest() override;

    std::int64_t userValue0 = 0;
    std::int64_t userValue1 = 0;
    std::string text;
    // Set from another thread by NSThread::cancelAllRequests while the request is processed.
    std::atomic<bool> cancelled{false};
    // Time of day in microseconds, wrapped to 32 bits; request types may store their own key.
    std::int32_t requestId;
};

}  // namespace NSUI
