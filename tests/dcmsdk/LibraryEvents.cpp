#include "LibraryEvents.h"

#include "dcmsdk/DcmCallbacks.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace bvtest {

namespace {

std::mutex eventsMutex;
std::condition_variable eventsChanged;
std::vector<LibraryEvents::Event> events;

void onMessage(unsigned int type, const char* text) {
    LibraryEvents::Event event;
    event.type = type;
    if (type == 3) {
        const auto* record = reinterpret_cast<const dcmSDK::DCM_MESSAGE*>(text);
        std::memcpy(static_cast<void*>(&event.record), record, sizeof(event.record));
        delete record;
    } else {
        event.text = text;
    }
    {
        std::lock_guard<std::mutex> lock(eventsMutex);
        events.push_back(event);
    }
    eventsChanged.notify_all();
}

}  // namespace

void LibraryEvents::install() {
    std::lock_guard<std::mutex> lock(eventsMutex);
    events.clear();
    dcmSDK::setMsgCallback(&onMessage);
}

std::vector<LibraryEvents::Event> LibraryEvents::all() {
    std::lock_guard<std::mutex> lock(eventsMutex);
    return events;
}

std::vector<LibraryEvents::Event> LibraryEvents::ofType(unsigned int type) {
    std::vector<Event> found;
    for (const Event& event : all()) {
        if (event.type == type) {
            found.push_back(event);
        }
    }
    return found;
}

bool LibraryEvents::waitFor(const std::function<bool(const std::vector<Event>&)>& condition) {
    std::unique_lock<std::mutex> lock(eventsMutex);
    return eventsChanged.wait_for(lock, std::chrono::seconds(60),
                                  [&] { return condition(events); });
}

bool LibraryEvents::waitForCount(unsigned int type, std::size_t count) {
    return waitFor([type, count](const std::vector<Event>& recorded) {
        std::size_t found = 0;
        for (const Event& event : recorded) {
            found += event.type == type ? 1 : 0;
        }
        return found >= count;
    });
}

}  // namespace bvtest
