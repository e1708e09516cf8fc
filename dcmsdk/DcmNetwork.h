#pragma once

#include <functional>
#include <string>
#include <vector>

struct T_ASC_Association;
struct T_ASC_Network;

namespace dcmSDK {

// Process-wide network settings of the library and the helpers its services share.
class DcmNetwork {
public:
    // The title this node answers to and calls with ("rivodavo" until changed).
    static void setLocalAETitle(const std::string& title);
    static std::string localAETitle();
    // The title called when a request names none ("ANY-SCP" until changed).
    static void setDefaultCalledAETitle(const std::string& title);
    static std::string defaultCalledAETitle();
    // Seconds allowed to connect and to wait for any one message (5 and 30 until changed).
    static void setTimeouts(int connectSeconds, int messageSeconds);
    static int connectTimeout();
    static int messageTimeout();

    // ASC_initializeNetwork, one call at a time: DCMTK fills a process-wide state table there.
    static bool initializeNetwork(bool acceptor, int port, T_ASC_Network** network,
                                  std::string& error);

    // Sends small PDUs at once instead of waiting for the peer's delayed acknowledgement, which
    // otherwise costs about 40 ms per object on receive.
    static void disableNagle(T_ASC_Association* association);
    // The TCP socket of an association, -1 when it has none.
    static int socketOf(T_ASC_Association* association);
    // The listening TCP socket of an acceptor network, -1 when it has none.
    static int listeningSocket(T_ASC_Network* network);

    // The transfer syntaxes whose pixel data the reader decodes, in the node's order of preference:
    // lossless compressed, uncompressed, lossy.
    static const std::vector<const char*>& decodableTransferSyntaxes();

    // Calling title text, or the local title when empty; likewise for the called title.
    static std::string callingTitle(const char* title);
    static std::string calledTitle(const char* title);
};

// One association this node requested, released (or aborted) when the object goes.
class DcmAssociation {
public:
    struct Context {
        std::string abstractSyntax;
        std::vector<std::string> transferSyntaxes;
        bool storageProvider = false;  // our role is SCP (C-STORE sub-operations of a C-GET)
    };

    DcmAssociation() = default;
    ~DcmAssociation();
    DcmAssociation(const DcmAssociation&) = delete;
    DcmAssociation& operator=(const DcmAssociation&) = delete;

    // False with a reason in error when the peer cannot be reached or refuses.
    bool open(const std::string& host, int port, const std::string& callingTitle,
              const std::string& calledTitle, const std::vector<Context>& contexts,
              std::string& error);
    // The accepted presentation context for the abstract syntax (and transfer syntax when given),
    // 0 when none was accepted.
    unsigned char findContext(const std::string& abstractSyntax,
                              const std::string& transferSyntax = std::string()) const;
    // An accepted context of the abstract syntax with an uncompressed transfer syntax, 0 when none.
    unsigned char findUncompressedContext(const std::string& abstractSyntax) const;
    T_ASC_Association* get() const { return association_; }
    // Aborts instead of releasing when the dialogue broke off.
    void markBroken() { broken_ = true; }
    bool broken() const { return broken_; }
    void close();

private:
    unsigned char findAccepted(const std::string& abstractSyntax,
                               const std::function<bool(const char*)>& fits) const;

    T_ASC_Network* network_ = nullptr;
    T_ASC_Association* association_ = nullptr;
    bool broken_ = false;
};

}  // namespace dcmSDK
