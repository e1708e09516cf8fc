// The protocol strip of the study list: the hanging protocols that suit the selected series.
#include <list>

#include "app/ViewerScreenLink.h"
#include "app/studyList.h"
#include "engine/2d/Label.h"
#include "imagesdk/data/ProtocolList.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSSpriteView.h"
#include "toolkit/widgets/NSTableViewCell.h"

namespace {

constexpr int kIconTag = 100;
constexpr int kTitleTag = 101;

}  // namespace

std::vector<studyList::listObject*> studyList::selectedSeries() const {
    std::vector<listObject*> series;
    if (rowTable == nullptr) {
        return series;
    }
    for (cocos2d::Ref* item : rowTable->selection) {
        auto* row = dynamic_cast<listObject*>(item);
        if (row != nullptr && row->type == 1) {
            series.push_back(row);
        }
    }
    return series;
}

studyList::listObject* studyList::focusedRow() const {
    NSUI::NSTableViewCell* selected = rowTable != nullptr ? rowTable->getSelectedCell() : nullptr;
    return selected != nullptr ? getRow(selected->index) : nullptr;
}

void studyList::updateProtocols() {
    if (protocolStrip == nullptr) {
        return;
    }
    protocolStrip->removeAllItems();
    ProtocolQuery query;
    query.isVolume = true;
    for (const listObject* row : selectedSeries()) {
        ++query.seriesCount;
        if (row->modality == "MR" && row->seriesDesc.find("Loc") != std::string::npos) {
            query.isVolume = false;
        }
        if (row->imageCount < 6) {
            query.isVolume = false;
        }
    }
    const listObject* focused = focusedRow();
    if (query.seriesCount > 0 && focused != nullptr && focused->type == 1) {
        query.imageCount = focused->imageCount;
        std::list<ProtocolEntry*> offered;
        matchProtocols(query, offered);
        for (const ProtocolEntry* entry : offered) {
            protocolStrip->pushBackItem(
                protocalObject::create(entry->file, entry->title, entry->type));
        }
    }
    protocolStrip->reloadData();
}

void studyList::openProtocol(const protocalObject* protocol) {
    if (protocol == nullptr) {
        return;
    }
    const std::vector<listObject*> series = selectedSeries();
    if (series.empty()) {
        return;
    }
    if (series.size() == 1) {
        const listObject* focused = focusedRow();
        if (focused != nullptr && focused->type == 1) {
            openViewerScreen(focused->folder, protocol->type);
        }
        return;
    }
    std::string text;
    int k = 0;
    for (const listObject* row : series) {
        setString(text, "series" + std::to_string(++k), row->folder);
    }
    setString(text, "num", std::to_string(k));
    openViewerScreen(text, protocol->type);
}

void studyList::fillProtocolCell(NSUI::NSTableViewCell* stripCell, const protocalObject* protocol,
                                 const cocos2d::Size& size) {
    auto* icon = dynamic_cast<NSUI::NSSpriteView*>(stripCell->getChildByTag(kIconTag));
    if (icon == nullptr) {
        icon = NSUI::NSSpriteView::create();
        icon->setContentSize(cocos2d::Size(100.0f, size.height - 40.0f));
        icon->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        icon->setPosition(cocos2d::Vec2(size.width * 0.5f, (size.height - 40.0f) * 0.5f + 30.0f));
        icon->setTouchEnabled(false);
        stripCell->addChild(icon, 0, kIconTag);
    }
    auto* title = dynamic_cast<cocos2d::Label*>(stripCell->getChildByTag(kTitleTag));
    if (title == nullptr) {
        title = cocos2d::Label::createWithSystemFont("", "", 15.0f);
        title->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        title->setPosition(cocos2d::Vec2(size.width * 0.5f, 15.0f));
        stripCell->addChild(title, 0, kTitleTag);
    }
    if (protocol != nullptr) {
        icon->setImage(protocol->file);
        title->setString(protocol->title);
    }
}
