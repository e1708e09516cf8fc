#include "studydb/RemovalJournal.h"

#include <cstdio>
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
    // Written aside and renamed: a journal is whole or absent.
    const std::string path = pathIn(dicomFolder);
    const std::string partial = path + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        for (const Entry& entry : entries) {
            out << (entry.withPatient ? 'P' : 'S') << ' ' << entry.folder << '\n';
        }
        out.flush();
        if (!out) {
            std::remove(partial.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    return !error;
}

std::vector<RemovalJournal::Entry> RemovalJournal::read(const std::string& dicomFolder) {
    std::vector<Entry> entries;
    std::ifstream in(pathIn(dicomFolder), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 2 && (line[0] == 'P' || line[0] == 'S') && line[1] == ' ') {
            entries.push_back(Entry{line.substr(2), line[0] == 'P'});
        }
    }
    return entries;
}

void RemovalJournal::clear(const std::string& dicomFolder) {
    std::error_code error;
    std::filesystem::remove(pathIn(dicomFolder), error);
}

}  // namespace studydb
