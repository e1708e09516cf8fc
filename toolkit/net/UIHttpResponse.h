#pragma once

#include <string>

#include "engine/base/Ref.h"

namespace NSUI {

// The answer to one service call of UIHttpPhisical, as its handler receives it.
class UIHttpResponse : public cocos2d::Ref {
public:
    // Autoreleased; a handler that keeps it past its call retains it.
    static UIHttpResponse* create();

    // Back to: tag "-1", not succeeded, code -1, empty body. True.
    virtual bool reset();

    // The caller's label of the request.
    std::string tag = "-1";
    // The transfer was performed and the status was 200 to 299.
    bool succeeded = false;
    // The HTTP status; -1 when the transfer produced none.
    int responseCode = -1;
    std::string body;

protected:
    UIHttpResponse() = default;
};

}  // namespace NSUI
