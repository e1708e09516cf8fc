#include "online/updateService.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "OnlineFixture.h"
#include "engine/base/RefPtr.h"

namespace onlinetest {
namespace {

namespace fs = std::filesystem;

std::string md5Of(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class UpdateServiceTest : public OnlineTest {
protected:
    // Publishes files under /files/ and a manifest of them (md5 as given, else the true one).
    void publish(const std::string& version,
                 const std::vector<std::pair<std::string, std::string>>& files,
                 const std::map<std::string, std::string>& md5s = {}) {
        std::string assets;
        for (const auto& file : files) {
            CannedReply reply;
            reply.body = file.second;
            server.setStanding("/files/" + file.first, reply);
            const auto given = md5s.find(file.first);
            assets += std::string(assets.empty() ? "" : ",") + "\"" + file.first +
                      "\":{\"md5\":\"" +
                      (given != md5s.end() ? given->second : md5Of(file.second)) + "\"}";
        }
        CannedReply manifest;
        manifest.body = "{\"version\":\"" + version + "\",\"packageUrl\":\"" + server.baseUrl() +
                        "/files/\",\"assets\":{" + assets + "}}";
        server.setStanding("/ud/u.php", manifest);
    }

    // One cycle, run to its end; the service is returned still held.
    cocos2d::RefPtr<updateService> cycle() {
        auto service = cocos2d::RefPtr<updateService>::retained(updateService::create());
        EXPECT_TRUE(pumpUntil([&] { return !service->isBusy(); }));
        return service;
    }

    int pathsNamed(const std::string& part) const {
        const auto paths = cocos2d::FileUtils::getInstance()->getSearchPaths();
        return static_cast<int>(std::count_if(paths.begin(), paths.end(), [&](const auto& p) {
            return p.find(part) != std::string::npos;
        }));
    }
};

TEST_F(UpdateServiceTest, FirstRunChecksAtOnceFromFolderOne) {
    publish("1.0.0", {});
    auto service = cycle();
    EXPECT_EQ(service->getCurrentFolder(), service->folderPath(1));
    EXPECT_TRUE(fs::is_directory(service->getCurrentFolder()));
    EXPECT_EQ(cocos2d::FileUtils::getInstance()->getSearchPaths().front(),
              service->getCurrentFolder() + "/");
    ASSERT_EQ(server.requests("/ud/cv2.php").size(), 1u);
    const std::string body = decodedBody(server.requests("/ud/cv2.php").front());
    EXPECT_EQ(body.find(R"({"app_version":"2.9","device_info":")"), 0u) << body;
    EXPECT_EQ(server.requests("/ud/u.php").size(), 1u);
}

TEST_F(UpdateServiceTest, AFinishedUpdateIsAdoptedByTheNextCycleWithTheFoldersTakingTurns) {
    publish("1.0.1", {{"ads/start.html", "<p>start</p>"},
                      {"c.i", ServiceTestServer::base64(R"({"ads":"1"})")}});
    auto first = cycle();
    EXPECT_EQ(setting("update_hasValidUpdate"), "2");
    EXPECT_EQ(readAll(first->folderPath(2) + "/ads/start.html"), "<p>start</p>");
    EXPECT_TRUE(setting("app_config_ini").empty());

    auto second = cycle();
    EXPECT_EQ(setting("update_now"), "2");
    EXPECT_EQ(setting("update_hasValidUpdate"), "-1");
    EXPECT_EQ(second->getCurrentFolder(), second->folderPath(2));
    EXPECT_EQ(cocos2d::FileUtils::getInstance()->fullPathForFilename("ads/start.html"),
              second->folderPath(2) + "/ads/start.html");
    // The stale folder is now a copy of the adopted one, and "c.i" was taken over.
    EXPECT_EQ(readAll(second->folderPath(1) + "/ads/start.html"), "<p>start</p>");
    EXPECT_EQ(setting("app_config_ini"), R"({"ads":"1"})");
    EXPECT_EQ(server.requests("/ud/cv2.php").size(), 2u);

    // Same published version: nothing to fetch, nothing to adopt.
    cycle();
    EXPECT_EQ(setting("update_hasValidUpdate"), "-1");
    EXPECT_EQ(pathsNamed("update/temp1"), 1);
    EXPECT_EQ(pathsNamed("update/temp2"), 1);
}

TEST_F(UpdateServiceTest, BadAssetsLeaveTheFoldersAsTheyWere) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::map<std::string, std::string> md5s;
    };
    const Case cases[] = {
        {"md5 mismatch",
         {{"good.html", "good"}, {"bad.html", "tampered"}},
         {{"bad.html", md5Of("original")}}},
        {"parent folder", {{"good.html", "good"}, {"../escape.html", "x"}}, {}},
        {"absolute path", {{"/tmp/escape.html", "x"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        publish("2.0.0", c.files, c.md5s);
        auto service = cycle();
        EXPECT_EQ(setting("update_hasValidUpdate", "-1"), "-1");
        EXPECT_FALSE(fs::exists(service->folderPath(2) + "/good.html"));
        EXPECT_FALSE(fs::exists(service->folderPath(2) + "/project.manifest"));
        EXPECT_FALSE(fs::exists(writable.path() / "qn" / "update" / "escape.html"));
    }
}

TEST_F(UpdateServiceTest, AFileThatCannotBePutInPlaceFailsTheUpdate) {
    publish("3.0.0", {{"a.html", "a"}, {"page.html", "new"}});
    // A folder holding the name of a published file: neither a move nor a copy can replace it.
    const fs::path blocker = writable.path() / "qn" / "update" / "temp2" / "page.html";
    fs::create_directories(blocker);
    std::ofstream(blocker / "keep.txt") << "keep";
    auto service = cycle();
    EXPECT_EQ(setting("update_hasValidUpdate", "-1"), "-1");
    EXPECT_FALSE(fs::exists(service->folderPath(2) + "/project.manifest"));
    EXPECT_EQ(readAll(blocker / "keep.txt"), "keep");
}

TEST_F(UpdateServiceTest, ArchivesUnpackIntoTheFolderUnlessAnEntryEscapesIt) {
    struct Case {
        const char* name;
        const char* entries;
        bool adopted;
    };
    const Case cases[] = {
        {"plain entries", "z.writestr('page.html','ok')\n  z.writestr('sub/more.html','ok')", true},
        {"escaping entry", "z.writestr('page.html','ok')\n  z.writestr('../../evil.txt','x')",
         false},
    };
    int version = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store("update_hasValidUpdate", "-1");
        store("update_now", "1");
        fs::remove_all(writable.path() / "qn" / "update");
        const fs::path archive = writable.path() / "pages.zip";
        const fs::path maker = writable.path() / "mkzip.py";
        std::ofstream(maker)
            << "import zipfile,sys\nwith zipfile.ZipFile(sys.argv[1],'w') as z:\n  " << c.entries
            << "\n";
        ASSERT_EQ(std::system(("python3 " + maker.string() + " " + archive.string()).c_str()), 0);
        const std::string bytes = readAll(archive);
        CannedReply zip;
        zip.body = bytes;
        server.setStanding("/files/pages.zip", zip);
        CannedReply manifest;
        manifest.body = "{\"version\":\"" + std::to_string(++version) + "\",\"packageUrl\":\"" +
                        server.baseUrl() + "/files/\",\"assets\":{\"pages.zip\":{\"md5\":\"" +
                        md5Of(bytes) + "\",\"compressed\":true}}}";
        server.setStanding("/ud/u.php", manifest);
        auto service = cycle();
        const std::string folder = service->folderPath(2);
        EXPECT_EQ(setting("update_hasValidUpdate", "-1"), c.adopted ? "2" : "-1");
        EXPECT_EQ(fs::exists(folder + "/page.html"), c.adopted);
        EXPECT_EQ(fs::exists(folder + "/sub/more.html"), c.adopted);
        EXPECT_FALSE(fs::exists(folder + "/pages.zip"));
        EXPECT_FALSE(fs::exists(writable.path() / "qn" / "evil.txt"));
        EXPECT_FALSE(fs::exists(writable.path() / "evil.txt"));
    }
}

TEST_F(UpdateServiceTest, VersionAnswersResetTheNoticeCountOnlyWhenTheVersionChanges) {
    publish("1", {});
    const std::pair<const char*, const char*> cases[] = {
        {R"({"app_latest_version":"3.0"})", "3.0"},
        {R"({"app_latest_version":"3.0"})", "3.0"},
        {R"({})", ""},
    };
    const char* counts[] = {"0", "5", "0"};
    for (int i = 0; i < 3; ++i) {
        store("app_ver_check_count", "5");
        server.queueJson("/ud/cv2.php", cases[i].first);
        cycle();
        EXPECT_EQ(setting("app_latest_version"), cases[i].second) << i;
        EXPECT_EQ(setting("app_ver_check_count"), counts[i]) << i;
    }
}

TEST_F(UpdateServiceTest, AnUnreachableServiceEndsTheCycle) {
    CannedReply failure;
    failure.status = 500;
    server.queue("/ud/u.php", failure);
    auto service = cycle();
    EXPECT_FALSE(service->isBusy());
    EXPECT_EQ(setting("update_hasValidUpdate", "-1"), "-1");
}

}  // namespace
}  // namespace onlinetest
