#include "app/studyList.h"

#include <cstdlib>

#include "app/FavoriteBadge.h"
#include "app/FavouritesLink.h"
#include "app/ViewerScreenLink.h"
#include "app/shareTo.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/CheckBox.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/FolderBuffer.h"
#include "online/statApplication.h"
#include "studydb/StudyListRows.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmSend.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/widgets/FittedText.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"

namespace {

constexpr int kTitleLayoutTag = 100;
constexpr int kRecordLayoutTag = 101;

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

// A value of the model, "" for a row or column it does not have.
std::string cell(const NSUI::NSDBDataModel& model, int row, int column) {
    if (row < 0 || row >= model.getRowCount() || column < 0 ||
        column >= model.getColumnCount(row)) {
        return std::string();
    }
    return model.getValue(row, column);
}

void translate(cocos2d::Node* node) {
    if (node != nullptr) {
        AppConfig::getInstance()->setWidgetText(node, "");
    }
}

void addStat(int type) {
    statApplication::getInstance()->addStat(type, "");
}

// A layout file sized to `size`, laid out and translated; null when it cannot be loaded.
cocos2d::Node* loadLayout(const std::string& file, const cocos2d::Size& size) {
    cocos2d::Node* node = cocos2d::CSLoader::createNode(file);
    if (node == nullptr) {
        return nullptr;
    }
    node->setContentSize(size);
    cocos2d::ui::Helper::doLayout(node);
    translate(node);
    return node;
}

// A row's text too long for its field ends in "…" rather than being cut unseen.
void setText(cocos2d::Node* root, const std::string& name, const std::string& text) {
    NSUI::setFittedText(dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name)), text);
}

bool digitsOnly(const std::string& text) {
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Series numbers of digits only (an empty one reading 0) compare as numbers of any length;
// others byte by byte.
bool sortsBefore(const std::string& number, const std::string& other) {
    if (digitsOnly(number) && digitsOnly(other)) {
        const std::string a = number.substr(std::min(number.find_first_not_of('0'), number.size()));
        const std::string b = other.substr(std::min(other.find_first_not_of('0'), other.size()));
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
    return number < other;
}

}  // namespace

studyList::listObject* studyList::listObject::create() {
    auto* row = new listObject();
    row->autorelease();
    return row;
}

studyList::protocalObject* studyList::protocalObject::create(const std::string& file,
                                                             const std::string& title,
                                                             const std::string& type) {
    auto* protocol = new protocalObject();
    protocol->file = file;
    protocol->title = title;
    protocol->type = type;
    protocol->autorelease();
    return protocol;
}

cocos2d::Scene* studyList::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    studyList* list = create();
    if (scene == nullptr || list == nullptr) {
        return nullptr;
    }
    list->setContentSize(cocos2d::Director::getInstance()->getWinSize());
    list->initWithPC(false);
    list->setTag(kSceneTag);
    scene->addChild(list);
    scene->enableAndroidReturnKey();
    return scene;
}

studyList::~studyList() {
    jobs.joinAll();
}

dicomDB* studyList::serviceDatabase() {
    dataService* service = dataService::getInstance();
    return service != nullptr ? service->getDatabase() : nullptr;
}

bool studyList::init() {
    if (!cocos2d::Layer::init()) {
        return false;
    }
    owner = this;
    addStat(5);
    database = cocos2d::RefPtr<dicomDB>::retained(serviceDatabase());
    highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (const int key : {studydb::NOTIFY_DB_STUDIES_READY, studydb::NOTIFY_THUMBNAIL_READY,
                          studydb::NOTIFY_PATIENT_DELETED, NSUI::NOTIFY_CAPTURE_SAVED,
                          isImageSDK::NOTIFY_FAVORITE_SAVED}) {
        centre()->addObserver(this, nullptr, handler, key);
    }
    return true;
}

bool studyList::initWithPC(bool pc) {
    highlightEnabled = true;
    const cocos2d::Size size = getContentSize();
    cocos2d::Node* layout = cocos2d::CSLoader::createNode(pc ? "studyListPC.csb" : "studyList.csb");
    if (layout == nullptr) {
        return false;
    }
    if (cocos2d::Node* appName = layout->getChildByNameDeep("appName")) {
        appName->removeFromParent();
    }
    layout->setContentSize(size);
    translate(layout);
    cocos2d::ui::Helper::doLayout(layout);
    addChild(layout);

    cocos2d::Node* placeholder = layout->getChildByName("list");
    if (placeholder == nullptr) {
        return false;
    }
    const float width = placeholder->getContentSize().width;
    rowTable = NSUI::NSListView::create();
    rowTable->setDelegate(this);
    rowTable->keepSelection = true;
    rowTable->setContentSize(cocos2d::Size(width, size.height - (pc ? 100.0f : 160.0f)));
    rowTable->setAnchorPoint(cocos2d::Vec2::ZERO);
    rowTable->setPosition(cocos2d::Vec2(0.0f, stripHeight));
    addChild(rowTable);

    protocolStrip = NSUI::NSListView::create();
    protocolStrip->setDelegate(this);
    protocolStrip->setDirection(NSUI::scrollHorizontal);
    protocolStrip->setContentSize(cocos2d::Size(width, stripHeight));
    protocolStrip->setAnchorPoint(cocos2d::Vec2::ZERO);
    protocolStrip->setPosition(cocos2d::Vec2::ZERO);
    addChild(protocolStrip, placeholder->getLocalZOrder());

    placeholder->removeFromParent();
    rowTable->menuStartFraction = 0.2f;
    rowTable->menuOpenFraction = 0.4f;
    rowTable->menuAnimationTime = 0.5f;
    rowTable->reloadData();

    for (const char* name : {"goBack", "btnFavorite"}) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep(name));
        if (button != nullptr) {
            button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
            if (std::string(name) == "btnFavorite") {
                button->setLocalZOrder(1000);
            }
        }
    }
    auto* multi = dynamic_cast<cocos2d::ui::CheckBox*>(getChildByNameDeep("chkMultiSel"));
    if (multi != nullptr) {
        multi->setSelected(false);
        multi->addEventListener(
            [this](cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType type) {
                onMultiSelectChanged(sender, static_cast<int>(type));
            });
    }
    showThumbnails("");
    return true;
}

void studyList::onEnterTransitionDidFinish() {
    cocos2d::Layer::onEnterTransitionDidFinish();
    if (requestOnEnter) {
        requestOnEnter = false;
        requestStudies();
    }
    if (database != nullptr) {
        updateFavoriteBadge(this, database->newFavoriteCount.load());
    }
}

void studyList::onExit() {
    cocos2d::Layer::onExit();
    addStat(6);
}

void studyList::cleanup() {
    cocos2d::Layer::cleanup();
    centre()->removeObserver(this);
    if (database != nullptr) {
        database->detachRequestOwner(this);
        database->studyListLoaded = false;
    }
    pendingStudies.clear();
    jobs.joinAll();
}

void studyList::requestStudies() {
    if (database == nullptr || patientId.empty()) {
        return;
    }
    loading = true;
    database->requestStudies([this](NSUI::NSDBDataModel* model) { onStudiesLoaded(model); },
                             patientId, this);
}

std::string studyList::seriesPath(const std::string& folder) const {
    std::string path = database->getDicomRoot() + folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

void studyList::setPatient(const std::string& id) {
    if (patientId.empty()) {
        patientId = id;
        return;
    }
    if (loading) {
        // The running request ends first; then the latest patient asked for is shown.
        queuedPatientId = id == patientId ? std::string() : id;
        return;
    }
    if (id == patientId) {
        return;
    }
    rowsLoaded = false;
    patientId = id;
    if (rowTable != nullptr) {
        rowTable->removeAllItems();
        rowTable->reloadData();
    }
    forgetThumbnails();
    requestStudies();
}

void studyList::onStudiesLoaded(NSUI::NSDBDataModel* model) {
    std::string studyKey;
    const int count = model != nullptr ? model->getRowCount() : 0;
    for (int i = 0; i < count; ++i) {
        if (model->getColumnCount(i) == 0) {
            continue;
        }
        listObject* row = listObject::create();
        if (cell(*model, i, 0) == "study") {
            row->type = 0;
            row->studyID = cell(*model, i, 1);
            row->patientID = cell(*model, i, 2);
            row->studyIDHospital = cell(*model, i, 3);
            row->studyDate = cell(*model, i, 4);
            row->studyDesc = cell(*model, i, 5);
            studyKey = row->studyID;
        } else {
            row->type = 1;
            row->seriesID = cell(*model, i, 0);
            row->patientID = cell(*model, i, 1);
            row->seriesTime = cell(*model, i, 2);
            row->seriesDesc = cell(*model, i, 3);
            row->folder = cell(*model, i, 4);
            row->imageCount = std::atoi(cell(*model, i, 5).c_str());
            row->columns = std::atoi(cell(*model, i, 6).c_str());
            row->rows = std::atoi(cell(*model, i, 7).c_str());
            row->institution = cell(*model, i, 8);
            row->modality = cell(*model, i, 9);
            row->exposure = cell(*model, i, 10);
            row->seriesNumber = cell(*model, i, 11);
        }
        insertRow(studyKey, row);
    }
    rowsLoaded = true;
    const cocos2d::Vector<NSUI::NSNotificationData*> pending = pendingStudies;
    pendingStudies.clear();
    for (NSUI::NSNotificationData* data : pending) {
        applyReceivedFile(data);
    }
    if (rowTable != nullptr && rowTable->getItemCount() >= 2) {
        showSeriesThumbnails(getRow(1));
        updateProtocols();
    }
    loading = false;
    if (!queuedPatientId.empty()) {
        const std::string next = queuedPatientId;
        queuedPatientId.clear();
        setPatient(next);
    }
}

studyList::listObject* studyList::getRow(ssize_t index) const {
    return rowTable != nullptr ? dynamic_cast<listObject*>(rowTable->getItem(index)) : nullptr;
}

void studyList::insertRow(const std::string& key, listObject* row) {
    if (rowTable == nullptr || key.empty() || row == nullptr) {
        return;
    }
    const ssize_t count = rowTable->getItemCount();
    ssize_t index = 0;
    bool inGroup = false;
    for (; index < count; ++index) {
        const listObject* current = getRow(index);
        if (current == nullptr) {
            continue;
        }
        if (!inGroup) {
            inGroup = current->type == 0 && current->studyID == key;
            continue;
        }
        if (current->type == 0 || sortsBefore(row->seriesNumber, current->seriesNumber)) {
            break;
        }
    }
    rowTable->insertItem(index, row);
}

void studyList::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    switch (key) {
    case NSUI::NOTIFY_CAPTURE_SAVED:
    case isImageSDK::NOTIFY_FAVORITE_SAVED:
        updateFavoriteBadge(this, -1);
        return;
    case studydb::NOTIFY_THUMBNAIL_READY:
        if (data != nullptr && !data->stringValue.empty() &&
            data->stringValue == thumbnailJobFolder) {
            thumbnailJobFolder.clear();
            if (queuedThumbnailPath.empty()) {
                showThumbnails(data->stringValue);
            }
        }
        serveQueuedThumbnails();
        return;
    case studydb::NOTIFY_PATIENT_DELETED:
        if (data != nullptr && data->stringValue == patientId) {
            clearRows();
        }
        return;
    case studydb::NOTIFY_DB_STUDIES_READY:
        if (data == nullptr) {
            return;
        }
        if (!rowsLoaded) {
            pendingStudies.pushBack(data);
        } else {
            applyReceivedFile(data);
        }
        return;
    default:
        return;
    }
}

void studyList::clearRows() {
    if (rowTable != nullptr) {
        rowTable->removeAllItems();
        rowTable->reloadData();
    }
    if (protocolStrip != nullptr) {
        protocolStrip->removeAllItems();
        protocolStrip->reloadData();
    }
    forgetThumbnails();
    rowsLoaded = false;
}

void studyList::applyReceivedFile(NSUI::NSNotificationData* data) {
    const std::string& json = data->stringValue;
    const std::string patient = getString(json, "patientID");
    const std::string study = getString(json, "studyID");
    const std::string series = getString(json, "seriesID");
    auto* rows = dynamic_cast<studydb::StudyListRows*>(data->object);
    // A file of another patient never enters this list, not even an empty one.
    if (rowTable == nullptr || patient != patientId) {
        return;
    }
    ssize_t studyIndex = -1;
    ssize_t seriesIndex = -1;
    for (ssize_t k = 0; k < rowTable->getItemCount(); ++k) {
        const listObject* row = getRow(k);
        if (row == nullptr) {
            continue;
        }
        if (row->patientID != patient) {
            return;
        }
        if (row->type == 0 && row->studyID == study) {
            studyIndex = k;
        } else if (row->type == 1 && row->seriesID == series) {
            seriesIndex = k;
        }
        if (studyIndex >= 0 && seriesIndex >= 0) {
            break;
        }
    }
    auto newSeries = [&]() {
        listObject* row = listObject::create();
        row->type = 1;
        row->seriesID = series;
        row->patientID = patient;
        return row;
    };
    if (studyIndex >= 0 && seriesIndex < 0) {
        rowTable->insertItem(studyIndex + 1, newSeries());
    } else if (studyIndex >= 0 && studyIndex < seriesIndex) {
        listObject* row = getRow(seriesIndex);
        ++row->imageCount;
        refreshRow(row);
        followShownSeries(row);
        return;
    } else {
        listObject* title = listObject::create();
        title->type = 0;
        title->studyID = study;
        title->patientID = patient;
        title->studyIDHospital = getString(json, "studyIDHospital");
        title->studyDate = getString(json, "studyDate");
        title->studyDesc = getString(json, "studyDesc");
        rowTable->insertItem(0, title);
        rowTable->insertItem(1, newSeries());
    }
    if (rows != nullptr) {
        fillSeriesRow(rows->rows());
    }
}

void studyList::fillSeriesRow(const NSUI::NSDBDataModel& model) {
    const std::string series = cell(model, 0, 0);
    if (rowTable == nullptr || series.empty()) {
        return;
    }
    for (ssize_t k = 0; k < rowTable->getItemCount(); ++k) {
        listObject* row = getRow(k);
        if (row == nullptr || row->type != 1 || row->seriesID != series) {
            continue;
        }
        row->seriesTime = cell(model, 0, 1);
        row->seriesDesc = cell(model, 0, 2);
        row->folder = cell(model, 0, 3);
        row->imageCount = std::atoi(cell(model, 0, 4).c_str());
        row->columns = std::atoi(cell(model, 0, 5).c_str());
        row->rows = std::atoi(cell(model, 0, 6).c_str());
        row->institution = cell(model, 0, 7);
        row->modality = cell(model, 0, 8);
        row->exposure = cell(model, 0, 9);
        row->seriesNumber = cell(model, 0, 10);
        refreshRow(row);
        return;
    }
}

void studyList::refreshRow(listObject* row) {
    const ssize_t index = rowTable->items.getIndex(row);
    if (index >= 0 && rowTable->cellAtIndex(index) != nullptr) {
        rowTable->updateCellSizeAtIndex(index);
        rowTable->updateCellAtIndex(index);
    }
}

void studyList::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    if (name == "goBack") {
        cocos2d::Director::getInstance()->popScene();
        return;
    }
    if (name == "btnFavorite") {
        openFavourites();
        return;
    }
    auto* rowCell = dynamic_cast<NSUI::NSTableViewCell*>(button->getUserObject());
    if (rowCell == nullptr || rowTable == nullptr) {
        return;
    }
    const ssize_t index = rowCell->index;
    if (name == "del") {
        rowTable->closeCellMenu(true);
        const listObject* row = getRow(index);
        const bool sameRow =
            !pressedSeries.has_value() || (row != nullptr && row->seriesID == *pressedSeries);
        pressedSeries.reset();
        std::function<void()> finished;
        if (row != nullptr && sameRow && deleteGuard.admit(finished)) {
            deleteRow(index, std::move(finished));
        }
    } else if (name == "share") {
        const listObject* row = getRow(index);
        shareTo* share = shareTo::create();
        if (row != nullptr && share != nullptr && database != nullptr) {
            share->setPositionX(-getPositionX());
            addChild(share);
            share->shareData(seriesPath(row->folder), row->seriesID);
        }
        rowTable->closeCellMenu(false);
        addStat(15);
    } else if (name == "send") {
        openDicomNodes(getRow(index));
    }
}

std::string studyList::sendLabel(const listObject& row) {
    std::string label = AppConfig::getInstance()->getTextOrKey("Series") + " " + row.seriesNumber;
    if (!row.modality.empty()) {
        label += " " + row.modality;
    }
    if (!row.seriesDesc.empty()) {
        label += " (" + row.seriesDesc + ")";
    }
    return label;
}

void studyList::openDicomNodes(const listObject* row) {
    auto prepare = [&](cocos2d::Node* holder) {
        auto* screen = dynamic_cast<dcmSend*>(holder->getChildByNameDeep("dcmSend"));
        if (screen != nullptr && row != nullptr && database != nullptr) {
            screen->setSendSource(seriesPath(row->folder), sendLabel(*row));
        }
    };
    if (AppConfig::getInstance()->isPhone) {
        if (cocos2d::Scene* scene = dcmSend::createScene()) {
            prepare(scene);
            rowTable->closeCellMenu(true);
            cocos2d::Director::getInstance()->pushScene(scene);
        }
        return;
    }
    NSUI::NSResponseWindow* window = dcmSend::createWindow();
    if (window == nullptr) {
        return;
    }
    // The list may be the home screen's side panel: the window covers the whole screen.
    window->setPositionX(-getPositionX());
    addChild(window, kPopupZOrder);
    prepare(window);
    rowTable->closeCellMenu(false);
}

void studyList::onDeletePress(cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType event) {
    using Touch = cocos2d::ui::Widget::TouchEventType;
    if (event == Touch::CANCELED) {
        pressedSeries.reset();
    }
    auto* button = dynamic_cast<cocos2d::Node*>(sender);
    if (event != Touch::BEGAN || button == nullptr) {
        return;
    }
    auto* rowCell = dynamic_cast<NSUI::NSTableViewCell*>(button->getUserObject());
    const listObject* row = rowCell != nullptr ? getRow(rowCell->index) : nullptr;
    pressedSeries = row != nullptr ? row->seriesID : std::string();
}

void studyList::deleteRow(ssize_t index, std::function<void()> finished) {
    listObject* row = getRow(index);
    dicomDB* db = database.get();
    if (row == nullptr || row->type != 1 || db == nullptr) {
        return;
    }
    std::string json;
    setString(json, "seriesID", row->seriesID);
    setString(json, "patientID", row->patientID);
    setString(json, "folder", seriesPath(row->folder));
    if (thumbnailFolder == seriesPath(row->folder)) {
        showThumbnails("");
        thumbnailFolder.clear();
    }
    cocos2d::RefPtr<dicomDB> held = database;
    jobs.start([held, json, finished] {
        deleteSeriesJob(held.get(), json);
        if (finished) {
            finished();
        }
    });
    rowTable->removeItemAtIndex(index);
    const listObject* above = getRow(index - 1);
    const listObject* below = getRow(index);
    if (above != nullptr && above->type == 0 && (below == nullptr || below->type == 0)) {
        rowTable->removeItemAtIndex(index - 1);
    }
}

void studyList::deleteSeriesJob(dicomDB* db, const std::string& json) {
    const std::string seriesId = getString(json, "seriesID");
    const std::string patient = getString(json, "patientID");
    const std::string folder = getString(json, "folder");
    if (!folder.empty()) {
        isImageSDK::removeFolderBuffer(folder);
    }
    db->deleteSeries(seriesId);
    centre()->postString(nullptr, studydb::NOTIFY_PATIENT_CHANGED, patient, nullptr, false);
}

void studyList::onMultiSelectChanged(cocos2d::Ref* sender, int) {
    auto* box = dynamic_cast<cocos2d::ui::CheckBox*>(sender);
    if (rowTable != nullptr && box != nullptr) {
        rowTable->multiSelect = box->isSelected();
        rowTable->ctrlHeld = box->isSelected();
    }
}

void studyList::tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* touched,
                                 const cocos2d::Vec2& point) {
    if (touched == nullptr) {
        return;
    }
    if (table == protocolStrip) {
        openProtocol(dynamic_cast<protocalObject*>(protocolStrip->getItem(touched->index)));
        return;
    }
    if (table != rowTable) {
        return;
    }
    listObject* row = getRow(touched->index);
    if (point.x < rowTable->getContentSize().width - kOpenZone) {
        if (row != nullptr) {
            showSeriesThumbnails(row);
        }
        updateProtocols();
    } else if (row != nullptr && row->type == 1) {
        openViewerScreen(row->folder, "");
    }
}

void studyList::tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) {
    const listObject* row = table == rowTable && menu != nullptr ? getRow(menu->index) : nullptr;
    if (row == nullptr || row->type != 1) {
        if (menu != nullptr) {
            menu->setVisible(false);
        }
        return;
    }
    cocos2d::Node* tools = cocos2d::CSLoader::createNode("studyTool.csb");
    if (tools == nullptr) {
        menu->setVisible(false);
        return;
    }
    tools->setContentSize(
        cocos2d::Size(tools->getContentSize().width, menu->getContentSize().height));
    cocos2d::ui::Helper::doLayout(tools);
    translate(tools);
    menu->addChild(tools);
    menu->setContentSize(
        cocos2d::Size(tools->getContentSize().width, menu->getContentSize().height));
    for (const char* name : {"del", "send", "share"}) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(tools->getChildByNameDeep(name));
        if (button != nullptr) {
            button->setUserObject(menu->cell);
            button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
            if (std::string(name) == "del") {
                button->addTouchEventListener(
                    [this](cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType event) {
                        onDeletePress(sender, event);
                    });
            }
        }
    }
}

cocos2d::Size studyList::tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t,
                                               cocos2d::Ref* item) {
    if (table == rowTable) {
        const auto* row = dynamic_cast<listObject*>(item);
        const float height = row != nullptr && row->type == 0 ? 50.0f : 100.0f;
        return cocos2d::Size(rowTable->getContentSize().width, height);
    }
    if (table == protocolStrip) {
        return cocos2d::Size(100.0f, 100.0f);
    }
    return cocos2d::Size::ZERO;
}

void studyList::loadCellLayout(NSUI::NSTableViewCell* rowCell, const std::string& file, int tag,
                               const cocos2d::Size& size) {
    if (rowCell->getChildByTag(tag) != nullptr) {
        return;
    }
    cocos2d::Node* layout = loadLayout(file, size);
    if (layout != nullptr) {
        rowCell->addChild(layout, 0, tag);
    }
}

NSUI::NSTableViewCell* studyList::tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                                   const cocos2d::Size& size) {
    NSUI::NSTableViewCell* rowCell = table->reusableCell(index);
    if (rowCell == nullptr) {
        rowCell = NSUI::NSTableViewCell::create();
    }
    if (table == protocolStrip) {
        fillProtocolCell(rowCell, dynamic_cast<protocalObject*>(table->getItem(index)), size);
        return rowCell;
    }
    const listObject* row = dynamic_cast<listObject*>(table->getItem(index));
    if (table != rowTable || row == nullptr) {
        return rowCell;
    }
    const bool series = row->type != 0;
    const int tag = series ? kRecordLayoutTag : kTitleLayoutTag;
    const int other = series ? kTitleLayoutTag : kRecordLayoutTag;
    if (cocos2d::Node* stale = rowCell->getChildByTag(other)) {
        stale->removeFromParent();
    }
    if (cocos2d::Node* sized = rowCell->getChildByTag(tag)) {
        if (!sized->getContentSize().equals(size)) {
            sized->removeFromParent();
        }
    }
    loadCellLayout(rowCell, series ? "studyRecord.csb" : "studyRecordTitle.csb", tag, size);
    cocos2d::Node* layout = rowCell->getChildByTag(tag);
    if (layout == nullptr) {
        return rowCell;
    }
    if (series) {
        setText(layout, "id", row->seriesNumber);
        setText(layout, "seriesPara", row->exposure);
        setText(layout, "imageDesc",
                std::to_string(row->columns) + "x" + std::to_string(row->rows) + " of " +
                    std::to_string(row->imageCount));
        setText(layout, "hospital", row->institution);
        setText(layout, "modality", row->modality);
        setText(layout, "seriesDesc", row->seriesDesc);
    } else {
        setText(layout, "id", row->studyIDHospital);
        setText(layout, "time", row->studyDate);
        setText(layout, "desc", row->studyDesc);
    }
    return rowCell;
}
