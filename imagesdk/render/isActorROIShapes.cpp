#include "imagesdk/render/isActorROIShapes.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isDrawNode.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"

namespace isImageSDK {

namespace {

// Points closer than this (world units) are one point.
constexpr float kMinimumStep = 0.05f;

// Initialises and autoreleases a new shape; null when it cannot be had.
template <typename Shape> Shape* initialised(Shape* shape) {
    if (shape && shape->init()) {
        shape->autorelease();
        return shape;
    }
    delete shape;
    return nullptr;
}

// Index of the leftmost screen point, the earlier one on a tie.
std::size_t leftmost(const std::vector<cocos2d::Vec3>& points) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (points[i].x < points[best].x) {
            best = i;
        }
    }
    return best;
}

// Smallest x and largest y of the screen points.
cocos2d::Vec2 labelCorner(const std::vector<cocos2d::Vec3>& points) {
    cocos2d::Vec2 corner(points[0].x, points[0].y);
    for (const cocos2d::Vec3& p : points) {
        corner.x = std::min(corner.x, p.x);
        corner.y = std::max(corner.y, p.y);
    }
    return corner;
}

}  // namespace

bool isActorROIShape::init() {
    if (!isActorROIBase::init()) {
        return false;
    }
    drawNode = isDrawNode::create();
    if (!drawNode) {
        return false;
    }
    addActorNode(drawNode);
    complete = true;
    return true;
}

void isActorROIShape::cleanup() {
    isActorROIBase::cleanup();
    drawNode = nullptr;
}

void isActorROIShape::attachToWindow(isRenderWindowBase* window) {
    isActorROIBase::attachToWindow(window);
    if (getWindow() &&
        (roiType == ROIData::POINT || roiType == ROIData::CIRCLE || roiType == ROIData::POLYGON)) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, getWindow(),
            [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
                onNotification(sender, key, data);
            },
            NOTIFY_ROI_DATA_CHANGED);
    }
}

void isActorROIShape::setROIData(ROIData* data) {
    if (!data || data->getType() != roiType || data == roi) {
        return;
    }
    isActorROIBase::setROIData(data);
    onROIBound();
}

void isActorROIShape::setPoint(const cocos2d::Vec3& position) {
    if (roi && selectedHandle >= 0) {
        roi->setPoint(selectedHandle, position);
    }
    redraw = true;
}

cocos2d::Vec3 isActorROIShape::point(int i) const {
    return roi ? roi->getPoint(i) : cocos2d::Vec3::ZERO;
}

int isActorROIShape::pointCount() const {
    return roi ? roi->getPointCount() : 0;
}

void isActorROIShape::drawHandles() {
    const int n = pointCount();
    if (selectedHandle < 0 || selectedHandle >= n) {
        return;
    }
    for (int i = 0; i < n; ++i) {
        drawNode->drawPoint(point(i), handleRadius * 2.0f,
                            i == selectedHandle ? cocos2d::Color4F::RED : cocos2d::Color4F::YELLOW);
    }
}

void isActorROIShape::updateDisplay() {
    if (!getWindow() || !(redraw || labelOnly)) {
        return;
    }
    if (redraw && roi) {
        drawNode->clear();
        redrawShape();
        if (wantsStatistics() && !labelOnly) {
            requestStatistics();
        }
    }
    redraw = false;
    labelOnly = false;
}

void isActorROIShape::requestStatistics() {
    ROIData* copy = roi->clone();
    if (!copy) {
        return;
    }
    auto* request = NSUI::NSNotificationData::create();
    request->setObject(copy);
    request->intValue2 = roi->getROISetKey();
    request->intValue = number;
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->cancelPending(this, NOTIFY_ROI_DATA_CHANGED, getWindow());
    centre->postNotification(this, NOTIFY_ROI_DATA_CHANGED, request, getWindow(), false);
}

void isActorROIShape::onNotification(cocos2d::Ref* sender, unsigned key,
                                     NSUI::NSNotificationData* data) {
    if (key != unsigned(NOTIFY_ROI_DATA_CHANGED)) {
        isActorROIBase::onNotification(sender, key, data);
        return;
    }
    if (!data || !roi || data->intValue2 != roi->getROISetKey() || data->intValue != number ||
        data->object) {
        return;
    }
    setLabelText(data->stringValue);
    roi->setLabelText(data->stringValue);
}

isActorROILine* isActorROILine::create() {
    return initialised(new (std::nothrow) isActorROILine());
}

bool isActorROILine::isValid() {
    return roi && roi->isValid();
}

void isActorROILine::redrawShape() {
    const cocos2d::Vec3 p0 = point(0);
    const cocos2d::Vec3 p1 = point(1);
    drawNode->drawLine(p0, p1, roi->colour);
    drawHandles();
    const std::vector<cocos2d::Vec3> screen = {toScreen(p0), toScreen(p1)};
    setLabelText(NSUI::formatString("%.1fmm", double(p0.distance(p1))));
    const cocos2d::Vec2 corner = labelCorner(screen);
    setLabelPosition(corner.x, corner.y);
    const cocos2d::Vec3& left = screen[leftmost(screen)];
    setNumberPosition(left.x, left.y);
}

isActorROILabel* isActorROILabel::create() {
    return initialised(new (std::nothrow) isActorROILabel());
}

bool isActorROILabel::init() {
    if (!isActorROIShape::init()) {
        return false;
    }
    setLabelText("text");
    if (labelNode) {
        labelNode->setEditable(true);
    }
    return true;
}

void isActorROILabel::onROIBound() {
    const std::string& text = roi->getLabelText();
    setLabelText(text.empty() ? "text" : text);
}

void isActorROILabel::redrawShape() {
    isCamera* c = camera();
    if (isLabelMoved() && c) {
        // The leader's end follows the dragged text, at the depth of its old end.
        const cocos2d::Vec3 end = toScreen(point(1));
        const cocos2d::Vec2 at = labelNode->getPosition();
        cocos2d::Vec3 world;
        c->screenToWorld(cocos2d::Vec3(at.x, at.y, end.z), world);
        roi->setPoint(1, world);
    }
    drawNode->drawLine(point(0), point(1), roi->colour);
    drawHandles();
    if (!isLabelMoved()) {
        const cocos2d::Vec3 s0 = toScreen(point(0));
        const cocos2d::Vec3 s1 = toScreen(point(1));
        float y = s1.y;
        if (std::fabs(s1.y - s0.y) >= 30.0f && s1.y <= s0.y) {
            y -= 20.0f;
        }
        setLabelPosition(s1.x, y);
    }
}

isActorROIPoint* isActorROIPoint::create() {
    return initialised(new (std::nothrow) isActorROIPoint());
}

void isActorROIPoint::redrawShape() {
    const cocos2d::Vec3 p = point(0);
    cocos2d::Vec3 right(1.0f, 0.0f, 0.0f);
    cocos2d::Vec3 down(0.0f, 1.0f, 0.0f);
    if (isCamera* c = camera()) {
        right = c->getRight();
        down = -c->getUp();
    }
    const float pixel = getPixelWorldSize();
    const float inner = pixel * 5.0f;
    const float outer = pixel * 15.0f;
    const cocos2d::Color4F colour = selectedHandle >= 0 ? cocos2d::Color4F::RED : roi->colour;
    for (const cocos2d::Vec3& arm : {right, -right, down, -down}) {
        drawNode->drawLine(p + arm * inner, p + arm * outer, colour);
    }
    const cocos2d::Vec3 s = toScreen(p);
    setLabelText(roi->getLabelText());
    setLabelPosition(s.x - 15.0f, s.y + 15.0f);
    setNumberPosition(s.x - 15.0f, s.y);
}

isActorROIAngle* isActorROIAngle::create() {
    return initialised(new (std::nothrow) isActorROIAngle());
}

bool isActorROIAngle::init() {
    if (!isActorROIShape::init()) {
        return false;
    }
    complete = false;
    return true;
}

bool isActorROIAngle::isValid() {
    return roi && roi->isValid();
}

void isActorROIAngle::onROIBound() {
    complete = roi->isValid();
}

float isActorROIAngle::angleBetween(const cocos2d::Vec3& vertex, const cocos2d::Vec3& a,
                                    const cocos2d::Vec3& b) {
    const cocos2d::Vec3 u = a - vertex;
    const cocos2d::Vec3 v = b - vertex;
    cocos2d::Vec3 normal;
    cocos2d::Vec3::cross(u, v, &normal);
    // atan2 of the sine and cosine parts stays defined for parallel and opposite arms.
    const double radians = std::atan2(double(normal.length()), double(u.dot(v)));
    return float(radians * 180.0 / 3.1415926);
}

void isActorROIAngle::nextPoint() {
    if (complete || !roi) {
        return;
    }
    if (selectedHandle == 1 && point(1).distance(point(0)) > kMinimumStep) {
        selectHandle(2);
        return;
    }
    if (selectedHandle == 2) {
        complete = true;
    }
}

void isActorROIAngle::redrawShape() {
    const cocos2d::Vec3 p0 = point(0);
    const cocos2d::Vec3 p1 = point(1);
    const cocos2d::Vec3 p2 = point(2);
    drawNode->drawLine(p0, p1, roi->colour);
    drawNode->drawLine(p0, p2, roi->colour);
    drawHandles();
    if (!isValid()) {
        return;
    }
    const std::vector<cocos2d::Vec3> screen = {toScreen(p0), toScreen(p1), toScreen(p2)};
    setLabelText(NSUI::formatString("%.1fdeg", double(angleBetween(p0, p1, p2))));
    const cocos2d::Vec2 corner = labelCorner(screen);
    setLabelPosition(corner.x, corner.y);
    const cocos2d::Vec3& left = screen[leftmost(screen)];
    setNumberPosition(left.x, left.y);
}

isActorROICircle* isActorROICircle::create() {
    return initialised(new (std::nothrow) isActorROICircle());
}

bool isActorROICircle::init() {
    if (!isActorROIShape::init()) {
        return false;
    }
    fixedLabelScale = true;
    return true;
}

bool isActorROICircle::isValid() {
    return roi && roi->isValid();
}

void isActorROICircle::redrawShape() {
    const cocos2d::Vec3 centre = point(0);
    const float radius = centre.distance(point(1));
    cocos2d::Vec3 right(1.0f, 0.0f, 0.0f);
    cocos2d::Vec3 down(0.0f, 1.0f, 0.0f);
    if (isCamera* c = camera()) {
        right = c->getRight();
        down = -c->getUp();
    }
    cocos2d::Color4F ring = roi->colour;
    if (selectedHandle == 0) {
        drawNode->drawPoint(centre, handleRadius * 2.0f, cocos2d::Color4F::RED);
        ring = cocos2d::Color4F::YELLOW;
    } else if (selectedHandle == 1) {
        drawNode->drawPoint(centre, handleRadius * 2.0f, cocos2d::Color4F::YELLOW);
        ring = cocos2d::Color4F::RED;
    }
    drawNode->drawEllipse(centre, right, down, radius, 0.0f, 50, false, 1.0f, 1.0f, ring);
    if (!isValid()) {
        return;
    }
    const cocos2d::Vec3 s0 = toScreen(centre);
    const cocos2d::Vec3 s1 = toScreen(point(1));
    const float r = cocos2d::Vec2(s0.x, s0.y).distance(cocos2d::Vec2(s1.x, s1.y));
    setLabelText(roi->getLabelText());
    setLabelPosition(s0.x - r, s0.y + r);
    setNumberPosition(s0.x - r, s0.y);
}

isActorROIPolygon* isActorROIPolygon::create() {
    return initialised(new (std::nothrow) isActorROIPolygon());
}

bool isActorROIPolygon::init() {
    if (!isActorROIShape::init()) {
        return false;
    }
    fixedLabelScale = true;
    dashedNode = isDrawNode::create();
    if (!dashedNode) {
        return false;
    }
    dashedNode->dashed = true;
    addActorNode(dashedNode);
    complete = false;
    return true;
}

void isActorROIPolygon::cleanup() {
    isActorROIShape::cleanup();
    dashedNode = nullptr;
}

bool isActorROIPolygon::isValid() {
    return roi && roi->isValid();
}

void isActorROIPolygon::onROIBound() {
    complete = roi->isValid();
}

void isActorROIPolygon::addVertex() {
    auto* polygon = dynamic_cast<ROIPolygon*>(roi);
    if (complete || !polygon || polygon->vertices.size() < 2) {
        return;
    }
    const std::size_t n = polygon->vertices.size();
    if (polygon->vertices[n - 1].distance(polygon->vertices[n - 2]) > kMinimumStep) {
        polygon->vertices.push_back(polygon->vertices[n - 1]);
        selectHandle(int(n));
    }
}

void isActorROIPolygon::closePolygon() {
    auto* polygon = dynamic_cast<ROIPolygon*>(roi);
    if (complete || !polygon || polygon->vertices.size() < 5) {
        return;
    }
    // The taps before the double tap leave only the point that the next drag would move, on
    // top of the vertex they placed: that vertex, wherever it was tapped, stays.
    std::vector<cocos2d::Vec3>& vertices = polygon->vertices;
    while (vertices.size() > 3 &&
           vertices[vertices.size() - 1].distance(vertices[vertices.size() - 2]) <= kMinimumStep) {
        vertices.pop_back();
    }
    selectHandle(int(vertices.size()) - 1);
}

void isActorROIPolygon::redrawShape() {
    dashedNode->clear();
    dashedNode->dashed = true;
    const int n = pointCount();
    for (int i = 0; i + 1 < n; ++i) {
        drawNode->drawLine(point(i), point(i + 1), roi->colour);
    }
    if (n >= 2) {
        isDrawNode* closing = complete ? drawNode : dashedNode;
        closing->drawLine(point(n - 1), point(0), roi->colour);
    }
    drawHandles();
    if (!complete || n == 0) {
        return;
    }
    std::vector<cocos2d::Vec3> screen;
    screen.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        screen.push_back(toScreen(point(i)));
    }
    setLabelText(roi->getLabelText());
    const cocos2d::Vec2 corner = labelCorner(screen);
    setLabelPosition(corner.x, corner.y);
    const cocos2d::Vec3& left = screen[leftmost(screen)];
    setNumberPosition(left.x, left.y);
}

}  // namespace isImageSDK
