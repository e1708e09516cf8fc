#include "dcmsdk/dcmServer.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/DcmStoreReceiver.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace dcmSDK {

namespace {

// Associations served at once; further requests are rejected as a transient local limit.
const std::size_t kMaxAssociations = 32;
// Seconds between checks of the stop flag while waiting on the network.
const int kPollSeconds = 1;

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
        return false;
    }
    if (root.back() != '/') {
        root += '/';
    }
    std::string error;
    if (!DcmNetwork::initializeNetwork(true, port, &network_, error)) {
        logMessage("DICOM node: cannot listen on port %d: %s", port, error.c_str());
        return false;
    }
    activeRoot_ = root;
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
    listener_.join();
    ASC_dropNetwork(&network_);
    network_ = nullptr;
    running_.store(false);
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
    while (!stopping_.load()) {
        T_ASC_Association* association = nullptr;
        const OFCondition status =
            ASC_receiveAssociation(network_, &association, ASC_DEFAULTMAXPDU, nullptr, nullptr,
                                   OFFalse, DUL_NOBLOCK, kPollSeconds);
        reapSessions(false);
        if (status.bad()) {
            if (association != nullptr) {
                ASC_dropAssociation(association);
                ASC_destroyAssociation(&association);
            }
            continue;
        }
        if (sessions_.size() >= kMaxAssociations) {
            T_ASC_RejectParameters reject = {ASC_RESULT_REJECTEDTRANSIENT,
                                             ASC_SOURCE_SERVICEPROVIDER_PRESENTATION_RELATED,
                                             ASC_REASON_SP_PRES_LOCALLIMITEXCEEDED};
            ASC_rejectAssociation(association, &reject);
            ASC_dropAssociation(association);
            ASC_destroyAssociation(&association);
            continue;
        }
        auto session = std::make_unique<Session>();
        Session* raw = session.get();
        session->thread = std::thread(&dcmServer::serve, this, association, raw);
        sessions_.push_back(std::move(session));
    }
    reapSessions(true);
}

void dcmServer::reapSessions(bool all) {
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (all || (*it)->finished.load()) {
            (*it)->thread.join();
            it = sessions_.erase(it);
        } else {
            ++it;
        }
    }
}

void dcmServer::serve(T_ASC_Association* association, Session* session) {
    DcmNetwork::disableNagle(association);
    handle(association);
    ASC_dropSCPAssociation(association);
    ASC_destroyAssociation(&association);
    session->finished.store(true);
}

void dcmServer::handle(T_ASC_Association* association) {
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
    if (status.bad()) {
        return;
    }
    int idleSeconds = 0;
    while (true) {
        if (stopping_.load()) {
            ASC_abortAssociation(association);
            return;
        }
        T_ASC_PresentationContextID context = 0;
        T_DIMSE_Message message{};
        status = DIMSE_receiveCommand(association, DIMSE_NONBLOCKING, kPollSeconds, &context,
                                      &message, nullptr);
        if (status == DIMSE_NODATAAVAILABLE) {
            idleSeconds += kPollSeconds;
            if (idleSeconds >= DcmNetwork::messageTimeout()) {
                ASC_abortAssociation(association);
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
                ASC_abortAssociation(association);
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
            std::string root;
            root = activeRoot_;
            DcmStoreReceiver::Result result =
                DcmStoreReceiver::receive(association, context, message.msg.CStoreRQ, root);
            if (!result.error.empty()) {
                logMessage("DICOM node: %s refused: %s",
                           message.msg.CStoreRQ.AffectedSOPInstanceUID, result.error.c_str());
            }
            if (result.broken) {
                ASC_abortAssociation(association);
                return;
            }
            const bool answered = DcmStoreReceiver::respond(association, context,
                                                            message.msg.CStoreRQ, result.status);
            if (result.record) {
                DCM_MESSAGE* record = result.record.release();
                if (!raiseEvent(3, reinterpret_cast<const char*>(record))) {
                    delete record;
                }
            }
            if (!answered) {
                return;
            }
        } else {
            logMessage("DICOM node: unsupported command 0x%04x", message.CommandField);
            ASC_abortAssociation(association);
            return;
        }
    }
}

}  // namespace dcmSDK
