#pragma once

#include "engine/base/RefPtr.h"
#include "studydb/StoredFileRecord.h"
#include "toolkit/core/NSThreadRequest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace NSUI {
class NSDBDataModel;
}

// One read or store job of the study database's worker. The request holds a reference to its
// received-file record while it lives and owns its row set until it is handed on.
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
    // Received file: takes a reference to the record; null drops it.
    void setRecord(studydb::StoredFileRecord* record);
    // The received file's record; null when there is none.
    const dcmSDK::DCM_MESSAGE* message() const;

    NSUI::NSDBDataModel* result = nullptr;
    // Received file: an image row was inserted into this series folder (relative, ending in "/").
    bool imageInserted = false;
    std::string seriesFolder;

private:
    cocos2d::RefPtr<studydb::StoredFileRecord> record_;
};
