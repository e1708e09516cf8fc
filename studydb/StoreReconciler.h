#pragma once

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/LanguageType.h"

#include <memory>
#include <string>
#include <vector>

class dicomDB;

namespace studydb {

// Brings the study library back in line with its storage folder after a run that did not shut
// down, or that left an acknowledged object without its row: the files on disk are the truth. A
// marker file in the storage folder exists while the library runs and outlives a run whose rows
// fell behind its files, so finding it at start-up means the last run ended unclean.
class StoreReconciler {
public:
    struct Outcome {
        int partialsRemoved = 0;  // the node's never-acknowledged partial files and the
                                  // temporaries of writes cut off in series folders
        int filed = 0;            // stored objects that had no image row
        int notFiled = 0;         // stored objects still without a row (the database refused)
        int setAside = 0;         // stored objects their series' recorded folder cannot take
        int unreadable = 0;       // files in series folders that are no DICOM object
        // The records of the objects not filed, to be filed once the database takes them.
        std::vector<std::unique_ptr<dcmSDK::DCM_MESSAGE>> waiting;
    };

    static bool lastRunEndedUnclean(const std::string& dicomFolder);
    static void markRunning(const std::string& dicomFolder);
    static void markStopped(const std::string& dicomFolder);

    // Empties the node's partial-file folder, removes the temporaries of cut-off writes from the
    // series folders and files every object in a series folder that has
    // no image row, reading texts without Specific Character Set in language. Listings are
    // compared with rows; only files without a row are parsed. An object that can never be filed
    // is set aside. The database must be ready.
    static Outcome reconcile(dicomDB& database, dcmSDK::LanguageType language);

    // Moves the record's file out of the series folders to ".unfiled/" + its series folder +
    // its name in the DICOM folder, where no start files it again, and logs where it went: an
    // object the folder its series records cannot take. False, with the file where it was, when
    // it cannot be moved.
    static bool setAside(const std::string& dicomFolder, const dcmSDK::DCM_MESSAGE& record);
};

}  // namespace studydb
