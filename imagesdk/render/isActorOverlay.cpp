#include "imagesdk/render/isActorOverlay.h"

#include <algorithm>

#include "engine/platform/Device.h"
#include "engine/ui/LayoutParameter.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isNodeOverlaySprite.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRenderWindow.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSLayout.h"

namespace isImageSDK {

namespace {

constexpr int kOverlayZOrder = 100;

cocos2d::ui::RelativeLayoutParameter* alignedTo(int code) {
    auto* parameter = cocos2d::ui::RelativeLayoutParameter::create();
    parameter->setAlign(static_cast<cocos2d::ui::RelativeLayoutParameter::RelativeAlign>(code));
    parameter->setRelativeName("");
    parameter->setMargin(cocos2d::ui::Margin());
    return parameter;
}

// Rows keep their texts in a line: from the left edge on the left corners, from the right edge
// on the right ones.
cocos2d::ui::Layout::Type rowTypeOf(int corner) {
    return corner == 1 || corner == 7 ? cocos2d::ui::Layout::Type::HORIZONTAL
                                      : cocos2d::ui::Layout::Type::HORIZONTAL_RIGHT;
}

cocos2d::Node* findDeep(cocos2d::Node* node, const std::string& name) {
    if (node == nullptr) {
        return nullptr;
    }
    for (cocos2d::Node* child : node->getChildren()) {
        if (child->getName() == name) {
            return child;
        }
        if (cocos2d::Node* hit = findDeep(child, name)) {
            return hit;
        }
    }
    return nullptr;
}

}  // namespace

isActorOverlay::~isActorOverlay() {
    // Never makes a centre: the last release may come while the program ends.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

bool isActorOverlay::init() {
    if (!isActorObject::init()) {
        return false;
    }
    cellWidth = 100;
    fontSize = 30;
    lineHeight = 34;
    return true;
}

int isActorOverlay::fontSizeForDpi(int dpi) {
    return std::clamp(static_cast<int>(dpi * 4 / 25.4), 20, 30);
}

int isActorOverlay::cellWidthFor(float contentWidth) {
    const int width = static_cast<int>(contentWidth / 2);
    return width < 1 ? 100 : width;
}

void isActorOverlay::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    clear();
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserver(this);
    isRenderWindowBase* window = getWindow();
    if (window == nullptr) {
        return;
    }
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onEdgeTextNotification(sender, key, data);
    };
    centre->addObserver(this, window, handler, NOTIFY_OVERLAY_CORNERS);
    centre->addObserver(this, window, handler, NOTIFY_PATIENT_INFO_TEXT);
    cellWidth = cellWidthFor(window->getContentSize().width);
}

void isActorOverlay::cleanup() {
    clear();
    isActorObject::cleanup();
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

void isActorOverlay::clear() {
    detachNodes();
    // The overlay list does not own its nodes: it must not outlive the layout they belong to.
    overlays.clear();
    edgeTop = edgeBottom = edgeLeft = edgeRight = nullptr;
    topLeft = bottomLeft = topRight = bottomRight = nullptr;
    cornerTopLeft = CornerGroup();
    cornerTopRight = CornerGroup();
    cornerBottomLeft = CornerGroup();
    cornerBottomRight = CornerGroup();
}

void isActorOverlay::clearCorners() {
    const bool hadEdges =
        edgeTop != nullptr || edgeBottom != nullptr || edgeLeft != nullptr || edgeRight != nullptr;
    const auto letter = [](const isNodeOverlayText* text) {
        return text != nullptr ? text->getBoundValue() : std::string();
    };
    const std::string top = letter(edgeTop);
    const std::string bottom = letter(edgeBottom);
    const std::string left = letter(edgeLeft);
    const std::string right = letter(edgeRight);
    clear();
    if (hadEdges) {
        createEdgeTexts(top, bottom, left, right);
    }
}

void isActorOverlay::onEdgeTextNotification(cocos2d::Ref*, unsigned key,
                                            NSUI::NSNotificationData* data) {
    const std::string text = data != nullptr ? data->stringValue : std::string();
    if (key == NOTIFY_OVERLAY_CORNERS) {
        createEdgeTexts(NSUI::UIJson::getString(text, "t"), NSUI::UIJson::getString(text, "b"),
                        NSUI::UIJson::getString(text, "l"), NSUI::UIJson::getString(text, "r"));
    } else if (key == NOTIFY_PATIENT_INFO_TEXT) {
        // Only the texts of the series shown: the group alone may name a newer window.
        const auto* window = dynamic_cast<const isRenderWindow*>(getWindow());
        if (data != nullptr && data->object != nullptr && window != nullptr &&
            data->object == window->getImageData()) {
            setStudyInfo(text);
        }
    }
}

void isActorOverlay::createEdgeTexts(const std::string& top, const std::string& bottom,
                                     const std::string& left, const std::string& right) {
    struct Edge {
        isNodeOverlayText*& text;
        int align;
        const std::string& value;
    };
    const Edge edges[] = {
        {edgeTop, 2, top}, {edgeBottom, 8, bottom}, {edgeLeft, 4, left}, {edgeRight, 6, right}};
    for (const Edge& edge : edges) {
        if (edge.text == nullptr) {
            isNodeOverlayText* text = isNodeOverlayText::create();
            if (text == nullptr) {
                continue;
            }
            text->setLayoutParameter(alignedTo(edge.align));
            addChildNode(text);
            text->setFontSize(static_cast<float>(fontSize));
            text->setLocalZOrder(kOverlayZOrder);
            edge.text = text;
        }
        edge.text->bindNotification(edge.value, "", "", NOTIFY_OVERLAY_FIXED_LABEL, false);
    }
}

isActorOverlay::CornerGroup& isActorOverlay::recordOf(int corner) {
    switch (corner) {
    case 1:
        return cornerTopLeft;
    case 3:
        return cornerTopRight;
    case 7:
        return cornerBottomLeft;
    default:
        return cornerBottomRight;
    }
}

NSUI::NSLayout* isActorOverlay::groupLayout(int corner) const {
    switch (corner) {
    case 1:
        return topLeft;
    case 3:
        return topRight;
    case 7:
        return bottomLeft;
    default:
        return bottomRight;
    }
}

NSUI::NSLayout* isActorOverlay::makeRow(int corner, CornerGroup& record) {
    NSUI::NSLayout* row = NSUI::NSLayout::create();
    row->setLayoutType(rowTypeOf(corner));
    record.rows.push_back(row);
    record.currentRow = row;
    record.textCount = 0;
    row->setContentSize(
        cocos2d::Size(static_cast<float>(cellWidth), static_cast<float>(lineHeight)));
    record.group->addChild(row);
    return row;
}

void isActorOverlay::sizeGroup(CornerGroup& record) const {
    record.group->setContentSize(cocos2d::Size(
        static_cast<float>(cellWidth), static_cast<float>((record.rowCount + 1) * lineHeight)));
}

isActorOverlay::CornerGroup& isActorOverlay::getCornerGroup(int corner) {
    const int code = corner == 1 || corner == 3 || corner == 7 ? corner : 9;
    CornerGroup& record = recordOf(code);
    bool made = false;
    if (record.group == nullptr) {
        NSUI::NSLayout* group = NSUI::NSLayout::create();
        group->setLayoutParameter(alignedTo(code));
        record.group = group;
        (code == 1 ? topLeft : code == 3 ? topRight : code == 7 ? bottomLeft : bottomRight) = group;
        made = true;
    }
    if (record.currentRow == nullptr) {
        makeRow(code, record);
        record.rowCount = 0;
    }
    if (made) {
        addChildNode(record.group);
        record.group->setLocalZOrder(kOverlayZOrder);
        record.group->setLayoutType(cocos2d::ui::Layout::Type::VERTICAL);
        sizeGroup(record);
    }
    return record;
}

isNodeOverlayText* isActorOverlay::addCornerText(int corner, const std::string& text) {
    CornerGroup& record = getCornerGroup(corner);
    isNodeOverlayText* node = isNodeOverlayText::create();
    if (node == nullptr) {
        return nullptr;
    }
    record.currentRow->addChild(node);
    ++record.textCount;
    node->setGroup(getWindow());
    node->bindNotification(text, "", "", NOTIFY_OVERLAY_FIXED_LABEL, false);
    node->setFontSize(static_cast<float>(fontSize));
    overlays.push_back(node);
    return node;
}

void isActorOverlay::createCornerPanels(int corner) {
    if (corner != 1 && corner != 3 && corner != 7) {
        return;
    }
    CornerGroup& record = getCornerGroup(corner);
    makeRow(corner, record);
    ++record.rowCount;
    sizeGroup(record);
}

isNodeOverlaySprite* isActorOverlay::addPlayButton() {
    CornerGroup& record = getCornerGroup(3);
    isNodeOverlaySprite* button = isNodeOverlaySprite::create();
    if (button == nullptr) {
        return nullptr;
    }
    record.currentRow->addChild(button);
    ++record.textCount;
    button->setGroup(getWindow());
    button->setButtonSize(lineHeight);
    overlays.push_back(button);
    return button;
}

cocos2d::Node* isActorOverlay::findText(const std::string& name) const {
    for (NSUI::NSLayout* group : {topLeft, bottomLeft, topRight, bottomRight}) {
        if (cocos2d::Node* hit = findDeep(group, name)) {
            return hit;
        }
    }
    return nullptr;
}

void isActorOverlay::setTextVisible(const std::string& name, bool visible) {
    // Every group is searched: a name outside the first group must not be silently ignored.
    if (cocos2d::Node* hit = findText(name)) {
        hit->setVisible(visible);
    }
}

void isActorOverlay::setVisible(bool visible) {
    for (isNodeOverlayText* text : {edgeTop, edgeBottom, edgeLeft, edgeRight}) {
        if (text != nullptr) {
            text->setVisible(visible);
        }
    }
    for (NSUI::NSLayout* group : {topLeft, bottomLeft, topRight, bottomRight}) {
        if (group != nullptr) {
            group->setVisible(visible);
        }
    }
}

void isActorOverlay::relayout() {
    isRenderWindowBase* window = getWindow();
    if (window == nullptr) {
        return;
    }
    cellWidth = cellWidthFor(window->getContentSize().width);
    fontSize = fontSizeForDpi(cocos2d::Device::getDPI());
    lineHeight = fontSize + 4;
    for (isNodeOverlay* overlay : overlays) {
        if (auto* text = dynamic_cast<isNodeOverlayText*>(overlay)) {
            text->setFontSize(static_cast<float>(fontSize));
        } else if (auto* button = dynamic_cast<isNodeOverlaySprite*>(overlay)) {
            button->setButtonSize(lineHeight);
        }
    }
    const cocos2d::Size row(static_cast<float>(cellWidth), static_cast<float>(lineHeight));
    for (CornerGroup* record :
         {&cornerTopLeft, &cornerTopRight, &cornerBottomLeft, &cornerBottomRight}) {
        if (record->group == nullptr) {
            continue;
        }
        record->group->setContentSize(
            cocos2d::Size(row.width, row.height * static_cast<float>(record->rows.size())));
        for (NSUI::NSLayout* layout : record->rows) {
            layout->setContentSize(row);
        }
    }
    for (isNodeOverlayText* text : {edgeTop, edgeBottom, edgeLeft, edgeRight}) {
        if (text != nullptr) {
            text->setFontSize(static_cast<float>(fontSize));
        }
    }
}

void isActorOverlay::setStudyInfo(const std::string& json) {
    for (isNodeOverlay* overlay : overlays) {
        auto* text = dynamic_cast<isNodeOverlayText*>(overlay);
        if (text == nullptr) {
            continue;
        }
        const char* key = nullptr;
        switch (overlay->getOverlayId()) {
        case NOTIFY_OVERLAY_STUDY_ID:
            key = "studyID";
            break;
        case NOTIFY_OVERLAY_SERIES_ID:
            key = "seriesID";
            break;
        case NOTIFY_OVERLAY_HOSPITAL:
            key = "hospital";
            break;
        case NOTIFY_OVERLAY_SERIES_TIME:
            key = "seriesTime";
            break;
        case NOTIFY_OVERLAY_PATIENT:
            key = "patient";
            break;
        case NOTIFY_OVERLAY_PATIENT_INFO:
            key = "patientInfo";
            break;
        case NOTIFY_OVERLAY_IMAGE_DESC:
            key = "imageDesc";
            break;
        default:
            continue;
        }
        text->setValue(NSUI::UIJson::getString(json, key));
    }
}

isNodeOverlayText* isActorOverlay::getEdgeText(int edge) const {
    switch (edge) {
    case 2:
        return edgeTop;
    case 8:
        return edgeBottom;
    case 4:
        return edgeLeft;
    case 6:
        return edgeRight;
    default:
        return nullptr;
    }
}

}  // namespace isImageSDK
