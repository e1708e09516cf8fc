#include "studydb/StoreReconciler.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/dcmReadTag.h"
#include "engine/base/Utils.h"
#include "imagesdk/io/SeriesFolderFiles.h"
#include "studydb/StudyPaths.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/NSDBUtil.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace studydb {

namespace {

const char* const kMarkerName = ".running";
const char* const kPartialFolder = ".incoming";
const char* const kUnfiledFolder = ".unfiled/";
const char* const kReformatFolder = "reformat";

// "series path" + "file" of every image row.
std::unordered_set<std::string> filedImages(dicomDB& database) {
    std::unordered_set<std::string> filed;
    std::lock_guard<std::recursive_mutex> guard(database.getLock());
    NSUI::NSDBDataModel rows;
    if (!database.getConnection().getRecords(
            "select series.path,image.file from image,series where image.seriesID=series.ID",
            &rows)) {
        return filed;
    }
    filed.reserve(static_cast<std::size_t>(rows.getRowCount()));
    for (int row = 0; row < rows.getRowCount(); ++row) {
        filed.insert(rows.getValue(row, 0) + rows.getValue(row, 1));
    }
    return filed;
}

bool endsWith(const std::string& name, const std::string& suffix) {
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// What a write cut off by the end of a run leaves in a series folder: the hidden file a
// replacing write renames from (".name.pid-n.tmp"), a deletion's set-aside file
// (".name.removed.tmp") or a thumbnail's ".part".
bool isCutOffWrite(const std::string& name) {
    return isImageSDK::isSeriesCompanionFile(name) &&
           (endsWith(name, ".part") || (name[0] == '.' && endsWith(name, ".tmp")));
}

// (series folder relative to the root ending in "/", file name) of every file in a series
// folder that has no image row; the paths of cut-off writes go to leftovers.
std::vector<std::pair<std::string, std::string>>
unfiledObjects(const std::string& root, const std::unordered_set<std::string>& filed,
               std::vector<fs::path>& leftovers) {
    std::vector<std::pair<std::string, std::string>> unfiled;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        const bool directory = it->is_directory(error);
        if (directory) {
            // Hidden folders (the partial files) and the reformat output hold no series, and
            // nothing is filed below a series folder.
            if (name[0] == '.' || (it.depth() == 0 && name == kReformatFolder) ||
                it.depth() >= kSeriesFolderDepth) {
                it.disable_recursion_pending();
            }
            continue;
        }
        if (it.depth() != kSeriesFolderDepth) {
            continue;
        }
        if (isImageSDK::isSeriesCompanionFile(name)) {
            if (isCutOffWrite(name)) {
                leftovers.push_back(it->path());
            }
            continue;
        }
        const std::string path = it->path().string();
        const std::string folder =
            path.substr(root.size(), path.size() - root.size() - name.size());
        if (filed.count(folder + name) == 0) {
            unfiled.emplace_back(folder, name);
        }
    }
    return unfiled;
}

}  // namespace

bool StoreReconciler::lastRunEndedUnclean(const std::string& dicomFolder) {
    std::error_code error;
    return fs::exists(dicomFolder + kMarkerName, error);
}

void StoreReconciler::markRunning(const std::string& dicomFolder) {
    std::ofstream(dicomFolder + kMarkerName, std::ios::trunc) << "running\n";
}

void StoreReconciler::markStopped(const std::string& dicomFolder) {
    std::error_code error;
    fs::remove(dicomFolder + kMarkerName, error);
}

StoreReconciler::Outcome StoreReconciler::reconcile(dicomDB& database,
                                                    dcmSDK::LanguageType language) {
    Outcome outcome;
    const std::string root = database.getDicomRoot();
    std::error_code error;
    // Partial files were never acknowledged: their senders send them again.
    for (const auto& entry : fs::directory_iterator(root + kPartialFolder, error)) {
        std::error_code removing;
        if (fs::remove_all(entry.path(), removing) > 0) {
            ++outcome.partialsRemoved;
        }
    }
    // No writer runs before the node starts, and no other process writes into a held library.
    std::vector<fs::path> leftovers;
    const auto unfiled = unfiledObjects(root, filedImages(database), leftovers);
    for (const fs::path& leftover : leftovers) {
        std::error_code removing;
        if (fs::remove(leftover, removing)) {
            ++outcome.partialsRemoved;
        }
    }
    dcmSDK::dcmReadTag tags;
    tags.language = language;
    for (const auto& [folder, name] : unfiled) {
        if (!tags.setFile((root + folder + name).c_str())) {
            ++outcome.unreadable;
            continue;
        }
        auto record = std::make_unique<dcmSDK::DCM_MESSAGE>();
        record->fillFrom(tags);
        dcmSDK::DCM_MESSAGE::setText(record->FileName, sizeof(record->FileName), name.c_str());
        dcmSDK::DCM_MESSAGE::setText(record->SeriesFolder, sizeof(record->SeriesFolder),
                                     folder.c_str());
        recordIds ids;
        dicomDB::Placing placed = dicomDB::Placing::kWaiting;
        if (database.findRecordIds(*record, ids)) {
            placed = database.fileIntoRecordedFolder(*record, ids);
        }
        const bool known = ids.image;
        if (placed == dicomDB::Placing::kRefused && setAside(root, *record)) {
            ++outcome.setAside;
        } else if (placed == dicomDB::Placing::kPlaced && known) {
            database.fileOverKnownImage(*record, ids);
        } else if (placed == dicomDB::Placing::kPlaced &&
                   database.insertReceivedFile(*record, ids)) {
            ++outcome.filed;
        } else {
            ++outcome.notFiled;
            outcome.waiting.push_back(std::move(record));
        }
    }
    return outcome;
}

bool StoreReconciler::setAside(const std::string& dicomFolder, const dcmSDK::DCM_MESSAGE& record) {
    const std::string folder = record.SeriesFolder;
    const std::string name = record.FileName;
    if (dicomFolder.empty() || !isRelativeFolder(folder, kSeriesFolderDepth) ||
        !isRelativeFolder(name, 1)) {
        return false;
    }
    const std::string aside = dicomFolder + kUnfiledFolder + folder;
    std::error_code error;
    fs::create_directories(aside, error);
    if (error) {
        return false;
    }
    const std::string from = dicomFolder + folder + name;
    fs::rename(from, aside + name, error);
    if (error) {
        return false;
    }
    removeEmptyFoldersInside(dicomFolder, folder, kSeriesFolderDepth);
    cocos2d::log("%s cannot be filed: the folder its series has in the library cannot take it; "
                 "kept as %s",
                 from.c_str(), (aside + name).c_str());
    return true;
}

}  // namespace studydb
