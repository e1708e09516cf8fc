#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace NSUI {

// Rows of text values read by a query; a NULL column is stored as "None".
class NSDBDataModel {
public:
    NSDBDataModel() = default;
    virtual ~NSDBDataModel() = default;

    void clear();
    void addValue(const std::string& value);
    void addIntValue(int value);
    // Appends the row under construction to the rows and starts a new one.
    void commitRow();

    int getRowCount() const;
    // 0 for a row outside the model.
    int getColumnCount(int row) const;
    // The caller keeps row and column inside the model.
    std::string getValue(int row, int column) const;

protected:
    std::vector<std::string> currentRow;
    std::vector<std::vector<std::string>> rows;
};

// One SQLite connection, opened in multi-thread mode: its owner serialises every use of it.
// Every operation returns false when there is no open connection; failures leave SQLite's
// code in resultCode.
class NSDBUtil {
public:
    NSDBUtil() = default;
    virtual ~NSDBUtil();
    NSDBUtil(const NSDBUtil&) = delete;
    NSDBUtil& operator=(const NSDBUtil&) = delete;

    // Opens (creating when missing) the database file; a previously open connection is closed.
    bool openDatabase(const char* path);
    bool isTableExist(const std::string& name);
    // Drops any table of that name, with its rows, then runs the creating statement.
    bool createTable(const std::string& sql, const std::string& name);
    // True when the table was dropped or did not exist.
    bool dropTable(const std::string& name);
    bool executeSql(const std::string& sql);
    // "begin IMMEDIATE", retried up to 50 times 50 ms apart while another connection holds
    // the write lock.
    bool beginTransaction();
    bool rollback();
    bool commit();
    // Clears the model, then appends one row per result row. Rows read before a failure stay.
    bool getRecords(const std::string& sql, NSDBDataModel* model);

protected:
    sqlite3* connection = nullptr;
    // Error text of the last statement that failed with one.
    std::string errorMessage;
    // The statement of the last isTableExist.
    std::string lastSql;
    int resultCode = 0;

private:
    using RowCallback = int (*)(void*, int, char**, char**);
    // Runs sql through sqlite3_exec, keeping its code and error text.
    int exec(const std::string& sql, RowCallback callback, void* argument);
    void report(const char* format);
};

}  // namespace NSUI
