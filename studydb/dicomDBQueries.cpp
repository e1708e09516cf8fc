#include "imagesdk/io/SeriesFolderFiles.h"
#include "studydb/RowId.h"
#include "studydb/StudyPaths.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/DebugLog.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unordered_set>

// The synchronous reads and deletes of the study library.

using studydb::parseRowId;

namespace {

// The file names of a series' image rows.
bool seriesFiles(NSUI::NSDBUtil& connection, long long series, std::vector<std::string>& files) {
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select file from image where seriesID=?", {series}, &rows)) {
        return false;
    }
    files.clear();
    for (int row = 0; row < rows.getRowCount(); ++row) {
        files.push_back(rows.getValue(row, 0));
    }
    return true;
}

// The entry's series folder as an absolute path, or empty when its stored path is not one the
// library's removals may touch: only a series folder at its own depth, never the reformat folder.
std::string removableFolder(const std::string& dicomFolder,
                            const studydb::RemovalJournal::Entry& entry) {
    if (studydb::leadingComponents(entry.folder, 1) == "reformat") {
        return std::string();
    }
    return studydb::folderInside(dicomFolder, entry.folder, studydb::kSeriesFolderDepth);
}

}  // namespace

void dicomDB::getSeriesImages(NSUI::NSDBDataModel* out, const std::string& seriesId) {
    if (out == nullptr) {
        return;
    }
    out->clear();
    long long series = 0;
    if (!parseRowId(seriesId, series)) {
        NSUI::debugLog("failed to search DB.");
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.getRecords("select instanceID,file from image where image.seriesID=? order "
                               "by CAST(instanceID as UNSIGNED)",
                               {series}, out)) {
        out->clear();
        NSUI::debugLog("failed to search DB.");
    }
}

bool dicomDB::deleteSeries(const std::string& seriesId) {
    long long series = 0;
    if (!parseRowId(seriesId, series)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select studyID,path from series where id=?", {series}, &rows) ||
        rows.getRowCount() == 0) {
        return fail();
    }
    const std::string studyId = rows.getValue(0, 0);
    const std::string path = rows.getValue(0, 1);
    long long study = 0;
    if (!parseRowId(studyId, study) ||
        !connection.getRecords("select patientID from study where id=?", {study}, &rows) ||
        rows.getRowCount() == 0) {
        return fail();
    }
    long long patient = 0;
    if (!parseRowId(rows.getValue(0, 0), patient)) {
        return fail();
    }
    studydb::RemovalJournal::Entry entry{path, {}};
    if (!seriesFiles(connection, series, entry.files) ||
        !connection.executeSql("delete from image where seriesID=?", {series}) ||
        !connection.executeSql("delete from series where id=?", {series}) ||
        !connection.getRecords("select id from series where studyID=?", {study}, &rows)) {
        return fail();
    }
    if (rows.getRowCount() == 0 &&
        !connection.executeSql("delete from study where id=?", {study})) {
        return fail();
    }
    if (!connection.getRecords("select id from study where patientID=?", {patient}, &rows)) {
        return fail();
    }
    if (rows.getRowCount() == 0 &&
        !connection.executeSql("delete from patient where id=?", {patient})) {
        return fail();
    }
    const std::vector<studydb::RemovalJournal::Entry> entries = {entry};
    if (!commitRemoval(entries)) {
        return false;
    }
    removeJournaled(entries, false);
    return true;
}

bool dicomDB::deletePatient(const std::string& patientId) {
    long long patient = 0;
    if (!parseRowId(patientId, patient)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    NSUI::NSDBDataModel studies;
    if (!connection.getRecords("select id from study where patientID=?", {patient}, &studies)) {
        return fail();
    }
    std::vector<studydb::RemovalJournal::Entry> entries;
    for (int i = 0; i < studies.getRowCount(); ++i) {
        long long study = 0;
        if (!parseRowId(studies.getValue(i, 0), study)) {
            return fail();
        }
        NSUI::NSDBDataModel series;
        if (!connection.getRecords("select id,path from series where studyID=?", {study},
                                   &series)) {
            return fail();
        }
        for (int s = 0; s < series.getRowCount(); ++s) {
            long long seriesId = 0;
            studydb::RemovalJournal::Entry entry{series.getValue(s, 1), {}};
            if (!parseRowId(series.getValue(s, 0), seriesId) ||
                !seriesFiles(connection, seriesId, entry.files) ||
                !connection.executeSql("delete from image where seriesID=?", {seriesId})) {
                return fail();
            }
            entries.push_back(entry);
        }
        if (!connection.executeSql("delete from series where studyID=?", {study})) {
            return fail();
        }
    }
    if (!connection.executeSql("delete from study where patientID=?", {patient}) ||
        !connection.executeSql("delete from patient where id=?", {patient})) {
        return fail();
    }
    if (!commitRemoval(entries)) {
        return false;
    }
    removeJournaled(entries, false);
    return true;
}

bool dicomDB::commitRemoval(const std::vector<studydb::RemovalJournal::Entry>& entries) {
    // Journaled first: once the rows are gone, only the journal keeps the next start from filing
    // their files again should this run end before they are removed.
    if (!studydb::RemovalJournal::write(dicomFolder, entries)) {
        connection.rollback();
        return false;
    }
    if (!connection.commit()) {
        connection.rollback();
        studydb::RemovalJournal::clear(dicomFolder);
        return false;
    }
    return true;
}

void dicomDB::removeJournaled(const std::vector<studydb::RemovalJournal::Entry>& entries,
                              bool replaying) {
    // The node moves a new copy of an object in under its bare name as soon as that is free, and
    // files it once this lock is let go. Every file goes aside before the journal does, so a run
    // ending in between leaves beside such a copy the trace that it is not the deletion's.
    for (const auto& entry : entries) {
        setAsideSeriesFiles(entry, replaying);
    }
    studydb::RemovalJournal::clear(dicomFolder);
    for (const auto& entry : entries) {
        removeSeriesFiles(entry);
    }
}

void dicomDB::finishInterruptedRemoval() {
    std::vector<studydb::RemovalJournal::Entry> entries =
        studydb::RemovalJournal::read(dicomFolder);
    // A file that has its row was not deleted: the run ended before the commit, or the file was
    // received again and filed after it. One look-up per series folder, however many files.
    for (auto& entry : entries) {
        NSUI::NSDBDataModel rows;
        if (!connection.getRecords("select image.file from image,series where "
                                   "image.seriesID=series.ID and series.path=?",
                                   {entry.folder}, &rows)) {
            entry.files.clear();
            continue;
        }
        std::unordered_set<std::string> named;
        for (int row = 0; row < rows.getRowCount(); ++row) {
            named.insert(rows.getValue(row, 0));
        }
        entry.files.erase(
            std::remove_if(entry.files.begin(), entry.files.end(),
                           [&named](const std::string& file) { return named.count(file) > 0; }),
            entry.files.end());
    }
    removeJournaled(entries, true);
}

void dicomDB::setAsideSeriesFiles(const studydb::RemovalJournal::Entry& entry, bool replaying) {
    const std::string folder = removableFolder(dicomFolder, entry);
    if (folder.empty()) {
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    for (const std::string& file : entry.files) {
        if (!studydb::isRelativeFolder(file, 1)) {
            continue;
        }
        const std::string aside = folder + "/" + studydb::RemovalJournal::setAsideName(file);
        if (replaying && fs::exists(aside, error)) {
            continue;
        }
        fs::rename(folder + "/" + file, aside, error);
    }
}

void dicomDB::removeSeriesFiles(const studydb::RemovalJournal::Entry& entry) {
    // Stored paths are data. Only the deleted rows' files went aside; the node may be filing new
    // ones into the same folder, and a folder goes only once it is empty.
    const std::string folder = removableFolder(dicomFolder, entry);
    if (folder.empty()) {
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    // Thumbnails and temporaries describe the series as it was; a new arrival makes its own.
    std::vector<fs::path> companions;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        if (isImageSDK::isSeriesCompanionFile(item.path().filename().string()) &&
            !item.is_directory(error)) {
            companions.push_back(item.path());
        }
    }
    for (const fs::path& companion : companions) {
        fs::remove(companion, error);
    }
    // The study and patient folders go with their last series only.
    studydb::removeEmptyFoldersInside(dicomFolder, entry.folder, studydb::kSeriesFolderDepth);
}

bool dicomDB::deleteFavorite(int favoriteId) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    if (!connection.executeSql("delete from favorite where ID=?", {favoriteId}) ||
        !connection.executeSql("delete from favoriteDetail where favoriteID=?", {favoriteId}) ||
        !connection.commit()) {
        connection.rollback();
        return false;
    }
    return true;
}

bool dicomDB::patientExists(const std::string& patientId) {
    long long patient = 0;
    if (!parseRowId(patientId, patient)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    NSUI::NSDBDataModel rows;
    if (connection.getRecords("select id from patient where id=?", {patient}, &rows) &&
        rows.getRowCount() > 0) {
        connection.commit();
        return true;
    }
    connection.rollback();
    return false;
}

int dicomDB::getMaxId(const std::string& table, const std::string& column) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    // Table and column are the program's own names, never data; names cannot be bound.
    if (!connection.getRecords("select max(" + column + ") from " + table, &rows)) {
        NSUI::debugLog("failed to search DB.");
        connection.rollback();
        return 0;
    }
    if (rows.getRowCount() == 0 || rows.getColumnCount(0) == 0) {
        return 0;
    }
    return std::atoi(rows.getValue(0, 0).c_str());
}
