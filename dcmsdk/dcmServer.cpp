#include "dcmsdk/dcmServer.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/internal/DcmStoreReceiver.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>
#include <dcmtk/dcmnet/dul.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dcmSDK {

namespace {

// Associations served at once; further requests are rejected as a transient local limit.
const int kMaxAssociations = 32;
// Connections still waiting for their association request; a newer one takes the oldest's place.
const std::size_t kMaxWaiting = 2 * kMaxAssociations;
// Connections held at once (the thread budget); further ones are closed at once.
const std::size_t kMaxSessions = kMaxAssociations + 2 * kMaxWaiting;
// Seconds between checks of the stop flag while waiting for a command.
const int kPollSeconds = 1;
// Milliseconds between checks of the stop flag while waiting for a connection or a request.
const int kSliceMilliseconds = 250;
// DCMTK's own bound on an association request.
const std::uint32_t kMaxRequestBytes = 1024 * 1024;
const unsigned char kAssociateRequestType = 0x01;

// DCMTK reads a connection's association request only from a socket it accepts itself or from
// the one process-wide handle it is given; this lock keeps one handle given at a time.
std::mutex& adoptionMutex() {
    static std::mutex mutex;
    return mutex;
}

void setReceiveTimeout(int socketId, int seconds) {
    timeval timeout{};
    timeout.tv_sec = seconds;
    setsockopt(socketId, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
}

}  // namespace

dcmServer::dcmServer() {
    DcmThreadRegistry::add(this);
}

dcmServer::~dcmServer() {
    DcmThreadRegistry::remove(this);
    StopDicomServer();
}

void dcmServer::setRoot(const char* root) {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    root_ = root == nullptr ? std::string() : std::string(root);
}

std::string dcmServer::getRoot() const {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    return root_;
}

void dcmServer::setPort(const char* host, const char* port, const char* title) {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    host_ = host == nullptr ? std::string() : std::string(host);
    if (port != nullptr) {
        const long value = std::strtol(port, nullptr, 10);
        if (value > 0 && value < 65536) {
            port_ = static_cast<int>(value);
        }
    }
    if (title != nullptr && title[0] != '\0') {
        DcmNetwork::setLocalAETitle(title);
    }
}

void dcmServer::setLanguage(LanguageType language) {
    language_.store(language);
}

LanguageType dcmServer::getLanguage() const {
    return language_.load();
}

bool dcmServer::BeginDicomServer() {
    std::lock_guard<std::mutex> control(controlMutex_);
    if (running_.load()) {
        return true;
    }
    dcmsdk_init();
    std::string root;
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        root = root_;
        port = port_;
    }
    if (root.empty()) {
        logMessage("DICOM node: no storage folder set");
        setStartError("no storage folder set");
        return false;
    }
    if (root.back() != '/') {
        root += '/';
    }
    std::string error;
    if (!DcmNetwork::initializeNetwork(true, port, &network_, error)) {
        logMessage("DICOM node: cannot listen on port %d: %s", port, error.c_str());
        setStartError("cannot listen on port " + std::to_string(port) + ": " + error);
        return false;
    }
    // Accepting must never block the listener: the peer may have gone between poll and accept.
    // Programs the application starts must not inherit the port, or it would stay open, taking
    // connections nobody accepts, after the node stops.
    const int listening = DcmNetwork::listeningSocket(network_);
    fcntl(listening, F_SETFL, fcntl(listening, F_GETFL) | O_NONBLOCK);
    fcntl(listening, F_SETFD, fcntl(listening, F_GETFD) | FD_CLOEXEC);
    // A reverse lookup of every peer would run while the request is handed to DCMTK.
    dcmDisableGethostbyaddr.set(OFTrue);
    activeRoot_ = root;
    setStartError("");
    stopping_.store(false);
    running_.store(true);
    listener_ = std::thread(&dcmServer::listen, this);
    return true;
}

void dcmServer::StopDicomServer() {
    std::lock_guard<std::mutex> control(controlMutex_);
    if (!running_.load()) {
        return;
    }
    stopping_.store(true);
    {
        // Wakes every session out of whatever read it waits in.
        std::lock_guard<std::mutex> lock(sessionsMutex_);
        for (const auto& session : sessions_) {
            if (session->socket >= 0) {
                shutdown(session->socket, SHUT_RDWR);
            }
        }
    }
    listener_.join();
    ASC_dropNetwork(&network_);
    network_ = nullptr;
    running_.store(false);
}

void dcmServer::setStartError(const std::string& reason) {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    startError_ = reason;
}

std::string dcmServer::getStartError() const {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    return startError_;
}

bool dcmServer::isRunning() const {
    return running_.load();
}

void dcmServer::stopThreads() {
    StopDicomServer();
}

bool dcmServer::getDicomFolder(const char* patientName, const char* patientId, const char* studyUid,
                               const char* seriesUid, char* buffer) {
    if (buffer == nullptr) {
        return false;
    }
    const auto text = [](const char* value) {
        return value == nullptr ? std::string() : std::string(value);
    };
    const std::string folder =
        DcmNames::seriesFolder(text(patientName), text(patientId), text(studyUid), text(seriesUid));
    DCM_MESSAGE::setText(buffer, 1024, folder.c_str());
    return true;
}

void dcmServer::listen() {
    const int listening = DcmNetwork::listeningSocket(network_);
    while (!stopping_.load()) {
        pollfd waiting{listening, POLLIN, 0};
        const int ready = poll(&waiting, 1, kSliceMilliseconds);
        reapSessions(false);
        if (ready <= 0 || stopping_.load()) {
            continue;
        }
        const int socketId = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (socketId < 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(sessionsMutex_);
        makeRoomForRequest();
        if (sessions_.size() >= kMaxSessions) {
            close(socketId);
            continue;
        }
        auto session = std::make_unique<Session>();
        session->socket = socketId;
        Session* raw = session.get();
        session->thread = std::thread(&dcmServer::serve, this, raw);
        sessions_.push_back(std::move(session));
    }
    reapSessions(true);
}

void dcmServer::makeRoomForRequest() {
    Session* oldest = nullptr;
    std::size_t waiting = 0;
    for (const auto& session : sessions_) {
        if (!session->requested && !session->evicted && session->socket >= 0) {
            oldest = oldest == nullptr ? session.get() : oldest;
            ++waiting;
        }
    }
    if (waiting >= kMaxWaiting) {
        // Wakes its wait, which then ends the session.
        oldest->evicted = true;
        shutdown(oldest->socket, SHUT_RDWR);
    }
}

void dcmServer::reapSessions(bool all) {
    std::list<std::unique_ptr<Session>> ended;
    {
        std::lock_guard<std::mutex> lock(sessionsMutex_);
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (all || (*it)->finished.load()) {
                ended.push_back(std::move(*it));
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Joined outside the lock: an ending session takes it to close its socket.
    for (const auto& session : ended) {
        session->thread.join();
    }
}

void dcmServer::closeSession(Session* session) {
    std::lock_guard<std::mutex> lock(sessionsMutex_);
    close(session->socket);
    session->socket = -1;
}

void dcmServer::serve(Session* session) {
    T_ASC_Association* association = nullptr;
    if (awaitRequest(session) && !stopping_.load()) {
        association = adopt(session->socket);
    }
    if (association != nullptr) {
        // A stalled PDU ends like an idle association instead of after DCMTK's own minute.
        setReceiveTimeout(session->socket, DcmNetwork::messageTimeout());
        DcmNetwork::disableNagle(association);
        if (associated_.fetch_add(1) >= kMaxAssociations) {
            T_ASC_RejectParameters reject = {ASC_RESULT_REJECTEDTRANSIENT,
                                             ASC_SOURCE_SERVICEPROVIDER_PRESENTATION_RELATED,
                                             ASC_REASON_SP_PRES_LOCALLIMITEXCEEDED};
            ASC_rejectAssociation(association, &reject);
        } else if (negotiate(association)) {
            handle(association, session);
        }
        associated_.fetch_sub(1);
        ASC_dropSCPAssociation(association);
        ASC_destroyAssociation(&association);
    }
    closeSession(session);
    session->finished.store(true);
}

bool dcmServer::awaitRequest(Session* session) {
    const int socketId = session->socket;
    // DCMTK reads the request in one blocking go, so it gets the connection only once the whole
    // request has arrived; until then the wait is this session's alone and sees the stop flag.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(DcmNetwork::messageTimeout());
    std::size_t needed = 6;
    bool sized = false;
    while (!stopping_.load()) {
        if (std::chrono::steady_clock::now() > deadline) {
            logMessage("DICOM node: no association request within %d s",
                       DcmNetwork::messageTimeout());
            return false;
        }
        const int lowWater = static_cast<int>(needed);
        setsockopt(socketId, SOL_SOCKET, SO_RCVLOWAT, &lowWater, sizeof(lowWater));
        pollfd waiting{socketId, POLLIN | POLLRDHUP, 0};
        if (poll(&waiting, 1, kSliceMilliseconds) <= 0) {
            continue;
        }
        int available = 0;
        if (ioctl(socketId, FIONREAD, &available) != 0) {
            return false;
        }
        if (static_cast<std::size_t>(available) < needed) {
            if ((waiting.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                return false;
            }
            continue;
        }
        if (sized) {
            const int one = 1;
            setsockopt(socketId, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof(one));
            std::lock_guard<std::mutex> lock(sessionsMutex_);
            session->requested = !session->evicted;
            return session->requested;
        }
        unsigned char head[6] = {};
        if (recv(socketId, head, sizeof(head), MSG_PEEK | MSG_DONTWAIT) != 6) {
            return false;
        }
        const std::uint32_t length = (static_cast<std::uint32_t>(head[2]) << 24) |
                                     (static_cast<std::uint32_t>(head[3]) << 16) |
                                     (static_cast<std::uint32_t>(head[4]) << 8) | head[5];
        if (head[0] != kAssociateRequestType || length > kMaxRequestBytes) {
            logMessage("DICOM node: a peer sent no association request");
            return false;
        }
        needed = 6 + static_cast<std::size_t>(length);
        sized = true;
    }
    return false;
}

T_ASC_Association* dcmServer::adopt(int socketId) {
    // DCMTK closes the handle it is given with the association; the session keeps its own.
    const int handed = fcntl(socketId, F_DUPFD_CLOEXEC, 0);
    if (handed < 0) {
        return nullptr;
    }
    T_ASC_Association* association = nullptr;
    OFCondition status;
    {
        std::lock_guard<std::mutex> lock(adoptionMutex());
        dcmExternalSocketHandle.set(handed);
        // The request is all there, so this returns without waiting on the peer.
        status = ASC_receiveAssociation(network_, &association, ASC_DEFAULTMAXPDU, nullptr, nullptr,
                                        OFFalse, DUL_NOBLOCK, 0);
        dcmExternalSocketHandle.set(DCMNET_INVALID_SOCKET);
    }
    if (association == nullptr || association->DULassociation == nullptr) {
        close(handed);
    }
    if (status.bad()) {
        if (association != nullptr) {
            ASC_dropAssociation(association);
            ASC_destroyAssociation(&association);
        }
        return nullptr;
    }
    return association;
}

bool dcmServer::negotiate(T_ASC_Association* association) {
    std::vector<const char*> syntaxes = DcmNetwork::decodableTransferSyntaxes();
    const char* verification[] = {UID_VerificationSOPClass};
    OFCondition status = ASC_acceptContextsWithPreferredTransferSyntaxes(
        association->params, verification, 1, syntaxes.data(), static_cast<int>(syntaxes.size()));
    if (status.good()) {
        status = ASC_acceptContextsWithPreferredTransferSyntaxes(
            association->params, dcmAllStorageSOPClassUIDs, numberOfDcmAllStorageSOPClassUIDs,
            syntaxes.data(), static_cast<int>(syntaxes.size()));
    }
    if (status.good()) {
        status = ASC_acknowledgeAssociation(association);
    }
    return status.good();
}

void dcmServer::abort(T_ASC_Association* association, Session* session) {
    // DCMTK waits for the peer to close after an abort; a peer that stalled never does.
    shutdown(session->socket, SHUT_RD);
    ASC_abortAssociation(association);
}

void dcmServer::handle(T_ASC_Association* association, Session* session) {
    int idleSeconds = 0;
    while (true) {
        if (stopping_.load()) {
            abort(association, session);
            return;
        }
        T_ASC_PresentationContextID context = 0;
        T_DIMSE_Message message{};
        const OFCondition status = DIMSE_receiveCommand(association, DIMSE_NONBLOCKING,
                                                        kPollSeconds, &context, &message, nullptr);
        if (status == DIMSE_NODATAAVAILABLE) {
            idleSeconds += kPollSeconds;
            if (idleSeconds >= DcmNetwork::messageTimeout()) {
                abort(association, session);
                return;
            }
            continue;
        }
        idleSeconds = 0;
        if (status == DUL_PEERREQUESTEDRELEASE) {
            ASC_acknowledgeRelease(association);
            return;
        }
        if (status.bad()) {
            if (status != DUL_PEERABORTEDASSOCIATION) {
                abort(association, session);
            }
            return;
        }
        if (message.CommandField == DIMSE_C_ECHO_RQ) {
            if (DIMSE_sendEchoResponse(association, context, &message.msg.CEchoRQ, STATUS_Success,
                                       nullptr)
                    .bad()) {
                return;
            }
        } else if (message.CommandField == DIMSE_C_STORE_RQ) {
            DcmStoreReceiver::Result result = DcmStoreReceiver::receive(
                association, context, message.msg.CStoreRQ, activeRoot_, language_.load());
            if (!result.error.empty()) {
                logMessage("DICOM node: %s refused: %s",
                           message.msg.CStoreRQ.AffectedSOPInstanceUID, result.error.c_str());
            }
            if (result.broken) {
                abort(association, session);
                return;
            }
            const bool answered = DcmStoreReceiver::respond(association, context,
                                                            message.msg.CStoreRQ, result.status);
            if (result.record) {
                DCM_MESSAGE* record = result.record.release();
                if (!raiseEvent(kEventFileStored, record->asEventText())) {
                    delete record;
                }
            }
            if (!answered) {
                return;
            }
        } else {
            logMessage("DICOM node: unsupported command 0x%04x", message.CommandField);
            abort(association, session);
            return;
        }
    }
}

}  // namespace dcmSDK
