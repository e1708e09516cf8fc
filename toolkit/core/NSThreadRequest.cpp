#include "toolkit/core/NSThreadRequest.h"

#include <sys/time.h>

#include "engine/base/Utils.h"

namespace NSUI {

NSThreadRequest::NSThreadRequest() {
    struct timeval now = {};
    cocos2d::gettimeofday(&now, nullptr);
    // The id deliberately wraps: it only has to tell apart requests queued at the same time.
    const std::uint32_t micros =
        static_cast<std::uint32_t>(now.tv_sec) * 1000000u + static_cast<std::uint32_t>(now.tv_usec);
    requestId = static_cast<std::int32_t>(micros);
}

NSThreadRequest::~NSThreadRequest() = default;

}  // namespace NSUI
