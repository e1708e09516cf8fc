#pragma once

#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/LanguageType.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct T_ASC_Association;
struct T_ASC_Network;

namespace dcmSDK {

// The local storage node: a storage and verification SCP listening on its own thread, serving
// several associations at once (one thread each). The listener only accepts connections: each
// connection's session reads its association request, so a peer that sends nothing or stalls
// holds its own session only, no longer than the message timeout, and only until newer
// connections need its place. Every stored file lands in
// its series folder under the root and is raised as kEventFileStored with a new DCM_MESSAGE
// record.
class dcmServer : public DcmThreadOwner {
public:
    dcmServer();
    ~dcmServer() override;
    dcmServer(const dcmServer&) = delete;
    dcmServer& operator=(const dcmServer&) = delete;

    // The storage folder; takes effect at the next start.
    void setRoot(const char* root);
    std::string getRoot() const;
    // Host name (informational), port ("4587") and title ("rivodavo"); the title also becomes the
    // library's local title. Takes effect at the next start.
    void setPort(const char* host, const char* port, const char* title);
    // How texts of received files without Specific Character Set are decoded, as the folder
    // import decodes them; takes effect for the next file.
    void setLanguage(LanguageType language);
    LanguageType getLanguage() const;

    // Opens the port and starts listening; false when the port cannot be opened or no root is
    // set. True when already running.
    bool BeginDicomServer();
    // Why the last start failed ("cannot listen on port 4587: ..."); empty once a start succeeds.
    std::string getStartError() const;
    // Ends every association and the listener and waits for their threads; returns within about
    // a second whatever the peers do.
    void StopDicomServer();
    bool isRunning() const;

    // A series' folder relative to the root, without trailing separator, into a buffer of 1024
    // bytes; the same for the node and for the folder import.
    static bool getDicomFolder(const char* patientName, const char* patientId, const char* studyUid,
                               const char* seriesUid, char* buffer);

    void stopThreads() override;

private:
    struct Session {
        std::thread thread;
        int socket = -1;  // the session's own handle on the connection; guarded by sessionsMutex_
        // Guarded by sessionsMutex_: its whole association request has arrived; it was closed
        // to make room before that.
        bool requested = false;
        bool evicted = false;
        std::atomic<bool> finished{false};
    };

    void setStartError(const std::string& reason);
    void listen();
    // Under sessionsMutex_: closes the oldest connection still waiting for its request once
    // kMaxWaiting wait, so connections that send nothing never keep a peer out.
    void makeRoomForRequest();
    void serve(Session* session);
    bool awaitRequest(Session* session);
    T_ASC_Association* adopt(int socket);
    bool negotiate(T_ASC_Association* association);
    void handle(T_ASC_Association* association, Session* session);
    void abort(T_ASC_Association* association, Session* session);
    void reapSessions(bool all);
    void closeSession(Session* session);

    mutable std::mutex settingsMutex_;
    std::string root_;
    std::string host_;
    int port_ = 4587;
    std::string startError_;
    std::atomic<LanguageType> language_{LanguageType::ENGLISH};

    std::mutex controlMutex_;  // one start or stop at a time
    T_ASC_Network* network_ = nullptr;
    std::thread listener_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> running_{false};
    std::string activeRoot_;  // fixed while running

    std::mutex sessionsMutex_;
    std::list<std::unique_ptr<Session>> sessions_;  // added and removed by the listener thread
    std::atomic<int> associated_{0};                // sessions past negotiation
};

}  // namespace dcmSDK
