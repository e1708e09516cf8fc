#include "engine/platform/FileUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/lib/TempDir.h"

using cocos2d::Data;
using cocos2d::FileUtils;
using cocos2d::Value;
using cocos2d::ValueMap;
using cocos2d::ValueVector;

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

// Sets or unsets an environment variable for the scope and restores the old value after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : _name(name) {
        if (const char* old = std::getenv(name)) {
            _old = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (_old) {
            setenv(_name, _old->c_str(), 1);
        } else {
            unsetenv(_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* _name;
    std::optional<std::string> _old;
};

class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileUtils::destroyInstance();
        files = FileUtils::getInstance();
        files->setDefaultResourceRootPath(root.str());
    }
    void TearDown() override { FileUtils::destroyInstance(); }

    bvtest::TempDir root;
    FileUtils* files = nullptr;
};

TEST_F(FileUtilsTest, SearchPathsAreTriedInOrderWithTheRootLast) {
    writeFile(root / "a/x.txt", "a");
    writeFile(root / "b/x.txt", "b");
    writeFile(root / "b/y.txt", "b");
    writeFile(root / "only-root.txt", "root");
    bvtest::TempDir elsewhere;
    writeFile(elsewhere / "z.txt", "z");

    files->setSearchPaths({"a", "b", elsewhere.str()});
    EXPECT_EQ(files->getSearchPaths(),
              (std::vector<std::string>{root.str() + "a/", root.str() + "b/", elsewhere.str(),
                                        root.str()}));
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "a/x.txt");
    EXPECT_EQ(files->fullPathForFilename("y.txt"), root.str() + "b/y.txt");
    EXPECT_EQ(files->fullPathForFilename("z.txt"), elsewhere.str() + "z.txt");
    EXPECT_EQ(files->fullPathForFilename("only-root.txt"), root.str() + "only-root.txt");
    EXPECT_EQ(files->fullPathForFilename("a/x.txt"), root.str() + "a/x.txt");
    EXPECT_EQ(files->fullPathForFilename("missing.txt"), "");
    EXPECT_EQ(files->fullPathForFilename("a"), "");  // folders are not files
    EXPECT_EQ(files->fullPathForFilename(""), "");
    EXPECT_EQ(files->fullPathForFilename("/no/such/file"), "/no/such/file");

    files->addSearchPath("b", true);
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "b/x.txt");
    EXPECT_EQ(files->getStringFromFile("x.txt"), "b");
}

TEST_F(FileUtilsTest, CachedLookupsFollowFilesThatMoveAway) {
    writeFile(root / "a/x.txt", "a");
    writeFile(root / "b/x.txt", "b");
    files->setSearchPaths({"a", "b"});
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "a/x.txt");
    fs::remove(root / "a/x.txt");
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "b/x.txt");

    writeFile(root / "a/x.txt", "a again");
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "b/x.txt");  // still cached
    files->purgeCachedEntries();
    EXPECT_EQ(files->fullPathForFilename("x.txt"), root.str() + "a/x.txt");
}

TEST_F(FileUtilsTest, ResourceRootComesFromTheEnvironmentWhenNotSet) {
    bvtest::TempDir other;
    writeFile(other / "r.txt", "r");
    ScopedEnv env("BRIMVALE_RESOURCE_ROOT", other.path().string().c_str());
    FileUtils::destroyInstance();
    FileUtils* fresh = FileUtils::getInstance();
    EXPECT_EQ(fresh->getDefaultResourceRootPath(), other.str());
    EXPECT_EQ(fresh->fullPathForFilename("r.txt"), other.str() + "r.txt");
}

TEST_F(FileUtilsTest, ResourceRootDefaultsToAFolderNamedResources) {
    ScopedEnv env("BRIMVALE_RESOURCE_ROOT", nullptr);
    FileUtils::destroyInstance();
    const std::string detected = FileUtils::getInstance()->getDefaultResourceRootPath();
    const std::string suffix = "/resources/";
    ASSERT_GE(detected.size(), suffix.size());
    EXPECT_EQ(detected.substr(detected.size() - suffix.size()), suffix);
    EXPECT_EQ(FileUtils::getInstance()->getSearchPaths(), std::vector<std::string>{detected});
}

TEST_F(FileUtilsTest, ResourceRootIsFoundFromTheExecutablesFolder) {
    // A self-contained folder with resources/ beside the program wins over an install layout.
    writeFile(root / "portable/resources/a.txt", "a");
    writeFile(root / "share/brimvale/resources/b.txt", "b");
    fs::create_directories(root / "bin");
    struct Case {
        std::string folder;
        std::string expected;
    };
    const Case cases[] = {
        {root.str() + "portable", root.str() + "portable/resources/"},
        {root.str() + "portable/", root.str() + "portable/resources/"},
        {root.str() + "bin", root.str() + "share/brimvale/resources/"},
        {root.str() + "bin/", root.str() + "share/brimvale/resources/"},
        // Neither there: the install layout, so that the missing files are named there.
        {root.str() + "elsewhere/bin", root.str() + "elsewhere/share/brimvale/resources/"},
        {"", "resources/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileUtils::resourceRootBesideExecutable(c.folder), c.expected) << c.folder;
    }
}

TEST_F(FileUtilsTest, ReadsWholeFilesAsTextAndBytes) {
    const std::string bytes("head\0tail\xff", 10);
    writeFile(root / "bin.dat", bytes);
    EXPECT_EQ(files->getStringFromFile("bin.dat"), bytes);
    const Data data = files->getDataFromFile("bin.dat");
    ASSERT_EQ(data.getSize(), 10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.getBytes()), 10), bytes);
    EXPECT_EQ(files->getStringFromFile(root.str() + "bin.dat"), bytes);

    writeFile(root / "empty.txt", "");
    EXPECT_EQ(files->getStringFromFile("empty.txt"), "");
    EXPECT_TRUE(files->getDataFromFile("empty.txt").isNull());
    EXPECT_TRUE(files->getDataFromFile("missing").isNull());
    EXPECT_EQ(files->getStringFromFile(root.str()), "");
}

ValueMap everyKindOfValue() {
    ValueVector inner;
    inner.push_back(Value("first"));
    inner.push_back(Value(2));
    inner.push_back(Value(ValueMap{{"deep", Value(true)}}));
    inner.push_back(Value(ValueVector{}));
    return ValueMap{
        {"text", Value("plain")},
        {"markup", Value("<a href=\"x\">&amp;</a> 'q'")},
        {"utf8", Value("Grüße, 日本語, 😀")},
        {"spaces", Value("  padded\tand\nnewlines  ")},
        {"whitespace only", Value("   ")},
        {"carriage", Value("line\r\nnext\r")},
        {"controls", Value(std::string("\x01\x02\x1f", 3))},
        {"empty", Value("")},
        {"", Value("empty key")},
        {"int", Value(-42)},
        {"intmax", Value(2147483647)},
        {"real", Value(0.1)},
        {"huge", Value(1e300)},
        {"tiny", Value(-4.9e-324)},
        {"yes", Value(true)},
        {"no", Value(false)},
        {"list", Value(inner)},
        {"nested", Value(ValueMap{{"k", Value("v")}, {"empty", Value(ValueMap{})}})},
    };
}

TEST_F(FileUtilsTest, PlistRoundTripKeepsEveryValue) {
    const ValueMap original = everyKindOfValue();
    const std::string path = root.str() + "all.plist";
    ASSERT_TRUE(files->writeValueMapToFile(original, path));
    const ValueMap loaded = files->getValueMapFromFile(path);
    ASSERT_EQ(loaded.size(), original.size());
    for (const auto& [key, value] : original) {
        const auto it = loaded.find(key);
        ASSERT_NE(it, loaded.end()) << key;
        EXPECT_EQ(it->second, value) << key << ": " << it->second.getDescription();
    }
    EXPECT_EQ(loaded.at("real").asDouble(), 0.1);  // exact, not just close
    EXPECT_EQ(loaded.at("huge").asDouble(), 1e300);

    const ValueVector list{Value(1), Value("two"), Value(3.5), Value(ValueMap{})};
    ASSERT_TRUE(files->writeValueVectorToFile(list, root.str() + "list.plist"));
    EXPECT_EQ(files->getValueVectorFromFile("list.plist"), list);
}

TEST_F(FileUtilsTest, PlistWriteReplacesTheFileWhole) {
    const std::string path = root.str() + "settings.plist";
    ASSERT_TRUE(files->writeValueMapToFile(ValueMap{{"a", Value(1)}, {"b", Value(2)}}, path));
    ASSERT_TRUE(files->writeValueMapToFile(ValueMap{{"a", Value(3)}}, path));
    EXPECT_EQ(files->getValueMapFromFile(path), (ValueMap{{"a", Value(3)}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(files->writeValueMapToFile(ValueMap{}, root.str() + "no/such/folder/x.plist"));
    EXPECT_FALSE(files->writeStringToFile("x", ""));
}

TEST_F(FileUtilsTest, ReadsHandWrittenPlists) {
    const std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>when</key>
    <date>2024-01-02T03:04:05Z</date>
    <key>blob</key>
    <data>
        aGVs
        bG8=
    </data>
    <key>big</key>
    <integer>3000000000</integer>
    <key>neg</key>
    <integer>-17</integer>
    <key>exp</key>
    <real>2.5e3</real>
    <key>dangling</key>
    <key>after</key>
    <string>kept</string>
    <key>odd</key>
    <unknown>x</unknown>
    <key>emptyString</key>
    <string/>
</dict>
</plist>)";
    const ValueMap map = files->getValueMapFromData(text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(map.at("when").asString(), "2024-01-02T03:04:05Z");
    EXPECT_EQ(map.at("blob").asString(), "aGVsbG8=");
    EXPECT_EQ(map.at("big").asDouble(), 3000000000.0);
    EXPECT_EQ(map.at("neg"), Value(-17));
    EXPECT_EQ(map.at("exp").asDouble(), 2500.0);
    EXPECT_EQ(map.count("dangling"), 0u);
    EXPECT_EQ(map.at("after").asString(), "kept");
    EXPECT_TRUE(map.at("odd").isNull());
    EXPECT_EQ(map.at("emptyString"), Value(""));
}

TEST_F(FileUtilsTest, UnreadablePlistsGiveEmptyContainers) {
    const std::string broken = "<plist><dict><key>a</key><string>x</dict>";
    EXPECT_TRUE(files->getValueMapFromData(broken.data(), static_cast<int>(broken.size())).empty());
    EXPECT_TRUE(files->getValueMapFromData(nullptr, 0).empty());
    writeFile(root / "array.plist", "<plist><array><string>a</string></array></plist>");
    EXPECT_TRUE(files->getValueMapFromFile("array.plist").empty());
    EXPECT_EQ(files->getValueVectorFromFile("array.plist"), ValueVector{Value("a")});
    writeFile(root / "dict.plist", "<plist><dict/></plist>");
    EXPECT_TRUE(files->getValueVectorFromFile("dict.plist").empty());
    EXPECT_TRUE(files->getValueMapFromFile("missing.plist").empty());
}

TEST_F(FileUtilsTest, CreatesAndRemovesFolderTrees) {
    const std::string deep = root.str() + "one/two/three/";
    EXPECT_FALSE(files->isDirectoryExist(deep));
    EXPECT_TRUE(files->createDirectory(deep));
    EXPECT_TRUE(files->isDirectoryExist(deep));
    EXPECT_TRUE(files->createDirectory(deep));  // already there
    EXPECT_TRUE(files->isDirectoryExist("one/two"));

    writeFile(root / "one/two/three/f.txt", "f");
    writeFile(root / "one/g.txt", "g");
    writeFile(root / "one/.hidden/h.txt", "h");
    EXPECT_FALSE(files->createDirectory(root.str() + "one/g.txt"));
    EXPECT_FALSE(files->createDirectory(root.str() + "one/g.txt/sub"));

    EXPECT_TRUE(files->removeDirectory(root.str() + "one/"));
    EXPECT_FALSE(fs::exists(root / "one"));
    EXPECT_FALSE(files->removeDirectory(root.str() + "one/"));
    writeFile(root / "file.txt", "x");
    EXPECT_FALSE(files->removeDirectory(root.str() + "file.txt"));
    EXPECT_TRUE(fs::exists(root / "file.txt"));
}

TEST_F(FileUtilsTest, RenamesFilesAndFolders) {
    writeFile(root / "old.txt", "content");
    EXPECT_TRUE(files->renameFile(root.str(), "old.txt", "new.txt"));
    EXPECT_FALSE(files->isFileExist(root.str() + "old.txt"));
    EXPECT_EQ(files->getStringFromFile(root.str() + "new.txt"), "content");

    writeFile(root / "other.txt", "other");
    EXPECT_TRUE(files->renameFile(root.str() + "other.txt", root.str() + "new.txt"));
    EXPECT_EQ(files->getStringFromFile(root.str() + "new.txt"), "other");

    writeFile(root / "dir/inside.txt", "i");
    EXPECT_TRUE(files->renameFile(root.str() + "dir", root.str() + "moved"));
    EXPECT_TRUE(files->isFileExist(root.str() + "moved/inside.txt"));

    EXPECT_FALSE(files->renameFile(root.str() + "absent", root.str() + "x"));
    EXPECT_FALSE(files->renameFile(root.path().string(), "absent", "x"));
}

TEST_F(FileUtilsTest, ReportsSizesAndExistence) {
    writeFile(root / "sub/five.txt", "12345");
    files->setSearchPaths({"sub"});
    EXPECT_EQ(files->getFileSize(root.str() + "sub/five.txt"), 5);
    EXPECT_EQ(files->getFileSize("five.txt"), 5);
    EXPECT_EQ(files->getFileSize("missing"), -1);
    EXPECT_EQ(files->getFileSize(root.str() + "sub"), -1);
    EXPECT_TRUE(files->isFileExist("five.txt"));
    EXPECT_TRUE(files->isFileExist(root.str() + "sub/five.txt"));
    EXPECT_FALSE(files->isFileExist(root.str() + "sub"));
    EXPECT_FALSE(files->isDirectoryExist(root.str() + "sub/five.txt"));
    EXPECT_TRUE(files->isDirectoryExist(root.str() + "sub"));

    EXPECT_TRUE(files->removeFile(root.str() + "sub/five.txt"));
    EXPECT_FALSE(files->isFileExist("five.txt"));
    EXPECT_FALSE(files->removeFile(root.str() + "sub/five.txt"));
}

TEST_F(FileUtilsTest, WritablePathFollowsTheEnvironment) {
    bvtest::TempDir base;
    {
        ScopedEnv writable("BRIMVALE_WRITABLE_PATH", (base.str() + "w").c_str());
        EXPECT_EQ(files->getWritablePath(), base.str() + "w/");
        EXPECT_TRUE(fs::is_directory(base / "w"));
    }
    {
        ScopedEnv writable("BRIMVALE_WRITABLE_PATH", nullptr);
        ScopedEnv xdg("XDG_DATA_HOME", (base.str() + "xdg").c_str());
        EXPECT_EQ(files->getWritablePath(), base.str() + "xdg/brimvale/");
        EXPECT_TRUE(fs::is_directory(base / "xdg/brimvale"));
    }
    {
        ScopedEnv writable("BRIMVALE_WRITABLE_PATH", nullptr);
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", base.path().string().c_str());
        EXPECT_EQ(files->getWritablePath(), base.str() + ".local/share/brimvale/");
        EXPECT_TRUE(fs::is_directory(base / ".local/share/brimvale"));
    }
    files->setWritablePath(base.str() + "set");
    EXPECT_EQ(files->getWritablePath(), base.str() + "set/");
}

}  // namespace
