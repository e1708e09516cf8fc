#pragma once

#include "dcmsdk/dcmServer.h"
#include "engine/base/Ref.h"
#include "engine/base/RefPtr.h"
#include "studydb/LibraryLock.h"
#include "studydb/RemovalJournal.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dcmSDK {
class dcmReader;
struct DCM_MESSAGE;
}  // namespace dcmSDK

namespace studydb {
class StoredFileRecord;
}

namespace NSUI {
class NSNotificationData;
class NSThreadRequest;
}  // namespace NSUI

class dicomDBRequest;
class dicomDBThread;

// One row of the neighbour table: a peer that answered or announced itself.
struct neighborInfo {
    int id = -1;
    int device = 2;
    std::string lastTime;
    // Local time of the last successful contact.
    std::string wifi;
    int saveType = 3;
    std::string ip;
    std::string port = "4587";
    std::string name;
    unsigned char selected = 0;
    std::string appid;
};

// What the database already holds of one received file.
struct recordIds {
    bool patient = false;
    bool study = false;
    bool series = false;
    bool image = false;
    std::string patientId;
    std::string studyId;
    std::string seriesId;
    std::string imageId;
    std::string patientUpdateTime;
};

// The local study library: the SQLite file "dicomDB" inside the DICOM folder, the series folders
// below it and the storage node that fills them. Every operation takes the one recursive
// database lock. Its sources follow its seams: life cycle and requests (dicomDB.cpp), synchronous
// reads and deletes (dicomDBQueries.cpp), neighbours (dicomDBNeighbors.cpp), received-file
// filing (dicomDBFiling.cpp) and favourites and notes (dicomDBFavorites.cpp); the schema lives
// in StudySchema, the announcement text in ReceivedFileJson, tag reading in SeriesTagReader.
class dicomDB : public cocos2d::Ref, public NSUI::NSThreadSafeDestroy {
public:
    static const int kSchemaVersion = 4;

    dicomDB();
    ~dicomDB() override;

    virtual bool init();
    virtual void shutdown();

    // The port the storage node listens on ("4587"); set before init.
    static void setNodePort(const std::string& port);
    static std::string getNodePort();
    // The storage node's AE title.
    static std::string getNodeTitle();

    void makeDataPaths();
    std::string getDicomRoot() const;
    std::string getDataRoot() const;
    // Closes the library for a move of its folder: the storage node stops, the files it
    // announced are filed, then the connection closes under the lock. The library folder's lock
    // stays held. Requests made while it is closed are held and run once reopenDatabase has
    // opened it again.
    void closeDatabase();
    // Opens the database of the current folder and runs the requests held while it was closed.
    void reopenDatabase();
    bool openDatabase(const std::string& folder);

    // Rows (instanceID, file) ordered by instance number as a number.
    void getSeriesImages(NSUI::NSDBDataModel* out, const std::string& seriesId);
    bool deleteSeries(const std::string& seriesId);
    bool deletePatient(const std::string& patientId);
    bool deleteFavorite(int favoriteId);
    bool patientExists(const std::string& patientId);
    int getMaxId(const std::string& table, const std::string& column);
    void saveNeighbor(int device, const std::string& name, const std::string& ip,
                      const std::string& port, const std::string& appid);
    // Most recently contacted first.
    void getNeighbors(std::vector<neighborInfo>& out);
    void setNeighborWifi(const std::string& appid);

    // Requests answered on the worker; the callback runs on the main thread with rows that live
    // for the call only. Dropped while the database is not ready. The patients and favourites
    // callbacks run only with rows; a studies callback runs, empty model included, while its
    // owner is attached.
    void requestPatients(const std::function<void(NSUI::NSDBDataModel*)>& callback);
    void requestStudies(const std::function<void(NSUI::NSDBDataModel*)>& callback,
                        const std::string& patientId, void* owner);
    void requestFavorites(const std::function<void(NSUI::NSDBDataModel*)>& callback);
    void detachRequestOwner(void* list);
    void onRequestDone(NSUI::NSThreadRequest* request);

    // Called on the main thread after every capture or favourite DICOM file offered to the
    // favourites, stored or not; the owner gives the user feedback.
    void setFavoriteAddedHandler(const std::function<void()>& handler);

    // Received files and favourites.
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    bool findRecordIds(const dcmSDK::DCM_MESSAGE& record, recordIds& ids);
    bool insertReceivedFile(const dcmSDK::DCM_MESSAGE& record, recordIds& ids);
    // What became of a received file against the folder its series row records.
    enum class Placing {
        kPlaced,   // it lies in that folder (or its series is new) and the record names it
        kWaiting,  // the database did not answer; the file is where it arrived
        kRefused,  // that folder cannot take it, nor will while the row stands
    };
    // A file of a series the library holds is moved into the folder its series row records, and
    // the record names that folder.
    Placing fileIntoRecordedFolder(dcmSDK::DCM_MESSAGE& record, const recordIds& ids);
    // A copy of an image the library holds, which arrived beside its row's file in the folder
    // the record names (once placed), takes that file's place: the row names the newest copy
    // and none stays beside it.
    void fileOverKnownImage(const dcmSDK::DCM_MESSAGE& record, const recordIds& ids);
    // The worker's part of a received file (database lock held by the caller).
    void storeReceivedFile(dicomDBRequest* request, dcmSDK::dcmReader& reader);
    int insertFavorite();
    int insertImageFavorite(const std::string& path, float ratio);
    int insertDicomFavorite(const std::string& path, float scale);
    int insertTextNote(const std::string& text);
    int insertVoiceNote(int seconds, const std::string& path);

    std::recursive_mutex& getLock() { return dbLock; }
    NSUI::NSDBUtil& getConnection() { return connection; }
    dcmSDK::dcmServer& getServer() { return server; }
    bool ready() const { return isReady.load(); }
    // Files again what the database could not take when it arrived (a full disk): the worker
    // files each now, or keeps it for the next call. The service calls it every second.
    void retryUnfiled();
    // Another process holds the library folder's lock: its process id, -1 when unknown; 0 while
    // the library is this process's own.
    long libraryInUseBy() const { return libraryHolder.load(); }
    // The user's text for why the library is not this process's ("" while it is): imports,
    // reformats and retrievals refuse with it.
    std::string libraryRefusal() const;

    std::atomic<int> newFavoriteCount{0};
    std::atomic<bool> studyListLoaded{false};

protected:
    void openStorage();

    std::string dicomFolder;
    std::string dataRoot;
    NSUI::NSDBUtil connection;
    dcmSDK::dcmServer server;
    std::recursive_mutex dbLock;
    dicomDBThread* worker = nullptr;
    std::atomic<bool> isReady{false};
    int schemaVersion = kSchemaVersion;
    // Monotonic microseconds of the last accepted time separator.
    std::int64_t lastSeparatorTime = 0;
    bool hasSeparator = false;

private:
    bool queue(dicomDBRequest* request, bool toFront);
    // Renames the entry's files to their set-aside names. Replaying a journal, a file is left
    // alone while its set-aside file is there: the deletion's own went aside before the run ended.
    void setAsideSeriesFiles(const studydb::RemovalJournal::Entry& entry, bool replaying);
    // Removes the series' thumbnails, temporaries and set-aside files, then the series, study and
    // patient folders as far as they are empty.
    void removeSeriesFiles(const studydb::RemovalJournal::Entry& entry);
    // Commits the deletion begun on the connection once its folders are journaled; false (and
    // rolled back) when either fails.
    bool commitRemoval(const std::vector<studydb::RemovalJournal::Entry>& entries);
    // Sets the journaled files aside, clears the journal, then removes them.
    void removeJournaled(const std::vector<studydb::RemovalJournal::Entry>& entries,
                         bool replaying);
    // Completes a removal that an earlier run committed but did not finish.
    void finishInterruptedRemoval();
    void clearSeriesCaches(const std::string& relativeFolder);
    void onFavoriteAdded();
    void queueReceivedFile(studydb::StoredFileRecord* record);
    void addCaptureFavorite(const std::string& path);
    void addDicomFavorite(const std::string& path, int mode, float scale);
    // Inserts a favourite row with the next ID: type, message, image and scale text.
    bool insertFavoriteRow(int type, const std::string& message, const std::string& image,
                           const NSUI::NSDBValue& scale, int& id);

    // Takes the library folder's lock and then sets the library's root; false, with no root and
    // nothing opened, when another process has it.
    bool lockLibrary();
    // Marks the run unclean for good: a stored object announced by the node has no row.
    void keepUnfiledOnRecord();
    // An announced object the database refused is filed again by retryUnfiled; until then the
    // run stays unclean, so that a start files it from the folder. The record names where its
    // file is.
    void keepForRetry(std::unique_ptr<dcmSDK::DCM_MESSAGE> record);
    // Ends the run's marker unless an announced object is still without its row.
    void markStopped();

    std::function<void()> favoriteAdded;
    // An acknowledged object has no image row yet; the next start files it from the folder.
    std::atomic<bool> receivedUnfiled{false};
    std::mutex retryMutex;
    std::vector<cocos2d::RefPtr<studydb::StoredFileRecord>> retryRecords;
    studydb::LibraryLock libraryLock;
    std::atomic<long> libraryHolder{0};
    // Requests made while the connection was closed for a move.
    std::mutex heldMutex;
    std::vector<cocos2d::RefPtr<dicomDBRequest>> held;
    bool holding = false;
};
