#pragma once

#include "studydb/LocalNetwork.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/net/udpComm.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace NSUI {

// Finds copies of the program on the local network: receives discovery messages all the time,
// pings every neighbour address when asked, answers pings, and announces every peer it hears
// with NOTIFY_PEER_SEEN. It owns its receive and ping threads and joins both when it stops.
class sniffer : public udpComm, public UIJson {
public:
    static const uint16_t kPort = 12389;
    static const int32_t kMaxLength = 1024;

    // The process-wide endpoint, receiving unless the adapter list holds a ':'.
    static sniffer* getInstance();
    // Stops and destroys the process-wide endpoint; the next getInstance makes a fresh one.
    static void stop();
    // Ports of the next process-wide endpoint: where it listens and where its peers listen.
    static void setDefaultPorts(uint16_t port, uint16_t peerPort);
    // Who is logged in: true with the login id when a user is. Nobody by default.
    static void setLoginSource(const std::function<bool(std::string& loginId)>& source);
    // The application identifier carried in messages; by default the "app_identifier" setting.
    static void setAppIdentifierSource(const std::function<std::string()>& source);

    sniffer(uint16_t port, uint16_t peerPort);
    ~sniffer() override;

    // Starts receiving unless the adapter list holds a ':'.
    void begin();
    // Starts one ping pass on the endpoint's pass thread unless one is under way.
    void startPing();
    // One ping pass on the calling thread.
    void sendPing();
    void onReceive(const char* text, unsigned int senderAddress) override;
    // Ends receiving and any ping pass, waiting for both threads.
    void shutdown();
    // This endpoint's own view of the network, set before it starts; parts left empty come from
    // studydb::LocalNetwork.
    void setNetworkSource(const studydb::LocalNetwork::Source& source);

    bool isPinging() const { return inFlight.load(); }

private:
    std::string message(const std::string& ip, const std::string& name,
                        const std::string& command) const;
    void joinPass();
    void networkInfo(std::string& host, std::string& addresses) const;
    void subnetAddresses(std::vector<std::string>& addresses) const;
    bool hasColon() const;

    studydb::LocalNetwork::Source network;

    udpComm outgoing;
    std::atomic<bool> inFlight{false};
    std::mutex passMutex;
    std::thread passThread;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;
};

}  // namespace NSUI
