#pragma once

#include "toolkit/core/NSThreadRequest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace dcmSDK {
struct DCM_MESSAGE;
}

namespace NSUI {
class NSDBDataModel;
}

// One read or store job of the study database's worker. The request owns its received-file
// record and its row set until they are handed on.
class dicomDBRequest : public NSUI::NSThreadRequest {
public:
    enum Type { kPatients = 0, kStudies = 1, kReceivedFile = 2, kFavorites = 3 };

    dicomDBRequest() = default;
    ~dicomDBRequest() override;

    // The request key: 64-bit FNV-1a of the text, folded to 32 bits.
    static std::int32_t keyFor(const std::string& text);

    int type = kPatients;
    std::function<void(NSUI::NSDBDataModel*)> callback;
    // The list that asked; cleared when that list closes.
    std::atomic<void*> owner{nullptr};
    dcmSDK::DCM_MESSAGE* message = nullptr;
    NSUI::NSDBDataModel* result = nullptr;
    // Received file: an image row was inserted into this series folder (relative, ending in "/").
    bool imageInserted = false;
    std::string seriesFolder;
};
