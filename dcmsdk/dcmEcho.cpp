#include "dcmsdk/dcmEcho.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmEventText.h"
#include "dcmsdk/DcmNetwork.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dimse.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace dcmSDK {

namespace {

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

}  // namespace

dcmEcho::dcmEcho() {
    DcmThreadRegistry::add(this);
}

dcmEcho::~dcmEcho() {
    DcmThreadRegistry::remove(this);
    workers_.stop();
}

bool dcmEcho::echo(const char (*targets)[100], int count, bool addressOnly) {
    if (targets == nullptr || count <= 0 || stopping.load()) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const std::string text(targets[i], strnlen(targets[i], sizeof(targets[i])));
        const std::vector<std::string> fields = splitFields(text);
        std::string name;
        std::string ip;
        std::string port;
        if (addressOnly && fields.size() == 2) {
            ip = fields[0];
            port = fields[1];
            name = ip;
        } else if (!addressOnly && fields.size() == 3) {
            name = fields[0];
            ip = fields[1];
            port = fields[2];
        } else {
            continue;
        }
        const std::string key = ip + ":" + port;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!queued_.insert(key).second) {
                continue;
            }
        }
        const bool reportFailure = !addressOnly;
        workers_.post([this, name, ip, port, key, reportFailure] {
            const std::string reply = verify(name, ip, port, reportFailure);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queued_.erase(key);
            }
            if (!reply.empty() && !stopping.load()) {
                raiseEvent(kEventEchoReply, reply.c_str());
            }
        });
    }
    return true;
}

void dcmEcho::stopThreads() {
    workers_.stop();
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.clear();
}

std::string dcmEcho::verify(const std::string& name, const std::string& ip, const std::string& port,
                            bool reportFailure) {
    if (stopping.load()) {
        return std::string();
    }
    bool ok = false;
    const int portNumber = std::atoi(port.c_str());
    if (!ip.empty() && portNumber > 0 && portNumber < 65536) {
        DcmAssociation association;
        std::string error;
        const std::vector<DcmAssociation::Context> contexts = {
            {UID_VerificationSOPClass, {UID_LittleEndianImplicitTransferSyntax}, false}};
        if (association.open(ip, portNumber, DcmNetwork::localAETitle(),
                             DcmNetwork::defaultCalledAETitle(), contexts, error)) {
            DIC_US status = 0;
            DcmDataset* detail = nullptr;
            const OFCondition result =
                DIMSE_echoUser(association.get(), association.get()->nextMsgID++, DIMSE_NONBLOCKING,
                               DcmNetwork::messageTimeout(), &status, &detail);
            delete detail;
            ok = result.good() && status == STATUS_Success;
            if (result.bad()) {
                association.markBroken();
            }
        }
    }
    if (!ok && !reportFailure) {
        return std::string();
    }
    return DcmEventText::json({{"ok", ok ? "1" : "0"},
                               {"appid", ip + ":" + port},
                               {"ip", ip},
                               {"port", port},
                               {"name", name}});
}

}  // namespace dcmSDK
