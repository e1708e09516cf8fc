#pragma once

#include "dcmsdk/DCM_MESSAGE.h"

#include <functional>
#include <string>
#include <vector>

namespace bvtest {

// Records the events the library raises through its message routine. Stored-file records are
// copied and freed as the application would.
class LibraryEvents {
public:
    struct Event {
        unsigned int type = 0;
        std::string text;
        dcmSDK::DCM_MESSAGE record;  // for type 3
    };

    // Registers the recorder and forgets earlier events.
    static void install();
    static std::vector<Event> all();
    static std::vector<Event> ofType(unsigned int type);
    // Waits (up to about 60 s) until the recorded events satisfy the condition.
    static bool waitFor(const std::function<bool(const std::vector<Event>&)>& condition);
    static bool waitForCount(unsigned int type, std::size_t count);
};

}  // namespace bvtest
