#include "app/selectSeries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/patientList.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"

namespace {

constexpr int kLayoutTag = 100;

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

std::string cell(const NSUI::NSDBDataModel& model, int row, int column) {
    if (column >= model.getColumnCount(row)) {
        return std::string();
    }
    return model.getValue(row, column);
}

void translate(cocos2d::Node* node) {
    if (node != nullptr) {
        AppConfig::getInstance()->setWidgetText(node, "");
    }
}

void setText(cocos2d::Node* root, const std::string& name, const std::string& text) {
    auto* widget = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name));
    if (widget != nullptr) {
        widget->setString(text);
    }
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

void setVisibleByName(cocos2d::Node* root, const char* name, bool visible) {
    if (cocos2d::Node* node = root->getChildByNameDeep(name)) {
        node->setVisible(visible);
    }
}

}  // namespace

selectSeries::listObject* selectSeries::listObject::create() {
    auto* row = new listObject();
    row->autorelease();
    return row;
}

selectSeries::studyObject* selectSeries::studyObject::create() {
    auto* row = new studyObject();
    row->autorelease();
    return row;
}

selectSeries::~selectSeries() = default;

std::string selectSeries::formatSeriesTime(const std::string& time) {
    if (time.size() != 15) {
        return time;
    }
    return time.substr(0, 4) + "-" + time.substr(4, 2) + "-" + time.substr(6, 2) + " " +
           time.substr(9, 2) + ":" + time.substr(11, 2) + ":" + time.substr(13, 2);
}

bool selectSeries::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    dataService* service = dataService::getInstance();
    database =
        cocos2d::RefPtr<dicomDB>::retained(service != nullptr ? service->getDatabase() : nullptr);
    highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    centre()->addObserver(
        this, this,
        [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
            onNotification(sender, key, data);
        },
        studydb::NOTIFY_SERIES_PICKER_DATA);
    return true;
}

bool selectSeries::initWithMode(int windowMode) {
    mode = windowMode;
    cocos2d::Node* layout = cocos2d::CSLoader::createNode("selectSeries.csb");
    if (layout == nullptr) {
        return false;
    }
    const cocos2d::Size size = getContentSize();
    layout->setContentSize(size);
    cocos2d::ui::Helper::doLayout(layout);
    translate(layout);
    addChild(layout);
    for (const char* name : {"goBack", "btnSelectSeries"}) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(layout->getChildByNameDeep(name));
        if (button != nullptr) {
            button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        }
    }
    highlightEnabled = true;
    auto makeTable = [this, size]() {
        NSUI::NSListView* table = NSUI::NSListView::create();
        table->setDelegate(this);
        table->keepSelection = true;
        table->setContentSize(cocos2d::Size(size.width, size.height - 60.0f));
        table->setAnchorPoint(cocos2d::Vec2::ZERO);
        table->setPosition(cocos2d::Vec2::ZERO);
        addChild(table);
        table->reloadData();
        return table;
    };
    patientTable = makeTable();
    patientTable->setVisible(false);
    seriesTable = makeTable();

    auto* filter = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("filter"));
    if (filter != nullptr) {
        filter->setPressedActionEnabled(true);
        filter->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        filter->setLocalZOrder(1000);
        filter->setVisible(false);
    }
    auto* placeholder =
        dynamic_cast<cocos2d::ui::TextField*>(layout->getChildByNameDeep("editFilter"));
    if (placeholder != nullptr) {
        const cocos2d::Size fieldSize(placeholder->getContentSize().width,
                                      placeholder->getContentSize().height + 15.0f);
        NSUI::NSTextField* field = NSUI::NSTextField::createWithPlaceHolder("", fieldSize);
        if (field != nullptr) {
            field->setBackgroundImages("editfocus.png", "editfocus.png");
            field->setPosition(placeholder->getPosition());
            field->setAnchorPoint(placeholder->getAnchorPoint());
            field->setTextColor(cocos2d::Color3B(244, 244, 244));
            const int fontSize = static_cast<int>(placeholder->getFontSize());
            field->setFontSize(fontSize);
            field->setPlaceHolderFontSize(fontSize);
            field->setPlaceHolderColor(cocos2d::Color3B(100, 100, 100));
            const std::string hint = NSUI::getLocalizedString("Patient filter");
            field->setPlaceHolder(hint.empty() ? "Patient filter" : hint);
            field->showEditBackground();
            field->setName("editFilter");
            field->setLightCursor();
            field->setEventCallback(
                [this](cocos2d::Ref* sender, NSUI::NSTextField::EventType event) {
                    onFilterFieldEvent(sender, static_cast<int>(event));
                });
            field->setVisible(false);
            placeholder->getParent()->addChild(field, placeholder->getLocalZOrder());
        }
        placeholder->removeFromParent();
    }
    return true;
}

void selectSeries::onEnterTransitionDidFinish() {
    NSUI::NSLayout::onEnterTransitionDidFinish();
    if (firstEnter) {
        firstEnter = false;
        centre()->postNotification(this, studydb::NOTIFY_SERIES_PICKER_REQUEST, nullptr, nullptr,
                                   true);
    }
}

void selectSeries::cleanup() {
    NSUI::NSLayout::cleanup();
    centre()->removeObserver(this);
    if (database != nullptr) {
        database->detachRequestOwner(this);
    }
}

bool selectSeries::isSeriesPage() const {
    return seriesTable != nullptr && seriesTable->isVisible();
}

void selectSeries::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (key != studydb::NOTIFY_SERIES_PICKER_DATA || data == nullptr || patientTable == nullptr) {
        return;
    }
    auto* home = dynamic_cast<NSUI::NSListView*>(data->object);
    NSUI::NSTableViewCell* selected = home != nullptr ? home->getSelectedCell() : nullptr;
    if (selected == nullptr) {
        return;
    }
    const ssize_t selectedIndex = selected->index;
    for (ssize_t i = 0; i < home->getItemCount(); ++i) {
        auto* source = dynamic_cast<patientList::listObject*>(home->getItem(i));
        if (source == nullptr) {
            continue;
        }
        listObject* row = listObject::create();
        row->patientID = source->patientID;
        row->patientIDHospital = source->patientIDHospital;
        row->name = source->name;
        row->seriesTime = source->seriesDate.substr(0, 19);
        row->studyDesc = NSUI::cutText(source->studyDesc, kDescriptionLength);
        row->rowId = rowIdBase + static_cast<int>(i);
        if (i == selectedIndex) {
            patientTable->insertItem(0, row);
        } else {
            patientTable->pushBackItem(row);
        }
    }
    patientTable->reloadData();
    auto* chosen = dynamic_cast<patientList::listObject*>(home->getItem(selectedIndex));
    if (chosen != nullptr) {
        requestSeries(chosen->patientID);
    }
}

void selectSeries::requestSeries(const std::string& patientId) {
    if (database != nullptr) {
        database->requestStudies([this](NSUI::NSDBDataModel* model) { onStudiesLoaded(model); },
                                 patientId, this);
    }
}

void selectSeries::onStudiesLoaded(NSUI::NSDBDataModel* model) {
    if (seriesTable == nullptr) {
        return;
    }
    seriesTable->removeAllItems();
    const int count = model != nullptr ? model->getRowCount() : 0;
    for (int i = 0; i < count; ++i) {
        if (model->getColumnCount(i) == 0 || cell(*model, i, 0) == "study") {
            continue;
        }
        studyObject* row = studyObject::create();
        row->seriesID = cell(*model, i, 0);
        row->patientID = cell(*model, i, 1);
        row->seriesTime = formatSeriesTime(cell(*model, i, 2));
        row->seriesDesc = NSUI::cutText(cell(*model, i, 3), kDescriptionLength);
        row->folder = cell(*model, i, 4);
        row->imageCount = std::atoi(cell(*model, i, 5).c_str());
        row->columns = std::atoi(cell(*model, i, 6).c_str());
        row->rows = std::atoi(cell(*model, i, 7).c_str());
        row->modality = cell(*model, i, 9);
        row->seriesNumber = cell(*model, i, 11);
        seriesTable->pushBackItem(row);
    }
    seriesTable->reloadData();
    seriesTable->selectCellAtIndex(0);
}

void selectSeries::close() {
    if (mode == 0) {
        removeFromParent();
    } else {
        cocos2d::Director::getInstance()->popScene();
    }
}

void selectSeries::showPatientPage(bool patients) {
    patientTable->setVisible(patients);
    seriesTable->setVisible(!patients);
    for (const char* name : {"editFilter", "editFilterPC", "filter"}) {
        setVisibleByName(this, name, patients);
    }
    // The title shares the title bar with the filter.
    setVisibleByName(this, "title", !patients);
}

void selectSeries::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr || seriesTable == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    const bool seriesPage = isSeriesPage();
    if (name == "btnSelectSeries" && seriesPage) {
        NSUI::NSTableViewCell* selected = seriesTable->getSelectedCell();
        if (selected == nullptr) {
            return;
        }
        auto* row = dynamic_cast<studyObject*>(seriesTable->getItem(selected->index));
        if (row == nullptr) {
            const std::string text = NSUI::getLocalizedString("Please choose a series");
            showMessageBox(text.empty() ? "Please choose a series" : text, 2.0f);
            return;
        }
        centre()->postString(this, studydb::NOTIFY_SERIES_CHOSEN, row->folder, chosenGroup, false);
        close();
    } else if (name == "btnSelectSeries") {
        NSUI::NSTableViewCell* selected = patientTable->getSelectedCell();
        auto* row = selected != nullptr
                        ? dynamic_cast<listObject*>(patientTable->getItem(selected->index))
                        : nullptr;
        if (row == nullptr) {
            return;
        }
        seriesTable->removeAllItems();
        seriesTable->reloadData();
        showPatientPage(false);
        requestSeries(row->patientID);
    } else if (name == "goBack") {
        if (seriesPage) {
            showPatientPage(true);
        } else {
            close();
        }
    } else if (name == "filter") {
        auto* field = button->getParent() != nullptr
                          ? dynamic_cast<NSUI::NSTextField*>(
                                button->getParent()->getChildByNameDeep("editFilter"))
                          : nullptr;
        if (button->getUserString() == "1") {
            if (field != nullptr) {
                field->setString("");
            }
            applyFilter(button, "");
        } else if (field != nullptr && !field->getString().empty()) {
            applyFilter(button, upper(field->getString()));
        }
    }
}

void selectSeries::onFilterFieldEvent(cocos2d::Ref* sender, int event) {
    auto* field = dynamic_cast<NSUI::NSTextField*>(sender);
    auto* filter = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("filter"));
    if (event != NSUI::NSTextField::ENTER || field == nullptr || filter == nullptr) {
        return;
    }
    applyFilter(filter, upper(field->getString()));
}

void selectSeries::restoreHiddenRows() {
    for (listObject* hidden : hiddenRows) {
        ssize_t at = patientTable->getItemCount();
        for (ssize_t i = 0; i < patientTable->getItemCount(); ++i) {
            auto* row = dynamic_cast<listObject*>(patientTable->getItem(i));
            if (row != nullptr && row->rowId > hidden->rowId) {
                at = i;
                break;
            }
        }
        patientTable->insertItem(at, hidden);
    }
    hiddenRows.clear();
}

void selectSeries::applyFilter(cocos2d::ui::Button* button, const std::string& text) {
    if (patientTable == nullptr || seriesTable == nullptr) {
        return;
    }
    const bool on = !text.empty();
    if (button != nullptr) {
        const char* image = on ? "imgs/removefilter.png" : "imgs/filter.png";
        button->loadTextureNormal(image);
        button->loadTexturePressed(image);
        button->setUserString(on ? "1" : "0");
    }
    restoreHiddenRows();
    if (on) {
        for (ssize_t i = patientTable->getItemCount() - 1; i >= 0; --i) {
            auto* row = dynamic_cast<listObject*>(patientTable->getItem(i));
            if (row != nullptr && upper(row->name).find(text) == std::string::npos) {
                hiddenRows.insert(0, row);
                patientTable->removeItemAtIndex(i);
            }
        }
    }
    patientTable->reloadData();
    seriesTable->removeAllItems();
    seriesTable->reloadData();
}

cocos2d::Size selectSeries::tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t,
                                                  cocos2d::Ref*) {
    const float width = table->getContentSize().width;
    return cocos2d::Size(width, table == patientTable ? 75.0f : 60.0f);
}

NSUI::NSTableViewCell* selectSeries::tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                                      const cocos2d::Size& size) {
    NSUI::NSTableViewCell* rowCell = table->reusableCell(index);
    if (rowCell == nullptr) {
        rowCell = NSUI::NSTableViewCell::create();
        cocos2d::Node* layout = cocos2d::CSLoader::createNode(
            table == patientTable ? "patientFilterRecord.csb" : "studyFilterRecord.csb");
        if (layout != nullptr) {
            layout->setContentSize(size);
            cocos2d::ui::Helper::doLayout(layout);
            translate(layout);
            rowCell->addChild(layout, 0, kLayoutTag);
        }
    }
    cocos2d::Node* layout = rowCell->getChildByTag(kLayoutTag);
    if (layout == nullptr) {
        return rowCell;
    }
    if (table == patientTable) {
        if (const auto* row = dynamic_cast<listObject*>(table->getItem(index))) {
            setText(layout, "name", row->name);
            setText(layout, "id", row->patientIDHospital);
            setText(layout, "seriesDate", row->seriesTime);
            setText(layout, "desc", row->studyDesc);
        }
    } else if (const auto* row = dynamic_cast<studyObject*>(table->getItem(index))) {
        setText(layout, "id", row->seriesNumber);
        setText(layout, "imageDesc",
                std::to_string(row->columns) + "x" + std::to_string(row->rows) + " of " +
                    std::to_string(row->imageCount));
        setText(layout, "modality", row->seriesTime + " " + row->modality);
        setText(layout, "seriesDesc", row->seriesDesc);
    }
    return rowCell;
}
