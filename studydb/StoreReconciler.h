#pragma once

#include "dcmsdk/LanguageType.h"

#include <string>

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
        int unreadable = 0;       // files in series folders that are no DICOM object
    };

    static bool lastRunEndedUnclean(const std::string& dicomFolder);
    static void markRunning(const std::string& dicomFolder);
    static void markStopped(const std::string& dicomFolder);

    // Empties the node's partial-file folder, removes the temporaries of cut-off writes from the
    // series folders and files every object in a series folder that has
    // no image row, reading texts without Specific Character Set in language. Listings are
    // compared with rows; only files without a row are parsed. The database must be ready.
    static Outcome reconcile(dicomDB& database, dcmSDK::LanguageType language);
};

}  // namespace studydb
