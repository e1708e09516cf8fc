#include "studydb/importThread.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/dcmServer.h"
#include "studydb/AppLanguage.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyPaths.h"
#include "toolkit/core/FileRoutines.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

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
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    tags_.language = studydb::currentLanguage();
    if (!tags_.setFile(path.c_str())) {
        return false;
    }
    const auto valueOr = [this](unsigned short group, unsigned short element,
                                const char* fallback) {
        const std::string value = tags_.getTag(group, element);
        return value.empty() ? std::string(fallback) : value;
    };
    const std::string sop = tags_.getTag(0x0008, 0x0018);
    if (!sop.empty()) {
        // Only digits and dots name a file; anything else gets a name made from its hash.
        name = dcmSDK::DcmNames::fileNameFor(sop);
    }
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    char folder[1024] = {0};
    dcmSDK::dcmServer::getDicomFolder(valueOr(0x0010, 0x0010, "ANONYMOUS").c_str(),
                                      valueOr(0x0010, 0x0020, "EmptyID").c_str(),
                                      valueOr(0x0020, 0x000D, "unknownStudy").c_str(),
                                      valueOr(0x0020, 0x000E, "unknownSeries").c_str(), folder);
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
    if (!inPlace) {
        ssize_t length = 0;
        std::unique_ptr<unsigned char, decltype(&std::free)> bytes(
            NSUI::readFileData(path, &length, true), &std::free);
        if (!bytes || length <= 0 ||
            !NSUI::writeBufferToFile(target, bytes.get(), static_cast<size_t>(length))) {
            return false;
        }
    }

    auto record = std::make_unique<dcmSDK::DCM_MESSAGE>();
    record->fillFrom(tags_);
    dcmSDK::DCM_MESSAGE::setText(record->FileName, sizeof(record->FileName), name.c_str());
    dcmSDK::DCM_MESSAGE::setText(record->SeriesFolder, sizeof(record->SeriesFolder),
                                 (std::string(folder) + "/").c_str());
    studydb::StoredFileRecord::post(std::move(record));
    if (move && !inPlace) {
        std::remove(path.c_str());
    }
    return true;
}
