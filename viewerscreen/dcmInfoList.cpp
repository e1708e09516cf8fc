#include "viewerscreen/dcmInfoList.h"

#include <cstring>
#include <utility>

#include "dcmsdk/dcmReadTag.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Scheduler.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "studydb/AppLanguage.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTitleFrame.h"

namespace {

const char* const kListName = "dcmInfo";
const char* const kLayoutFile = "dcmInfo.csb";
const char* const kRowLayoutFile = "tagInfo.csb";
constexpr int kRowLayoutTag = 100;
constexpr size_t kShortestPath = 3;
constexpr float kFlingSpeed = 4000.0f;
const cocos2d::Color4B kHighlight(255, 255, 0, 55);

void setText(cocos2d::Node* root, const char* name, const std::string& text) {
    if (auto* widget = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name))) {
        widget->setString(text);
    }
}

void showRow(cocos2d::Node* layout, const dcmInfoList::listObject* row) {
    setText(layout, "tag", row->tagText);
    setText(layout, "intro", row->tagName);
    setText(layout, "value", row->tagValue);
}

}  // namespace

dcmInfoList::~dcmInfoList() {
    // The hand-back comes after the read, and the list lives until the hand-back: the thread
    // has only its last steps left, if any.
    if (reader.joinable()) {
        reader.join();
    }
}

bool dcmInfoList::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    highlightEnabled = false;
    highlightColor = kHighlight;
    filePath.clear();
    loadPending = true;
    setName(kListName);
    if (cocos2d::Node* layout = cocos2d::CSLoader::createNode(kLayoutFile)) {
        layout->setName(kLayoutFile);
        addChild(layout);
    }
    return true;
}

void dcmInfoList::build() {
    cocos2d::Node* layout = getChildByNameDeep(kLayoutFile);
    if (layout == nullptr) {
        return;
    }
    AppConfig::getInstance()->setWidgetText(layout, "");
    cocos2d::Node* placeholder = layout->getChildByName("dcmList");
    if (placeholder == nullptr) {
        return;
    }
    tableView = NSUI::NSListView::create();
    layout->addChild(tableView);
    tableView->setContentSize(placeholder->getContentSize());
    tableView->setAnchorPoint(placeholder->getAnchorPoint());
    tableView->setPosition(placeholder->getPosition());
    placeholder->setVisible(false);
    tableView->maxAutoScrollSpeed = kFlingSpeed;
    tableView->setDelegate(this);
    tableView->reloadData();
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("btn_back"))) {
        back->addClickEventListener([this](cocos2d::Ref* sender) { onBackClick(sender); });
    }
}

cocos2d::Scene* dcmInfoList::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    if (scene == nullptr) {
        return nullptr;
    }
    scene->enableAndroidReturnKey();
    cocos2d::Node* frame =
        NSUI::addTitleFrame(scene, AppConfig::getInstance()->getText("dcmInfo_title"),
                            [] { cocos2d::Director::getInstance()->popScene(); });
    if (frame == nullptr) {
        return scene;
    }
    dcmInfoList* list = dcmInfoList::create();
    if (list == nullptr) {
        return scene;
    }
    frame->addChild(list);
    NSUI::placeBelowTitleBar(list);
    if (cocos2d::Node* layout = list->getChildByNameDeep(kLayoutFile)) {
        layout->setContentSize(list->getContentSize());
    }
    cocos2d::ui::Helper::doLayout(list);
    list->build();
    return scene;
}

NSUI::NSResponseWindow* dcmInfoList::createWindow() {
    NSUI::NSResponseWindow* window = NSUI::NSResponseWindow::create();
    dcmInfoList* list = dcmInfoList::create();
    if (window == nullptr || list == nullptr) {
        return window;
    }
    list->enableAndroidReturnKey();
    list->build();
    window->addChild(list);
    if (cocos2d::Node* layout = list->getChildByNameDeep(kLayoutFile)) {
        const cocos2d::Size size = cocos2d::Director::getInstance()->getWinSize();
        layout->setAnchorPoint(cocos2d::Vec2(0.5f, 1.0f));
        layout->setPosition(cocos2d::Vec2(size.width * 0.5f, size.height));
        cocos2d::ui::Helper::doLayout(layout);
    }
    window->setAnchorPoint(cocos2d::Vec2::ZERO);
    window->setPosition(cocos2d::Vec2::ZERO);
    window->updateChildrenToHighZOrder();
    return window;
}

void dcmInfoList::onEnterTransitionDidFinish() {
    cocos2d::Node::onEnterTransitionDidFinish();
    if (!loadPending) {
        return;
    }
    loadPending = false;
    reading = true;
    // Released by the hand-back: the list outlives the read whoever closes it meanwhile. Only the
    // main thread counts the list's references.
    retain();
    const std::string path = filePath;
    const dcmSDK::LanguageType language = studydb::currentLanguage();
    reader = std::thread([this, path, language] {
        auto records = std::make_shared<const std::vector<TagRecord>>(loadTags(path, language));
        // Fetched only now: the director may have been replaced while the file was read.
        cocos2d::Director::getInstance()->getScheduler()->performFunctionInCocosThread(
            [this, records] { finishLoad(*records); });
    });
}

void dcmInfoList::finishLoad(const std::vector<TagRecord>& records) {
    reading = false;
    if (!closed) {
        fillRows(records);
    }
    release();
}

void dcmInfoList::cleanup() {
    closed = true;
    cocos2d::Node::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

std::vector<dcmInfoList::TagRecord> dcmInfoList::loadTags(const std::string& path,
                                                          dcmSDK::LanguageType language) {
    std::vector<TagRecord> records;
    if (path.size() < kShortestPath) {
        return records;
    }
    dcmSDK::dcmReadTag tags;
    tags.language = language;
    if (!tags.setFile(path.c_str())) {
        return records;
    }
    int count = 0;
    dcmSDK::DicomTags** list = tags.getTagList(count);
    for (int i = 0; list != nullptr && i < count; ++i) {
        const dcmSDK::DicomTags* element = list[i];
        if (element == nullptr) {
            continue;
        }
        TagRecord record;
        record.tag.assign(element->tag, strnlen(element->tag, sizeof(element->tag)));
        record.value.assign(element->value, strnlen(element->value, sizeof(element->value)));
        record.description.assign(element->description,
                                  strnlen(element->description, sizeof(element->description)));
        record.flagged = element->flag != 0;
        records.push_back(std::move(record));
    }
    return records;
}

void dcmInfoList::fillRows(const std::vector<TagRecord>& records) {
    if (filePath.size() < kShortestPath || tableView == nullptr) {
        return;
    }
    for (const bool flagged : {false, true}) {
        for (const TagRecord& record : records) {
            if (record.flagged != flagged) {
                continue;
            }
            listObject* row = listObject::create();
            row->tagText = record.tag;
            row->tagName = cutText(record.description, kNameBytes);
            row->tagValue = record.value;
            tableView->insertItem(tableView->getItemCount(), row);
        }
    }
}

std::string dcmInfoList::cutText(const std::string& text, size_t bytes) {
    static const std::string kEllipsis = "\u2026";
    if (text.size() <= bytes) {
        return text;
    }
    size_t end = bytes > kEllipsis.size() ? bytes - kEllipsis.size() : 0;
    // A continuation byte at the cut means the character would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end) + kEllipsis;
}

cocos2d::Size dcmInfoList::tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t, cocos2d::Ref*) {
    // The table's width: the desktop form never sizes the list node itself.
    return cocos2d::Size(table->getContentSize().width, kRowHeight);
}

NSUI::NSTableViewCell* dcmInfoList::tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                                     const cocos2d::Size& size) {
    const auto* row = dynamic_cast<const listObject*>(table->getItem(index));
    NSUI::NSTableViewCell* cell = table->cellAtIndex(index);
    if (cell == nullptr) {
        cell = table->dequeueCell();
    }
    if (cell == nullptr) {
        cell = NSUI::NSTableViewCell::create();
        cocos2d::Node* layout = cocos2d::CSLoader::createNode(kRowLayoutFile);
        if (layout == nullptr) {
            return cell;
        }
        layout->setContentSize(size);
        cocos2d::ui::Helper::doLayout(layout);
        AppConfig::getInstance()->setWidgetText(layout, "");
        cell->addChild(layout, 0, kRowLayoutTag);
        if (row != nullptr) {
            showRow(layout, row);
        }
        return cell;
    }
    cocos2d::Node* layout = cell->getChildByTag(kRowLayoutTag);
    if (layout != nullptr && row != nullptr) {
        showRow(layout, row);
    }
    return cell;
}

void dcmInfoList::onBackClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button != nullptr && button->getName() == "btn_back") {
        close();
    }
}

bool dcmInfoList::onResponseReturn() {
    close();
    return true;
}

void dcmInfoList::close() {
    // Removing the window may release the last references to the list while this call runs.
    const auto keep = cocos2d::RefPtr<dcmInfoList>::retained(this);
    if (auto* window = dynamic_cast<NSUI::NSResponseWindow*>(getParent())) {
        window->removeFromParent();
    } else {
        removeFromParent();
    }
}
