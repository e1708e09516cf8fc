#include "dcmsdk/DcmNetwork.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dcmtrans.h>
#include <dcmtk/dcmnet/dul.h>
#include <dcmtk/dcmnet/dulstruc.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace dcmSDK {

namespace {

std::mutex settingsMutex;
std::string localTitle = "rivodavo";
std::string defaultCalled = "ANY-SCP";
std::atomic<int> connectSeconds{5};
std::atomic<int> messageSeconds{30};

// DCMTK keeps the socket accessor protected; a derived class may still name it.
struct SocketAccess : DcmTransportConnection {
    static DcmNativeSocketType socketOf(DcmTransportConnection& connection) {
        return (connection.*(&SocketAccess::getSocket))();
    }
};

}  // namespace

void DcmNetwork::setLocalAETitle(const std::string& title) {
    std::lock_guard<std::mutex> lock(settingsMutex);
    localTitle = title;
}

std::string DcmNetwork::localAETitle() {
    std::lock_guard<std::mutex> lock(settingsMutex);
    return localTitle;
}

void DcmNetwork::setDefaultCalledAETitle(const std::string& title) {
    std::lock_guard<std::mutex> lock(settingsMutex);
    defaultCalled = title;
}

std::string DcmNetwork::defaultCalledAETitle() {
    std::lock_guard<std::mutex> lock(settingsMutex);
    return defaultCalled;
}

void DcmNetwork::setTimeouts(int connect, int message) {
    connectSeconds.store(connect > 0 ? connect : 1);
    messageSeconds.store(message > 0 ? message : 1);
}

int DcmNetwork::connectTimeout() {
    return connectSeconds.load();
}

int DcmNetwork::messageTimeout() {
    return messageSeconds.load();
}

bool DcmNetwork::initializeNetwork(bool acceptor, int port, T_ASC_Network** network,
                                   std::string& error) {
    static std::mutex initializing;
    std::lock_guard<std::mutex> lock(initializing);
    const OFCondition status = ASC_initializeNetwork(acceptor ? NET_ACCEPTOR : NET_REQUESTOR, port,
                                                     messageTimeout(), network);
    if (status.bad()) {
        error = status.text();
        *network = nullptr;
        return false;
    }
    return true;
}

void DcmNetwork::disableNagle(T_ASC_Association* association) {
    // DCMTK only switches Nagle off when the process environment asks for it.
    const int socketId = socketOf(association);
    if (socketId < 0) {
        return;
    }
    const int on = 1;
    setsockopt(socketId, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

int DcmNetwork::socketOf(T_ASC_Association* association) {
    if (association == nullptr || association->DULassociation == nullptr) {
        return -1;
    }
    // DCMTK keeps the connection in its private association key.
    auto* key = static_cast<PRIVATE_ASSOCIATIONKEY*>(association->DULassociation);
    if (key->connection == nullptr) {
        return -1;
    }
    return static_cast<int>(SocketAccess::socketOf(*key->connection));
}

int DcmNetwork::listeningSocket(T_ASC_Network* network) {
    if (network == nullptr || network->network == nullptr) {
        return -1;
    }
    const auto* key = static_cast<const PRIVATE_NETWORKKEY*>(network->network);
    return static_cast<int>(key->networkSpecific.TCP.listenSocket);
}

const std::vector<const char*>& DcmNetwork::decodableTransferSyntaxes() {
    // A sender offering its file's lossless compression gets it accepted as it is, since it may
    // not be able to decode it; lossy syntaxes come last so that nobody compresses lossily for us.
    static const std::vector<const char*> syntaxes = {
        UID_JPEGLSLosslessTransferSyntax,
        UID_JPEGProcess14SV1TransferSyntax,
        UID_JPEGProcess14TransferSyntax,
        UID_RLELosslessTransferSyntax,
        UID_JPEG2000LosslessOnlyTransferSyntax,
        UID_LittleEndianExplicitTransferSyntax,
        UID_LittleEndianImplicitTransferSyntax,
        UID_BigEndianExplicitTransferSyntax,
        UID_DeflatedExplicitVRLittleEndianTransferSyntax,
        UID_JPEGLSLossyTransferSyntax,
        UID_JPEGProcess1TransferSyntax,
        UID_JPEGProcess2_4TransferSyntax,
        UID_JPEG2000TransferSyntax,
    };
    return syntaxes;
}

std::string DcmNetwork::callingTitle(const char* title) {
    return title != nullptr && title[0] != '\0' ? std::string(title) : localAETitle();
}

std::string DcmNetwork::calledTitle(const char* title) {
    return title != nullptr && title[0] != '\0' ? std::string(title) : defaultCalledAETitle();
}

DcmAssociation::~DcmAssociation() {
    close();
}

bool DcmAssociation::open(const std::string& host, int port, const std::string& callingTitle,
                          const std::string& calledTitle, const std::vector<Context>& contexts,
                          std::string& error) {
    close();
    if (!DcmNetwork::initializeNetwork(false, 0, &network_, error)) {
        return false;
    }
    T_ASC_Parameters* params = nullptr;
    OFCondition status = ASC_createAssociationParameters(&params, ASC_DEFAULTMAXPDU);
    if (status.bad()) {
        error = status.text();
        return false;
    }
    ASC_setAPTitles(params, callingTitle.c_str(), calledTitle.c_str(), nullptr);
    const std::string peer = host + ":" + std::to_string(port);
    ASC_setPresentationAddresses(params, "localhost", peer.c_str());
    T_ASC_PresentationContextID id = 1;
    for (const Context& context : contexts) {
        std::vector<const char*> syntaxes;
        for (const std::string& syntax : context.transferSyntaxes) {
            syntaxes.push_back(syntax.c_str());
        }
        status = ASC_addPresentationContext(params, id, context.abstractSyntax.c_str(),
                                            syntaxes.data(), static_cast<int>(syntaxes.size()),
                                            context.storageProvider ? ASC_SC_ROLE_SCUSCP
                                                                    : ASC_SC_ROLE_DEFAULT);
        if (status.bad()) {
            ASC_destroyAssociationParameters(&params);
            error = status.text();
            return false;
        }
        id = static_cast<T_ASC_PresentationContextID>(id + 2);
    }
    // The connect and socket time-outs are process-wide in DCMTK; every caller sets the same
    // values. DCMTK bounds only the wait for a PDU's first bytes and reads the rest blocking, so
    // without the socket's own time-out a peer stalling inside a PDU, the association's answer
    // included, would hold the caller for DCMTK's default minute.
    dcmConnectionTimeout.set(DcmNetwork::connectTimeout());
    dcmSocketReceiveTimeout.set(DcmNetwork::messageTimeout());
    status = ASC_requestAssociation(network_, params, &association_);
    if (status.bad()) {
        if (association_ != nullptr) {
            ASC_destroyAssociation(&association_);
            association_ = nullptr;
        } else {
            ASC_destroyAssociationParameters(&params);
        }
        error = status == DUL_ASSOCIATIONREJECTED ? "association rejected" : status.text();
        close();
        return false;
    }
    DcmNetwork::disableNagle(association_);
    if (ASC_countAcceptedPresentationContexts(association_->params) == 0) {
        error = "no presentation context accepted";
        close();
        return false;
    }
    return true;
}

unsigned char DcmAssociation::findContext(const std::string& abstractSyntax,
                                          const std::string& transferSyntax) const {
    if (association_ == nullptr) {
        return 0;
    }
    if (transferSyntax.empty()) {
        return ASC_findAcceptedPresentationContextID(association_, abstractSyntax.c_str());
    }
    // DCMTK's lookup by transfer syntax falls back to any accepted context of the class, which
    // would send data in a syntax the peer never accepted for it: match both exactly here.
    return findAccepted(abstractSyntax, [&transferSyntax](const char* accepted) {
        return transferSyntax == accepted;
    });
}

unsigned char DcmAssociation::findUncompressedContext(const std::string& abstractSyntax) const {
    return findAccepted(abstractSyntax, [](const char* accepted) {
        const DcmXfer syntax(accepted);
        return !syntax.isEncapsulated() && syntax.getStreamCompression() == ESC_none;
    });
}

unsigned char DcmAssociation::findAccepted(const std::string& abstractSyntax,
                                           const std::function<bool(const char*)>& fits) const {
    if (association_ == nullptr) {
        return 0;
    }
    const int count = ASC_countPresentationContexts(association_->params);
    for (int i = 0; i < count; ++i) {
        T_ASC_PresentationContext context;
        if (ASC_getPresentationContext(association_->params, i, &context).bad()) {
            continue;
        }
        if (context.resultReason == ASC_P_ACCEPTANCE && abstractSyntax == context.abstractSyntax &&
            fits(context.acceptedTransferSyntax)) {
            return context.presentationContextID;
        }
    }
    return 0;
}

void DcmAssociation::close() {
    if (association_ != nullptr) {
        if (broken_) {
            // DCMTK waits for the peer to close after an abort; a peer that froze never does.
            const int socketId = DcmNetwork::socketOf(association_);
            if (socketId >= 0) {
                shutdown(socketId, SHUT_RD);
            }
            ASC_abortAssociation(association_);
        } else if (ASC_releaseAssociation(association_).bad()) {
            ASC_abortAssociation(association_);
        }
        ASC_destroyAssociation(&association_);
        association_ = nullptr;
    }
    if (network_ != nullptr) {
        ASC_dropNetwork(&network_);
        network_ = nullptr;
    }
    broken_ = false;
}

}  // namespace dcmSDK
