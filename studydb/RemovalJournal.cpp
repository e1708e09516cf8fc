#include "studydb/RemovalJournal.h"

#include "toolkit/core/FileRoutines.h"

#include <filesystem>
#include <fstream>

namespace studydb {

namespace {

const char* const kName = ".removing";

std::string pathIn(const std::string& dicomFolder) {
    return dicomFolder + kName;
}

}  // namespace

bool RemovalJournal::write(const std::string& dicomFolder, const std::vector<Entry>& entries) {
    // A series folder's line is followed by its files' lines.
    std::string text;
    for (const Entry& entry : entries) {
        text += "S " + entry.folder + '\n';
        for (const std::string& file : entry.files) {
            text += "F " + file + '\n';
        }
    }
    // Written aside, synced and renamed: a journal is whole or absent, also after a power cut.
    return NSUI::writeStringToFile(pathIn(dicomFolder), text);
}

std::vector<RemovalJournal::Entry> RemovalJournal::read(const std::string& dicomFolder) {
    std::vector<Entry> entries;
    std::ifstream in(pathIn(dicomFolder), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() <= 2 || line[1] != ' ') {
            continue;
        }
        if (line[0] == 'S') {
            entries.push_back(Entry{line.substr(2), {}});
        } else if (line[0] == 'F' && !entries.empty()) {
            entries.back().files.push_back(line.substr(2));
        }
    }
    return entries;
}

void RemovalJournal::clear(const std::string& dicomFolder) {
    std::error_code error;
    std::filesystem::remove(pathIn(dicomFolder), error);
}

std::string RemovalJournal::setAsideName(const std::string& file) {
    return "." + file + ".removed.tmp";
}

}  // namespace studydb
