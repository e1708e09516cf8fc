#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

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

// One value bound to a "?" of a statement: SQL NULL, an integer, a real or a text. Values never
// become part of the SQL text, so no quote inside one can change the statement.
class NSDBValue {
public:
    NSDBValue() = default;
    NSDBValue(int value) : value_(static_cast<std::int64_t>(value)) {}
    NSDBValue(long value) : value_(static_cast<std::int64_t>(value)) {}
    NSDBValue(long long value) : value_(static_cast<std::int64_t>(value)) {}
    NSDBValue(double value) : value_(value) {}
    NSDBValue(const char* value) : value_(std::string(value == nullptr ? "" : value)) {}
    NSDBValue(std::string value) : value_(std::move(value)) {}

    static NSDBValue null() { return NSDBValue(); }

    // Binds the value to the 1-based parameter; SQLite's result code.
    int bindTo(sqlite3_stmt* statement, int index) const;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> value_;
};

using NSDBValues = std::vector<NSDBValue>;

class NSDBUtil;

// One prepared statement of a connection: bind values, then step through the rows. Finalised
// when it goes out of scope; it must not outlive its connection.
class NSDBStatement {
public:
    enum Step { kRow, kDone, kFailed };

    NSDBStatement() = default;
    ~NSDBStatement();
    NSDBStatement(NSDBStatement&& other) noexcept;
    NSDBStatement& operator=(NSDBStatement&& other) noexcept;
    NSDBStatement(const NSDBStatement&) = delete;
    NSDBStatement& operator=(const NSDBStatement&) = delete;

    // False when the SQL did not compile or the connection is closed.
    bool valid() const { return statement_ != nullptr; }
    // Binds values to the parameters 1, 2, ... in order; false when a bind fails.
    bool bind(const NSDBValues& values);
    bool bind(int index, const NSDBValue& value);
    Step step();
    int columnCount() const;
    // A column of the current row as text; NULL reads as "None".
    std::string columnText(int column) const;
    // Back to the first row with the bindings kept.
    void reset();

private:
    friend class NSDBUtil;
    NSDBStatement(NSDBUtil* owner, sqlite3_stmt* statement)
        : owner_(owner), statement_(statement) {}

    NSDBUtil* owner_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
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
    // Every later operation fails until the next open.
    void closeDatabase();
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

    // The bound-value forms: each "?" of the one statement in sql takes the next value.
    NSDBStatement prepare(const std::string& sql);
    bool executeSql(const std::string& sql, const NSDBValues& values);
    bool getRecords(const std::string& sql, const NSDBValues& values, NSDBDataModel* model);

protected:
    sqlite3* connection = nullptr;
    // Error text of the last statement that failed with one.
    std::string errorMessage;
    // The statement of the last isTableExist.
    std::string lastSql;
    int resultCode = 0;

private:
    friend class NSDBStatement;
    using RowCallback = int (*)(void*, int, char**, char**);
    // Runs sql through sqlite3_exec, keeping its code and error text.
    int exec(const std::string& sql, RowCallback callback, void* argument);
    void report(const char* format);
    // Keeps a failed statement's code and SQLite's error text.
    void keepFailure(int code);
};

}  // namespace NSUI
