#include "studydb/importThread.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmFilePlacer.h"
#include "dcmsdk/DcmNames.h"
#include "studydb/AppLanguage.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyPaths.h"
#include "toolkit/core/FileRoutines.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

void importThread::setDicomRoot(const std::string& root) {
    std::lock_guard<std::mutex> guard(rootMutex_);
    root_ = root;
}

void importThread::process(NSUI::NSThreadRequest* request) {
    if (request->userValue0 == kRemoveFolder) {
        std::error_code error;
        fs::remove_all(request->text, error);
        return;
    }
    run(request->text, request->userValue0 == kMove);
}

bool importThread::run(const std::string& path, bool move) {
    std::string root;
    {
        std::lock_guard<std::mutex> guard(rootMutex_);
        root = root_;
    }
    if (root.empty()) {
        return false;
    }
    tags_.language = studydb::currentLanguage();
    if (!tags_.setFile(path.c_str())) {
        return false;
    }
    // The node's rule: whole values, so a cut at an embedded NUL cannot name another object.
    const std::string sop = tags_.getTagValue(0x0008, 0x0018);
    if (!dcmSDK::DcmNames::hasStorableUids(sop, tags_.getTagValue(0x0020, 0x000D),
                                           tags_.getTagValue(0x0020, 0x000E))) {
        return false;
    }
    auto record = std::make_unique<dcmSDK::DCM_MESSAGE>();
    record->fillFrom(tags_);
    const std::string name = dcmSDK::DcmNames::fileNameFor(sop);
    const std::string folder =
        dcmSDK::DcmNames::seriesFolder(record->PatientName, record->PatientID,
                                       record->StudyInstanceUID, record->SeriesInstanceUID);
    if (!studydb::isRelativeFolder(folder, studydb::kSeriesFolderDepth)) {
        return false;
    }

    const std::string targetFolder = root + folder + "/";
    const std::string target = targetFolder + name;
    std::error_code error;
    fs::create_directories(targetFolder, error);
    if (!fs::is_directory(targetFolder, error)) {
        return false;
    }
    // A file that already is its target stays as it is: rewriting or removing it would lose it.
    const bool inPlace = fs::exists(target, error) && fs::equivalent(path, target, error);
    std::string placed = name;
    if (!inPlace) {
        ssize_t length = 0;
        std::unique_ptr<unsigned char, decltype(&std::free)> bytes(
            NSUI::readFileData(path, &length, true), &std::free);
        // Written whole where the node keeps its partial files, then placed as the node places
        // what it receives: beside a copy the folder holds, never over it.
        static std::atomic<unsigned long> staged{0};
        const std::string staging = root + ".incoming/import-" + std::to_string(getpid()) + "-" +
                                    std::to_string(++staged) + ".part";
        if (!bytes || length <= 0 ||
            !NSUI::writeBufferToFile(staging, bytes.get(), static_cast<size_t>(length))) {
            return false;
        }
        placed = dcmSDK::DcmFilePlacer::place(staging, targetFolder, name, error);
        if (placed.empty()) {
            fs::remove(staging, error);
            return false;
        }
    }

    dcmSDK::DCM_MESSAGE::setText(record->FileName, sizeof(record->FileName), placed.c_str());
    dcmSDK::DCM_MESSAGE::setText(record->SeriesFolder, sizeof(record->SeriesFolder),
                                 (folder + "/").c_str());
    studydb::StoredFileRecord::post(std::move(record));
    if (move && !inPlace) {
        std::remove(path.c_str());
    }
    return true;
}
