#include "studydb/dicomDBThread.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "engine/base/Base64.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "studydb/DottedDate.h"
#include "studydb/RowId.h"
#include "studydb/SeriesTagReader.h"
#include "studydb/dicomDBRequest.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSDBUtil.h"

#include <memory>
#include <mutex>
#include <vector>

void dicomDBThread::setHost(const Host& host) {
    host_ = host;
}

void dicomDBThread::setConnection(NSUI::NSDBUtil* connection) {
    connection_ = connection;
}

void dicomDBThread::detachOwner(void* list) {
    // Released after the locks: a last reference may end a request.
    std::vector<cocos2d::RefPtr<dicomDBRequest>> gathered;
    {
        std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
        std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
        std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
        const auto gather = [&gathered](NSUI::NSThreadRequest* request) {
            if (auto* dbRequest = dynamic_cast<dicomDBRequest*>(request)) {
                gathered.push_back(cocos2d::RefPtr<dicomDBRequest>::retained(dbRequest));
            }
        };
        if (requests != nullptr) {
            for (NSUI::NSThreadRequest* request : *requests) {
                gather(request);
            }
        }
        if (results != nullptr) {
            for (NSUI::NSThreadRequest* request : *results) {
                gather(request);
            }
        }
        if (running != nullptr) {
            gather(running);
        }
        for (const cocos2d::RefPtr<dicomDBRequest>& request : gathered) {
            void* expected = list;
            request->owner.compare_exchange_strong(expected, nullptr);
        }
    }
}

void dicomDBThread::process(NSUI::NSThreadRequest* request) {
    if (auto* dbRequest = dynamic_cast<dicomDBRequest*>(request)) {
        run(dbRequest);
    }
}

void dicomDBThread::run(dicomDBRequest* request) {
    if (host_.lock == nullptr || connection_.load() == nullptr) {
        return;
    }
    if (request->type == dicomDBRequest::kReceivedFile && !(host_.ready && host_.ready())) {
        request->setRecord(nullptr);
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(*host_.lock);
    auto rows = std::make_unique<NSUI::NSDBDataModel>();
    switch (request->type) {
    case dicomDBRequest::kReceivedFile:
        if (host_.storeReceivedFile) {
            host_.storeReceivedFile(request, reader_);
        }
        return;
    case dicomDBRequest::kPatients:
        if (!readPatients(*rows)) {
            NSUI::debugLog("failed to search DB.");
            rows->clear();
        }
        break;
    case dicomDBRequest::kStudies:
        if (!readStudies(request->text, *rows)) {
            NSUI::debugLog("failed to search DB.");
            rows->clear();
        }
        if (host_.studiesRead) {
            host_.studiesRead();
        }
        break;
    case dicomDBRequest::kFavorites:
        readFavorites(*rows);
        break;
    default:
        return;
    }
    delete request->result;
    request->result = rows.release();
}

bool dicomDBThread::readPatients(NSUI::NSDBDataModel& rows) {
    NSUI::NSDBUtil* connection = connection_.load();
    NSUI::NSDBDataModel patients;
    if (!connection->getRecords("select ID,patientIDHospital,name,birthday,sex,updateTime from "
                                "patient order by updateTime desc",
                                &patients)) {
        return false;
    }
    for (int i = 0; i < patients.getRowCount(); ++i) {
        if (patients.getColumnCount(i) < 6) {
            continue;
        }
        long long patient = 0;
        if (!studydb::parseRowId(patients.getValue(i, 0), patient)) {
            continue;
        }
        const std::string id = std::to_string(patient);
        const NSUI::NSDBValues key = {patient};
        NSUI::NSDBDataModel series;
        if (!connection->getRecords(
                "select series.updateTime,series.studyDesc,path from patient,study,series where "
                "patient.ID=study.patientID and study.ID=series.studyID and patient.ID=? order "
                "by series.updateTime",
                key, &series)) {
            return false;
        }
        if (series.getRowCount() == 0 || series.getColumnCount(0) < 3) {
            continue;
        }
        NSUI::NSDBDataModel studies;
        NSUI::NSDBDataModel seriesCount;
        NSUI::NSDBDataModel images;
        if (!connection->getRecords("select count() from patient,study where "
                                    "patient.ID=study.patientID and patient.ID=?",
                                    key, &studies) ||
            !connection->getRecords("select count() from patient,study,series where "
                                    "patient.ID=study.patientID and study.ID=series.studyID and "
                                    "patient.ID=?",
                                    key, &seriesCount) ||
            !connection->getRecords("select count() from patient,study,series,image where "
                                    "patient.ID=study.patientID and study.ID=series.studyID and "
                                    "image.seriesID=series.ID and patient.ID=?",
                                    key, &images)) {
            return false;
        }
        const auto count = [](const NSUI::NSDBDataModel& model) {
            return model.getRowCount() > 0 && model.getColumnCount(0) > 0 ? model.getValue(0, 0)
                                                                          : std::string("0");
        };
        rows.addValue(id);
        rows.addValue(patients.getValue(i, 1));
        rows.addValue(patients.getValue(i, 2));
        rows.addValue(studydb::dottedDate(patients.getValue(i, 3)));
        rows.addValue(patients.getValue(i, 4));
        rows.addValue(patients.getValue(i, 5));
        rows.addValue(series.getValue(0, 0));
        rows.addValue(series.getValue(0, 1));
        rows.addValue(series.getValue(0, 2));
        rows.addValue(count(studies));
        rows.addValue(count(seriesCount));
        rows.addValue(count(images));
        rows.commitRow();
    }
    return true;
}

bool dicomDBThread::readStudies(const std::string& patientId, NSUI::NSDBDataModel& rows) {
    long long patient = 0;
    if (!studydb::parseRowId(patientId, patient)) {
        return false;
    }
    NSUI::NSDBUtil* connection = connection_.load();
    NSUI::NSDBDataModel studies;
    if (!connection->getRecords("select ID,patientID,studyIDHospital,date,time,studyDesc from "
                                "study where patientID=? order by updateTime desc",
                                {patient}, &studies)) {
        return false;
    }
    const std::string root = host_.dicomRoot ? host_.dicomRoot() : std::string();
    for (int i = 0; i < studies.getRowCount(); ++i) {
        if (studies.getColumnCount(i) < 6) {
            continue;
        }
        long long study = 0;
        if (!studydb::parseRowId(studies.getValue(i, 0), study)) {
            continue;
        }
        rows.addValue("study");
        rows.addValue(studies.getValue(i, 0));
        rows.addValue(studies.getValue(i, 1));
        rows.addValue(studies.getValue(i, 2));
        rows.addValue(studydb::dottedDate(studies.getValue(i, 3)));
        rows.addValue(studies.getValue(i, 5));
        rows.commitRow();
        NSUI::NSDBDataModel series;
        if (!connection->getRecords("select series.ID,series.seriesUID,series.date,series.time,"
                                    "seriesDesc,path from study,series where "
                                    "study.ID=series.studyID and study.ID=?",
                                    {study}, &series)) {
            return false;
        }
        for (int s = 0; s < series.getRowCount(); ++s) {
            if (series.getColumnCount(s) < 6) {
                continue;
            }
            long long seriesId = 0;
            if (!studydb::parseRowId(series.getValue(s, 0), seriesId)) {
                continue;
            }
            NSUI::NSDBDataModel images;
            if (!connection->getRecords("select image.ID,imageUID,file from series,image where "
                                        "image.seriesID=series.ID and series.ID=?",
                                        {seriesId}, &images)) {
                return false;
            }
            if (images.getRowCount() == 0 || images.getColumnCount(0) < 3) {
                continue;
            }
            const std::string path = series.getValue(s, 5);
            studydb::SeriesTags tags;
            if (!studydb::SeriesTagReader::read(reader_, root + path + "/" + images.getValue(0, 2),
                                                {"Unknown Institution", "Unknown"}, tags) ||
                !tags.hasColumns || !tags.hasRows) {
                continue;
            }
            rows.addValue(series.getValue(s, 0));
            rows.addValue(patientId);
            rows.addValue(series.getValue(s, 2) + " " + series.getValue(s, 3));
            rows.addValue(series.getValue(s, 4));
            rows.addValue(path);
            rows.addIntValue(images.getRowCount());
            rows.addValue(tags.columns);
            rows.addValue(tags.rows);
            rows.addValue(tags.institution);
            rows.addValue(tags.modality);
            rows.addValue(tags.exposure);
            rows.addValue(tags.seriesNumber);
            rows.commitRow();
        }
    }
    return true;
}

// Oldest first; rows of the same second keep the order they were written in (a separator before
// its note). Rows without a file keep an empty image.
void dicomDBThread::readFavorites(NSUI::NSDBDataModel& rows) {
    NSUI::NSDBUtil* connection = connection_.load();
    NSUI::NSDBDataModel favorites;
    if (!connection->getRecords("select ID,type,message,icon,image,updateTime,scale from favorite "
                                "where valid=1 order by updateTime asc, ID asc",
                                &favorites)) {
        rows.clear();
        return;
    }
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    for (int i = 0; i < favorites.getRowCount(); ++i) {
        if (favorites.getColumnCount(i) != 7) {
            continue;
        }
        const std::string type = favorites.getValue(i, 1);
        const std::string message = favorites.getValue(i, 2);
        rows.addValue(favorites.getValue(i, 0));
        rows.addValue(type);
        rows.addValue(type == "5" ? cocos2d::safeBase64DecodeString(message) : message);
        rows.addValue(favorites.getValue(i, 3));
        const std::string image = favorites.getValue(i, 4);
        rows.addValue(image.empty() ? image : writable + image);
        rows.addValue(favorites.getValue(i, 5));
        rows.addValue(favorites.getValue(i, 6));
        rows.commitRow();
    }
}
