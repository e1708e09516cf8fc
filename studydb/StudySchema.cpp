#include "studydb/StudySchema.h"

#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/TextRoutines.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace studydb {

namespace {

const char* const kVersionStatement =
    "create table version (ID integer primary key autoincrement,version integer);";

// The lookups from a patient down to its images: without them every per-patient count scans
// whole tables, and a library of thousands of patients takes minutes to list.
const char* const kIndexStatements[] = {
    "create index if not exists studyPatient on study(patientID);",
    "create index if not exists seriesStudy on series(studyID);",
    "create index if not exists imageSeries on image(seriesID);",
};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string columnName(const std::string& definition) {
    return definition.substr(0, definition.find(' '));
}

}  // namespace

const std::vector<StudySchema::Table>& StudySchema::tables() {
    static const std::vector<Table> list = {
        {"patient",
         "create table patient (ID integer primary key autoincrement,name TEXT,sex  TEXT,birthday "
         "TEXT,patientIDHospital TEXT,updateTime TEXT);"},
        {"study",
         "create table study (ID integer primary key autoincrement,patientID integer,studyUID "
         "TEXT,studyIDHospital TEXT,studyDesc TEXT,date TEXT,time TEXT,updateTime TEXT);"},
        {"series",
         "create table series (ID integer primary key autoincrement,studyID integer,seriesUID "
         "TEXT,date TEXT,time TEXT,studyDesc,SeriesDesc TEXT,updateTime TEXT,path TEXT);"},
        {"image",
         "create table image (ID integer primary key autoincrement,seriesID integer,imageUID "
         "TEXT,instanceID TEXT,file TEXT);"},
        {"neighbor",
         "create table neighbor (ID integer primary key autoincrement,device integer,ip TEXT,port "
         "TEXT,name TEXT,saveType integer,lastTime TEXT,wifi TEXT,appid TEXT);"},
        {"favorite",
         "create table favorite (ID integer primary key autoincrement,type integer,message "
         "TEXT,icon TEXT,image TEXT,valid integer,updateTime datetime,scale float);"},
        {"favoriteDetail",
         "create table favoriteDetail (ID integer primary key autoincrement,type integer,message "
         "TEXT,icon TEXT,image TEXT,valid integer,updateTime datetime,scale float,favoriteID "
         "integer not null);"},
    };
    return list;
}

std::vector<std::string> StudySchema::columnDefinitions(const std::string& statement) {
    std::vector<std::string> definitions;
    const std::size_t open = statement.find('(');
    const std::size_t close = statement.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close <= open) {
        return definitions;
    }
    std::vector<std::string> pieces;
    NSUI::splitString(statement.substr(open + 1, close - open - 1), ",", pieces);
    for (const std::string& piece : pieces) {
        const std::string definition = trimmed(piece);
        if (!definition.empty()) {
            definitions.push_back(definition);
        }
    }
    return definitions;
}

bool StudySchema::addMissingColumns(NSUI::NSDBUtil& connection, const Table& table) {
    NSUI::NSDBDataModel columns;
    if (!connection.getRecords(std::string("select name from pragma_table_info(?)"), {table.name},
                               &columns)) {
        return false;
    }
    std::set<std::string> present;
    for (int i = 0; i < columns.getRowCount(); ++i) {
        present.insert(lowered(columns.getValue(i, 0)));
    }
    for (const std::string& definition : columnDefinitions(table.statement)) {
        if (present.count(lowered(columnName(definition))) != 0) {
            continue;
        }
        const std::string lower = lowered(definition);
        // A key column cannot be added to a table that has rows; such a table stays as it is.
        if (lower.find("primary key") != std::string::npos) {
            continue;
        }
        // Rows that exist need a value for a column that refuses NULL: the type's zero.
        const std::string added =
            lower.find("not null") != std::string::npos ? definition + " default 0" : definition;
        if (!connection.executeSql(std::string("alter table ") + table.name + " add column " +
                                   added + ";")) {
            return false;
        }
    }
    return true;
}

bool StudySchema::open(NSUI::NSDBUtil& connection, int version) {
    // Every received file commits a transaction; the write-ahead log keeps that off the disk's
    // flush path while staying consistent after a crash.
    connection.executeSql("PRAGMA journal_mode=WAL;");
    connection.executeSql("PRAGMA synchronous=NORMAL;");
    if (connection.isTableExist("version")) {
        NSUI::NSDBDataModel rows;
        if (!connection.getRecords("select version from version", &rows) ||
            rows.getRowCount() == 0 || rows.getColumnCount(0) == 0) {
            return false;
        }
        if (std::atoi(rows.getValue(0, 0).c_str()) < version &&
            !connection.executeSql("update version set version=?", {version})) {
            NSUI::debugLog("failed to update table 'version'.");
            return false;
        }
    } else if (!connection.createTable(kVersionStatement, "version") ||
               !connection.executeSql("insert into version(version) values (?)", {version})) {
        NSUI::debugLog("failed to create table 'version'.");
        return false;
    }
    for (const Table& table : tables()) {
        const bool exists = connection.isTableExist(table.name);
        if ((!exists && !connection.createTable(table.statement, table.name)) ||
            (exists && !addMissingColumns(connection, table))) {
            NSUI::debugLog(NSUI::formatString("failed to create table '%s'.", table.name).c_str());
            return false;
        }
    }
    for (const char* statement : kIndexStatements) {
        if (!connection.executeSql(statement)) {
            NSUI::debugLog("failed to create an index.");
            return false;
        }
    }
    return true;
}

}  // namespace studydb
