#pragma once

#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/DcmWorkQueue.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>

namespace dcmSDK {

// Verifies nodes with C-ECHO, several at a time on threads of its own, each within the library's
// connect and message time-outs. A reply is kEventEchoReply with a JSON text: "ok" ("1" or "0"),
// "appid" (address:port), "ip", "port", "name".
class dcmEcho : public DcmThreadOwner {
public:
    // Nodes verified at the same time.
    static const int kParallel = 16;

    // Set by the owner before it lets the object go: queued nodes are dropped and no further
    // event is raised.
    std::atomic<bool> stopping{false};

    dcmEcho();
    ~dcmEcho() override;
    dcmEcho(const dcmEcho&) = delete;
    dcmEcho& operator=(const dcmEcho&) = delete;

    // Each target text is "address,port" when addressOnly is set, else "name,address,port".
    // Addresses swept by address only are reported when they answer; named nodes are reported
    // either way, so that a node that stopped answering is seen as such. A node still waiting
    // from an earlier call is not queued twice. Returns at once.
    bool echo(const char (*targets)[100], int count, bool addressOnly);

    void stopThreads() override;

private:
    // The reply text, empty when there is nothing to report.
    std::string verify(const std::string& name, const std::string& ip, const std::string& port,
                       bool reportFailure);

    std::mutex mutex_;
    std::set<std::string> queued_;
    DcmWorkQueue workers_{kParallel};
};

}  // namespace dcmSDK
