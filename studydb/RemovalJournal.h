#pragma once

#include <string>
#include <vector>

namespace studydb {

// The files of one deletion, by series folder, written beside the database before the deletion's
// rows are committed and cleared once every file is set aside. A run that ends in between leaves
// it, so the next start finishes the removal instead of filing the files again as new.
class RemovalJournal {
public:
    struct Entry {
        std::string folder;  // the series folder, relative to the DICOM folder
        // The names of the files whose rows the deletion removed; files received into the
        // folder since are not the deletion's.
        std::vector<std::string> files;
    };

    // False when the journal cannot be written; the deletion must not be committed then. A
    // written journal has reached the disk.
    static bool write(const std::string& dicomFolder, const std::vector<Entry>& entries);
    // The entries of a journal left behind; empty when there is none.
    static std::vector<Entry> read(const std::string& dicomFolder);
    static void clear(const std::string& dicomFolder);
    // The hidden name a listed file is renamed to before the journal is cleared. The node may
    // store a new copy of the object under the freed name at once; beside a set-aside file, that
    // name is the new copy's. A start removes what a cut-off run left under it.
    static std::string setAsideName(const std::string& file);
};

}  // namespace studydb
