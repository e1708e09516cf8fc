#include "dcmsdk/dcmSender.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/internal/DcmFileLoader.h"
#include "dcmsdk/internal/JpegFrameCheck.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/dcmnet/dimse.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace dcmSDK {

namespace {

// Presentation contexts of one association: DICOM allows 128, one stays free.
const std::size_t kMaxContexts = 127;

// An item without a class is a damaged DICOM file: it fails the run but is not sent.
struct Item {
    std::string path;
    std::string sopClass;
    std::string syntax;
};

std::vector<std::string> listFiles(const std::string& path) {
    std::vector<std::string> files;
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        files.push_back(path);
        return files;
    }
    std::filesystem::recursive_directory_iterator it(
        path, std::filesystem::directory_options::skip_permission_denied, error);
    for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->is_directory(error)) {
            if (!name.empty() && name[0] == '.') {
                it.disable_recursion_pending();
            }
        } else if (it->is_regular_file(error)) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The file meta preamble marks a DICOM file even when the rest cannot be read; files without it
// (caches, thumbnails) are not the user's images, nor are hidden ones (half-written temporaries).
bool isDamagedImage(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.empty() || name[0] == '.') {
        return false;
    }
    char head[132];
    std::ifstream in(path, std::ios::binary);
    return in.read(head, sizeof(head)) && std::memcmp(head + 128, "DICM", 4) == 0;
}

bool describe(const std::string& path, Item& item) {
    DcmFileFormat file;
    if (DcmFileLoader::load(path, file).bad()) {
        return false;
    }
    OFString sopClass;
    if (file.getDataset()->findAndGetOFString(DCM_SOPClassUID, sopClass).bad() ||
        sopClass.empty()) {
        return false;
    }
    item.path = path;
    item.sopClass = sopClass.c_str();
    item.syntax = DcmXfer(file.getDataset()->getOriginalXfer()).getXferID();
    return true;
}

// Contexts for a run of items: each class with each syntax its files have, plus the class with
// the uncompressed syntaxes as a fallback the files can be decoded to.
std::vector<DcmAssociation::Context> contextsFor(const std::vector<Item>& items, std::size_t begin,
                                                 std::size_t& end) {
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<DcmAssociation::Context> contexts;
    const std::vector<std::string> plain = {UID_LittleEndianExplicitTransferSyntax,
                                            UID_LittleEndianImplicitTransferSyntax};
    end = begin;
    while (end < items.size()) {
        const Item& item = items[end];
        if (item.sopClass.empty()) {
            ++end;
            continue;
        }
        std::vector<DcmAssociation::Context> added;
        if (seen.count({item.sopClass, item.syntax}) == 0) {
            added.push_back({item.sopClass, {item.syntax}, false});
        }
        if (seen.count({item.sopClass, ""}) == 0) {
            added.push_back({item.sopClass, plain, false});
        }
        if (contexts.size() + added.size() > kMaxContexts) {
            break;
        }
        seen.insert({item.sopClass, item.syntax});
        seen.insert({item.sopClass, ""});
        contexts.insert(contexts.end(), added.begin(), added.end());
        ++end;
    }
    return contexts;
}

bool storeOne(DcmAssociation& association, const Item& item, unsigned short messageId,
              std::string& error) {
    DcmFileFormat file;
    if (item.sopClass.empty() || DcmFileLoader::load(item.path, file).bad()) {
        error = "cannot read " + item.path;
        return false;
    }
    DcmDataset* dataset = file.getDataset();
    T_ASC_PresentationContextID context = association.findContext(item.sopClass, item.syntax);
    if (context == 0) {
        context = association.findUncompressedContext(item.sopClass);
        if (context == 0) {
            error = "no accepted context for " + item.sopClass;
            return false;
        }
        T_ASC_PresentationContext accepted;
        ASC_findAcceptedPresentationContext(association.get()->params, context, &accepted);
        const E_TransferSyntax target = DcmXfer(accepted.acceptedTransferSyntax).getXfer();
        dataset->loadAllDataIntoMemory();
        if (JpegFrameCheck::check(*dataset).bad() ||
            dataset->chooseRepresentation(target, nullptr).bad() ||
            !dataset->canWriteXfer(target)) {
            error = "cannot convert " + item.path;
            return false;
        }
    }
    OFString sopInstance;
    dataset->findAndGetOFString(DCM_SOPInstanceUID, sopInstance);
    T_DIMSE_C_StoreRQ request{};
    request.MessageID = messageId;
    OFStandard::strlcpy(request.AffectedSOPClassUID, item.sopClass.c_str(),
                        sizeof(request.AffectedSOPClassUID));
    OFStandard::strlcpy(request.AffectedSOPInstanceUID, sopInstance.c_str(),
                        sizeof(request.AffectedSOPInstanceUID));
    request.DataSetType = DIMSE_DATASET_PRESENT;
    request.Priority = DIMSE_PRIORITY_MEDIUM;
    T_DIMSE_C_StoreRSP response{};
    DcmDataset* detail = nullptr;
    const OFCondition status =
        DIMSE_storeUser(association.get(), context, &request, nullptr, dataset, nullptr, nullptr,
                        DIMSE_NONBLOCKING, DcmNetwork::messageTimeout(), &response, &detail);
    delete detail;
    if (status.bad()) {
        association.markBroken();
        error = status.text();
        return false;
    }
    const unsigned short code = response.DimseStatus;
    if (code != STATUS_Success && (code & 0xF000) != 0xB000) {
        char text[64];
        std::snprintf(text, sizeof(text), "refused with status 0x%04x", code);
        error = text;
        return false;
    }
    return true;
}

}  // namespace

dcmSender::dcmSender() {
    DcmThreadRegistry::add(this);
}

dcmSender::~dcmSender() {
    DcmThreadRegistry::remove(this);
    worker_.stop();
}

void dcmSender::setIP(const char* ip, const char* port) {
    std::lock_guard<std::mutex> lock(mutex_);
    ip_ = ip == nullptr ? std::string() : std::string(ip);
    port_ = port == nullptr ? 0 : std::atoi(port);
}

bool dcmSender::send(int taskId, const char* path) {
    if (path == nullptr || sending_.exchange(true)) {
        return false;
    }
    std::string ip;
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ip = ip_;
        port = port_;
    }
    const std::string target(path);
    worker_.post([this, taskId, target, ip, port] {
        const unsigned int outcome = run(taskId, target, ip, port);
        // Idle before the outcome is known, so that whoever reacts to it can send the next one.
        sending_.store(false);
        raise(outcome, taskId, 100.0f);
    });
    return true;
}

bool dcmSender::isSending() const {
    return sending_.load();
}

void dcmSender::stopThreads() {
    worker_.stop();
    sending_.store(false);
}

void dcmSender::raise(unsigned int type, int taskId, float percent) {
    if (stopping.load()) {
        return;
    }
    char text[96];
    if (type == kEventSendProgress) {
        std::snprintf(text, sizeof(text), "{\"taskID\":\"%d\",\"value\":\"%.1f\"}", taskId,
                      percent);
    } else {
        std::snprintf(text, sizeof(text), "{\"taskID\":\"%d\"}", taskId);
    }
    raiseEvent(type, text);
}

unsigned int dcmSender::run(int taskId, const std::string& path, const std::string& ip, int port) {
    dcmsdk_init();
    std::vector<Item> items;
    for (const std::string& file : listFiles(path)) {
        Item item;
        if (describe(file, item)) {
            items.push_back(item);
        } else if (isDamagedImage(file)) {
            items.push_back({file, std::string(), std::string()});
        }
    }
    if (items.empty()) {
        logMessage("send %d: no DICOM file in %s", taskId, path.c_str());
        return kEventSendFailed;
    }
    const std::string calling = DcmNetwork::localAETitle();
    const std::string called = DcmNetwork::defaultCalledAETitle();
    std::size_t failed = 0;
    std::size_t done = 0;
    unsigned short messageId = 1;
    std::size_t begin = 0;
    while (begin < items.size() && !stopping.load()) {
        std::size_t end = begin;
        const std::vector<DcmAssociation::Context> contexts = contextsFor(items, begin, end);
        DcmAssociation association;
        std::string error;
        if (!contexts.empty() && !association.open(ip, port, calling, called, contexts, error)) {
            logMessage("send %d: cannot reach %s:%d: %s", taskId, ip.c_str(), port, error.c_str());
            failed += items.size() - done;
            break;
        }
        for (std::size_t i = begin; i < end && !stopping.load(); ++i) {
            if (!storeOne(association, items[i], messageId++, error)) {
                logMessage("send %d: %s: %s", taskId, items[i].path.c_str(), error.c_str());
                ++failed;
            }
            ++done;
            raise(kEventSendProgress, taskId,
                  100.0f * static_cast<float>(done) / static_cast<float>(items.size()));
            if (association.broken()) {
                break;
            }
        }
        if (association.broken()) {
            failed += items.size() - done;
            break;
        }
        begin = end;
    }
    return failed == 0 && done == items.size() ? kEventSendDone : kEventSendFailed;
}

}  // namespace dcmSDK
