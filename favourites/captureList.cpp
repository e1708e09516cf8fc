#include "favourites/captureList.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "dcmsdk/dcmReader.h"
#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Button.h"
#include "engine/ui/Scale9Sprite.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"

using cocos2d::Label;
using cocos2d::Rect;
using cocos2d::Size;
using cocos2d::Sprite;
using cocos2d::Vec2;

namespace {

const char* const kTimeSample = "1900.12.12 22:22:2233";
const char* const kDefaultPicture = "res/sprite.png";
const char* const kDicomBadge = "res/chat/chat_dicom.png";
const char* const kTimeBubble = "res/chat/chat_txtbk.png";
const char* const kMessageBubble = "res/chat/chat_msgbk.png";
const char* const kCheckBackground = "imgs/chkNone.png";
const char* const kCheckMark = "imgs/chkDone.png";
const char* const kTrash = "imgs/trash_small.png";
const Rect kTimeInsets(2.0f, 2.0f, 10.0f, 4.0f);
const Rect kMessageInsets(4.0f, 4.0f, 12.0f, 4.0f);
// The notebook follows the program's dark look: light glyphs on the dark bubbles of its pictures.
const cocos2d::Color3B kListBackground(27, 32, 39);
const cocos2d::Color4B kTimeColour(196, 204, 214, 255);
const cocos2d::Color4B kTextColour(228, 233, 238, 255);
// The row's pictures are drawn no smaller than this for a touch.
const float kMinimumTouchSide = 50.0f;
const float kVoicePlayInterval = 0.2f;
const char* const kVoicePlayKey = "captureList::animateVoicePlay";
const char* const kShareFailedKey = "favorite.shareFailed";

std::string speakerFrame(int frame) {
    return "res/chat/voiceplay" + std::to_string(frame) + ".png";
}

Label* systemLabel(const std::string& text, int size) {
    return Label::createWithSystemFont(text, "", static_cast<float>(size));
}

dicomDB* database() {
    return dataService::getInstance()->getDatabase();
}

void removeQuietly(const std::string& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

}  // namespace

// ThumbnailsInProgress

ThumbnailsInProgress& ThumbnailsInProgress::instance() {
    static ThumbnailsInProgress files;
    return files;
}

bool ThumbnailsInProgress::begin(const std::string& file) {
    std::lock_guard<std::mutex> guard(lock);
    return files.insert(file).second;
}

void ThumbnailsInProgress::end(const std::string& file) {
    std::lock_guard<std::mutex> guard(lock);
    files.erase(file);
}

// captureList

captureList::~captureList() {
    onRowChosen = nullptr;
}

bool captureList::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    highlightEnabled = false;
    const bool phone = AppConfig::getInstance()->isPhone;
    iconSize = phone ? 80.0f : 40.0f;
    checkMargin = phone ? 60 : 30;
    timeFontSize = phone ? 20 : 12;
    textFontSize = phone ? 30 : 15;
    setLocalZOrder(0);
    onRowChosen = nullptr;
    if (Label* sample = systemLabel(kTimeSample, timeFontSize)) {
        timeLabelSize = sample->getContentSize();
    }
    alive = std::make_shared<captureList*>(this);
    return true;
}

void captureList::loadFavorites() {
    listWidth = static_cast<int>(getContentSize().width);
    if (tableView == nullptr) {
        tableView = NSUI::NSListView::create();
        addChild(tableView);
        tableView->enableBKColor(true, kListBackground, 1.0f);
        tableView->setContentSize(getContentSize());
        tableView->setPosition(Vec2::ZERO);
        tableView->setDelegate(this);
        tableView->reloadData();
        checkMargin = AppConfig::getInstance()->isPhone ? 60 : 30;
        std::weak_ptr<captureList*> weak = alive;
        database()->requestFavorites([weak](NSUI::NSDBDataModel* rows) {
            if (std::shared_ptr<captureList*> list = weak.lock()) {
                (*list)->onFavoritesLoaded(rows);
            }
        });
    }
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, this, handler, studydb::NOTIFY_CAPTURE_LIST_RELOAD);
    centre->addObserver(this, nullptr, handler, studydb::NOTIFY_FAVORITE_ADDED);
    centre->addObserver(this, nullptr, handler, studydb::NOTIFY_FAVORITE_DETAIL_ADDED);
    centre->addObserver(this, nullptr, handler, studydb::NOTIFY_FAVORITE_LIST_CHANGED);
}

ssize_t captureList::rowCount() const {
    return tableView != nullptr ? tableView->getItemCount() : 0;
}

captureList::listObject* captureList::rowAt(ssize_t index) const {
    return tableView != nullptr ? dynamic_cast<listObject*>(tableView->getItem(index)) : nullptr;
}

captureList::listObject* captureList::newRow(int type, int ID, const std::string& message,
                                             const std::string& image) {
    auto* row = new listObject();
    row->autorelease();
    row->type = type;
    row->ID = ID;
    row->message = message;
    row->image = image;
    row->updateTime = NSUI::getCurrentDateTime();
    row->scale = 1.0f;
    return row;
}

void captureList::appendRow(listObject* row) {
    tableView->pushBackItem(row);
}

void captureList::appendPlaceholder() {
    listObject* placeholder = newRow(kFavoritePlaceholder, 0, "", "");
    placeholder->updateTime.clear();
    appendRow(placeholder);
}

void captureList::removeRowObject(listObject* row) {
    if (row == playing.get()) {
        unschedule(kVoicePlayKey);
        playing = nullptr;
    }
    tableView->removeItem(row);
}

void captureList::scrollToEnd() {
    tableView->jumpToDestination(Vec2(tableView->getInnerContainer()->getPositionX(), 0.0f));
}

void captureList::onFavoritesLoaded(NSUI::NSDBDataModel* rows) {
    if (tableView == nullptr || rows == nullptr) {
        return;
    }
    unschedule(kVoicePlayKey);
    playing = nullptr;
    tableView->removeAllItems();
    listObject* previous = nullptr;
    for (int r = 0; r < rows->getRowCount(); ++r) {
        if (rows->getColumnCount(r) < 7) {
            continue;
        }
        auto* row = new listObject();
        row->autorelease();
        row->ID = std::atoi(rows->getValue(r, 0).c_str());
        row->type = std::atoi(rows->getValue(r, 1).c_str());
        row->message = rows->getValue(r, 2);
        row->icon = rows->getValue(r, 3);
        row->image = rows->getValue(r, 4);
        row->updateTime = rows->getValue(r, 5);
        row->scale = static_cast<float>(std::atof(rows->getValue(r, 6).c_str()));
        // Of two time rows in a row only the later shows; the earlier stays stored.
        if (previous != nullptr && previous->type == kFavoriteTime && row->type == kFavoriteTime) {
            tableView->removeItem(previous);
        }
        appendRow(row);
        previous = row;
    }
    tableView->reloadData();
    tidyTimeRows();
    scrollToEnd();
}

void captureList::deleteFromDatabase(int ID) {
    database()->deleteFavorite(ID);
}

void captureList::tidyTimeRows() {
    if (tableView == nullptr) {
        return;
    }
    if (rowCount() == 0) {
        appendPlaceholder();
        return;
    }
    bool changed = true;
    while (changed) {
        changed = false;
        for (ssize_t i = 0; i + 1 < rowCount(); ++i) {
            listObject* earlier = rowAt(i);
            if (earlier->type == kFavoriteTime && rowAt(i + 1)->type == kFavoriteTime) {
                deleteFromDatabase(earlier->ID);
                removeRowObject(earlier);
                changed = true;
                break;
            }
        }
    }
    listObject* last = rowAt(rowCount() - 1);
    if (last != nullptr && last->type == kFavoriteTime) {
        deleteFromDatabase(last->ID);
        removeRowObject(last);
    }
    if (rowCount() == 0) {
        appendPlaceholder();
    }
}

void captureList::dropPlaceholder() {
    const ssize_t count = rowCount();
    if (count > 0 && rowAt(count - 1)->type == kFavoritePlaceholder) {
        tableView->removeItemAtIndex(count - 1);
    }
}

void captureList::addImageRow(const std::string& path, float scale, int ID) {
    if (tableView == nullptr) {
        return;
    }
    listObject* row = newRow(kFavoriteCapture, ID, "", path);
    row->scale = scale;
    appendRow(row);
}

void captureList::onNotification(cocos2d::Ref* /*sender*/, unsigned key,
                                 NSUI::NSNotificationData* data) {
    if (tableView == nullptr || data == nullptr) {
        return;
    }
    switch (key) {
    case studydb::NOTIFY_FAVORITE_LIST_CHANGED:
        dropPlaceholder();
        appendRow(newRow(kFavoriteTime, data->intValue, "", ""));
        scrollToEnd();
        return;
    case studydb::NOTIFY_FAVORITE_ADDED:
        dropPlaceholder();
        appendRow(newRow(kFavoriteText, data->intValue, data->stringValue, ""));
        scrollToEnd();
        return;
    case studydb::NOTIFY_FAVORITE_DETAIL_ADDED:
        dropPlaceholder();
        appendRow(newRow(kFavoriteVoice, data->intValue, std::to_string(data->intValue2),
                         cocos2d::FileUtils::getInstance()->getWritablePath() + data->stringValue));
        scrollToEnd();
        return;
    case studydb::NOTIFY_CAPTURE_LIST_RELOAD: {
        const int ID = std::atoi(data->stringValue.c_str());
        rebuildVisible([ID](listObject* row) { return row->ID == ID; }, true);
        return;
    }
    default:
        return;
    }
}

void captureList::rebuildVisible(const std::function<bool(listObject*)>& test, bool firstOnly) {
    if (rowCount() == 0) {
        return;
    }
    for (int i = tableView->firstVisible; i <= tableView->lastVisible && i < rowCount(); ++i) {
        if (i >= 0 && test(rowAt(i))) {
            // Measures the row again and rebuilds its cell.
            tableView->updateCellSizeAtIndex(i);
            if (firstOnly) {
                return;
            }
        }
    }
}

Size captureList::tableCellSizeForIndex(NSUI::NSTableView* /*table*/, ssize_t index,
                                        cocos2d::Ref* item) {
    auto* row = dynamic_cast<listObject*>(item);
    if (row == nullptr) {
        row = rowAt(index);
    }
    const float width = static_cast<float>(listWidth);
    if (row == nullptr) {
        return Size(width, iconSize);
    }
    const int picture = row->scale >= 0.99f ? wideImageHeight : tallImageHeight;
    switch (row->type) {
    case kFavoriteCapture:
        return Size(width, static_cast<float>(marginV + picture));
    case kFavoriteDicom:
        return Size(width, static_cast<float>(2 * marginV + picture + 20));
    case kFavoriteTime:
        return Size(width, timeLabelSize.height + 20.0f);
    case kFavoritePlaceholder:
        return Size(width, iconSize * 0.7f);
    case kFavoriteText:
        if (row->cellSize.width <= 0.0f) {
            Label* label = systemLabel(row->message, textFontSize);
            if (label != nullptr) {
                if (label->getContentSize().width > width * 0.7f) {
                    label->setWidth(width * 0.7f);
                }
                row->labelSize = label->getContentSize();
            }
            row->cellSize = Size(width, std::max(row->labelSize.height + 20.0f, iconSize));
        }
        return row->cellSize;
    default:
        return Size(width, iconSize);
    }
}

NSUI::NSTableViewCell* captureList::tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                                     const Size& size) {
    NSUI::NSTableViewCell* cell = table->cellAtIndex(index);
    if (cell == nullptr) {
        cell = table->dequeueCell();
    }
    if (cell == nullptr) {
        cell = NSUI::NSTableViewCell::create();
    }
    cell->removeAllChildren();
    listObject* row = rowAt(index);
    if (row == nullptr) {
        return cell;
    }
    const float W = size.width;
    const float H = size.height;
    const int Z = getLocalZOrder();
    const Vec2 P(W - static_cast<float>(checkMargin + marginH), H / 2.0f);
    switch (row->type) {
    case kFavoriteTime: {
        Label* label = systemLabel(row->updateTime, timeFontSize);
        if (label == nullptr) {
            break;
        }
        label->setAlignment(cocos2d::TextHAlignment::CENTER);
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        label->setPosition(Vec2(W / 2.0f, H / 2.0f));
        label->setTextColor(kTimeColour);
        label->setWidth(timeLabelSize.width);
        cell->addChild(label, Z + 200, kLabelTag);
        if (auto* bubble = cocos2d::ui::Scale9Sprite::create(kTimeInsets, kTimeBubble)) {
            bubble->setAnchorPoint(label->getAnchorPoint());
            bubble->setPosition(label->getPosition());
            bubble->setContentSize(Size(timeLabelSize.width + 10.0f, timeLabelSize.height + 5.0f));
            cell->addChild(bubble, Z + 99, kBubbleTag);
        }
        break;
    }
    case kFavoritePlaceholder: {
        Label* label = systemLabel(kPlaceholderText, textFontSize);
        if (label == nullptr) {
            break;
        }
        label->setAlignment(cocos2d::TextHAlignment::CENTER);
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        label->setPosition(Vec2(W / 2.0f, H / 2.0f));
        label->setTextColor(kTextColour);
        label->setWidth(W * 0.7f);
        cell->addChild(label, Z + 200, kLabelTag);
        if (auto* bubble = cocos2d::ui::Scale9Sprite::create(kMessageInsets, kMessageBubble)) {
            bubble->setAnchorPoint(label->getAnchorPoint());
            bubble->setPosition(label->getPosition());
            bubble->setContentSize(Size(W * 0.7f + 20.0f, H));
            cell->addChild(bubble, Z + 99, kBubbleTag);
        }
        break;
    }
    case kFavoriteText: {
        Label* label = systemLabel(row->message, textFontSize);
        if (label == nullptr) {
            break;
        }
        label->setAlignment(cocos2d::TextHAlignment::LEFT);
        label->setAnchorPoint(Vec2(1.0f, 0.5f));
        label->setPosition(P);
        label->setTextColor(kTextColour);
        label->setWidth(row->labelSize.width);
        cell->addChild(label, Z + 200, kLabelTag);
        if (auto* bubble = cocos2d::ui::Scale9Sprite::create(kMessageInsets, kMessageBubble)) {
            bubble->setAnchorPoint(Vec2(1.0f, 0.5f));
            bubble->setPosition(Vec2(P.x + 10.0f, P.y));
            bubble->setContentSize(
                Size(row->labelSize.width + 20.0f, row->labelSize.height + 10.0f));
            cell->addChild(bubble, Z + 99, kBubbleTag);
        }
        break;
    }
    case kFavoriteVoice: {
        const float seconds = static_cast<float>(std::atof(row->message.c_str()));
        const float B =
            std::min(200.0f, std::max(70.0f, std::log(std::max(seconds, 0.0f) + 1.0f) * 40.0f));
        if (Label* label = systemLabel(row->message + "\"", textFontSize)) {
            label->setAlignment(cocos2d::TextHAlignment::LEFT);
            label->setAnchorPoint(Vec2(0.0f, 0.5f));
            label->setPosition(Vec2(P.x - B + 10.0f, P.y));
            label->setTextColor(kTextColour);
            label->setWidth(row->labelSize.width);
            cell->addChild(label, Z + 200, kLabelTag);
        }
        if (auto* bubble = cocos2d::ui::Scale9Sprite::create(kMessageInsets, kMessageBubble)) {
            bubble->setAnchorPoint(Vec2(1.0f, 0.5f));
            bubble->setPosition(P);
            bubble->setContentSize(Size(B, H * 0.8f));
            cell->addChild(bubble, Z + 99, kBubbleTag);
        }
        row->voiceBubble = Rect(P.x - B, 0.0f, B, H);
        // The note being played keeps its frame when its cell is built again.
        const int frame = row == playing.get() ? playFrame : 1;
        if (Sprite* speaker = Sprite::create(speakerFrame(frame))) {
            speaker->setAnchorPoint(Vec2(1.0f, 0.5f));
            speaker->setPosition(Vec2(P.x - 10.0f, P.y));
            speaker->setUserString(std::to_string(frame));
            speaker->setScale(0.7f);
            cell->addChild(speaker, Z + 100, kSpeakerTag);
        }
        break;
    }
    case kFavoriteCapture:
    case kFavoriteDicom:
        buildPictureRow(cell, row, size);
        break;
    default:
        break;
    }
    return cell;
}

void captureList::buildPictureRow(NSUI::NSTableViewCell* cell, listObject* row, const Size& size) {
    const float W = size.width;
    const float H = size.height;
    const int Z = getLocalZOrder();
    const float right = W - static_cast<float>(checkMargin + marginH);
    if (Sprite* picture = Sprite::create(kDefaultPicture)) {
        picture->setAnchorPoint(Vec2(1.0f, 1.0f));
        picture->setPosition(Vec2(right, H - static_cast<float>(marginV)));
        picture->setScale(0.5f);
        cell->addChild(picture, 0, kPictureTag);
        if (row->type == kFavoriteCapture) {
            loadSpriteImage(picture, row->image, Size(right, H - static_cast<float>(marginV)),
                            1.0f);
        } else {
            const std::string thumbnail = thumbnailPath(row->image);
            if (cocos2d::FileUtils::getInstance()->isFileExist(thumbnail)) {
                loadSpriteImage(picture, thumbnail,
                                Size(right, H - static_cast<float>(2 * marginV) - 20.0f),
                                row->scale);
            } else {
                startThumbnail(row);
            }
        }
    }
    Sprite* badge = row->type == kFavoriteDicom ? Sprite::create(kDicomBadge) : Sprite::create();
    if (badge != nullptr) {
        badge->setAnchorPoint(Vec2(1.0f, 1.0f));
        badge->setPosition(Vec2(right, static_cast<float>(marginV) * 0.8f + 20.0f));
        badge->setScale(0.7f);
        badge->setVisible(row->type == kFavoriteDicom);
        cell->addChild(badge, 0, kBadgeTag);
    }
    if (auto* check = cocos2d::ui::CheckBox::create(kCheckBackground, kCheckMark)) {
        check->setAnchorPoint(Vec2(1.0f, 1.0f));
        check->setPosition(Vec2(W - static_cast<float>(marginH), H - static_cast<float>(marginV)));
        check->setUserObject(row);
        check->setSelected(row->ticked);
        check->addEventListener(
            [this](cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType event) {
                onCheckChanged(sender, event);
            });
        cell->addChild(check, Z + 200, kCheckTag);
    }
}

void captureList::onCheckChanged(cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType /*event*/) {
    auto* check = dynamic_cast<cocos2d::ui::CheckBox*>(sender);
    if (check == nullptr) {
        return;
    }
    if (auto* row = dynamic_cast<listObject*>(check->getUserObject())) {
        row->ticked = check->isSelected();
    }
}

std::string captureList::thumbnailPath(const std::string& image) {
    return image.size() < 3 ? image + "png" : image.substr(0, image.size() - 3) + "png";
}

void captureList::startThumbnail(listObject* row) {
    if (!ThumbnailsInProgress::instance().begin(row->image)) {
        return;
    }
    std::string job;
    NSUI::UIJson::setString(job, "file", row->image);
    NSUI::UIJson::setString(job, "id", std::to_string(row->ID));
    void* group = this;
    thumbnailJobs.start([job, group] { makeThumbnail(job, group); });
}

bool captureList::makeThumbnail(const std::string& job, void* group) {
    const std::string file = NSUI::UIJson::getStringWithDefault(job, "file", "");
    const std::string ID = NSUI::UIJson::getStringWithDefault(job, "id", "");
    bool written = false;
    dcmSDK::dcmReader reader;
    if (!file.empty() && reader.setFile(file.c_str())) {
        // Readers of the thumbnail never see a half-written picture.
        const std::string thumbnail = thumbnailPath(file);
        const std::string partial = thumbnail + ".part.png";
        std::error_code error;
        written = reader.convertToPngFile(partial.c_str(), true);
        if (written) {
            std::filesystem::rename(partial, thumbnail, error);
            written = !error;
        }
        if (!written) {
            removeQuietly(partial);
        }
    }
    ThumbnailsInProgress::instance().end(file);
    if (written) {
        NSUI::NSNotificationCenter::getInstance()->postString(
            nullptr, studydb::NOTIFY_CAPTURE_LIST_RELOAD, ID, group, false);
    }
    return written;
}

// Operations

void captureList::tableCellTouched(NSUI::NSTableView* /*table*/, NSUI::NSTableViewCell* cell,
                                   const Vec2& point) {
    if (cell == nullptr) {
        return;
    }
    listObject* row = rowAt(static_cast<ssize_t>(cell->index));
    if (row == nullptr) {
        return;
    }
    if (row->type == kFavoriteCapture || row->type == kFavoriteDicom) {
        auto* picture = dynamic_cast<Sprite*>(cell->getChildByTag(kPictureTag));
        if (picture == nullptr) {
            return;
        }
        const Rect& texture = picture->getTextureRect();
        const float width = std::max(texture.size.width * picture->getScaleX(), kMinimumTouchSide);
        const float height =
            std::max(texture.size.height * picture->getScaleY(), kMinimumTouchSide);
        const Vec2& corner = picture->getPosition();
        if (point.x > corner.x - width && point.x < corner.x && point.y > corner.y - height &&
            point.y < corner.y) {
            selectRow(row);
        }
        return;
    }
    if (row->type != kFavoriteVoice || point.x <= row->voiceBubble.origin.x) {
        return;
    }
    if (cell->getChildByTag(kSpeakerTag) != nullptr) {
        if (playing != nullptr) {
            setSpeakerFrame(1);
        }
        playing = cocos2d::RefPtr<listObject>::retained(row);
        setSpeakerFrame(1);
        playSeconds = std::atoi(row->message.c_str());
        playStart = clock();
        schedule([this](float dt) { animateVoicePlay(dt); }, kVoicePlayInterval, kVoicePlayKey);
    }
    auto* audio = CocosDenshion::SimpleAudioEngine::getInstance();
    if (audio->isBackgroundMusicPlaying()) {
        audio->stopBackgroundMusic(false);
    }
    audio->preloadBackgroundMusic(row->image.c_str());
    audio->playBackgroundMusic(row->image.c_str(), false);
}

cocos2d::Sprite* captureList::playingIcon() const {
    if (playing == nullptr || tableView == nullptr) {
        return nullptr;
    }
    for (ssize_t i = 0; i < rowCount(); ++i) {
        if (rowAt(i) == playing.get()) {
            NSUI::NSTableViewCell* cell = tableView->cellAtIndex(i);
            return cell != nullptr ? dynamic_cast<Sprite*>(cell->getChildByTag(kSpeakerTag))
                                   : nullptr;
        }
    }
    return nullptr;
}

void captureList::setSpeakerFrame(int frame) {
    playFrame = frame;
    if (Sprite* icon = playingIcon()) {
        icon->setTexture(speakerFrame(frame));
        icon->setUserString(std::to_string(frame));
    }
}

void captureList::animateVoicePlay(float /*dt*/) {
    if (playing == nullptr) {
        return;
    }
    if (clock().seconds - playStart.seconds > playSeconds) {
        unschedule(kVoicePlayKey);
        setSpeakerFrame(1);
        playing = nullptr;
        return;
    }
    const int next = playFrame + 1;
    setSpeakerFrame(next > 3 ? 1 : next);
}

void captureList::selectRow(listObject* row) {
    if (!onRowChosen || row == nullptr) {
        return;
    }
    if (row->type == kFavoriteDicom || row->type == kFavoriteCapture) {
        onRowChosen(row->image, row->type);
    }
}

void captureList::setAllChecked(bool state) {
    std::vector<listObject*> changed;
    for (ssize_t i = 0; i < rowCount(); ++i) {
        listObject* row = rowAt(i);
        if (row->ticked != state) {
            row->ticked = state;
            changed.push_back(row);
        }
    }
    rebuildVisible(
        [&changed](listObject* row) {
            return std::find(changed.begin(), changed.end(), row) != changed.end();
        },
        false);
}

bool captureList::shareChecked() {
    const std::string folder = NSUI::chooseSavePath(false);
    if (folder.empty() || !cocos2d::FileUtils::getInstance()->isDirectoryExist(folder)) {
        return true;
    }
    bool copied = true;
    for (ssize_t i = 0; i < rowCount(); ++i) {
        listObject* row = rowAt(i);
        if (!row->ticked || (row->type != kFavoriteCapture && row->type != kFavoriteDicom)) {
            continue;
        }
        const size_t slash = row->image.find_last_of('/');
        const std::string name =
            slash == std::string::npos ? "/" + row->image : row->image.substr(slash);
        std::string destination = folder;
        if (!destination.empty() && destination.back() == '/') {
            destination.pop_back();
        }
        if (!NSUI::copyFile(row->image, destination + name)) {
            copied = false;
        }
    }
    if (!copied) {
        const std::string text = NSUI::getLocalizedString(kShareFailedKey);
        showMessage(text.empty() ? "Some files could not be copied." : text, 1.5f);
    }
    return copied;
}

void captureList::tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    listObject* row = rowAt(static_cast<ssize_t>(menu->index));
    if (row == nullptr || row->type == kFavoriteTime || row->type == kFavoritePlaceholder) {
        menu->setVisible(false);
        return;
    }
    cocos2d::ui::Button* trash = cocos2d::ui::Button::create(kTrash);
    if (trash == nullptr) {
        menu->setVisible(false);
        return;
    }
    const Size& menuSize = menu->getContentSize();
    trash->setAnchorPoint(Vec2(0.0f, 0.5f));
    trash->setPosition(Vec2(0.0f, menuSize.height / 2.0f));
    trash->setName("del");
    trash->setUserObject(row);
    trash->setLocalZOrder(table->getLocalZOrder() + 1);
    if (!AppConfig::getInstance()->isPhone) {
        trash->setScale(0.6f);
    }
    trash->addClickEventListener([this](cocos2d::Ref* sender) { onTrashClicked(sender); });
    menu->addChild(trash);
    menu->setContentSize(Size(trash->getVirtualRendererSize().width, menuSize.height));
}

void captureList::onTrashClicked(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr || button->getName() != "del") {
        return;
    }
    if (auto* row = dynamic_cast<listObject*>(button->getUserObject())) {
        removeRow(row->ID);
    }
}

void captureList::removeRow(int ID) {
    listObject* found = nullptr;
    for (ssize_t i = 0; i < rowCount() && found == nullptr; ++i) {
        if (rowAt(i)->ID == ID) {
            found = rowAt(i);
        }
    }
    if (found != nullptr) {
        const cocos2d::RefPtr<listObject> row = cocos2d::RefPtr<listObject>::retained(found);
        switch (row->type) {
        case kFavoriteCapture:
        case kFavoriteDicom:
            cocos2d::Director::getInstance()->getTextureCache()->removeTextureForKey(row->image);
            removeQuietly(row->image);
            removeQuietly(thumbnailPath(row->image));
            removeRowObject(row.get());
            deleteFromDatabase(row->ID);
            break;
        case kFavoriteText:
        case kFavoriteVoice:
            removeRowObject(row.get());
            deleteFromDatabase(row->ID);
            if (row->type == kFavoriteVoice) {
                removeQuietly(row->image);
            }
            break;
        default:
            return;
        }
    }
    tidyTimeRows();
    if (rowCount() > 0) {
        selectRow(rowAt(0));
    }
}

void captureList::removeChecked() {
    std::vector<cocos2d::RefPtr<listObject>> rows;
    for (ssize_t i = 0; i < rowCount(); ++i) {
        rows.push_back(cocos2d::RefPtr<listObject>::retained(rowAt(i)));
    }
    for (const cocos2d::RefPtr<listObject>& row : rows) {
        if (!row->ticked) {
            continue;
        }
        if (row->type == kFavoriteCapture || row->type == kFavoriteDicom) {
            cocos2d::Director::getInstance()->getTextureCache()->removeTextureForKey(row->image);
            removeQuietly(row->image);
            removeQuietly(thumbnailPath(row->image));
        } else if (row->type == kFavoriteVoice) {
            // As removing one row does: a deleted note leaves no recording behind.
            removeQuietly(row->image);
        }
        deleteFromDatabase(row->ID);
        removeRowObject(row.get());
    }
    tidyTimeRows();
    if (rowCount() > 0) {
        selectRow(rowAt(0));
    }
}

// Lifecycle

void captureList::onEnterTransitionDidFinish() {
    // The layout's entry schedules the picture loads of the rows.
    NSUI::NSLayout::onEnterTransitionDidFinish();
    database()->newFavoriteCount = 0;
}

void captureList::cleanup() {
    NSUI::NSLayout::cleanup();
    CocosDenshion::SimpleAudioEngine::getInstance()->stopBackgroundMusic(false);
    unschedule(kVoicePlayKey);
    playing = nullptr;
    alive.reset();
    // A thumbnail being made touches nothing of this list; waiting for it here would hold the
    // screen still while a large file is read.
    thumbnailJobs.handOverTo(OwnedJobs::leftBehind());
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}
