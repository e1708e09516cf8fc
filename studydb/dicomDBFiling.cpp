#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/dcmReader.h"
#include "studydb/ReceivedFileJson.h"
#include "studydb/RowId.h"
#include "studydb/SeriesTagReader.h"
#include "studydb/StoreReconciler.h"
#include "studydb/StudyPaths.h"
#include "studydb/dicomDB.h"
#include "studydb/dicomDBRequest.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/TextRoutines.h"

#include <filesystem>
#include <memory>
#include <system_error>

// Filing of received files: the patient, study, series and image rows of one record.

namespace {

// A row id read back from the database, bound as the number it is.
NSUI::NSDBValue rowIdValue(const std::string& text) {
    long long id = 0;
    if (studydb::parseRowId(text, id)) {
        return id;
    }
    return text;
}

// Runs a select whose first column is a row ID: found tells whether a row came back, id is that
// row's ID and rows holds the whole answer. False only when the query fails.
bool selectId(NSUI::NSDBUtil& connection, const char* sql, const NSUI::NSDBValues& values,
              NSUI::NSDBDataModel& rows, bool& found, std::string& id) {
    if (!connection.getRecords(sql, values, &rows)) {
        return false;
    }
    found = rows.getRowCount() > 0 && rows.getColumnCount(0) > 0;
    if (found) {
        id = rows.getValue(0, 0);
    }
    return true;
}

}  // namespace

bool dicomDB::findRecordIds(const dcmSDK::DCM_MESSAGE& record, recordIds& ids) {
    ids = recordIds();
    if (!isReady) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords(
            "select ID,updateTime,name from patient where patientIDHospital=? order by ID",
            {record.PatientID}, &rows)) {
        return false;
    }
    // Names are stored as received and matched by their key.
    const std::string name = dcmSDK::DcmNames::personNameKey(record.PatientName);
    for (int row = 0; row < rows.getRowCount() && !ids.patient; ++row) {
        if (rows.getColumnCount(row) >= 3 &&
            dcmSDK::DcmNames::personNameKey(rows.getValue(row, 2)) == name) {
            ids.patient = true;
            ids.patientId = rows.getValue(row, 0);
            ids.patientUpdateTime = rows.getValue(row, 1);
        }
    }
    if (!ids.patient) {
        return true;
    }
    if (!selectId(connection, "select ID from study where studyUID=? and patientID=?",
                  {record.StudyInstanceUID, rowIdValue(ids.patientId)}, rows, ids.study,
                  ids.studyId)) {
        return false;
    }
    if (!ids.study) {
        return true;
    }
    if (!selectId(connection, "select ID from series where seriesUID=? and studyID=?",
                  {record.SeriesInstanceUID, rowIdValue(ids.studyId)}, rows, ids.series,
                  ids.seriesId)) {
        return false;
    }
    if (!ids.series) {
        return true;
    }
    return selectId(connection, "select ID from image where imageUID=? and seriesID=?",
                    {record.SOPInstanceUID, rowIdValue(ids.seriesId)}, rows, ids.image,
                    ids.imageId);
}

bool dicomDB::insertReceivedFile(const dcmSDK::DCM_MESSAGE& record, recordIds& ids) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!isReady || !connection.beginTransaction()) {
        return false;
    }
    const std::string now = NSUI::getCurrentDateTime();
    std::string studyTime = studydb::ReceivedFileJson::dateTime(record.StudyDate, record.StudyTime);
    std::string seriesTime =
        studydb::ReceivedFileJson::dateTime(record.SeriesDate, record.SeriesTime);
    if (studyTime.empty()) {
        studyTime = now;
    }
    if (seriesTime.empty()) {
        seriesTime = now;
    }
    NSUI::NSDBDataModel rows;
    const auto failed = [](const char* table) {
        NSUI::debugLog(NSUI::formatString("failed to insert record into %s.", table).c_str());
        return false;
    };
    // Runs an insert, then the select that reads its ID back.
    const auto insert = [&](const char* statement, const NSUI::NSDBValues& values,
                            const char* select, const NSUI::NSDBValues& keys, bool& found,
                            std::string& newId, const char* table) {
        if (!connection.executeSql(statement, values)) {
            return failed(table);
        }
        if (!selectId(connection, select, keys, rows, found, newId)) {
            NSUI::debugLog("failed to search DB.");
            return false;
        }
        return found || failed(table);
    };
    // Moves a known row's updateTime.
    const auto touch = [&](const char* statement, const std::string& time, const std::string& rowId,
                           const char* table) {
        long long checked = 0;
        if (studydb::parseRowId(rowId, checked) &&
            connection.executeSql(statement, {time, checked})) {
            return true;
        }
        return failed(table);
    };
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    if (ids.patient) {
        if (!touch("update patient set updateTime=? where ID=?", now, ids.patientId, "patient")) {
            return fail();
        }
    } else if (!insert("insert into patient(name,patientIDHospital,birthday,sex,updateTime) "
                       "values (?,?,?,?,?)",
                       {record.PatientName, record.PatientID, record.PatientBirthDate,
                        record.PatientSex, now},
                       "select ID from patient where name=? and patientIDHospital=?",
                       {record.PatientName, record.PatientID}, ids.patient, ids.patientId,
                       "patient")) {
        return fail();
    }
    ids.patientUpdateTime = now;
    if (ids.study) {
        if (!touch("update study set updateTime=? where ID=?", studyTime, ids.studyId, "study")) {
            return fail();
        }
    } else if (!insert("insert into study(patientID,studyUID,studyIDHospital,studyDesc,date,time,"
                       "updateTime) values (?,?,?,?,?,?,?)",
                       {rowIdValue(ids.patientId), record.StudyInstanceUID, record.StudyID,
                        record.StudyDescription, record.StudyDate, record.StudyTime, studyTime},
                       "select ID from study where studyUID=? and patientID=?",
                       {record.StudyInstanceUID, rowIdValue(ids.patientId)}, ids.study, ids.studyId,
                       "study")) {
        return fail();
    }
    if (ids.series) {
        if (!touch("update series set updateTime=? where ID=?", seriesTime, ids.seriesId,
                   "series")) {
            return fail();
        }
    } else if (!insert("insert into series(studyID,seriesUID,date,time,studyDesc,seriesDesc,"
                       "updateTime,path) values (?,?,?,?,?,?,?,?)",
                       {rowIdValue(ids.studyId), record.SeriesInstanceUID, record.SeriesDate,
                        record.SeriesTime, record.StudyDescription, record.SeriesDescription,
                        seriesTime, record.SeriesFolder},
                       "select ID from series where seriesUID=? and studyID=?",
                       {record.SeriesInstanceUID, rowIdValue(ids.studyId)}, ids.series,
                       ids.seriesId, "series")) {
        return fail();
    }
    if (!ids.image &&
        !insert("insert into image(seriesID,imageUID,instanceID,file) values (?,?,?,?)",
                {rowIdValue(ids.seriesId), record.SOPInstanceUID, record.InstanceNumber,
                 record.FileName},
                "select ID from image where imageUID=? and seriesID=?",
                {record.SOPInstanceUID, rowIdValue(ids.seriesId)}, ids.image, ids.imageId,
                "image")) {
        return fail();
    }
    if (!connection.commit()) {
        return fail();
    }
    return true;
}

dicomDB::Placing dicomDB::fileIntoRecordedFolder(dcmSDK::DCM_MESSAGE& record,
                                                 const recordIds& ids) {
    if (!ids.series) {
        return Placing::kPlaced;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select path from series where ID=?", {rowIdValue(ids.seriesId)},
                               &rows) ||
        rows.getRowCount() == 0) {
        return Placing::kWaiting;
    }
    // A series filed under an earlier folder rule keeps its folder: the viewer and a deletion
    // find its objects there only.
    const std::string recorded = rows.getValue(0, 0);
    const std::string arrived = record.SeriesFolder;
    if (recorded == arrived) {
        return Placing::kPlaced;
    }
    const int depth = studydb::kSeriesFolderDepth;
    if (!studydb::isRelativeFolder(recorded, depth) ||
        studydb::leadingComponents(recorded, 1) == "reformat") {
        NSUI::debugLog("series folder of the library refused");
        return Placing::kRefused;
    }
    std::error_code error;
    std::filesystem::create_directories(dicomFolder + recorded, error);
    const std::string folder = studydb::folderInside(dicomFolder, recorded, depth);
    if (folder.empty()) {
        return Placing::kRefused;
    }
    std::filesystem::rename(dicomFolder + arrived + record.FileName, folder + "/" + record.FileName,
                            error);
    if (error) {
        return Placing::kRefused;
    }
    dcmSDK::DCM_MESSAGE::setText(record.SeriesFolder, sizeof(record.SeriesFolder),
                                 recorded.c_str());
    studydb::removeEmptyFoldersInside(dicomFolder, arrived, depth);
    return Placing::kPlaced;
}

void dicomDB::fileOverKnownImage(const dcmSDK::DCM_MESSAGE& record, const recordIds& ids) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select file from image where ID=?", {rowIdValue(ids.imageId)},
                               &rows) ||
        rows.getRowCount() == 0) {
        return;
    }
    const std::string held = rows.getValue(0, 0);
    const std::string arrived = record.FileName;
    if (held == arrived || !studydb::isRelativeFolder(held, 1) ||
        !studydb::isRelativeFolder(arrived, 1)) {
        return;
    }
    const std::string folder = dicomFolder + record.SeriesFolder;
    std::error_code error;
    std::filesystem::rename(folder + arrived, folder + held, error);
    if (error) {
        NSUI::debugLog("failed to put a received copy in its image's place");
    }
}

void dicomDB::storeReceivedFile(dicomDBRequest* request, dcmSDK::dcmReader& reader) {
    if (request->message() == nullptr) {
        return;
    }
    auto record = std::make_unique<dcmSDK::DCM_MESSAGE>(*request->message());
    recordIds ids;
    if (!findRecordIds(*record, ids)) {
        NSUI::debugLog("failed to search DB.");
        keepForRetry(std::move(record));
        return;
    }
    const Placing placed = fileIntoRecordedFolder(*record, ids);
    if (placed == Placing::kWaiting) {
        NSUI::debugLog("failed to search DB.");
        keepForRetry(std::move(record));
        return;
    }
    // Kept for the user out of the series folders, so that it holds no start to a reconcile;
    // tried again only while its file is there to be kept.
    if (placed == Placing::kRefused) {
        std::error_code error;
        if (!studydb::StoreReconciler::setAside(dicomFolder, *record) &&
            std::filesystem::exists(dicomFolder + record->SeriesFolder + record->FileName, error)) {
            keepForRetry(std::move(record));
        }
        return;
    }
    if (ids.image) {
        fileOverKnownImage(*record, ids);
        return;
    }
    const recordIds before = ids;
    if (!insertReceivedFile(*record, ids)) {
        NSUI::debugLog("failed to save new dicom record to DB");
        // The record names the folder the file was moved into.
        keepForRetry(std::move(record));
        return;
    }
    request->imageInserted = true;
    request->seriesFolder = record->SeriesFolder;
    request->text = studydb::ReceivedFileJson::describe(*record, before, ids);

    if (!studyListLoaded) {
        return;
    }
    auto rows = std::make_unique<NSUI::NSDBDataModel>();
    if (!before.series) {
        NSUI::NSDBDataModel series;
        NSUI::NSDBDataModel images;
        const NSUI::NSDBValues seriesKey = {rowIdValue(ids.seriesId)};
        if (!connection.getRecords("select series.ID,series.seriesUID,series.date,series.time,"
                                   "seriesDesc,path from series where series.ID=?",
                                   seriesKey, &series) ||
            !connection.getRecords("select image.ID,imageUID,file from series,image where "
                                   "image.seriesID=series.ID and series.ID=?",
                                   seriesKey, &images)) {
            NSUI::debugLog("failed to search DB.");
            return;
        }
        if (series.getRowCount() > 0 && series.getColumnCount(0) >= 6) {
            const std::string path = series.getValue(0, 5);
            rows->addValue(series.getValue(0, 0));
            rows->addValue(series.getValue(0, 2) + " " + series.getValue(0, 3));
            rows->addValue(series.getValue(0, 4));
            rows->addValue(path);
            rows->addIntValue(images.getRowCount());
            studydb::SeriesTags tags;
            if (images.getRowCount() > 0 && images.getColumnCount(0) >= 3 &&
                studydb::SeriesTagReader::read(
                    reader, dicomFolder + path + "/" + images.getValue(0, 2), {}, tags)) {
                rows->addValue(tags.columns);
                rows->addValue(tags.rows);
                rows->addValue(tags.institution);
                rows->addValue(tags.modality);
                rows->addValue(tags.exposure);
                rows->addValue(tags.seriesNumber);
            }
            rows->commitRow();
        }
    }
    request->result = rows.release();
}
