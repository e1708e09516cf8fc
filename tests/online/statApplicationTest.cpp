#include "online/statApplication.h"

#include "OnlineFixture.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSDBUtil.h"

namespace onlinetest {
namespace {

class StatApplicationTest : public OnlineTest {
protected:
    void TearDown() override {
        statApplication::destroyInstance();
        OnlineTest::TearDown();
    }

    // A second connection to the statistics file, as a user's tools would see it.
    std::vector<std::vector<std::string>> rows(const std::string& sql) {
        NSUI::NSDBUtil db;
        EXPECT_TRUE(db.openDatabase(statApplication::databasePath().c_str()));
        NSUI::NSDBDataModel model;
        db.getRecords(sql, &model);
        std::vector<std::vector<std::string>> out;
        for (int r = 0; r < model.getRowCount(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < model.getColumnCount(r); ++c) {
                row.push_back(model.getValue(r, c));
            }
            out.push_back(row);
        }
        return out;
    }

    void insertRow(int storedType, const std::string& time, const std::string& value) {
        NSUI::NSDBUtil db;
        ASSERT_TRUE(db.openDatabase(statApplication::databasePath().c_str()));
        ASSERT_TRUE(db.executeSql("insert into stat(type,statTime,value) values (?,?,?)",
                                  {storedType, time, value}));
    }

    // Opens the database and learns the upload address, with nothing to send yet.
    statApplication* started() {
        statApplication* stats = statApplication::getInstance();
        stats->requestStatUrl();
        EXPECT_TRUE(pumpUntil([&] { return !stats->getUploadUrl().empty(); }));
        return stats;
    }

    static std::string yesterday() {
        NSUI::DateTimeFields fields;
        NSUI::parseDateTime(NSUI::getCurrentDateTime(), fields);
        fields.day -= 1;
        if (fields.day < 1) {
            fields.month -= 1;
            if (fields.month < 1) {
                fields.month = 12;
                fields.year -= 1;
            }
            fields.day = NSUI::getDaysInMonth(fields.year, fields.month);
        }
        fields.hour = 23;
        fields.minute = 59;
        fields.second = 59;
        return NSUI::formatDateTime(fields);
    }
};

TEST_F(StatApplicationTest, FirstOpenCreatesBothTablesAndAnOlderSchemaIsUpgradedEmpty) {
    started();
    EXPECT_EQ(rows("select version from version"), (std::vector<std::vector<std::string>>{{"2"}}));
    EXPECT_EQ(rows("select sql from sqlite_master where name='stat'").at(0).at(0),
              "CREATE TABLE stat (ID integer primary key autoincrement,type integer,statTime  "
              "datetime,value text)");
    statApplication::destroyInstance();

    insertRow(30003, "2001-01-01 00:00:00", "");
    {
        NSUI::NSDBUtil db;
        ASSERT_TRUE(db.openDatabase(statApplication::databasePath().c_str()));
        ASSERT_TRUE(db.executeSql("update version set version=1"));
    }
    statApplication::getInstance()->requestStatUrl();
    EXPECT_EQ(rows("select version from version"), (std::vector<std::vector<std::string>>{{"2"}}));
    EXPECT_TRUE(rows("select * from stat").empty());
}

TEST_F(StatApplicationTest, EventsAreStoredAsTypePlus30000AndOnlyLaunchAndForegroundUpload) {
    statApplication* stats = started();
    insertRow(30005, yesterday(), "");
    stats->addStat(2, "");
    stats->addStat(19, "12");
    frame();
    EXPECT_TRUE(server.requests("/st/up.php").empty());
    const auto stored = rows("select type,value from stat where statTime>='" +
                             NSUI::getCurrentDateTime().substr(0, 10) + "' order by ID");
    EXPECT_EQ(stored, (std::vector<std::vector<std::string>>{{"30002", ""}, {"30019", "12"}}));
    stats->addStat(1, "");
    EXPECT_TRUE(arrived("/st/up.php", 1));
    // The answer is handled before the test ends, not by whatever runs next.
    EXPECT_TRUE(pumpUntil([&] { return !stats->isUploadInFlight(); }));
}

TEST_F(StatApplicationTest, UploadSendsOnlyEarlierDaysInOrderAndDeletesJustWhatWasConfirmed) {
    statApplication* stats = started();
    const std::string before = yesterday();
    insertRow(30003, before, "");
    insertRow(30019, "2020-02-02 10:00:00", "say \"hi\"\\");
    insertRow(30004, NSUI::getCurrentDateTime(), "");
    CannedReply slow;
    slow.body = ServiceTestServer::base64(R"({"Status":"0"})");
    slow.delay = std::chrono::milliseconds(300);
    server.queue("/st/up.php", slow);
    stats->uploadStats();
    EXPECT_TRUE(stats->isUploadInFlight());
    // Rows recorded while the upload is out were not in it and must survive its answer.
    insertRow(30007, "2019-01-01 00:00:00", "late");
    stats->uploadStats();
    ASSERT_TRUE(arrived("/st/up.php", 1));
    ASSERT_TRUE(pumpUntil([&] { return !stats->isUploadInFlight(); }));
    ASSERT_EQ(server.requests("/st/up.php").size(), 1u);

    const std::string body = decodedBody(server.requests("/st/up.php").front());
    const std::string appid = AppConfig::getInstance()->getAppIdentifier();
    EXPECT_EQ(body, R"({"number":"2","appid":")" + appid + R"(","type0":"30003","time0":")" +
                        before +
                        R"(","value0":"","type1":"30019","time1":"2020-02-02 10:00:00",)"
                        R"("value1":"say \"hi\"\\"})");
    EXPECT_EQ(rows("select type from stat order by ID"),
              (std::vector<std::vector<std::string>>{{"30004"}, {"30007"}}));
}

TEST_F(StatApplicationTest, RowsStayUnlessTheAnswerSaysStatusZero) {
    const std::pair<const char*, CannedReply> cases[] = {
        {"status 1", {200, ServiceTestServer::base64(R"({"Status":"1"})")}},
        {"no status", {200, ServiceTestServer::base64(R"({"other":"0"})")}},
        {"server error", {500, ServiceTestServer::base64(R"({"Status":"0"})")}},
        {"closed", {200, "", "text/plain", std::chrono::milliseconds(0), true}},
    };
    statApplication* stats = started();
    insertRow(30003, yesterday(), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        server.clearRequests();
        server.queue("/st/up.php", c.second);
        stats->uploadStats();
        ASSERT_TRUE(arrived("/st/up.php", 1));
        ASSERT_TRUE(pumpUntil([&] { return !stats->isUploadInFlight(); }));
        EXPECT_EQ(rows("select count(*) from stat").at(0).at(0), "1");
    }
}

TEST_F(StatApplicationTest, AnUploadAddressThatIsNotSecureIsRefused) {
    CannedReply plain;
    plain.body = ServiceTestServer::base64("http://stats.example.org/up.php");
    server.queue("/st/gi.php", plain);
    statApplication* stats = statApplication::getInstance();
    stats->requestStatUrl();
    ASSERT_TRUE(arrived("/st/gi.php", 1));
    for (int i = 0; i < 20; ++i) {
        frame();
    }
    EXPECT_TRUE(stats->getUploadUrl().empty());
}

}  // namespace
}  // namespace onlinetest
