#include "app/patientList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "app/FavoriteBadge.h"
#include "app/studyList.h"
#include "engine/2d/ActionInstant.h"
#include "engine/2d/ActionInterval.h"
#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "online/login.h"
#include "online/statApplication.h"
#include "studydb/DottedDate.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/net/NSHttpClient.h"
#include "toolkit/widgets/FittedText.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"

using cocos2d::Color3B;
using cocos2d::Color4B;
using cocos2d::Director;
using cocos2d::Label;
using cocos2d::Node;
using cocos2d::Ref;
using cocos2d::Size;
using cocos2d::Sprite;
using cocos2d::Vec2;
using cocos2d::Vec3;
using cocos2d::ui::Button;

namespace {

constexpr float kMenuStartFraction = 0.2f;
constexpr float kMenuOpenFraction = 0.4f;
constexpr float kOpenZone = 64.0f;
constexpr int kEnterKey = 4;

std::string upperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string patientFolderOf(const std::string& seriesFolder) {
    return NSUI::getParentDirectory(NSUI::getParentDirectory(seriesFolder));
}

Button* buttonNamed(Node* root, const std::string& name) {
    return root != nullptr ? dynamic_cast<Button*>(root->getChildByNameDeep(name)) : nullptr;
}

cocos2d::ui::Text* textNamed(Node* root, const std::string& name) {
    return dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name));
}

void setTextOf(Node* root, const std::string& name, const std::string& text) {
    if (auto* label = textNamed(root, name)) {
        label->setString(text);
    }
}

// The ID field reaches to the description that follows it on the row's lower line, so that a
// long ID shows whole where the row has room for it.
void giveIdTheRoom(Node* record) {
    constexpr float kGap = 12.0f;
    cocos2d::ui::Text* id = textNamed(record, "id");
    Node* description = record->getChildByNameDeep("desc");
    if (id == nullptr || description == nullptr) {
        return;
    }
    const float left = id->getPositionX() - id->getAnchorPoint().x * id->getContentSize().width;
    const float right = description->getPositionX() -
                        description->getAnchorPoint().x * description->getContentSize().width;
    if (right - kGap > left) {
        // The widget's own size: it places its label inside the area anew.
        id->setContentSize(Size(right - kGap - left, id->getTextAreaSize().height));
    }
}

}  // namespace

// --- rows ---

patientList::listObject* patientList::listObject::create() {
    auto* row = new listObject();
    row->autorelease();
    return row;
}

void patientList::listObject::fillFromModel(NSUI::NSDBDataModel* model, int row) {
    patientID = model->getValue(row, 0);
    patientIDHospital = model->getValue(row, 1);
    name = model->getValue(row, 2);
    birthday = model->getValue(row, 3);
    sex = model->getValue(row, 4);
    updateTime = model->getValue(row, 5);
    seriesDate = model->getValue(row, 6).substr(0, 19);
    studyDesc = model->getValue(row, 7);
    folder = patientFolderOf(model->getValue(row, 8));
    studyCount = std::atoi(model->getValue(row, 9).c_str());
    seriesCount = std::atoi(model->getValue(row, 10).c_str());
    imageCount = std::atoi(model->getValue(row, 11).c_str());
    newFiles = false;
}

void patientList::listObject::fillFromRecord(const std::string& json) {
    patientID = getString(json, "patientID");
    patientIDHospital = getString(json, "patientIDHospital");
    name = getString(json, "name");
    birthday = studydb::dottedDate(getString(json, "birthday"));
    sex = getString(json, "sex");
    updateTime = getString(json, "updateTime").substr(0, 19);
    studyDesc = getString(json, "studyDesc");
    seriesDate = getString(json, "studyDate").substr(0, 19);
    folder = patientFolderOf(getString(json, "dcmFolder"));
    studyCount += getInt(json, "studyNumber", 0);
    seriesCount += getInt(json, "seriesNumber", 0);
    imageCount += 1;
    newFiles = true;
}

// --- life cycle ---

cocos2d::Scene* patientList::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    patientList* screen = create();
    if (scene == nullptr || screen == nullptr) {
        return nullptr;
    }
    scene->addChild(screen);
    return scene;
}

patientList::~patientList() {
    *alive = false;
    // A screen that never entered the scene was never cleaned up.
    if (auto* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    jobs.joinAll();
    CC_SAFE_RELEASE_NULL(importer);
}

bool patientList::init() {
    if (!Layer::init()) {
        return false;
    }
    nextOrderKey = kFirstOrderKey;
    statApplication::getInstance()->addStat(3, "");
    webResourceFolder = cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/res/";
    helpPanel = nullptr;
    NSUI::UIControlBase::owner = this;
    NSUI::UIHttpPhisical::owner = this;
    highlightColor = Color4B(255, 255, 0, 55);

    dicomDB* database = dataService::getInstance()->getDatabase();
    importer = importDcm::create();
    if (importer != nullptr) {
        importer->retain();
        importer->setDicomRoot(database->getDicomRoot());
    }
    firstEnter = true;

    Node* layout = cocos2d::CSLoader::createNode("patientListPC.csb", true);
    if (layout == nullptr) {
        return true;
    }
    if (Node* appName = layout->getChildByNameDeep("appName")) {
        appName->removeFromParent();
    }
    const Size window = Director::getInstance()->getWinSize();
    setContentSize(window);
    layout->setContentSize(window);
    AppConfig::getInstance()->setWidgetText(layout, "");
    cocos2d::ui::Helper::doLayout(layout);
    addChild(layout);
    dicomRoot = database->getDicomRoot();

    observeFirstGroup();
    Node* placeholder = layout->getChildByNameDeep("list");
    if (placeholder == nullptr) {
        return true;
    }
    buildTable(layout, placeholder);
    bindButtons(layout);
    if (Node* field = layout->getChildByNameDeep("editFilter")) {
        buildFilterField(field);
    }
    observeSecondGroup();
    updateEmptyState();
    return true;
}

void patientList::buildTable(Node* layout, Node* placeholder) {
    (void)layout;
    table = NSUI::NSListView::create();
    addChild(table);
    const Size window = Director::getInstance()->getWinSize();
    const float width = isWideWindow() ? window.width / 2.0f : window.width;
    table->setDelegate(this);
    table->setContentSize(Size(width, window.height - kTopBarHeight));
    table->setAnchorPoint(Vec2::ZERO);
    table->setPosition(Vec2::ZERO);
    placeholder->removeFromParent();
    table->menuStartFraction = kMenuStartFraction;
    table->menuOpenFraction = kMenuOpenFraction;
    highlightEnabled = true;
    // The top bar's buttons act on the selected row: it stays highlighted.
    table->keepSelection = true;
    table->reloadData();
}

void patientList::bindButtons(Node* layout) {
    auto click = [this](Ref* sender) { onButtonClick(sender); };
    for (const char* name :
         {"importImage", "logo", "writeAdvice", "btnDel", "btnShare", "search"}) {
        if (Button* button = buttonNamed(layout, name)) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener(click);
        }
    }
    if (Button* trash = buttonNamed(layout, "btnDel")) {
        trash->addTouchEventListener(
            [this](Ref* sender, cocos2d::ui::Widget::TouchEventType event) {
                onDeletePress(sender, event);
            });
    }
    if (Button* wifi = buttonNamed(layout, "wifi")) {
        wifi->setScale(0.8f);
        wifi->setPressedActionEnabled(true);
        wifi->setLocalZOrder(1000);
        wifi->addClickEventListener(click);
    }
    if (Button* filter = buttonNamed(layout, "filter")) {
        filter->setPressedActionEnabled(true);
        filter->setLocalZOrder(1000);
        filter->loadTextures("imgs/filter.png", "imgs/filter.png", "");
        filter->setUserString("0");
        filter->addClickEventListener(click);
    }
    if (Button* favourites = buttonNamed(layout, "btnFavorite")) {
        favourites->setLocalZOrder(1000);
        favourites->addClickEventListener(click);
    }
}

void patientList::buildFilterField(Node* placeholder) {
    int fontSize = 20;
    if (auto* templateField = dynamic_cast<cocos2d::ui::TextField*>(placeholder)) {
        fontSize = static_cast<int>(templateField->getFontSize());
    }
    Size size = placeholder->getContentSize();
    size.height += 15.0f;
    NSUI::NSTextField* field = NSUI::NSTextField::create(size);
    if (field == nullptr) {
        return;
    }
    field->setBackgroundImages("editfocus.png", "editfocus.png");
    field->setPosition(placeholder->getPosition());
    field->setAnchorPoint(placeholder->getAnchorPoint());
    field->setLocalZOrder(placeholder->getLocalZOrder());
    field->setTextColor(Color3B(244, 244, 244));
    field->setFontSize(fontSize);
    field->setPlaceHolderFontSize(fontSize);
    field->setPlaceHolderColor(Color3B(100, 100, 100));
    const std::string hint = AppConfig::getInstance()->getText("Patient filter");
    field->setPlaceHolder(hint.empty() ? "Patient filter" : hint);
    field->showEditBackground();
    field->setName("editFilter");
    field->setLightCursor();
    field->setEventCallback([this](Ref* sender, NSUI::NSTextField::EventType event) {
        onFilterFieldEvent(sender, static_cast<int>(event));
    });
    field->setSwallowTouches();
    placeholder->getParent()->addChild(field);
    placeholder->removeFromParent();
    filterField = field;
}

void patientList::observeFirstGroup() {
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    auto handler = [this](Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (int key : {studydb::NOTIFY_DB_PATIENTS_READY, studydb::NOTIFY_PATIENT_CHANGED,
                    studydb::NOTIFY_IMPORT_FINISHED, studydb::NOTIFY_IMPORT_PATH,
                    studydb::NOTIFY_APP_ACTIVE, studydb::NOTIFY_PEER_COUNT}) {
        centre->addObserver(this, nullptr, handler, key);
    }
}

void patientList::observeSecondGroup() {
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    auto handler = [this](Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (int key : {NSUI::NOTIFY_CAPTURE_SAVED, isImageSDK::NOTIFY_FAVORITE_SAVED,
                    studydb::NOTIFY_LOGIN_CHANGED, isImageSDK::NOTIFY_OUT_OF_MEMORY,
                    studydb::NOTIFY_SERIES_PICKER_REQUEST}) {
        centre->addObserver(this, nullptr, handler, key);
    }
}

void patientList::onExit() {
    Layer::onExit();
    statApplication::getInstance()->addStat(4, "");
}

void patientList::cleanup() {
    Layer::cleanup();
    CC_SAFE_RELEASE_NULL(importer);
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    NSUI::NSHttpClient::getInstance()->cancelRequestsOf(this);
}

void patientList::onEnterTransitionDidFinish() {
    Layer::onEnterTransitionDidFinish();
    dicomDB* database = dataService::getInstance()->getDatabase();
    if (firstEnter) {
        updateLoginIcon();
        std::weak_ptr<bool> token = alive;
        database->requestPatients([this, token](NSUI::NSDBDataModel* rows) {
            const std::shared_ptr<bool> living = token.lock();
            if (living && *living) {
                onPatientsLoaded(rows);
            }
        });
        prepareExampleData();
        firstEnter = false;
    }
    updateFavoriteBadge(database->newFavoriteCount.load());
}

// --- rows in the table ---

patientList::listObject* patientList::getRow(ssize_t index) const {
    return table != nullptr ? dynamic_cast<listObject*>(table->getItem(index)) : nullptr;
}

void patientList::onPatientsLoaded(NSUI::NSDBDataModel* rows) {
    if (table == nullptr || rows == nullptr) {
        return;
    }
    // Appended behind any rows that arrived first, then laid out once: a row-by-row append lays
    // the whole table out for every row.
    const int count = rows->getRowCount();
    for (int i = 0; i < count; ++i) {
        listObject* row = listObject::create();
        row->fillFromModel(rows, i);
        row->orderKey = nextOrderKey + i;
        table->items.pushBack(row);
    }
    table->reloadData();
    if (count > 0) {
        statApplication::getInstance()->addStat(19, std::to_string(count));
    }
    updateEmptyState();
    if (table->getItemCount() > 0) {
        table->selectCellAtIndex(0);
        if (isWideWindow()) {
            if (NSUI::NSTableViewCell* cell = table->cellAtIndex(0)) {
                tableCellTouched(table, cell, Vec2(1.0f, 1.0f));
            }
        }
    }
}

void patientList::selectRow(ssize_t index) {
    table->selectCellAtIndex(static_cast<int>(index));
    if (isWideWindow() && !table->selection.empty()) {
        if (auto* row = dynamic_cast<listObject*>(table->selection.front())) {
            openPatient(row->patientID);
        }
    }
}

void patientList::removeRow(ssize_t index) {
    const bool wasSelected = table->selection.contains(table->getItem(index));
    table->removeItemAtIndex(index);
    updateEmptyState();
    // The row that takes the place of the selected one is selected, and shown beside the table.
    if (wasSelected && table->getItemCount() > 0) {
        selectRow(std::min<ssize_t>(index, table->getItemCount() - 1));
    }
}

void patientList::onPatientReceived(const std::string& json) {
    if (table == nullptr) {
        return;
    }
    const std::string patientId = getString(json, "patientID");
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        listObject* row = getRow(i);
        if (row != nullptr && row->patientID == patientId) {
            row->studyCount += getInt(json, "studyNumber", 0);
            row->seriesCount += getInt(json, "seriesNumber", 0);
            row->imageCount += 1;
            row->newFiles = true;
            table->updateCellSizeAtIndex(i);
            table->updateCellAtIndex(i);
            return;
        }
    }
    // A patient the filter hides keeps its one row: it is updated where it waits.
    for (listObject* row : hiddenRows) {
        if (row->patientID == patientId) {
            row->studyCount += getInt(json, "studyNumber", 0);
            row->seriesCount += getInt(json, "seriesNumber", 0);
            row->imageCount += 1;
            row->newFiles = true;
            return;
        }
    }
    listObject* row = listObject::create();
    row->fillFromRecord(json);
    nextOrderKey -= 1;
    row->orderKey = nextOrderKey;
    table->insertItem(0, row);
    updateEmptyState();
    // A library that started empty shows its first patient as a loaded one would.
    if (table->selection.empty()) {
        selectRow(0);
    }
}

void patientList::onPatientChanged(const std::string& patientId) {
    if (table == nullptr) {
        return;
    }
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        listObject* row = getRow(i);
        if (row != nullptr && row->patientID == patientId) {
            if (!dataService::getInstance()->getDatabase()->patientExists(patientId)) {
                removeRow(i);
            }
            return;
        }
    }
}

cocos2d::Size patientList::tableCellSizeForIndex(NSUI::NSTableView*, ssize_t, Ref*) {
    const float width = isWideWindow() ? getContentSize().width / 2.0f : getContentSize().width;
    return Size(width, kRowHeight);
}

NSUI::NSTableViewCell* patientList::tableCellAtIndex(NSUI::NSTableView* view, ssize_t index,
                                                     const Size& size) {
    NSUI::NSTableViewCell* cell = view->reusableCell(index);
    if (cell == nullptr) {
        cell = NSUI::NSTableViewCell::create();
        if (Node* record = cocos2d::CSLoader::createNode("patientRecord.csb", true)) {
            record->setContentSize(size);
            cocos2d::ui::Helper::doLayout(record);
            AppConfig::getInstance()->setWidgetText(record, "");
            giveIdTheRoom(record);
            record->setTag(kRecordTag);
            cell->addChild(record);
        }
    }
    Node* record = cell->getChildByTag(kRecordTag);
    listObject* row = getRow(index);
    if (record == nullptr || row == nullptr) {
        return cell;
    }
    NSUI::setFittedText(textNamed(record, "name"), row->name);
    NSUI::setFittedText(textNamed(record, "id"), row->patientIDHospital);
    setTextOf(record, "birthday", row->birthday);
    setTextOf(record, "sex", row->sex);
    setTextOf(record, "seriesDate", row->seriesDate);
    setTextOf(record, "desc", row->studyDesc);
    setTextOf(record, "imageNumber",
              std::to_string(row->studyCount) + "-" + std::to_string(row->seriesCount) + "-" +
                  std::to_string(row->imageCount));
    if (Node* mark = record->getChildByNameDeep("newFiles")) {
        mark->setVisible(row->newFiles);
    }
    return cell;
}

void patientList::tableCellTouched(NSUI::NSTableView* view, NSUI::NSTableViewCell* cell,
                                   const Vec2& point) {
    if (point.x < view->getContentSize().width - kOpenZone && !isWideWindow()) {
        return;
    }
    if (cell == nullptr || cell->index < 0) {
        return;
    }
    listObject* row = getRow(cell->index);
    if (row == nullptr) {
        return;
    }
    row->newFiles = false;
    view->updateCellSizeAtIndex(cell->index);
    view->updateCellAtIndex(cell->index);
    openPatient(row->patientID);
}

void patientList::openPatient(const std::string& patientId) {
    if (!isWideWindow()) {
        cocos2d::Scene* scene = studyList::createScene();
        if (auto* list = dynamic_cast<studyList*>(
                scene != nullptr ? scene->getChildByTag(studyList::kSceneTag) : nullptr)) {
            list->setPatient(patientId);
            Director::getInstance()->pushScene(scene);
        }
        return;
    }
    Node* parent = table->getParent();
    if (auto* side = dynamic_cast<studyList*>(parent->getChildByName("studylistpc"))) {
        side->setPatient(patientId);
        return;
    }
    studyList* side = studyList::create();
    if (side == nullptr) {
        return;
    }
    side->setName("studylistpc");
    side->setContentSize(table->getContentSize());
    side->setAnchorPoint(Vec2::ZERO);
    side->setPosition(Vec2(getContentSize().width / 2.0f, 0.0f));
    side->setLocalZOrder(table->getLocalZOrder());
    side->initWithPC(true);
    side->setPatient(patientId);
    parent->addChild(side);
}

void patientList::editBoxReturn(cocos2d::ui::EditBox*) {}

bool patientList::isWideWindow() const {
    return Director::getInstance()->getWinSize().width > kWideWindow;
}

// --- name filter ---

void patientList::onFilterFieldEvent(Ref* field, int event) {
    auto* textField = dynamic_cast<NSUI::NSTextField*>(field);
    if (event != kEnterKey || textField == nullptr) {
        return;
    }
    applyFilter(buttonNamed(this, "filter"), upperCased(textField->getString()));
}

void patientList::applyFilter(Button* filterButton, const std::string& upperText) {
    if (table == nullptr) {
        return;
    }
    // The chosen patient, which the reload below forgets.
    NSUI::NSTableViewCell* chosenCell = table->getSelectedCell();
    const auto chosen = cocos2d::RefPtr<Ref>::retained(
        chosenCell != nullptr ? table->getItem(chosenCell->index)
                              : (table->selection.empty() ? nullptr : table->selection.front()));
    // The order keys give every row its place of loading; new rows have the smallest keys.
    cocos2d::Vector<Ref*> rows = table->items;
    for (listObject* hidden : hiddenRows) {
        rows.pushBack(hidden);
    }
    hiddenRows.clear();
    std::vector<Ref*> ordered(rows.begin(), rows.end());
    std::stable_sort(ordered.begin(), ordered.end(), [](Ref* a, Ref* b) {
        return static_cast<listObject*>(a)->orderKey < static_cast<listObject*>(b)->orderKey;
    });
    table->items.clear();
    for (Ref* item : ordered) {
        auto* row = static_cast<listObject*>(item);
        if (!upperText.empty() && upperCased(row->name).find(upperText) == std::string::npos) {
            hiddenRows.pushBack(row);
        } else {
            table->items.pushBack(row);
        }
    }
    if (filterButton != nullptr) {
        const char* image = upperText.empty() ? "imgs/filter.png" : "imgs/removefilter.png";
        filterButton->loadTextures(image, image, "");
        filterButton->setUserString(upperText.empty() ? "0" : "1");
    }
    table->reloadData();
    // The chosen patient stays chosen while the filter shows it; one it hides leaves the
    // selection and the side panel, so that nothing acts on a patient out of sight.
    const ssize_t index = chosen != nullptr ? table->items.getIndex(chosen.get()) : -1;
    if (index >= 0) {
        selectRow(index);
    } else if (Node* side = table->getParent()->getChildByName("studylistpc")) {
        side->removeFromParent();
    }
}

// --- help, badges, login state, peers ---

void patientList::updateEmptyState() {
    if (table == nullptr) {
        return;
    }
    const bool empty = table->getItemCount() <= 2;
    showHelp(empty);
    showPrompts(empty);
}

void patientList::showHelp(bool show) {
    if (helpPanel == nullptr) {
        if (!show) {
            return;
        }
        helpPanel = Node::create();
        helpPanel->setAnchorPoint(Vec2::ZERO);
        helpPanel->setLocalZOrder(table->getLocalZOrder() + 5);
        auto click = [this](Ref* sender) { onButtonClick(sender); };
        struct Line {
            const char* text;
            const char* image;
            const char* name;
            float y;
        };
        for (const Line& line :
             {Line{"Waiting for receiving dicom files", nodeIcon(), "wifihelp", 30.0f},
              Line{"Search patients saved on the server", "imgs/search.png", "searchhelp",
                   90.0f}}) {
            const std::string translated = AppConfig::getInstance()->getText(line.text);
            Label* label =
                Label::createWithSystemFont(translated.empty() ? line.text : translated, "", 20.0f);
            label->setAnchorPoint(Vec2(1.0f, 0.5f));
            label->setPosition(Vec2(400.0f, line.y));
            helpPanel->addChild(label);
            Button* button = Button::create(line.image);
            button->setName(line.name);
            button->setAnchorPoint(Vec2(1.0f, 0.5f));
            button->setPosition(Vec2(470.0f, line.y));
            button->addClickEventListener(click);
            helpPanel->addChild(button);
        }
        addChild(helpPanel);
    }
    helpPanel->setVisible(show);
}

void patientList::showPrompts(bool show) {
    Node* prompts = getChildByTag(kPromptTag);
    if (prompts == nullptr) {
        if (!show) {
            return;
        }
        prompts = Node::create();
        prompts->setTag(kPromptTag);
        prompts->setAnchorPoint(Vec2(0.5f, 0.5f));
        const float share = isWideWindow() ? 0.25f : 0.5f;
        prompts->setPosition(Vec2(getContentSize().width * share, 250.0f));
        prompts->setLocalZOrder(table->getLocalZOrder() + 5);
        const Vec3 turn(360.0f, 0.0f, 0.0f);
        if (Sprite* desktop = Sprite::create("res/desktopPrompt.png")) {
            desktop->setAnchorPoint(Vec2(0.5f, 0.5f));
            desktop->runAction(cocos2d::RepeatForever::create(cocos2d::Sequence::create(
                cocos2d::FadeOut::create(1.0f), cocos2d::DelayTime::create(10.0f),
                cocos2d::FadeIn::create(1.0f), cocos2d::RotateBy::create(1.0f, turn),
                cocos2d::DelayTime::create(9.0f))));
            prompts->addChild(desktop);
        }
        if (Sprite* node = Sprite::create("res/dicomNodePrompt.png")) {
            node->setAnchorPoint(Vec2(0.5f, 0.5f));
            node->setOpacity(0);
            node->runAction(cocos2d::RepeatForever::create(cocos2d::Sequence::create(
                cocos2d::FadeIn::create(1.0f), cocos2d::RotateBy::create(1.0f, turn),
                cocos2d::DelayTime::create(9.0f), cocos2d::FadeOut::create(1.0f),
                cocos2d::DelayTime::create(10.0f))));
            prompts->addChild(node);
        }
        addChild(prompts);
    }
    prompts->setVisible(show);
}

void patientList::updateLoginIcon() {
    std::string loggedIn;
    std::string userId;
    login::getLoginInfo(loggedIn, userId);
    if (Button* logo = buttonNamed(this, "logo")) {
        const char* image = loggedIn == "1" ? "imgs/logo.png" : "imgs/logout.png";
        logo->loadTextures(image, image, image);
    }
}

void patientList::updateFavoriteBadge(int value) {
    ::updateFavoriteBadge(this, value);
}

const char* patientList::nodeIcon() const {
    return nodeDown ? "imgs/Wi-Fi-Red.png" : "imgs/Wi-Fi-Green.png";
}

void patientList::updatePeerCount(int peers, const std::string& nodeFailure) {
    const bool failed = peers < 0 || !nodeFailure.empty();
    nodeDown = failed;
    // The help's waiting line must not promise receiving while the node is down.
    if (Button* waiting = helpPanel != nullptr ? buttonNamed(helpPanel, "wifihelp") : nullptr) {
        waiting->loadTextures(nodeIcon(), nodeIcon(), "");
    }
    if (Button* wifi = buttonNamed(this, "wifi")) {
        const char* image = nodeIcon();
        wifi->loadTextures(image, image, image);
        Node* parent = wifi->getParent();
        if (peers >= 1) {
            countBadge(wifi, "activeNodes", -15.0f)->setString(std::to_string(peers));
        }
        for (const char* name : {"activeNodes", "activeNodesBK"}) {
            if (Node* badge = parent->getChildByName(name)) {
                badge->setVisible(peers >= 1);
            }
        }
    }
    setWifiWarning(failed,
                   nodeFailure.empty()
                       ? std::string()
                       : NSUI::formatString(AppConfig::getInstance()
                                                ->getTextOrKey("The DICOM node is not running: %s")
                                                .c_str(),
                                            nodeFailure.c_str()));
}

void patientList::setWifiWarning(bool show, const std::string& reason) {
    if (table == nullptr) {
        return;
    }
    Node* parent = table->getParent();
    Node* bar = parent->getChildByTag(kWifiWarningTag);
    const int z = table->getLocalZOrder();
    if (bar == nullptr) {
        const float width = isWideWindow() ? getContentSize().width / 2.0f : getContentSize().width;
        bar = Node::create();
        bar->setTag(kWifiWarningTag);
        bar->setAnchorPoint(Vec2(0.0f, 1.0f));
        bar->setContentSize(Size(width, 100.0f));
        bar->setPosition(Vec2(0.0f, getContentSize().height - kTopBarHeight));
        bar->setVisible(false);
        auto* colour = cocos2d::LayerColor::create(Color4B(189, 156, 156, 255), width, 100.0f);
        colour->setAnchorPoint(Vec2::ZERO);
        bar->addChild(colour);
        if (Sprite* circle = Sprite::create("res/redCircle.png")) {
            circle->setAnchorPoint(Vec2(0.5f, 0.5f));
            circle->setPosition(Vec2(50.0f, 50.0f));
            bar->addChild(circle, z + 100);
        }
        Label* mark = Label::createWithSystemFont("!", "", 45.0f);
        mark->setAnchorPoint(Vec2(0.5f, 0.5f));
        mark->setPosition(Vec2(50.0f, 50.0f));
        bar->addChild(mark, z + 200);
        // A text widget, so that the widget dump shows what the bar says.
        auto* text = cocos2d::ui::Text::create("", "", 25.0f);
        text->setName("wifiWarningText");
        // A long reason wraps inside the bar.
        text->setTextAreaSize(Size(width - 100.0f, 96.0f));
        text->setTextVerticalAlignment(cocos2d::TextVAlignment::CENTER);
        text->setAnchorPoint(Vec2(0.0f, 0.5f));
        text->setPosition(Vec2(90.0f, 50.0f));
        bar->addChild(text, z + 100);
        parent->addChild(bar, z + 1);
    }
    if (auto* text = dynamic_cast<cocos2d::ui::Text*>(bar->getChildByName("wifiWarningText"))) {
        text->setString(reason.empty() ? AppConfig::getInstance()->getText("dicomSendCheckWifi")
                                       : reason);
    }
    if (bar->isVisible() == show) {
        return;
    }
    bar->setVisible(show);
    table->runAction(cocos2d::MoveBy::create(0.3f, Vec2(0.0f, show ? -100.0f : 100.0f)));
}

// --- notifications ---

void patientList::onNotification(Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
    const std::string text = data != nullptr ? data->stringValue : std::string();
    switch (static_cast<int>(key)) {
    case studydb::NOTIFY_DB_PATIENTS_READY:
        onPatientReceived(text);
        break;
    case studydb::NOTIFY_PATIENT_CHANGED:
        onPatientChanged(text);
        break;
    case studydb::NOTIFY_IMPORT_FINISHED:
        onImportFinished(data != nullptr ? data->intValue : 0);
        break;
    case studydb::NOTIFY_IMPORT_PATH:
        importPath(text, data != nullptr && data->intValue2 != 0);
        break;
    case studydb::NOTIFY_APP_ACTIVE:
        autoLogin();
        break;
    case studydb::NOTIFY_PEER_COUNT:
        updatePeerCount(data != nullptr ? data->intValue : 0, text);
        break;
    case NSUI::NOTIFY_CAPTURE_SAVED:
    case isImageSDK::NOTIFY_FAVORITE_SAVED:
        updateFavoriteBadge(-1);
        break;
    case studydb::NOTIFY_LOGIN_CHANGED:
        updateLoginIcon();
        break;
    case isImageSDK::NOTIFY_OUT_OF_MEMORY: {
        const std::string message = AppConfig::getInstance()->getText("Memory is not enough.");
        showMessageBox(message.empty() ? "Memory is not enough." : message, 5.0f);
        break;
    }
    case studydb::NOTIFY_SERIES_PICKER_REQUEST: {
        auto* answer = NSUI::NSNotificationData::create();
        answer->setNotificationKey(studydb::NOTIFY_SERIES_PICKER_DATA, sender);
        answer->setObject(table);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            this, studydb::NOTIFY_SERIES_PICKER_DATA, answer, sender, true);
        break;
    }
    default:
        break;
    }
}
