#include "studydb/dcmFinder.h"

#include <cstdlib>
#include <vector>

#include "engine/2d/ActionInterval.h"
#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/RetrieveTask.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextChecks.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/FittedText.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"
#include "toolkit/widgets/NSTitleFrame.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

const char* const kKeyPrefix = "dcmfind.";
const char* const kFinderName = "dcmFinder";
const char* const kListName = "dcmFindList";
const float kMessageSeconds = 2.0f;
const float kFadeSeconds = 0.5f;
const int kFadeActionTag = 7301;
const float kListMargin = 10.0f;
const int kListZOrder = 100;
const cocos2d::Color4B kShade(0, 0, 0, 150);

void setTextOf(cocos2d::Node* root, const char* name, const std::string& text) {
    if (auto* widget = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name))) {
        widget->setString(text);
    }
}

// The patient ID's column reaches to the sex column, so that an ID shows whole where the row has
// room for it.
void giveIdTheRoom(cocos2d::Node* record) {
    constexpr float kGap = 12.0f;
    auto* id = dynamic_cast<cocos2d::ui::Text*>(record->getChildByNameDeep("id"));
    cocos2d::Node* sex = record->getChildByNameDeep("sex");
    if (id == nullptr || sex == nullptr || sex->getPositionX() - kGap <= id->getPositionX()) {
        return;
    }
    id->setTextAreaSize(cocos2d::Size(sex->getPositionX() - kGap - id->getPositionX(),
                                      id->getContentSize().height));
}

// A count of the retrieval progress text: decimal digits only.
bool isCount(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The screen's text for the English text, which is also the default.
std::string localised(const std::string& text) {
    const std::string translated = NSUI::getLocalizedString(kKeyPrefix + text);
    return translated.empty() ? text : translated;
}

void showLocalisedMessage(const char* text) {
    showMessageBox(localised(text), kMessageSeconds);
}

}  // namespace

dcmFinder::listObject* dcmFinder::listObject::create() {
    auto* row = new listObject();
    row->autorelease();
    return row;
}

NSUI::NSResponseWindow* dcmFinder::createWindow() {
    NSUI::NSResponseWindow* window = NSUI::NSResponseWindow::create();
    dcmFinder* finder = dcmFinder::create();
    if (window == nullptr || finder == nullptr) {
        return nullptr;
    }
    const cocos2d::Size area = window->getContentSize();
    finder->setAnchorPoint(cocos2d::Vec2(0.5f, 1.0f));
    finder->setPosition(cocos2d::Vec2(area.width / 2.0f, area.height));
    finder->setupWidgets();
    window->setAnchorPoint(cocos2d::Vec2::ZERO);
    window->setPosition(cocos2d::Vec2::ZERO);
    // The screen below stays in sight, dimmed.
    if (cocos2d::LayerColor* shade = cocos2d::LayerColor::create(kShade)) {
        shade->setContentSize(area);
        window->addChild(shade, 0);
    }
    window->addChild(finder, 1);
    return window;
}

cocos2d::Scene* dcmFinder::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    dcmFinder* finder = dcmFinder::create();
    if (scene == nullptr || finder == nullptr ||
        NSUI::addTitleFrame(scene, localised("Search Patients"),
                            [] { cocos2d::Director::getInstance()->popScene(); }) == nullptr) {
        return nullptr;
    }
    NSUI::placeBelowTitleBar(finder);
    finder->layout->setContentSize(finder->getContentSize());
    cocos2d::ui::Helper::doLayout(finder->layout);
    finder->setupWidgets();
    scene->addChild(finder);
    return scene;
}

dcmFinder* dcmFinder::finderIn(cocos2d::Node* holder) {
    return holder != nullptr ? dynamic_cast<dcmFinder*>(holder->getChildByName(kFinderName))
                             : nullptr;
}

dcmFinder::~dcmFinder() = default;

bool dcmFinder::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    setName(kFinderName);
    highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    highlightEnabled = false;
    layout = cocos2d::CSLoader::createNode(kLayoutFile);
    if (layout == nullptr) {
        return false;
    }
    layout->setName(kLayoutFile);
    if (AppConfig::getInstance()->isPhone) {
        layout->setContentSize(cocos2d::Director::getInstance()->getWinSize());
    }
    cocos2d::ui::Helper::doLayout(layout);
    setContentSize(layout->getContentSize());
    addChild(layout);
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (const int key : {studydb::NOTIFY_FIND_PATIENT_ROW, studydb::NOTIFY_FIND_SERIES_ROW,
                          studydb::NOTIFY_RETRIEVE_PROGRESS, studydb::NOTIFY_FIND_RESET}) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(this, nullptr, handler, key);
    }
    return true;
}

void dcmFinder::setupWidgets() {
    AppConfig::getInstance()->setWidgetText(layout, kKeyPrefix);
    const cocos2d::Size size = getContentSize();
    const float header = AppConfig::getInstance()->isPhone ? kPhoneHeaderHeight : kHeaderHeight;
    table = NSUI::NSListView::create();
    table->setName(kListName);
    table->setDelegate(this);
    table->setContentSize(cocos2d::Size(size.width - 2.0f * kListMargin, size.height - header));
    table->setAnchorPoint(cocos2d::Vec2::ZERO);
    table->setPosition(cocos2d::Vec2(kListMargin, 0.0f));
    layout->addChild(table, kListZOrder);
    table->reloadData();
    for (const char* name : {"btn_back", "btnSearch"}) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(layout->getChildByNameDeep(name))) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        }
    }
    replaceField("editIP", NSUI::NSTextField::DOTTED_NUMBER, "dicomServerIP");
    replaceField("editPort", NSUI::NSTextField::DIGITS, "dicomServerPort");
    replaceField("editTitle", NSUI::NSTextField::ANY_TEXT, "dicomServerTitle");
    replaceField("editPatient", NSUI::NSTextField::ANY_TEXT, nullptr);
}

void dcmFinder::replaceField(const char* name, int inputMode, const char* savedKey) {
    auto* placeholder = dynamic_cast<cocos2d::ui::TextField*>(layout->getChildByNameDeep(name));
    if (placeholder == nullptr) {
        return;
    }
    const std::string hintKey = placeholder->getPlaceHolder();
    const std::string hint = NSUI::getLocalizedString(kKeyPrefix + hintKey);
    NSUI::NSTextField* field = NSUI::NSTextField::createWithPlaceHolder(
        hint.empty() ? hintKey : hint, placeholder->getContentSize());
    if (field == nullptr) {
        return;
    }
    const int fontSize = static_cast<int>(placeholder->getFontSize());
    field->setName(name);
    field->setPosition(placeholder->getPosition());
    field->setAnchorPoint(placeholder->getAnchorPoint());
    field->setFontSize(fontSize);
    field->setPlaceHolderFontSize(fontSize);
    const cocos2d::Color4B colour = placeholder->getTextColor();
    field->setTextColor(cocos2d::Color3B(colour.r, colour.g, colour.b));
    const cocos2d::Color4B hintColour = placeholder->getPlaceHolderColor();
    field->setPlaceHolderColor(cocos2d::Color3B(hintColour.r, hintColour.g, hintColour.b));
    field->setLightCursor();
    field->showEditBackground();
    field->inputMode = inputMode;
    if (savedKey != nullptr) {
        const std::string saved = getStringForKey(savedKey, "");
        if (!saved.empty()) {
            field->setString(saved);
        }
    }
    placeholder->getParent()->addChild(field, placeholder->getLocalZOrder());
    placeholder->removeFromParent();
}

void dcmFinder::cleanup() {
    cocos2d::Node::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

NSUI::NSTextField* dcmFinder::getField(const std::string& name) const {
    return layout != nullptr ? dynamic_cast<NSUI::NSTextField*>(layout->getChildByNameDeep(name))
                             : nullptr;
}

dcmFinder::listObject* dcmFinder::getRow(ssize_t index) const {
    return table != nullptr ? dynamic_cast<listObject*>(table->getItem(index)) : nullptr;
}

void dcmFinder::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    if (name == "btn_back") {
        close();
    } else if (name == "btnSearch") {
        search();
    } else if (name == "btnDownload") {
        download(button);
    }
}

void dcmFinder::close() {
    cocos2d::Node* holder = getParent();
    if (dynamic_cast<NSUI::NSResponseWindow*>(holder) != nullptr) {
        holder->removeFromParent();
    } else {
        removeFromParent();
    }
}

void dcmFinder::search() {
    auto textOf = [this](const char* name) {
        NSUI::NSTextField* field = getField(name);
        return field != nullptr ? field->getString() : std::string();
    };
    const RemoteNode node{textOf("editIP"), textOf("editPort"), textOf("editTitle")};
    std::string patient = textOf("editPatient");
    NSUI::trim(patient);
    const std::string pattern = "*" + patient + "*";
    if (node.ip.empty() || !NSUI::isValidPort(node.port)) {
        showLocalisedMessage("Check the IP and PORT");
        return;
    }
    table->removeAllItems();
    setStringForKey("dicomServerIP", node.ip);
    setStringForKey("dicomServerPort", node.port);
    setStringForKey("dicomServerTitle", node.title);
    searchNode = node;
    dataService::getInstance()->getFinder().findPatientByName(
        node.ip.c_str(), node.port.c_str(), "", node.title.c_str(), pattern.c_str());
    if (searchRecorder) {
        searchRecorder();
    }
}

void dcmFinder::download(cocos2d::ui::Button* button) {
    auto* row = dynamic_cast<listObject*>(button->getUserObject());
    if (row == nullptr || row->isPatient || row->inProgress || row->requested) {
        return;
    }
    // What a refused copy retrieves could be filed into no library.
    if (const std::string refusal = dataService::getInstance()->getDatabase()->libraryRefusal();
        !refusal.empty()) {
        showMessageBox(refusal, kMessageSeconds);
        return;
    }
    row->requested = true;
    showDownloadState(button, row);
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string folder = files->getWritablePath() + kDownloadFolder;
    if (!files->isDirectoryExist(folder)) {
        files->createDirectory(folder);
    }
    bool queued = false;
    if (!files->isDirectoryExist(folder)) {
        showLocalisedMessage("Failed to create buffer");
    } else {
        studydb::RetrieveTask task;
        task.ip = row->node.ip;
        task.port = row->node.port;
        task.calledTitle = row->node.title;
        task.studyUid = row->text(listObject::kStudyUid);
        task.seriesUid = row->text(listObject::kSeriesUid);
        task.folder = folder;
        task.patientName = row->text(listObject::kPatientName);
        task.seriesNumber = row->text(listObject::kSeriesNumber);
        task.modality = row->text(listObject::kModality);
        queued = task.queue(dataService::getInstance()->getGetter());
        if (!queued) {
            showLocalisedMessage("This series is already being downloaded or cannot be downloaded");
        }
    }
    // A retrieval that never starts raises no event: the row must not wait for one.
    if (!queued) {
        row->requested = false;
        showDownloadState(button, row);
    }
}

void dcmFinder::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    switch (key) {
    case studydb::NOTIFY_FIND_PATIENT_ROW:
        addPatient(data->object);
        return;
    case studydb::NOTIFY_FIND_SERIES_ROW:
        addSeries(data->object);
        return;
    case studydb::NOTIFY_FIND_RESET:
        onRetrievalStarted(data->stringValue);
        return;
    case studydb::NOTIFY_RETRIEVE_PROGRESS:
        onRetrievalProgress(data->stringValue);
        return;
    default:
        return;
    }
}

void dcmFinder::addPatient(cocos2d::Ref* object) {
    auto* answer = dynamic_cast<findPatientRow*>(object);
    if (answer == nullptr || table == nullptr) {
        return;
    }
    dataService::getInstance()->getFinder().findStudyByUID(
        searchNode.ip.c_str(), searchNode.port.c_str(), "", searchNode.title.c_str(),
        answer->studyInstanceUID.c_str());
    listObject* row = listObject::create();
    row->isPatient = true;
    row->texts[listObject::kStudyDateTime] = answer->dateTime;
    row->texts[listObject::kInstitution] = answer->institution;
    row->texts[listObject::kStudyDescription] = answer->studyDescription;
    row->texts[listObject::kPatientName] = answer->patientName;
    row->texts[listObject::kPatientId] = answer->patientID;
    row->texts[listObject::kBirthDate] = answer->birthDate;
    row->texts[listObject::kSex] = answer->sex;
    row->texts[listObject::kStudyUid] = answer->studyInstanceUID;
    row->texts[listObject::kStudyId] = answer->studyID;
    row->node = searchNode;
    table->pushBackItem(row);
    updateHelp();
}

void dcmFinder::addSeries(cocos2d::Ref* object) {
    auto* answer = dynamic_cast<findSeriesRow*>(object);
    if (answer == nullptr || table == nullptr) {
        return;
    }
    listObject* row = listObject::create();
    row->texts[listObject::kModality] = answer->modality;
    row->texts[listObject::kSeriesDescription] = answer->seriesDescription;
    row->texts[listObject::kStudyUid] = answer->studyInstanceUID;
    row->texts[listObject::kSeriesUid] = answer->seriesInstanceUID;
    row->texts[listObject::kSeriesNumber] = answer->seriesNumber;
    row->texts[listObject::kImageCount] = answer->instanceCount;
    row->node = searchNode;
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        listObject* patient = getRow(i);
        if (patient != nullptr && patient->isPatient &&
            patient->text(listObject::kStudyUid) == answer->studyInstanceUID) {
            row->texts[listObject::kPatientName] = patient->text(listObject::kPatientName);
            row->node = patient->node;
            table->insertItem(i + 1, row);
            return;
        }
    }
    table->pushBackItem(row);
}

void dcmFinder::onRetrievalStarted(const std::string& seriesUid) {
    if (table == nullptr) {
        return;
    }
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        listObject* row = getRow(i);
        if (row == nullptr || row->isPatient) {
            continue;
        }
        if (row->requested && row->text(listObject::kSeriesUid) == seriesUid) {
            row->inProgress = true;
        } else if (row->inProgress) {
            // The library runs one retrieval at a time: this one has ended.
            row->inProgress = false;
            row->requested = false;
        }
    }
    refreshVisibleRows();
}

void dcmFinder::onRetrievalProgress(const std::string& text) {
    std::vector<std::string> fields;
    NSUI::splitString(text, "|", fields);
    if (fields.size() != 5 || table == nullptr) {
        return;
    }
    const std::string& key = fields[0];
    const std::string& remaining = fields[1];
    if (!isCount(remaining) || std::atoi(remaining.c_str()) != 0) {
        return;
    }
    const bool incomplete = std::atoi(fields[3].c_str()) != 0 || std::atoi(fields[4].c_str()) != 0;
    bool ended = false;
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        listObject* row = getRow(i);
        // A row still only requested has ended too: the start was delivered late or not at all.
        if (row == nullptr || row->isPatient || (!row->inProgress && !row->requested) ||
            row->text(listObject::kSeriesUid) != key) {
            continue;
        }
        row->inProgress = false;
        row->requested = false;
        ended = true;
    }
    if (ended && incomplete) {
        showLocalisedMessage("Failed to download the whole series");
    }
    refreshVisibleRows();
}

void dcmFinder::showDownloadState(cocos2d::ui::Button* button, const listObject* row) {
    button->stopActionByTag(kFadeActionTag);
    if (row->requested || row->inProgress) {
        auto* fade = cocos2d::RepeatForever::create(
            cocos2d::Sequence::create(cocos2d::FadeOut::create(kFadeSeconds),
                                      cocos2d::FadeIn::create(kFadeSeconds), nullptr));
        fade->setTag(kFadeActionTag);
        button->runAction(fade);
        button->setColor(row->inProgress ? cocos2d::Color3B::RED : cocos2d::Color3B::WHITE);
    } else {
        button->setOpacity(255);
        button->setColor(cocos2d::Color3B::WHITE);
    }
}

void dcmFinder::refreshVisibleRows() {
    for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
        listObject* row = getRow(static_cast<ssize_t>(cell->index));
        cocos2d::Node* record = cell->getChildByTag(kSeriesTag);
        if (row == nullptr || row->isPatient || record == nullptr) {
            continue;
        }
        if (auto* button =
                dynamic_cast<cocos2d::ui::Button*>(record->getChildByNameDeep("btnDownload"))) {
            showDownloadState(button, row);
        }
    }
}

void dcmFinder::updateHelp() {
    if (cocos2d::Node* help = layout->getChildByNameDeep("help")) {
        help->setVisible(table->getItemCount() == 0);
    }
}

cocos2d::Size dcmFinder::tableCellSizeForIndex(NSUI::NSTableView* view, ssize_t,
                                               cocos2d::Ref* item) {
    auto* row = dynamic_cast<listObject*>(item);
    const bool phone = AppConfig::getInstance()->isPhone;
    const bool patient = row != nullptr && row->isPatient;
    const float height = patient ? (phone ? kPhonePatientRowHeight : kPatientRowHeight)
                                 : (phone ? kPhoneSeriesRowHeight : kSeriesRowHeight);
    return cocos2d::Size(view->getContentSize().width, height);
}

NSUI::NSTableViewCell* dcmFinder::tableCellAtIndex(NSUI::NSTableView* view, ssize_t index,
                                                   const cocos2d::Size& size) {
    NSUI::NSTableViewCell* cell = view->reusableCell(index);
    if (cell == nullptr) {
        cell = NSUI::NSTableViewCell::create();
        const bool phone = AppConfig::getInstance()->isPhone;
        const struct {
            const char* file;
            int tag;
            float height;
        } records[] = {
            {kSeriesLayoutFile, kSeriesTag, phone ? kPhoneSeriesRowHeight : kSeriesRowHeight},
            {kPatientLayoutFile, kPatientTag, phone ? kPhonePatientRowHeight : kPatientRowHeight}};
        for (const auto& kind : records) {
            cocos2d::Node* record = cocos2d::CSLoader::createNode(kind.file, true);
            if (record == nullptr) {
                continue;
            }
            record->setContentSize(cocos2d::Size(size.width, kind.height));
            cocos2d::ui::Helper::doLayout(record);
            AppConfig::getInstance()->setWidgetText(record, kKeyPrefix);
            record->setAnchorPoint(cocos2d::Vec2::ZERO);
            record->setPosition(cocos2d::Vec2::ZERO);
            record->setTag(kind.tag);
            record->setVisible(false);
            if (kind.tag == kPatientTag) {
                giveIdTheRoom(record);
            }
            cell->addChild(record);
        }
        if (cocos2d::Node* series = cell->getChildByTag(kSeriesTag)) {
            if (auto* button =
                    dynamic_cast<cocos2d::ui::Button*>(series->getChildByNameDeep("btnDownload"))) {
                button->setPressedActionEnabled(true);
                button->addClickEventListener(
                    [this](cocos2d::Ref* sender) { onButtonClick(sender); });
            }
        }
    }
    listObject* row = getRow(index);
    cocos2d::Node* series = cell->getChildByTag(kSeriesTag);
    cocos2d::Node* patient = cell->getChildByTag(kPatientTag);
    if (row == nullptr || series == nullptr || patient == nullptr) {
        return cell;
    }
    patient->setVisible(row->isPatient);
    series->setVisible(!row->isPatient);
    if (row->isPatient) {
        setTextOf(patient, "name", NSUI::cutText(row->text(listObject::kPatientName), 11));
        NSUI::setFittedText(dynamic_cast<cocos2d::ui::Text*>(patient->getChildByNameDeep("id")),
                            row->text(listObject::kPatientId));
        setTextOf(patient, "sex", row->text(listObject::kSex));
        setTextOf(patient, "birthday", row->text(listObject::kBirthDate));
        setTextOf(patient, "hospital", NSUI::cutText(row->text(listObject::kInstitution), 30));
        setTextOf(patient, "studyid", NSUI::cutText(row->text(listObject::kStudyId), 11));
        setTextOf(patient, "studydate", row->text(listObject::kStudyDateTime));
        setTextOf(patient, "desc", NSUI::cutText(row->text(listObject::kStudyDescription), 30));
        return cell;
    }
    setTextOf(series, "seriesid", row->text(listObject::kSeriesNumber));
    setTextOf(series, "modality", row->text(listObject::kModality));
    setTextOf(series, "number", row->text(listObject::kImageCount));
    setTextOf(series, "desc", NSUI::cutText(row->text(listObject::kSeriesDescription), 30));
    if (auto* button =
            dynamic_cast<cocos2d::ui::Button*>(series->getChildByNameDeep("btnDownload"))) {
        button->setUserObject(row);
        showDownloadState(button, row);
    }
    return cell;
}
