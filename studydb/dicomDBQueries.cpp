#include "studydb/RowId.h"
#include "studydb/StudyPaths.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/DebugLog.h"

#include <cstdlib>

// The synchronous reads and deletes of the study library.

using studydb::parseRowId;

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
    bool patientGone = false;
    if (!connection.executeSql("delete from image where seriesID=?", {series}) ||
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
    if (rows.getRowCount() == 0) {
        if (!connection.executeSql("delete from patient where id=?", {patient})) {
            return fail();
        }
        patientGone = true;
    }
    const std::vector<studydb::RemovalJournal::Entry> entries = {{path, patientGone}};
    if (!commitRemoval(entries)) {
        return false;
    }
    removeJournaled(entries);
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
    std::vector<std::string> folders;
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
            if (!parseRowId(series.getValue(s, 0), seriesId) ||
                !connection.executeSql("delete from image where seriesID=?", {seriesId})) {
                return fail();
            }
            folders.push_back(series.getValue(s, 1));
        }
        if (!connection.executeSql("delete from series where studyID=?", {study})) {
            return fail();
        }
    }
    if (!connection.executeSql("delete from study where patientID=?", {patient}) ||
        !connection.executeSql("delete from patient where id=?", {patient})) {
        return fail();
    }
    std::vector<studydb::RemovalJournal::Entry> entries;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        entries.push_back({folders[i], i + 1 == folders.size()});
    }
    if (!commitRemoval(entries)) {
        return false;
    }
    removeJournaled(entries);
    return true;
}

bool dicomDB::commitRemoval(const std::vector<studydb::RemovalJournal::Entry>& entries) {
    // Journaled first: once the rows are gone, only the journal keeps the next start from filing
    // the folders' files again should this run end before they are removed.
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

void dicomDB::removeJournaled(const std::vector<studydb::RemovalJournal::Entry>& entries) {
    for (const auto& entry : entries) {
        removeSeriesFolder(entry.folder, entry.withPatient);
    }
    studydb::RemovalJournal::clear(dicomFolder);
}

void dicomDB::finishInterruptedRemoval() {
    const std::vector<studydb::RemovalJournal::Entry> entries =
        studydb::RemovalJournal::read(dicomFolder);
    // A folder that still has its row was never deleted: the run ended before the commit.
    for (const auto& entry : entries) {
        NSUI::NSDBDataModel rows;
        if (!connection.getRecords("select id from series where path=?", {entry.folder}, &rows) ||
            rows.getRowCount() > 0) {
            studydb::RemovalJournal::clear(dicomFolder);
            return;
        }
    }
    removeJournaled(entries);
}

void dicomDB::removeSeriesFolder(const std::string& path, bool withPatient) {
    // Stored paths are data: only a series folder at its own depth is removed, and the patient
    // folder only when derived from one. The reformat folder is never a patient's.
    const std::string patient = studydb::leadingComponents(path, 1);
    if (!studydb::isRelativeFolder(path, studydb::kSeriesFolderDepth) || patient == "reformat") {
        return;
    }
    studydb::removeFolderInside(dicomFolder, path, studydb::kSeriesFolderDepth);
    if (withPatient) {
        studydb::removeFolderInside(dicomFolder, patient, 1);
    }
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
