// The layouts of the study list and the series chooser at the window sizes they are made for:
// every named widget lies inside its screen and overlaps no other, and the thumbnails fit
// beside the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/2d/Sprite.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Text.h"

namespace {

struct Box {
    std::string name;
    cocos2d::Rect rect;
    bool button = false;
    bool text = false;
};

bool shown(const cocos2d::Node* node) {
    for (; node != nullptr; node = node->getParent()) {
        if (!node->isVisible()) {
            return false;
        }
    }
    return true;
}

cocos2d::Rect worldRect(const cocos2d::Node* node) {
    const cocos2d::Size size = node->getContentSize();
    const cocos2d::Vec2 a = node->convertToWorldSpace(cocos2d::Vec2::ZERO);
    const cocos2d::Vec2 b = node->convertToWorldSpace(cocos2d::Vec2(size.width, size.height));
    return cocos2d::Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x),
                         std::abs(b.y - a.y));
}

// The named widgets that show something: panels (layouts) are left out.
void collect(cocos2d::Node* node, std::vector<Box>& out) {
    for (cocos2d::Node* child : node->getChildren()) {
        const bool panel = dynamic_cast<cocos2d::ui::Layout*>(child) != nullptr;
        const bool widget = dynamic_cast<cocos2d::ui::Widget*>(child) != nullptr;
        const cocos2d::Size size = child->getContentSize();
        if (!panel && widget && !child->getName().empty() && shown(child) && size.width > 0 &&
            size.height > 0) {
            out.push_back({child->getName(), worldRect(child),
                           dynamic_cast<cocos2d::ui::Button*>(child) != nullptr,
                           dynamic_cast<cocos2d::ui::Text*>(child) != nullptr});
        }
        collect(child, out);
    }
}

bool inside(const cocos2d::Rect& inner, const cocos2d::Rect& outer) {
    const float slack = 0.5f;
    return inner.getMinX() >= outer.getMinX() - slack &&
           inner.getMinY() >= outer.getMinY() - slack &&
           inner.getMaxX() <= outer.getMaxX() + slack && inner.getMaxY() <= outer.getMaxY() + slack;
}

bool overlap(const cocos2d::Rect& a, const cocos2d::Rect& b) {
    const float w = std::min(a.getMaxX(), b.getMaxX()) - std::max(a.getMinX(), b.getMinX());
    const float h = std::min(a.getMaxY(), b.getMaxY()) - std::max(a.getMinY(), b.getMinY());
    return w > 0.5f && h > 0.5f;
}

class StudyLayoutsTest : public ::testing::Test {
protected:
    void SetUp() override { cocos2d::FileUtils::getInstance()->addSearchPath("res/pad"); }
    void TearDown() override { cocos2d::PoolManager::getInstance()->getCurrentPool()->clear(); }

    cocos2d::Node* load(const std::string& file, const cocos2d::Size& size) {
        cocos2d::Node* root = cocos2d::CSLoader::createNode(file);
        EXPECT_NE(root, nullptr) << file;
        if (root != nullptr) {
            root->setContentSize(size);
            cocos2d::ui::Helper::doLayout(root);
        }
        return root;
    }

    // Every named widget inside the screen, none over another but for the allowed pairs and a
    // label lying on its button.
    void check(const std::string& file, const cocos2d::Size& size,
               const std::set<std::pair<std::string, std::string>>& allowed = {}) {
        cocos2d::Node* root = load(file, size);
        if (root == nullptr) {
            return;
        }
        std::vector<Box> boxes;
        collect(root, boxes);
        const cocos2d::Rect screen(0, 0, size.width, size.height);
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_TRUE(inside(boxes[i].rect, screen))
                << file << " " << size.width << "x" << size.height << ": " << boxes[i].name
                << " is cut";
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const Box& a = boxes[i];
                const Box& b = boxes[j];
                const bool label = (a.button && b.text && inside(b.rect, a.rect)) ||
                                   (b.button && a.text && inside(a.rect, b.rect));
                if (label || allowed.count({a.name, b.name}) || allowed.count({b.name, a.name})) {
                    continue;
                }
                EXPECT_FALSE(overlap(a.rect, b.rect))
                    << file << " " << size.width << "x" << size.height << ": " << a.name
                    << " overlaps " << b.name;
            }
        }
    }

    // The six thumbnail squares of the desktop form (edge as the list computes it) lie beside
    // the rows, inside the screen and apart.
    void checkThumbnails(const std::string& file, const cocos2d::Size& size, float tableHeight) {
        cocos2d::Node* root = load(file, size);
        if (root == nullptr) {
            return;
        }
        const float listWidth = root->getChildByName("list")->getContentSize().width;
        const float edge = std::min((size.width - listWidth) * 0.5f, tableHeight / 3.0f) - 30.0f;
        ASSERT_GT(edge, 60.0f) << file;
        std::vector<cocos2d::Rect> squares;
        for (int i = 0; i < 6; ++i) {
            cocos2d::Node* sprite = root->getChildByNameDeep("thrumb" + std::to_string(i));
            ASSERT_NE(dynamic_cast<cocos2d::Sprite*>(sprite), nullptr) << i;
            const cocos2d::Vec2 centre = sprite->convertToWorldSpace(cocos2d::Vec2::ZERO);
            squares.emplace_back(centre.x - edge / 2, centre.y - edge / 2, edge, edge);
        }
        const cocos2d::Rect side(listWidth, 0, size.width - listWidth, size.height);
        for (size_t i = 0; i < squares.size(); ++i) {
            EXPECT_TRUE(inside(squares[i], side)) << file << " " << size.width << " thrumb" << i;
            for (size_t j = i + 1; j < squares.size(); ++j) {
                EXPECT_FALSE(overlap(squares[i], squares[j]))
                    << file << " " << size.width << " thrumb" << i << " thrumb" << j;
            }
        }
    }
};

TEST_F(StudyLayoutsTest, StudyListScreensFitBothWindowSizes) {
    // The pushed form at both sizes; the side panel, half of a window wider than 1800, beside
    // the patient table under the home screen's title bar.
    const cocos2d::Size panel(960, 1080 - 64);
    for (const cocos2d::Size size : {cocos2d::Size(1280, 800), cocos2d::Size(1920, 1080)}) {
        check("studyList.csb", size);
        checkThumbnails("studyList.csb", size, size.height - 160);
        check("studyRecord.csb", cocos2d::Size(size.width * 0.62f, 100));
        check("studyRecordTitle.csb", cocos2d::Size(size.width * 0.62f, 50));
    }
    check("studyListPC.csb", panel);
    checkThumbnails("studyListPC.csb", panel, panel.height - 100);
    check("studyRecord.csb", cocos2d::Size(panel.width * 0.6f, 100));
    check("studyRecordTitle.csb", cocos2d::Size(panel.width * 0.6f, 50));
    check("studyTool.csb", cocos2d::Size(300, 100));
}

TEST_F(StudyLayoutsTest, SeriesChooserFitsItsWindow) {
    // The title and the filter share the title bar: the pages show one or the other.
    const std::set<std::pair<std::string, std::string>> pages = {{"title", "editFilter"},
                                                                 {"title", "filter"}};
    for (const cocos2d::Size size : {cocos2d::Size(500, 700), cocos2d::Size(500, 600)}) {
        check("selectSeries.csb", size, pages);
    }
    check("patientFilterRecord.csb", cocos2d::Size(500, 75));
    check("studyFilterRecord.csb", cocos2d::Size(500, 60));
}

}  // namespace
