#pragma once

#include <string>
#include <vector>

namespace studydb {

// The series folders of one deletion, written beside the database before the deletion's rows
// are committed and cleared once the folders are gone. A run that ends in between leaves it, so
// the next start finishes the removal instead of filing the folders' files again as new.
class RemovalJournal {
public:
    struct Entry {
        std::string folder;  // relative to the DICOM folder
        bool withPatient = false;
    };

    // False when the journal cannot be written; the deletion must not be committed then.
    static bool write(const std::string& dicomFolder, const std::vector<Entry>& entries);
    // The entries of a journal left behind; empty when there is none.
    static std::vector<Entry> read(const std::string& dicomFolder);
    static void clear(const std::string& dicomFolder);
};

}  // namespace studydb
