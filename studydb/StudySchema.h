#pragma once

#include <string>
#include <vector>

namespace NSUI {
class NSDBUtil;
}

namespace studydb {

// The tables of the study database and their upgrade: a table that is missing is created, a
// table that exists keeps its rows and columns and gains the columns it lacks.
class StudySchema {
public:
    struct Table {
        const char* name;
        const char* statement;
    };

    // The tables after "version", in creation order.
    static const std::vector<Table>& tables();

    // Brings the open connection to the given version; false (with a log line) on any failure.
    static bool open(NSUI::NSDBUtil& connection, int version);

    // The column definitions of a create statement: "name TEXT", "studyDesc", ...
    static std::vector<std::string> columnDefinitions(const std::string& statement);

private:
    static bool addMissingColumns(NSUI::NSDBUtil& connection, const Table& table);
};

}  // namespace studydb
