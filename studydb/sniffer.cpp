#include "studydb/sniffer.h"

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "studydb/LocalNetwork.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UILocalConfig.h"

#include <arpa/inet.h>

#include <chrono>
#include <vector>

namespace NSUI {

namespace {

struct SnifferDefaults {
    std::mutex mutex;
    sniffer* instance = nullptr;
    uint16_t port = sniffer::kPort;
    uint16_t peerPort = sniffer::kPort;
    std::function<bool(std::string&)> login;
    std::function<std::string()> appIdentifier;
};

SnifferDefaults& defaults() {
    static SnifferDefaults values;
    return values;
}

std::string firstAddress(const std::string& addresses) {
    return addresses.substr(0, addresses.find(','));
}

bool loggedInUser(std::string& loginId) {
    std::function<bool(std::string&)> source;
    {
        std::lock_guard<std::mutex> guard(defaults().mutex);
        source = defaults().login;
    }
    return source && source(loginId);
}

std::string appIdentifier() {
    std::function<std::string()> source;
    {
        std::lock_guard<std::mutex> guard(defaults().mutex);
        source = defaults().appIdentifier;
    }
    return source ? source() : getEncodedUserDefault("app_identifier", "");
}

}  // namespace

sniffer* sniffer::getInstance() {
    std::unique_lock<std::mutex> guard(defaults().mutex);
    if (defaults().instance == nullptr) {
        defaults().instance = new sniffer(defaults().port, defaults().peerPort);
        guard.unlock();
        defaults().instance->begin();
    }
    return defaults().instance;
}

void sniffer::stop() {
    sniffer* instance = nullptr;
    {
        std::lock_guard<std::mutex> guard(defaults().mutex);
        instance = defaults().instance;
        defaults().instance = nullptr;
    }
    delete instance;
}

void sniffer::setDefaultPorts(uint16_t port, uint16_t peerPort) {
    std::lock_guard<std::mutex> guard(defaults().mutex);
    defaults().port = port;
    defaults().peerPort = peerPort;
}

void sniffer::setLoginSource(const std::function<bool(std::string&)>& source) {
    std::lock_guard<std::mutex> guard(defaults().mutex);
    defaults().login = source;
}

void sniffer::setAppIdentifierSource(const std::function<std::string()>& source) {
    std::lock_guard<std::mutex> guard(defaults().mutex);
    defaults().appIdentifier = source;
}

sniffer::sniffer(uint16_t port, uint16_t peerPort)
    : udpComm(port, kMaxLength), outgoing(peerPort, kMaxLength) {}

sniffer::~sniffer() {
    shutdown();
}

void sniffer::setNetworkSource(const studydb::LocalNetwork::Source& source) {
    network = source;
}

void sniffer::networkInfo(std::string& host, std::string& addresses) const {
    if (network.info) {
        network.info(host, addresses);
    } else {
        studydb::LocalNetwork::getNetworkInfo(host, addresses);
    }
}

void sniffer::subnetAddresses(std::vector<std::string>& addresses) const {
    addresses.clear();
    if (network.subnetAddresses) {
        network.subnetAddresses(addresses);
    } else {
        studydb::LocalNetwork::getLocalSubnetAddresses(addresses);
    }
}

bool sniffer::hasColon() const {
    return network.hasColon ? network.hasColon() : studydb::LocalNetwork::addressListHasColon();
}

void sniffer::begin() {
    if (!hasColon()) {
        startReceiving();
    }
}

void sniffer::shutdown() {
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        stopping = true;
    }
    wake.notify_all();
    stopReceiving();
    joinPass();
}

void sniffer::joinPass() {
    std::lock_guard<std::mutex> guard(passMutex);
    if (passThread.joinable()) {
        passThread.join();
    }
}

void sniffer::startPing() {
    if (hasColon()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        if (stopping) {
            return;
        }
    }
    bool idle = false;
    if (!inFlight.compare_exchange_strong(idle, true)) {
        return;
    }
    // The previous pass has cleared the flag, so its thread is ending: joining is brief.
    std::lock_guard<std::mutex> guard(passMutex);
    if (passThread.joinable()) {
        passThread.join();
    }
    passThread = std::thread([this] { sendPing(); });
}

std::string sniffer::message(const std::string& ip, const std::string& name,
                             const std::string& command) const {
    std::string text;
    setString(text, "ip", ip);
    setString(text, "name", name);
    setString(text, "command", command);
    setString(text, "device", "2");
    setString(text, "appid", appIdentifier());
    setString(text, "msg", "dicom_node_recognize");
    std::string loginId;
    if (loggedInUser(loginId)) {
        setString(text, "userid", loginId);
    }
    return text;
}

void sniffer::sendPing() {
    inFlight = true;
    std::string host;
    std::string addresses;
    networkInfo(host, addresses);
    if (!addresses.empty()) {
        const std::string own = firstAddress(addresses);
        const std::string ping = message(own, host, "ping");
        std::vector<std::string> targets;
        subnetAddresses(targets);
        for (const std::string& target : targets) {
            {
                std::lock_guard<std::mutex> guard(wakeMutex);
                if (stopping) {
                    break;
                }
            }
            if (target != own) {
                outgoing.send(target.c_str(), ping.c_str());
            }
        }
        std::unique_lock<std::mutex> guard(wakeMutex);
        wake.wait_for(guard, std::chrono::seconds(1), [this] { return stopping; });
    }
    inFlight = false;
}

void sniffer::onReceive(const char* text, unsigned int senderAddress) {
    if (text == nullptr || text[0] == '\0') {
        return;
    }
    const std::string received = text;
    const std::string ip = getString(received, "ip");
    const std::string name = getString(received, "name");
    const std::string command = getString(received, "command");
    const std::string device = getString(received, "device");
    std::string appid = getString(received, "appid");
    const std::string userid = getString(received, "userid");
    if (appid.empty()) {
        appid = name + ip;
    }
    if (getString(received, "msg") != "dicom_node_recognize") {
        return;
    }
    std::string host;
    std::string addresses;
    networkInfo(host, addresses);
    if (addresses.empty()) {
        return;
    }
    const std::string own = firstAddress(addresses);
    if (ip == own) {
        return;
    }
    if (command == "ping") {
        // Answered where the datagram came from, never where its text says.
        char source[INET_ADDRSTRLEN] = {0};
        in_addr address{};
        address.s_addr = senderAddress;
        if (inet_ntop(AF_INET, &address, source, sizeof(source)) != nullptr) {
            outgoing.send(source, message(own, host, "response").c_str());
        }
    }
    std::string loginId;
    if (!userid.empty() && loggedInUser(loginId) && loginId == userid) {
        if (cocos2d::Scheduler* scheduler = cocos2d::Director::getInstance()->getScheduler()) {
            scheduler->performFunctionInCocosThread([ip] {
                UILocalConfig settings;
                settings.setStringForKey("remoteSameUserDevice", ip);
            });
        }
    }
    std::string peer;
    setString(peer, "ip", ip);
    setString(peer, "name", name);
    setString(peer, "device", device);
    setString(peer, "appid", appid);
    auto* data = NSNotificationData::create();
    data->stringValue = peer;
    NSNotificationCenter::getInstance()->postNotification(nullptr, studydb::NOTIFY_PEER_SEEN, data,
                                                          nullptr, false);
}

}  // namespace NSUI
