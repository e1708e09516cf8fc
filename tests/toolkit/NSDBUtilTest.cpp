#include "toolkit/core/NSDBUtil.h"

#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <condition_variable>
#include <fcntl.h>
#include <linux/fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

// Lets a test look at the connection and the last result code.
class ProbedDB : public NSUI::NSDBUtil {
public:
    sqlite3* handle() const { return connection; }
    int code() const { return resultCode; }
};

class NSDBUtilTest : public ::testing::Test {
protected:
    std::string path(const std::string& name = "test.db") const { return (dir / name).string(); }

    int count(ProbedDB& db, const std::string& table) {
        NSUI::NSDBDataModel model;
        EXPECT_TRUE(db.getRecords("select count(*) from " + table + ";", &model));
        return model.getRowCount() == 1 ? std::stoi(model.getValue(0, 0)) : -1;
    }

    bvtest::TempDir dir;
};

TEST_F(NSDBUtilTest, EveryOperationFailsWithoutConnection) {
    ProbedDB db;
    NSUI::NSDBDataModel model;
    model.addValue("stale");
    model.commitRow();

    EXPECT_FALSE(db.isTableExist("t"));
    EXPECT_FALSE(db.createTable("create table t(a);", "t"));
    EXPECT_FALSE(db.dropTable("t"));
    EXPECT_FALSE(db.executeSql("select 1;"));
    EXPECT_FALSE(db.beginTransaction());
    EXPECT_FALSE(db.commit());
    EXPECT_FALSE(db.rollback());
    EXPECT_FALSE(db.getRecords("select 1;", &model));
    EXPECT_EQ(model.getRowCount(), 0);
    EXPECT_EQ(db.code(), 0);
}

TEST_F(NSDBUtilTest, OpenInMissingFolderFailsAndLeavesNoConnection) {
    ProbedDB db;
    EXPECT_FALSE(db.openDatabase(path("missing/sub/test.db").c_str()));
    EXPECT_EQ(db.code(), SQLITE_CANTOPEN);
    EXPECT_EQ(db.handle(), nullptr);
    EXPECT_FALSE(db.executeSql("create table t(a);"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(NSDBUtilTest, ReopeningSwitchesToTheNewFile) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path("a.db").c_str()));
    ASSERT_TRUE(db.createTable("create table only_a(x);", "only_a"));
    ASSERT_TRUE(db.openDatabase(path("b.db").c_str()));
    EXPECT_FALSE(db.isTableExist("only_a"));
    EXPECT_TRUE(std::filesystem::exists(dir / "b.db"));
}

TEST_F(NSDBUtilTest, CreateReplacesTableAndDropIsIdempotent) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    EXPECT_FALSE(db.isTableExist("study"));
    EXPECT_TRUE(db.dropTable("study"));

    ASSERT_TRUE(db.createTable("create table study(uid text, n integer);", "study"));
    EXPECT_TRUE(db.isTableExist("study"));
    ASSERT_TRUE(db.executeSql("insert into study values('1.2.3', 4);"));
    EXPECT_EQ(count(db, "study"), 1);

    // The table is made anew, rows and all, even with a different layout.
    ASSERT_TRUE(db.createTable("create table study(uid text);", "study"));
    EXPECT_EQ(count(db, "study"), 0);

    EXPECT_TRUE(db.dropTable("study"));
    EXPECT_FALSE(db.isTableExist("study"));
    EXPECT_TRUE(db.dropTable("study"));
}

TEST_F(NSDBUtilTest, FailedStatementsKeepTheirResultCode) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    NSUI::NSDBDataModel model;

    EXPECT_FALSE(db.executeSql("selec 1;"));
    EXPECT_EQ(db.code(), SQLITE_ERROR);
    EXPECT_FALSE(db.getRecords("select * from nowhere;", &model));
    EXPECT_EQ(db.code(), SQLITE_ERROR);
    EXPECT_FALSE(db.createTable("create tabel t(a);", "t"));
    EXPECT_FALSE(db.isTableExist("t"));
    EXPECT_FALSE(db.commit());
    EXPECT_FALSE(db.rollback());

    ASSERT_TRUE(db.executeSql("select 1;"));
    EXPECT_EQ(db.code(), SQLITE_OK);
}

TEST_F(NSDBUtilTest, RecordsHoldTextWithNoneForNull) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.createTable("create table t(id integer, name text, size real);", "t"));
    ASSERT_TRUE(db.executeSql("insert into t values(1, 'CT', 2.5);"
                              "insert into t values(2, '', null);"
                              "insert into t values(3, null, -7);"));

    NSUI::NSDBDataModel model;
    ASSERT_TRUE(db.getRecords("select id, name, size from t order by id;", &model));
    const std::vector<std::vector<std::string>> expected = {
        {"1", "CT", "2.5"}, {"2", "", "None"}, {"3", "None", "-7.0"}};
    ASSERT_EQ(model.getRowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        ASSERT_EQ(model.getColumnCount(row), 3);
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(model.getValue(row, column), expected[row][column]) << row << "," << column;
        }
    }

    // A second query starts from an empty model.
    ASSERT_TRUE(db.getRecords("select name from t where id > 10;", &model));
    EXPECT_EQ(model.getRowCount(), 0);
}

TEST_F(NSDBUtilTest, RowsReadBeforeAFailureStay) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    NSUI::NSDBDataModel model;
    // The second row overflows while it is computed.
    EXPECT_FALSE(db.getRecords(
        "select x, abs(x) from (select 1 as x union all select -9223372036854775808);", &model));
    ASSERT_EQ(model.getRowCount(), 1);
    EXPECT_EQ(model.getValue(0, 1), "1");
}

TEST(NSDBDataModelTest, RowsAreBuiltValueByValue) {
    NSUI::NSDBDataModel model;
    model.addValue("a");
    model.addIntValue(-42);
    model.commitRow();
    model.commitRow();
    model.addValue("pending");

    ASSERT_EQ(model.getRowCount(), 2);
    EXPECT_EQ(model.getColumnCount(0), 2);
    EXPECT_EQ(model.getValue(0, 1), "-42");
    EXPECT_EQ(model.getColumnCount(1), 0);
    EXPECT_EQ(model.getColumnCount(-1), 0);
    EXPECT_EQ(model.getColumnCount(model.getRowCount()), 0);

    model.clear();
    model.commitRow();
    ASSERT_EQ(model.getRowCount(), 1);
    EXPECT_EQ(model.getColumnCount(0), 0);
}

TEST_F(NSDBUtilTest, TransactionsCommitOrRollBack) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.createTable("create table t(a);", "t"));

    ASSERT_TRUE(db.beginTransaction());
    ASSERT_TRUE(db.executeSql("insert into t values(1);"));
    ASSERT_TRUE(db.rollback());
    EXPECT_EQ(count(db, "t"), 0);

    ASSERT_TRUE(db.beginTransaction());
    ASSERT_TRUE(db.executeSql("insert into t values(1);"));
    ASSERT_TRUE(db.commit());

    ProbedDB other;
    ASSERT_TRUE(other.openDatabase(path().c_str()));
    EXPECT_EQ(count(other, "t"), 1);
}

// Table names come from callers; whatever they hold must neither break the statements built
// from them nor reach another table.
class NSDBUtilNameTest : public NSDBUtilTest, public ::testing::WithParamInterface<std::string> {};

std::string identifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

TEST_P(NSDBUtilNameTest, OddNamesWorkAndTouchNothingElse) {
    const std::string name = GetParam();
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.createTable("create table keep(a);", "keep"));
    ASSERT_TRUE(db.executeSql("insert into keep values(1);"));

    ASSERT_TRUE(db.createTable("create table " + identifier(name) + "(a);", name));
    EXPECT_TRUE(db.isTableExist(name));
    ASSERT_TRUE(db.executeSql("insert into " + identifier(name) + " values(2);"));
    ASSERT_TRUE(db.createTable("create table " + identifier(name) + "(a);", name));
    EXPECT_EQ(count(db, identifier(name)), 0);

    EXPECT_TRUE(db.dropTable(name));
    EXPECT_FALSE(db.isTableExist(name));
    EXPECT_TRUE(db.isTableExist("keep"));
    EXPECT_EQ(count(db, "keep"), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, NSDBUtilNameTest,
                         ::testing::Values("plain", "two words", "it's", "say \"hi\"",
                                           "keep'; drop table keep; --", "keep\"; drop table keep;",
                                           "select", "séries_影像", "a.b"));

TEST_F(NSDBUtilTest, NamesWithZeroByteAreRefused) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.createTable("create table keep(a);", "keep"));
    const std::string name("keep\0x", 6);
    EXPECT_FALSE(db.isTableExist(name));
    EXPECT_FALSE(db.dropTable(name));
    EXPECT_FALSE(db.createTable("create table other(a);", name));
    EXPECT_TRUE(db.isTableExist("keep"));
    EXPECT_FALSE(db.isTableExist("other"));
}

// Sets and clears the immutable attribute, which holds even against root.
bool setImmutable(const std::string& file, bool on) {
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

TEST_F(NSDBUtilTest, ReadOnlyFileOpensForReadingOnly) {
    {
        ProbedDB db;
        ASSERT_TRUE(db.openDatabase(path().c_str()));
        ASSERT_TRUE(db.createTable("create table t(a);", "t"));
        ASSERT_TRUE(db.executeSql("insert into t values(7);"));
    }
    std::filesystem::permissions(path(), std::filesystem::perms::owner_read |
                                             std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    const bool immutable = access(path().c_str(), W_OK) == 0 && setImmutable(path(), true);
    struct Restore {
        std::string file;
        bool immutable;
        ~Restore() {
            if (immutable) {
                setImmutable(file, false);
            }
        }
    } restore{path(), immutable};
    if (access(path().c_str(), W_OK) == 0) {
        GTEST_SKIP() << "this user can write any file";
    }

    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    EXPECT_EQ(count(db, "t"), 1);
    EXPECT_FALSE(db.executeSql("insert into t values(8);"));
    EXPECT_EQ(db.code(), SQLITE_READONLY);
    EXPECT_FALSE(db.createTable("create table t(b);", "t"));
    EXPECT_TRUE(db.isTableExist("t"));
    EXPECT_EQ(count(db, "t"), 1);
}

// Holds the write lock of a database from its own connection on its own thread until told to
// let go.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const std::string& file) : worker([this, file] { run(file); }) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return state != State::Starting; });
    }
    ~WriteLockHolder() {
        release();
        worker.join();
    }

    bool holding() {
        std::lock_guard<std::mutex> lock(mutex);
        return state == State::Holding;
    }

    // Returns once the lock is gone.
    void release() {
        std::unique_lock<std::mutex> lock(mutex);
        releaseWanted = true;
        changed.notify_all();
        changed.wait(lock, [this] { return state == State::Released; });
    }

private:
    enum class State { Starting, Holding, Released };

    void run(const std::string& file) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const bool locked = sqlite3_exec(db, "begin immediate;", nullptr, nullptr, nullptr) == 0;
        std::unique_lock<std::mutex> lock(mutex);
        state = locked ? State::Holding : State::Released;
        changed.notify_all();
        changed.wait(lock, [this] { return releaseWanted; });
        if (locked) {
            sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
        }
        sqlite3_close(db);
        state = State::Released;
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Starting;
    bool releaseWanted = false;
    std::thread worker;
};

// Counts the attempts that found the database locked; can free the lock at a chosen attempt.
struct BusyProbe {
    int failedAttempts = 0;
    int releaseAt = 0;
    WriteLockHolder* holder = nullptr;

    static int onBusy(void* argument, int) {
        auto* probe = static_cast<BusyProbe*>(argument);
        if (++probe->failedAttempts == probe->releaseAt) {
            probe->holder->release();
        }
        return 0;
    }
};

class NSDBUtilLockTest : public NSDBUtilTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.openDatabase(path().c_str()));
        ASSERT_TRUE(db.createTable("create table t(a);", "t"));
        sqlite3_busy_handler(db.handle(), BusyProbe::onBusy, &probe);
    }

    ProbedDB db;
    BusyProbe probe;
};

TEST_F(NSDBUtilLockTest, BeginWaitsForAnotherConnectionsWriteLock) {
    WriteLockHolder holder(path());
    ASSERT_TRUE(holder.holding());
    probe.holder = &holder;
    probe.releaseAt = 3;

    ASSERT_TRUE(db.beginTransaction());
    EXPECT_EQ(probe.failedAttempts, 3);
    ASSERT_TRUE(db.executeSql("insert into t values(1);"));
    ASSERT_TRUE(db.commit());
    EXPECT_EQ(count(db, "t"), 1);
}

TEST_F(NSDBUtilLockTest, BeginGivesUpAfterFiftyRetries) {
    WriteLockHolder holder(path());
    ASSERT_TRUE(holder.holding());

    EXPECT_FALSE(db.beginTransaction());
    EXPECT_EQ(probe.failedAttempts, 51);
    EXPECT_EQ(db.code(), SQLITE_BUSY);

    holder.release();
    probe.failedAttempts = 0;
    ASSERT_TRUE(db.beginTransaction());
    EXPECT_EQ(probe.failedAttempts, 0);
    EXPECT_TRUE(db.rollback());
}

}  // namespace

TEST_F(NSDBUtilTest, BoundValuesTravelOutsideTheStatementText) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.createTable("create table t(id integer, name text, size real);", "t"));
    // Texts that would end a quoted literal or comment out the rest stay plain values.
    const std::vector<std::string> names = {"O'Brien", "a\"b", "x'); drop table t; --", "",
                                            std::string("nul\0byte", 8)};
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(db.executeSql("insert into t values(?, ?, ?)",
                                  {static_cast<int>(i), names[i], 0.5 * static_cast<int>(i)}))
            << i;
    }
    ASSERT_TRUE(db.executeSql("insert into t values(?, ?, ?)",
                              {9223372036854775807LL, NSUI::NSDBValue::null(), -7}));

    // The bound form reads texts whole, a zero byte included.
    NSUI::NSDBDataModel model;
    ASSERT_TRUE(db.getRecords("select id, name, size from t order by id", {}, &model));
    ASSERT_EQ(model.getRowCount(), 6);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(model.getValue(row, 1), names[row]) << row;
    }
    // Values read back as the text form of the exec-based reads: NULL is "None", reals keep ".0".
    EXPECT_EQ(model.getValue(2, 2), "1.0");
    EXPECT_EQ(model.getValue(5, 0), "9223372036854775807");
    EXPECT_EQ(model.getValue(5, 1), "None");
    EXPECT_EQ(model.getValue(5, 2), "-7.0");

    ASSERT_TRUE(db.getRecords("select id from t where name=? and id>=?", {"O'Brien", 0}, &model));
    ASSERT_EQ(model.getRowCount(), 1);
    EXPECT_EQ(model.getValue(0, 0), "0");
    ASSERT_TRUE(db.getRecords("select id from t where name=?", {"x' or '1'='1"}, &model));
    EXPECT_EQ(model.getRowCount(), 0);
}

TEST_F(NSDBUtilTest, BoundFormsFailCleanly) {
    ProbedDB closed;
    NSUI::NSDBDataModel model;
    model.addValue("stale");
    model.commitRow();
    EXPECT_FALSE(closed.executeSql("select ?", {1}));
    EXPECT_FALSE(closed.getRecords("select ?", {1}, &model));
    EXPECT_EQ(model.getRowCount(), 0);
    EXPECT_FALSE(closed.prepare("select 1").valid());

    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.executeSql("create table t(a text not null)"));
    // A statement that does not compile, one value too many, and a failing step each report
    // false with SQLite's code kept.
    EXPECT_FALSE(db.executeSql("selec ?", {1}));
    EXPECT_EQ(db.code(), SQLITE_ERROR);
    EXPECT_FALSE(db.executeSql("insert into t values(?)", {"a", "b"}));
    EXPECT_EQ(db.code(), SQLITE_RANGE);
    EXPECT_FALSE(db.executeSql("insert into t values(?)", {NSUI::NSDBValue::null()}));
    EXPECT_EQ(db.code(), SQLITE_CONSTRAINT);
    EXPECT_EQ(count(db, "t"), 0);
    ASSERT_TRUE(db.executeSql("insert into t values(?)", {"kept"}));
    EXPECT_EQ(db.code(), SQLITE_OK);
}

TEST_F(NSDBUtilTest, PreparedStatementRunsAgainWithNewBindings) {
    ProbedDB db;
    ASSERT_TRUE(db.openDatabase(path().c_str()));
    ASSERT_TRUE(db.executeSql("create table t(a integer, b text)"));
    {
        NSUI::NSDBStatement insert = db.prepare("insert into t values(?, ?)");
        ASSERT_TRUE(insert.valid());
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(insert.bind({i, "row" + std::to_string(i)}));
            EXPECT_EQ(insert.step(), NSUI::NSDBStatement::kDone);
            insert.reset();
        }
    }
    NSUI::NSDBStatement select = db.prepare("select a, b from t where a >= ? order by a");
    ASSERT_TRUE(select.bind(1, 1));
    std::vector<std::string> seen;
    while (select.step() == NSUI::NSDBStatement::kRow) {
        ASSERT_EQ(select.columnCount(), 2);
        seen.push_back(select.columnText(0) + ":" + select.columnText(1));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1:row1", "2:row2"}));
    // A moved statement leaves nothing behind to finalise twice.
    NSUI::NSDBStatement moved = std::move(select);
    EXPECT_FALSE(select.valid());
    EXPECT_TRUE(moved.valid());
}
