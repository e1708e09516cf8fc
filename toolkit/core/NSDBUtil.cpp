#include "toolkit/core/NSDBUtil.h"

#include "engine/base/Utils.h"
#include "toolkit/core/DebugLog.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace NSUI {

namespace {

constexpr int kBeginRetries = 50;
constexpr std::chrono::milliseconds kBeginRetryPause(50);

// SQLite accepts a threading mode only before it initialises itself, which the first open
// does; later calls would be misuse.
void configureThreadingOnce() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MULTITHREAD); });
}

// Table names are caller data: they travel inside SQL only as quoted text or identifiers.
std::string quoted(const std::string& text, char quote) {
    std::string result(1, quote);
    for (char c : text) {
        result += c;
        if (c == quote) {
            result += quote;
        }
    }
    result += quote;
    return result;
}

// SQL text ends at the first zero byte, so a name holding one cannot be expressed.
bool isUsableName(const std::string& name) {
    return name.find('\0') == std::string::npos;
}

struct RecordsContext {
    NSDBDataModel* model;
    bool failed;
};

int collectRow(void* argument, int columns, char** values, char**) {
    auto* context = static_cast<RecordsContext*>(argument);
    // An exception must not unwind through SQLite's C frames: stop the query instead.
    try {
        for (int i = 0; i < columns; ++i) {
            context->model->addValue(values[i] != nullptr ? values[i] : "None");
        }
        context->model->commitRow();
    } catch (...) {
        context->failed = true;
        return 1;
    }
    return 0;
}

int readExists(void* argument, int columns, char** values, char**) {
    *static_cast<bool*>(argument) = columns > 0 && values[0] != nullptr && values[0][0] != '0';
    return 0;
}

}  // namespace

void NSDBDataModel::clear() {
    currentRow.clear();
    rows.clear();
}

void NSDBDataModel::addValue(const std::string& value) {
    currentRow.push_back(value);
}

void NSDBDataModel::addIntValue(int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%i", value);
    currentRow.emplace_back(text);
}

void NSDBDataModel::commitRow() {
    rows.push_back(currentRow);
    currentRow.clear();
}

int NSDBDataModel::getRowCount() const {
    return static_cast<int>(rows.size());
}

int NSDBDataModel::getColumnCount(int row) const {
    if (row < 0 || row >= getRowCount()) {
        return 0;
    }
    return static_cast<int>(rows[row].size());
}

std::string NSDBDataModel::getValue(int row, int column) const {
    return rows[row][column];
}

int NSDBValue::bindTo(sqlite3_stmt* statement, int index) const {
    if (const auto* number = std::get_if<std::int64_t>(&value_)) {
        return sqlite3_bind_int64(statement, index, *number);
    }
    if (const auto* real = std::get_if<double>(&value_)) {
        return sqlite3_bind_double(statement, index, *real);
    }
    if (const auto* text = std::get_if<std::string>(&value_)) {
        return sqlite3_bind_text64(statement, index, text->data(), text->size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8);
    }
    return sqlite3_bind_null(statement, index);
}

NSDBStatement::~NSDBStatement() {
    if (statement_ != nullptr) {
        sqlite3_finalize(statement_);
    }
}

NSDBStatement::NSDBStatement(NSDBStatement&& other) noexcept
    : owner_(other.owner_), statement_(other.statement_) {
    other.owner_ = nullptr;
    other.statement_ = nullptr;
}

NSDBStatement& NSDBStatement::operator=(NSDBStatement&& other) noexcept {
    if (this != &other) {
        if (statement_ != nullptr) {
            sqlite3_finalize(statement_);
        }
        owner_ = other.owner_;
        statement_ = other.statement_;
        other.owner_ = nullptr;
        other.statement_ = nullptr;
    }
    return *this;
}

bool NSDBStatement::bind(const NSDBValues& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!bind(static_cast<int>(i) + 1, values[i])) {
            return false;
        }
    }
    return true;
}

bool NSDBStatement::bind(int index, const NSDBValue& value) {
    if (statement_ == nullptr) {
        return false;
    }
    const int code = value.bindTo(statement_, index);
    if (code != SQLITE_OK) {
        owner_->keepFailure(code);
        owner_->report("bind failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

NSDBStatement::Step NSDBStatement::step() {
    if (statement_ == nullptr) {
        return kFailed;
    }
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return kRow;
    }
    if (code == SQLITE_DONE) {
        owner_->resultCode = SQLITE_OK;
        owner_->errorMessage.clear();
        return kDone;
    }
    owner_->keepFailure(code);
    return kFailed;
}

int NSDBStatement::columnCount() const {
    return statement_ == nullptr ? 0 : sqlite3_column_count(statement_);
}

std::string NSDBStatement::columnText(int column) const {
    const unsigned char* text =
        statement_ == nullptr ? nullptr : sqlite3_column_text(statement_, column);
    if (text == nullptr) {
        return "None";
    }
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

void NSDBStatement::reset() {
    if (statement_ != nullptr) {
        sqlite3_reset(statement_);
    }
}

NSDBUtil::~NSDBUtil() {
    if (connection != nullptr) {
        sqlite3_close(connection);
    }
}

void NSDBUtil::closeDatabase() {
    if (connection != nullptr) {
        sqlite3_close(connection);
        connection = nullptr;
    }
}

bool NSDBUtil::openDatabase(const char* path) {
    if (connection != nullptr) {
        sqlite3_close(connection);
        connection = nullptr;
    }
    if (path == nullptr) {
        resultCode = SQLITE_CANTOPEN;
        return false;
    }
    configureThreadingOnce();
    resultCode =
        sqlite3_open_v2(path, &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (resultCode == SQLITE_OK) {
        return true;
    }
    errorMessage = sqlite3_errmsg(connection);
    report("open db failure !error code:%d ，resonse:%s\n");
    // A failed open still hands back a handle; keeping it would let later calls run on it.
    sqlite3_close(connection);
    connection = nullptr;
    return false;
}

bool NSDBUtil::isTableExist(const std::string& name) {
    if (connection == nullptr || !isUsableName(name)) {
        return false;
    }
    lastSql =
        "select count(*) from sqlite_master where type='table' and name =" + quoted(name, '\'') +
        ";";
    bool exists = false;
    exec(lastSql, readExists, &exists);
    return exists;
}

bool NSDBUtil::createTable(const std::string& sql, const std::string& name) {
    if (connection == nullptr) {
        return false;
    }
    if (!dropTable(name)) {
        return false;
    }
    if (exec(sql, nullptr, nullptr) != SQLITE_OK) {
        report("create table failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

bool NSDBUtil::dropTable(const std::string& name) {
    if (connection == nullptr || !isUsableName(name)) {
        return false;
    }
    if (!isTableExist(name)) {
        return true;
    }
    if (exec("drop table " + quoted(name, '"') + ";", nullptr, nullptr) != SQLITE_OK) {
        report("delete table failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

bool NSDBUtil::executeSql(const std::string& sql) {
    if (connection == nullptr) {
        return false;
    }
    if (exec(sql, nullptr, nullptr) != SQLITE_OK) {
        report("execute sql failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

bool NSDBUtil::beginTransaction() {
    if (connection == nullptr) {
        return false;
    }
    for (int retries = 0;; ++retries) {
        if (executeSql("begin IMMEDIATE;")) {
            return true;
        }
        if (retries == kBeginRetries) {
            return false;
        }
        cocos2d::log(" try to begin");
        std::this_thread::sleep_for(kBeginRetryPause);
    }
}

bool NSDBUtil::rollback() {
    if (connection == nullptr) {
        return false;
    }
    return executeSql("rollback;");
}

bool NSDBUtil::commit() {
    if (connection == nullptr) {
        return false;
    }
    return executeSql("commit;");
}

bool NSDBUtil::getRecords(const std::string& sql, NSDBDataModel* model) {
    if (model != nullptr) {
        model->clear();
    }
    if (connection == nullptr || model == nullptr) {
        return false;
    }
    RecordsContext context{model, false};
    const int code = exec(sql, collectRow, &context);
    if (context.failed) {
        model->clear();
        return false;
    }
    if (code != SQLITE_OK) {
        report("get record failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

NSDBStatement NSDBUtil::prepare(const std::string& sql) {
    if (connection == nullptr) {
        return NSDBStatement();
    }
    sqlite3_stmt* statement = nullptr;
    const int code = sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size() + 1),
                                        &statement, nullptr);
    if (code != SQLITE_OK || statement == nullptr) {
        sqlite3_finalize(statement);
        keepFailure(code == SQLITE_OK ? SQLITE_MISUSE : code);
        report("prepare failure，error code:%d ，resonse:%s\n");
        return NSDBStatement();
    }
    return NSDBStatement(this, statement);
}

bool NSDBUtil::executeSql(const std::string& sql, const NSDBValues& values) {
    NSDBStatement statement = prepare(sql);
    if (!statement.valid() || !statement.bind(values)) {
        return false;
    }
    NSDBStatement::Step step = statement.step();
    while (step == NSDBStatement::kRow) {
        step = statement.step();
    }
    if (step == NSDBStatement::kFailed) {
        report("execute sql failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

bool NSDBUtil::getRecords(const std::string& sql, const NSDBValues& values, NSDBDataModel* model) {
    if (model != nullptr) {
        model->clear();
    }
    if (connection == nullptr || model == nullptr) {
        return false;
    }
    NSDBStatement statement = prepare(sql);
    if (!statement.valid() || !statement.bind(values)) {
        return false;
    }
    NSDBStatement::Step step = statement.step();
    while (step == NSDBStatement::kRow) {
        for (int i = 0; i < statement.columnCount(); ++i) {
            model->addValue(statement.columnText(i));
        }
        model->commitRow();
        step = statement.step();
    }
    if (step == NSDBStatement::kFailed) {
        report("get record failure，error code:%d ，resonse:%s\n");
        return false;
    }
    return true;
}

void NSDBUtil::keepFailure(int code) {
    resultCode = code;
    errorMessage = connection != nullptr ? sqlite3_errmsg(connection) : "";
}

int NSDBUtil::exec(const std::string& sql, RowCallback callback, void* argument) {
    char* error = nullptr;
    resultCode = sqlite3_exec(connection, sql.c_str(), callback, argument, &error);
    if (error != nullptr) {
        errorMessage = error;
        sqlite3_free(error);
    } else if (resultCode != SQLITE_OK) {
        errorMessage = sqlite3_errmsg(connection);
    } else {
        errorMessage.clear();
    }
    return resultCode;
}

void NSDBUtil::report(const char* format) {
    char text[1024];
    std::snprintf(text, sizeof(text), format, resultCode, errorMessage.c_str());
    debugLog(text);
}

}  // namespace NSUI
