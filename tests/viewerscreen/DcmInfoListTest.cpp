#include "viewerscreen/dcmInfoList.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"
#include "tests/viewerscreen/ToolsFixture.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"

namespace toolstest {
namespace {

// Runs frames until the condition holds; false after about ten seconds.
bool pumpUntil(const std::function<bool()>& condition) {
    return bvtest::runFramesUntil(condition, 10.0, 0.05f);
}

class DcmInfoListTest : public ToolsTest {
protected:
    // A CT image whose data set also holds two private blocks, written by DCMTK.
    std::string writeFixture() {
        bvtest::DicomFixture fixture;
        fixture.customise = [](DcmDataset& data) {
            data.putAndInsertString(DcmTag(0x0009, 0x0010, EVR_LO), "BRIMVALE TEST");
            data.putAndInsertString(DcmTag(0x0009, 0x1001, EVR_LO), "first private");
            data.putAndInsertString(DcmTag(0x0011, 0x0010, EVR_LO), "OTHER VENDOR");
            data.putAndInsertString(DcmTag(0x0011, 0x1002, EVR_SH), "second");
            data.putAndInsertString(DCM_ReferringPhysicianName, "Kim^Lee");
        };
        const std::string path = dir.str() + "/image.dcm";
        EXPECT_TRUE(fixture.write(path));
        return path;
    }

    dcmInfoList* open(const std::string& path) {
        window = dcmInfoList::createWindow();
        EXPECT_NE(window, nullptr);
        auto* list = dynamic_cast<dcmInfoList*>(window->getChildByNameDeep("dcmInfo"));
        EXPECT_NE(list, nullptr);
        list->setFilePath(path);
        scene->addChild(window);
        return list;
    }

    static std::vector<dcmInfoList::listObject*> rows(const dcmInfoList* list) {
        std::vector<dcmInfoList::listObject*> out;
        for (ssize_t i = 0; i < list->getTable()->getItemCount(); ++i) {
            out.push_back(dynamic_cast<dcmInfoList::listObject*>(list->getTable()->getItem(i)));
        }
        return out;
    }

    bvtest::TempDir dir{"taglist"};
    NSUI::NSResponseWindow* window = nullptr;
};

bool isPrivateTag(const std::string& tag) {
    // "(gggg,eeee)" with an odd group.
    return tag.size() >= 5 && (std::stoi(tag.substr(1, 4), nullptr, 16) & 1) == 1;
}

TEST_F(DcmInfoListTest, ListsEveryElementWithThePrivateOnesLast) {
    dcmInfoList* list = open(writeFixture());
    ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); }));
    const std::vector<dcmInfoList::listObject*> all = rows(list);
    ASSERT_GT(all.size(), 20u);
    std::vector<std::string> tags;
    for (const dcmInfoList::listObject* row : all) {
        tags.push_back(row->tagText);
    }
    const std::vector<std::string> privateTail(tags.end() - 4, tags.end());
    EXPECT_EQ(privateTail, std::vector<std::string>(
                               {"(0009,0010)", "(0009,1001)", "(0011,0010)", "(0011,1002)"}));
    for (size_t i = 0; i + 4 < tags.size(); ++i) {
        EXPECT_FALSE(isPrivateTag(tags[i])) << tags[i];
    }
    // The others keep the file's order: the meta information, then the data set by tag.
    EXPECT_EQ(tags.front().substr(0, 5), "(0002");
    std::string previous;
    for (size_t i = 0; i + 4 < tags.size(); ++i) {
        if (tags[i][0] == '>') {
            continue;  // an item's element follows its sequence
        }
        EXPECT_LT(previous, tags[i]);
        previous = tags[i];
    }
    const auto find = [&](const std::string& tag) -> const dcmInfoList::listObject* {
        for (const dcmInfoList::listObject* row : all) {
            if (row->tagText == tag) {
                return row;
            }
        }
        return nullptr;
    };
    const dcmInfoList::listObject* physician = find("(0008,0090)");
    ASSERT_NE(physician, nullptr);
    EXPECT_EQ(physician->tagName, "ReferringPhysicia\u2026")
        << "a description of more than 20 bytes is cut to them with its ellipsis";
    EXPECT_EQ(physician->tagValue, "Kim^Lee");
    const dcmInfoList::listObject* privateValue = find("(0009,1001)");
    ASSERT_NE(privateValue, nullptr);
    EXPECT_EQ(privateValue->tagValue, "first private");
}

TEST_F(DcmInfoListTest, CutsDescriptionsAtCharacterBoundaries) {
    const struct {
        std::string text;
        std::string kept;
    } cases[] = {
        {"PatientName", "PatientName"},
        {"ImagePositionPatient", "ImagePositionPatient"},  // exactly 20 bytes
        {"ImageOrientationPatient", "ImageOrientationP\u2026"},
        {std::string(11, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",  // 11 + 5 two-byte
         std::string(11, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9\u2026"},
        {"\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD",
         "\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD\u2026"},
        {"a\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
         "a\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\u2026"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dcmInfoList::cutText(c.text, dcmInfoList::kNameBytes), c.kept) << c.text;
    }
}

TEST_F(DcmInfoListTest, RowsSpanTheTableAndShowTheirThreeTexts) {
    dcmInfoList* list = open(writeFixture());
    ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); }));
    frames(2);
    NSUI::NSListView* table = list->getTable();
    ASSERT_NE(table, nullptr);
    EXPECT_GT(table->getContentSize().width, 0.0f);
    NSUI::NSTableViewCell* cell = table->cellAtIndex(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->size, cocos2d::Size(table->getContentSize().width, 35.0f));
    const cocos2d::Node* layout = cell->getChildByTag(100);
    ASSERT_NE(layout, nullptr);
    const auto* row = dynamic_cast<dcmInfoList::listObject*>(table->getItem(0));
    const auto text = [&](const char* name) {
        auto* widget = dynamic_cast<cocos2d::ui::Text*>(layout->getChildByNameDeep(name));
        return widget != nullptr ? widget->getString() : std::string("<missing>");
    };
    EXPECT_EQ(text("tag"), row->tagText);
    EXPECT_EQ(text("intro"), row->tagName);
    EXPECT_EQ(text("value"), row->tagValue);
    // The whole pop-up lies inside the window.
    const cocos2d::Node* panel = list->getChildByNameDeep("dcmInfo.csb");
    const cocos2d::Vec2 low = panel->convertToWorldSpace(cocos2d::Vec2::ZERO);
    EXPECT_GE(low.x, 0.0f);
    EXPECT_GE(low.y, 0.0f);
    EXPECT_LE(low.x + panel->getContentSize().width, kWidth);
}

TEST_F(DcmInfoListTest, UnreadableFilesAndShortPathsGiveAnEmptyList) {
    for (const std::string& path :
         {std::string("ab"), dir.str() + "/missing.dcm", std::string("/etc/hostname")}) {
        dcmInfoList* list = open(path);
        ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); })) << path;
        EXPECT_EQ(list->getTable()->getItemCount(), 0) << path;
        window->removeFromParent();
    }
}

// The pop-up's title bar, its title and its close button lie at the top of its panel.
TEST_F(DcmInfoListTest, TheTitleBarIsPlacedAtTheTopOfThePanel) {
    dcmInfoList* list = open(writeFixture());
    ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); }));
    cocos2d::Node* panel = window->getChildByNameDeep("dcmInfo.csb");
    ASSERT_NE(panel, nullptr);
    const cocos2d::Rect bounds = panel->getBoundingBox();
    for (const char* name : {"titleBar", "title", "btn_back"}) {
        cocos2d::Node* node = panel->getChildByNameDeep(name);
        ASSERT_NE(node, nullptr) << name;
        const cocos2d::Rect box = node->getBoundingBox();
        const cocos2d::Vec2 local =
            panel->convertToNodeSpace(node->getParent()->convertToWorldSpace(box.origin));
        EXPECT_GE(local.x, 0.0f) << name;
        EXPECT_LE(local.x + box.size.width, bounds.size.width + 0.5f) << name;
        EXPECT_GE(local.y, bounds.size.height - 60.5f) << name;
        EXPECT_LE(local.y + box.size.height, bounds.size.height + 0.5f) << name;
    }
}

TEST_F(DcmInfoListTest, BackRemovesTheWholeWindow) {
    dcmInfoList* list = open(writeFixture());
    ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); }));
    window->retain();
    list->onBackClick(list->getChildByNameDeep("btn_back"));
    EXPECT_EQ(window->getParent(), nullptr);
    window->release();
}

TEST_F(DcmInfoListTest, ClosingDuringASlowReadNeitherWaitsNorLosesTheList) {
    // Opening a pipe to read blocks until a writer comes.
    const std::string pipe = dir.str() + "/slow.dcm";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    dcmInfoList* list = open(pipe);
    list->retain();
    EXPECT_FALSE(list->isLoaded());
    list->onBackClick(list->getChildByNameDeep("btn_back"));
    EXPECT_EQ(window->getParent(), nullptr);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    const unsigned whileReading = list->getReferenceCount();

    const int writer = ::open(pipe.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ::close(writer);
    ASSERT_TRUE(pumpUntil([&] { return list->isLoaded(); }));
    EXPECT_EQ(list->getReferenceCount(), whileReading - 1) << "the hand-back let go of the list";
    EXPECT_EQ(list->getTable()->getItemCount(), 0) << "a closed list gets no rows";
    list->release();
}

}  // namespace
}  // namespace toolstest
