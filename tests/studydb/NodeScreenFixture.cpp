#include "NodeScreenFixture.h"

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"
#include "toolkit/widgets/NSTextField.h"

namespace studydbtest {

void NodeScreenTest::SetUp() {
    ServiceTest::SetUp();
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    // The configuration lives while someone holds it, as the application delegate does.
    config_ = AppConfig::getInstance();
    config_->retain();
    config_->loadLanguage();
    cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(1280, 800));
}

void NodeScreenTest::TearDown() {
    if (window_ != nullptr) {
        closeScreen();
    }
    ServiceTest::TearDown();
    config_->release();
}

void NodeScreenTest::openScreen() {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    cocos2d::Scene* scene = cocos2d::Scene::create();
    if (director->getRunningScene() == nullptr) {
        director->runWithScene(scene);
    } else {
        director->replaceScene(scene);
    }
    pumpFrames(1);
    window_ = dcmSend::createWindow();
    ASSERT_NE(window_, nullptr);
    screen_ = dynamic_cast<dcmSend*>(window_->getChildByName("dcmSend"));
    ASSERT_NE(screen_, nullptr);
    ASSERT_NE(screen_->getNodeTable(), nullptr) << "the layouts did not load";
    scene->addChild(window_);
    pumpFrames(2);
}

void NodeScreenTest::closeScreen() {
    screen_->onClick(screen_->getChildByNameDeep("btn_back"));
    window_ = nullptr;
    screen_ = nullptr;
    pumpFrames(1);
}

void NodeScreenTest::click(const std::string& name) {
    cocos2d::Node* widget = screen_->getChildByNameDeep(name);
    ASSERT_NE(widget, nullptr) << name;
    screen_->onClick(widget);
}

void NodeScreenTest::deleteRow(long row) {
    NSUI::NSListView* table = screen_->getTaskTable();
    NSUI::NSTableViewMenu* menu = NSUI::NSTableViewMenu::create();
    menu->cell = table->cellAtIndex(row);
    ASSERT_NE(menu->cell, nullptr);
    screen_->tableCellLeftMenu(table, menu);
    cocos2d::Node* del = menu->getChildByNameDeep("del");
    ASSERT_NE(del, nullptr);
    screen_->onClick(del);
}

void NodeScreenTest::retryRow(long row) {
    NSUI::NSTableViewCell* cell = screen_->getTaskTable()->cellAtIndex(row);
    ASSERT_NE(cell, nullptr);
    screen_->onClick(cell->getChildByNameDeep("dcmNodeSend_retry"));
}

std::string NodeScreenTest::rowText(NSUI::NSListView* table, long row, const std::string& name) {
    NSUI::NSTableViewCell* cell = table->cellAtIndex(row);
    auto* text = cell != nullptr ? dynamic_cast<cocos2d::ui::Text*>(cell->getChildByNameDeep(name))
                                 : nullptr;
    return text != nullptr && text->isVisible() ? text->getString() : std::string();
}

bool NodeScreenTest::rowWidgetShown(NSUI::NSListView* table, long row, const std::string& name) {
    NSUI::NSTableViewCell* cell = table->cellAtIndex(row);
    cocos2d::Node* widget = cell != nullptr ? cell->getChildByNameDeep(name) : nullptr;
    return widget != nullptr && widget->isVisible();
}

std::string NodeScreenTest::toast() const {
    cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
    cocos2d::Node* box = scene != nullptr ? scene->getChildByNameDeep("messageBox") : nullptr;
    auto* text = box != nullptr && box->isVisible()
                     ? dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"))
                     : nullptr;
    return text != nullptr ? text->getString() : std::string();
}

void NodeScreenTest::setField(const std::string& name, const std::string& text) {
    auto* field = dynamic_cast<NSUI::NSTextField*>(screen_->getChildByNameDeep(name));
    ASSERT_NE(field, nullptr) << name;
    field->setString(text);
}

std::string NodeScreenTest::buttonTitle(const std::string& name) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(screen_->getChildByNameDeep(name));
    return button != nullptr ? button->getTitleText() : std::string();
}

}  // namespace studydbtest
