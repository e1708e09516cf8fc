#include "studydb/dicomDB.h"

#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/FolderBuffer.h"
#include "studydb/AppLanguage.h"
#include "studydb/LocalNetwork.h"
#include "studydb/StoreReconciler.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyListRows.h"
#include "studydb/StudyNotifications.h"
#include "studydb/StudyPaths.h"
#include "studydb/StudySchema.h"
#include "studydb/dicomDBRequest.h"
#include "studydb/dicomDBThread.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UILocalConfig.h"

#include <cstdio>
#include <filesystem>

namespace {

const char* const kTitle = "rivodavo";

std::mutex& portMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& nodePort() {
    static std::string port = "4587";
    return port;
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

dicomDB::dicomDB() = default;

dicomDB::~dicomDB() {
    shutdown();
}

void dicomDB::setNodePort(const std::string& port) {
    std::lock_guard<std::mutex> guard(portMutex());
    nodePort() = port;
}

std::string dicomDB::getNodePort() {
    std::lock_guard<std::mutex> guard(portMutex());
    return nodePort();
}

std::string dicomDB::getNodeTitle() {
    return kTitle;
}

bool dicomDB::init() {
    studyListLoaded = false;
    schemaVersion = kSchemaVersion;
    lastSeparatorTime = 0;
    hasSeparator = false;
    isReady = false;
    worker = new dicomDBThread();
    dicomDBThread::Host host;
    host.lock = &dbLock;
    host.ready = [this] { return ready(); };
    host.dicomRoot = [this] { return getDicomRoot(); };
    host.storeReceivedFile = [this](dicomDBRequest* request, dcmSDK::dcmReader& reader) {
        storeReceivedFile(request, reader);
    };
    host.studiesRead = [this] { studyListLoaded = true; };
    worker->setHost(host);
    worker->resultCallback = [this](NSUI::NSThreadRequest* request) { onRequestDone(request); };
    openStorage();
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (const int key : {studydb::NOTIFY_DICOM_FILE_RECEIVED, NSUI::NOTIFY_CAPTURE_SAVED,
                          isImageSDK::NOTIFY_FAVORITE_SAVED, studydb::NOTIFY_FAVORITE_TEXT_NOTE,
                          studydb::NOTIFY_FAVORITE_VOICE_NOTE}) {
        centre()->addObserver(this, nullptr, handler, key);
    }
    newFavoriteCount = 0;
    return true;
}

void dicomDB::shutdown() {
    // Nothing a sender was told is stored may be lost: the node stops first, then the files it
    // already announced are queued and filed, and only then the worker stops.
    server.StopDicomServer();
    if (worker != nullptr) {
        centre()->deliverPendingTo(this, studydb::NOTIFY_DICOM_FILE_RECEIVED);
        worker->waitUntilIdle();
        stopThreadAndWait(worker);
        worker = nullptr;
    }
    centre()->removeObserver(this);
    {
        std::lock_guard<std::mutex> guard(heldMutex);
        holding = false;
        held.clear();
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    // Opening nothing closes the connection.
    connection.openDatabase(nullptr);
    isReady = false;
    markStopped();
    libraryLock.release();
}

void dicomDB::setFavoriteAddedHandler(const std::function<void()>& handler) {
    favoriteAdded = handler;
}

void dicomDB::makeDataPaths() {
    std::string base = cocos2d::FileUtils::getInstance()->getWritablePath();
    if (base.empty()) {
        base = (std::filesystem::temp_directory_path() / "brimvale").string() + "/";
    }
    dataRoot = base + "qn" + "/";
    dicomFolder = dataRoot + "dicom" + "/";
    const std::string chosen = NSUI::getEncodedUserDefault("app_dicom_path", "");
    if (!chosen.empty()) {
        dicomFolder = chosen.back() == '/' ? chosen : chosen + "/";
    }
    // The folder keeps the lock file; what goes inside it waits for the lock.
    std::error_code error;
    if (!std::filesystem::is_directory(dicomFolder, error)) {
        std::filesystem::create_directories(dicomFolder, error);
        NSUI::debugLog(NSUI::formatString("dicom folder:%s", dicomFolder.c_str()).c_str());
    }
}

std::string dicomDB::getDicomRoot() const {
    return server.getRoot();
}

std::string dicomDB::getDataRoot() const {
    return dataRoot;
}

void dicomDB::closeDatabase() {
    {
        std::lock_guard<std::mutex> guard(heldMutex);
        holding = true;
    }
    server.StopDicomServer();
    if (worker != nullptr) {
        centre()->deliverPendingTo(this, studydb::NOTIFY_DICOM_FILE_RECEIVED);
        worker->waitUntilIdle();
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    isReady = false;
    connection.openDatabase(nullptr);
    markStopped();
    // The lock stays through the move: another copy started meanwhile would take the library
    // the mover is about to remove. Reopening at the new place lets go of it.
}

void dicomDB::reopenDatabase() {
    bool opened = false;
    if (!lockLibrary()) {
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(dbLock);
        opened = openDatabase(dicomFolder);
        if (!opened) {
            NSUI::debugLog("failed to create dicomdb");
        }
        isReady = opened;
        if (opened) {
            studydb::StoreReconciler::markRunning(dicomFolder);
        }
    }
    if (!opened) {
        return;
    }
    std::vector<cocos2d::RefPtr<dicomDBRequest>> waiting;
    {
        std::lock_guard<std::mutex> guard(heldMutex);
        holding = false;
        waiting.swap(held);
    }
    for (const auto& request : waiting) {
        queue(request.get(), request->type == dicomDBRequest::kStudies);
    }
}

void dicomDB::openStorage() {
    makeDataPaths();
    // Nothing of the library is read or written before it is this process's own.
    if (!lockLibrary()) {
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(dbLock);
        if (openDatabase(dicomFolder)) {
            isReady = true;
        } else {
            NSUI::debugLog("failed to create dicomdb");
        }
    }
    std::string host;
    std::string addresses;
    studydb::LocalNetwork::getNetworkInfo(host, addresses);
    if (host.empty()) {
        host = "Win32";
    }
    if (isReady) {
        std::lock_guard<std::recursive_mutex> guard(dbLock);
        finishInterruptedRemoval();
    }
    // Before the node takes new files: what an unclean end left unfiled is filed now.
    if (isReady && studydb::StoreReconciler::lastRunEndedUnclean(dicomFolder)) {
        auto outcome = studydb::StoreReconciler::reconcile(*this, studydb::currentLanguage());
        NSUI::debugLog(NSUI::formatString("store reconciled: %d filed, %d not filed, %d set "
                                          "aside, %d partial files removed",
                                          outcome.filed, outcome.notFiled, outcome.setAside,
                                          outcome.partialsRemoved)
                           .c_str());
        // What the database refused (a full disk) is filed once it takes them, in this run.
        for (auto& record : outcome.waiting) {
            keepForRetry(std::move(record));
        }
    } else if (!isReady) {
        keepUnfiledOnRecord();
    }
    studydb::StoreReconciler::markRunning(dicomFolder);
    const std::string port = getNodePort();
    server.setLanguage(studydb::currentLanguage());
    server.setPort(host.c_str(), port.c_str(), kTitle);
    server.setRoot(dicomFolder.c_str());
    server.BeginDicomServer();
    worker->setConnection(&connection);
}

bool dicomDB::openDatabase(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.openDatabase((folder + "dicomDB").c_str())) {
        NSUI::debugLog("failed to create dicomdb");
        return false;
    }
    return studydb::StudySchema::open(connection, kSchemaVersion);
}

bool dicomDB::queue(dicomDBRequest* request, bool toFront) {
    if (worker == nullptr) {
        return false;
    }
    // Reads wait from the start of a close, received files only once it is closed: those the
    // node announced before the close are still filed in the folder they were stored in.
    if (!isReady || request->type != dicomDBRequest::kReceivedFile) {
        std::lock_guard<std::mutex> guard(heldMutex);
        if (holding) {
            held.push_back(cocos2d::RefPtr<dicomDBRequest>::retained(request));
            return true;
        }
        if (!isReady) {
            return false;
        }
    }
    if (!worker->addRequest(request)) {
        return false;
    }
    if (toFront) {
        worker->moveRequestToFront(request->requestId);
    }
    return true;
}

void dicomDB::requestPatients(const std::function<void(NSUI::NSDBDataModel*)>& callback) {
    cocos2d::RefPtr<dicomDBRequest> request(new dicomDBRequest());
    request->type = dicomDBRequest::kPatients;
    request->callback = callback;
    request->requestId = dicomDBRequest::keyFor("db");
    queue(request.get(), false);
}

void dicomDB::requestStudies(const std::function<void(NSUI::NSDBDataModel*)>& callback,
                             const std::string& patientId, void* owner) {
    if (patientId.empty()) {
        return;
    }
    cocos2d::RefPtr<dicomDBRequest> request(new dicomDBRequest());
    request->type = dicomDBRequest::kStudies;
    request->callback = callback;
    request->text = patientId;
    request->owner = owner;
    request->requestId = dicomDBRequest::keyFor(patientId);
    queue(request.get(), true);
}

void dicomDB::requestFavorites(const std::function<void(NSUI::NSDBDataModel*)>& callback) {
    cocos2d::RefPtr<dicomDBRequest> request(new dicomDBRequest());
    request->type = dicomDBRequest::kFavorites;
    request->callback = callback;
    queue(request.get(), false);
}

void dicomDB::detachRequestOwner(void* list) {
    if (worker != nullptr && list != nullptr) {
        worker->detachOwner(list);
    }
}

void dicomDB::onRequestDone(NSUI::NSThreadRequest* done) {
    auto* request = dynamic_cast<dicomDBRequest*>(done);
    if (request == nullptr) {
        return;
    }
    NSUI::NSDBDataModel* rows = request->result;
    request->result = nullptr;
    if (request->cancelled) {
        delete rows;
        return;
    }
    if (request->type == dicomDBRequest::kReceivedFile) {
        if (request->imageInserted) {
            clearSeriesCaches(request->seriesFolder);
        }
        if (request->text.empty()) {
            delete rows;
            return;
        }
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = request->text;
        centre()->postNotification(this, studydb::NOTIFY_DB_PATIENTS_READY, data, nullptr, true);
        if (rows != nullptr) {
            cocos2d::RefPtr<studydb::StudyListRows> listRows(
                new studydb::StudyListRows(std::move(*rows)));
            delete rows;
            auto* listData = NSUI::NSNotificationData::create();
            listData->stringValue = request->text;
            listData->setObject(listRows.get());
            centre()->postNotification(this, studydb::NOTIFY_DB_STUDIES_READY, listData, nullptr,
                                       true);
        }
        return;
    }
    // A studies request answers its attached owner even with no rows, so that a list waiting
    // for it stops waiting, and so does a favourites request, so that an empty notebook shows
    // its placeholder; the other requests answer only with rows.
    const bool studies = request->type == dicomDBRequest::kStudies;
    const bool always = studies || request->type == dicomDBRequest::kFavorites;
    const bool wanted = !studies || request->owner.load() != nullptr;
    if (wanted && rows != nullptr && request->callback && (always || rows->getRowCount() > 0)) {
        request->callback(rows);
    }
    delete rows;
}

void dicomDB::clearSeriesCaches(const std::string& relativeFolder) {
    if (!studydb::isRelativeFolder(relativeFolder, studydb::kSeriesFolderDepth)) {
        return;
    }
    const std::string folder =
        dicomFolder + studydb::leadingComponents(relativeFolder, studydb::kSeriesFolderDepth);
    isImageSDK::removeFolderBufferRelative(folder);
    // Looked up first: an unlink takes the folder's lock even for a missing file, and the node is
    // writing into this folder.
    std::error_code error;
    for (int i = 0; i <= 5; ++i) {
        const std::string thumbnail = folder + "/thrumb" + std::to_string(i);
        if (std::filesystem::exists(thumbnail, error)) {
            std::remove(thumbnail.c_str());
        }
    }
}

void dicomDB::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    switch (key) {
    case studydb::NOTIFY_DICOM_FILE_RECEIVED:
        queueReceivedFile(studydb::StoredFileRecord::from(data));
        return;
    case NSUI::NOTIFY_CAPTURE_SAVED:
        addCaptureFavorite(data->stringValue);
        return;
    case isImageSDK::NOTIFY_FAVORITE_SAVED:
        addDicomFavorite(data->stringValue, data->intValue, data->floatValue);
        return;
    case studydb::NOTIFY_FAVORITE_TEXT_NOTE:
        insertTextNote(data->stringValue);
        return;
    case studydb::NOTIFY_FAVORITE_VOICE_NOTE:
        insertVoiceNote(data->intValue, data->stringValue);
        return;
    default:
        return;
    }
}

void dicomDB::queueReceivedFile(studydb::StoredFileRecord* record) {
    // The notification keeps the record alive for the call; the request takes a reference.
    if (record == nullptr) {
        return;
    }
    if (!isReady) {
        keepUnfiledOnRecord();
        return;
    }
    cocos2d::RefPtr<dicomDBRequest> request(new dicomDBRequest());
    request->type = dicomDBRequest::kReceivedFile;
    request->setRecord(record);
    request->requestId = dicomDBRequest::keyFor(record->message().SeriesFolder);
    if (!queue(request.get(), false)) {
        keepUnfiledOnRecord();
    }
}

bool dicomDB::lockLibrary() {
    long holder = 0;
    const bool locked = libraryLock.acquire(dicomFolder, holder);
    libraryHolder.store(locked ? 0 : (holder > 0 ? holder : -1));
    if (!locked) {
        // An empty root: imports, reformats and retrievals of this process have nowhere to go.
        server.setRoot(nullptr);
        NSUI::debugLog(
            NSUI::formatString("library %s is in use by process %ld", dicomFolder.c_str(), holder)
                .c_str());
        return false;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(dicomFolder + "reformat", error)) {
        std::filesystem::create_directories(dicomFolder + "reformat", error);
    }
    server.setRoot(dicomFolder.c_str());
    return true;
}

std::string dicomDB::libraryRefusal() const {
    const long holder = libraryHolder.load();
    if (holder == 0) {
        return std::string();
    }
    return holder > 0 ? NSUI::formatString("The library is in use by another copy of the program "
                                           "(process %ld)",
                                           holder)
                      : std::string("The library is in use by another copy of the program");
}

void dicomDB::keepUnfiledOnRecord() {
    receivedUnfiled.store(true);
}

void dicomDB::keepForRetry(std::unique_ptr<dcmSDK::DCM_MESSAGE> record) {
    cocos2d::RefPtr<studydb::StoredFileRecord> kept(
        new studydb::StoredFileRecord(std::move(record)));
    std::lock_guard<std::mutex> guard(retryMutex);
    retryRecords.push_back(std::move(kept));
}

void dicomDB::retryUnfiled() {
    std::vector<cocos2d::RefPtr<studydb::StoredFileRecord>> waiting;
    {
        std::lock_guard<std::mutex> guard(retryMutex);
        if (!isReady) {
            return;
        }
        waiting.swap(retryRecords);
    }
    // One that fails again comes back to the list from the worker.
    for (const auto& record : waiting) {
        queueReceivedFile(record.get());
    }
}

void dicomDB::markStopped() {
    // The marker makes the next start file what is on disk without a row, whatever this run's
    // end: the node told its senders these objects are stored and they will not send them again.
    bool retrying = false;
    {
        std::lock_guard<std::mutex> guard(retryMutex);
        retrying = !retryRecords.empty();
    }
    if (!dicomFolder.empty() && libraryLock.owns() && !receivedUnfiled.load() && !retrying) {
        studydb::StoreReconciler::markStopped(dicomFolder);
    }
}
