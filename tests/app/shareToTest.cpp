#include "app/shareTo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "platform/FileDialogs.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/ZipRoutines.h"
#include "toolkit/widgets/NSActivity.h"
#include "toolkit/widgets/UIControlBase.h"

namespace fs = std::filesystem;
using cocos2d::Node;

namespace {

// A screen as the callers have one: a node with the toast mixin.
class Screen : public Node, public NSUI::UIControlBase {
public:
    static Screen* create() {
        auto* screen = new Screen();
        screen->init();
        screen->owner = screen;
        screen->autorelease();
        return screen;
    }
};

std::map<std::string, std::string> readTree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[fs::relative(entry.path(), root).generic_string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return files;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string noise(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

class ShareToTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        // The sharing texts come from the program's own language table.
        language.load();
        ASSERT_TRUE(language.isLoaded());
        NSUI::setSharedLanguage(&language);
        NSUI::NSNotificationCenter::getInstance();
        frame(0.0f);
        frame(0.5f);
        screen = Screen::create();
        scene->addChild(screen);
        platform::setFileDialogProvider([this](const platform::FileDialogRequest& request) {
            ++dialogs;
            lastRequest = request;
            return answer;
        });
    }

    void TearDown() override {
        platform::setFileDialogProvider(nullptr);
        NSUI::NSActivity::hideActivity();
        NSUI::NSNotificationCenter::destroyInstance();
        NSUI::setSharedLanguage(nullptr);
        RunningSceneTest::TearDown();
    }

    // Starts sharing from the screen; the node is the screen's child until it removes itself.
    shareTo* share(const std::string& source) {
        shareTo* node = shareTo::create();
        screen->addChild(node);
        node->shareData(source, "EXAMPLE^PHANTOM");
        return node;
    }

    bool sharing() const {
        for (Node* child : screen->getChildren()) {
            if (dynamic_cast<shareTo*>(child) != nullptr) {
                return true;
            }
        }
        return false;
    }

    // Frames until the sharing node has gone (false after about 30 s).
    bool finish() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (sharing() && std::chrono::steady_clock::now() < end) {
            frame(1.0f / 60.0f);
        }
        return !sharing();
    }

    std::string toast() {
        Node* box = scene->getChildByName("messageBox");
        auto* text =
            box != nullptr
                ? dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"))
                : nullptr;
        return text != nullptr && box->isVisible() ? text->getString() : std::string();
    }

    // The source folder of a small series.
    fs::path writeSeries() {
        const fs::path source = temp / "patient" / "series 1";
        writeFile(source / "IM0001.dcm", noise(3000, 1));
        writeFile(source / "IM0002.dcm", std::string(5000, 'a'));
        writeFile(source / "sub" / "IM0003.dcm", "third");
        return source;
    }

    NSUI::NSLanguage language;
    bvtest::TempDir temp{"share"};
    Screen* screen = nullptr;
    std::optional<std::string> answer;
    int dialogs = 0;
    platform::FileDialogRequest lastRequest;
};

TEST_F(ShareToTest, SharedFolderReadsBackWholeFromTheArchive) {
    const fs::path source = writeSeries();
    // With and without the extension, the archive ends up with one ".zip".
    for (const std::string chosen : {"out/first", "out/second.zip"}) {
        SCOPED_TRACE(chosen);
        answer = (temp / chosen).string();
        shareTo* node = share(source.string());
        EXPECT_EQ(lastRequest.kind, platform::FileDialogKind::SaveFile);
        EXPECT_EQ(lastRequest.filterName, "All Files");
        const std::string archive = node->getArchivePath();
        EXPECT_EQ(archive,
                  (temp / "out" / (chosen == "out/first" ? "first.zip" : "second.zip")).string());
        // The overlay covers the screen while the archive is written.
        NSUI::NSActivity* activity = NSUI::getSharedActivity();
        ASSERT_NE(activity, nullptr);
        EXPECT_EQ(activity->message, language.getString(shareTo::kCompressingKey));
        EXPECT_EQ(activity->textColor, cocos2d::Color4B::WHITE);

        ASSERT_TRUE(finish());
        EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
        EXPECT_EQ(toast(), "");
        const fs::path unpacked = temp / ("unpacked-" + fs::path(archive).stem().string());
        ASSERT_TRUE(NSUI::unzipFile(archive, unpacked.string() + "/", ""));
        // Entries are named from the shared folder's own name on.
        EXPECT_EQ(readTree(unpacked), readTree(source.parent_path()));
    }
    EXPECT_FALSE(fs::exists(temp / "out" / "first.zip.zip"));
    EXPECT_FALSE(fs::exists(temp / "out" / "second.zip.zip"));
}

TEST_F(ShareToTest, APatientIsSharedAsItsDicomFilesWithoutTheThumbnails) {
    const fs::path series = writeSeries();
    const std::map<std::string, std::string> dicom = readTree(series.parent_path());
    for (const char* name : {"thrumb0", "thrumb5", "thrumb1.part", ".marker"}) {
        writeFile(series / name, "\x89PNG thumbnail");
    }
    answer = (temp / "patient.zip").string();
    share((temp / "patient").string());
    ASSERT_TRUE(finish());
    EXPECT_EQ(toast(), "");
    const fs::path unpacked = temp / "unpacked-patient";
    ASSERT_TRUE(NSUI::unzipFile(*answer, unpacked.string() + "/", ""));
    EXPECT_EQ(readTree(unpacked / "patient"), dicom);
}

TEST_F(ShareToTest, CancelStopsThePackingAndLeavesNoArchive) {
    // Enough incompressible data that the packing is still running when the cancel arrives.
    const fs::path source = temp / "large";
    for (int i = 0; i < 200; ++i) {
        writeFile(source / ("IM" + std::to_string(i) + ".dcm"), noise(256 * 1024, i));
    }
    answer = (temp / "large.zip").string();
    share(source.string());
    NSUI::NSActivity* activity = NSUI::getSharedActivity();
    ASSERT_NE(activity, nullptr);
    cocos2d::ui::Button* cancel = nullptr;
    for (Node* child : activity->getChildren()) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(child)) {
            cancel = button;
        }
    }
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->getTitleText(), language.getString(shareTo::kCancelKey));
    // Cancelled once the archive is being written, so that a partial file exists to be removed.
    const auto started = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(temp / "large.zip") && std::chrono::steady_clock::now() < started) {
        frame(1.0f / 60.0f);
    }
    ASSERT_TRUE(sharing()) << "the packing ended before it could be cancelled";
    const cocos2d::Vec2 at = cancel->getParent()->convertToWorldSpace(cancel->getPosition());
    tap(at.x, at.y);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(finish());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(fs::exists(temp / "large.zip"));
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    EXPECT_EQ(toast(), language.getString(shareTo::kFailedKey));
}

TEST_F(ShareToTest, NothingToPackEndsWithTheFailureToastAndNoArchive) {
    fs::create_directories(temp / "empty");
    const struct {
        const char* name;
        std::string source;
    } cases[] = {
        {"empty folder", (temp / "empty").string()},
        {"missing folder", (temp / "missing").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        answer = (temp / (std::string(c.name) + ".zip")).string();
        share(c.source);
        ASSERT_TRUE(finish());
        EXPECT_FALSE(fs::exists(*answer));
        EXPECT_EQ(toast(), language.getString(shareTo::kFailedKey));
    }
}

TEST_F(ShareToTest, ArchiveInsideTheSharedFolderIsRefusedAndTheFolderKeptAsItWas) {
    const fs::path source = writeSeries();
    fs::create_symlink(source, temp / "link");
    const auto before = readTree(source);
    // Straight into the folder, and into a sub-folder of it reached through a link.
    for (const fs::path& chosen : {source / "all.zip", temp / "link" / "sub" / "all.zip"}) {
        SCOPED_TRACE(chosen.string());
        answer = chosen.string();
        share(source.string());
        ASSERT_TRUE(finish());
        EXPECT_EQ(toast(), language.getString(shareTo::kFailedKey));
        EXPECT_EQ(readTree(source), before);
    }
}

TEST_F(ShareToTest, EmptySourceStaysIdleAndCancelledDialogRemovesTheNode) {
    shareTo* idle = share("");
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(idle->getParent(), screen);
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    idle->removeFromParent();

    answer.reset();
    share(writeSeries().string());
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(sharing());
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    frame(1.0f / 60.0f);
    EXPECT_EQ(toast(), "");
}

TEST_F(ShareToTest, ScreenClosedWhilePackingStopsAndJoinsTheWorker) {
    const fs::path source = temp / "large";
    for (int i = 0; i < 100; ++i) {
        writeFile(source / ("IM" + std::to_string(i) + ".dcm"), noise(256 * 1024, i));
    }
    answer = (temp / "closed.zip").string();
    share(source.string());
    // The screen goes with the node on it: its cleanup ends the packing before returning.
    screen->removeFromParent();
    EXPECT_FALSE(fs::exists(temp / "closed.zip"));
    for (int i = 0; i < 5; ++i) {
        frame(1.0f / 60.0f);
    }
    EXPECT_EQ(toast(), "");
}

}  // namespace
