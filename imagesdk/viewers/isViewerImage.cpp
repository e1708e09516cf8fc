#include "imagesdk/viewers/isViewerImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/base/Types.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImageFilter.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isImageReslice2D.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isNodeOverlaySprite.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRegionCrop.h"
#include "imagesdk/viewers/ViewerColorTable.h"
#include "imagesdk/viewers/isSeriesInfoReader.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/viewTypeOfSlice.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

namespace isImageSDK {

namespace {

using cocos2d::Mat4;
using cocos2d::Vec2;
using cocos2d::Vec3;

constexpr float kDefaultEdgeMargin = 0.15f;
constexpr float kMaxEdgeMargin = 0.5f;
constexpr float kCappedEdgeMargin = 0.4999f;
constexpr float kMinEyeDistance = 10.0f;
constexpr float kNormalTolerance = 1e-4f;
// Below a quarter turn (or above three quarters) the slice's rows run across the screen.
constexpr float kRowsAcrossBelow = 0.785375f;
constexpr float kRowsAcrossAbove = 2.356125f;
constexpr float kMinReferenceLength = 0.001f;
constexpr float kSmallOverlay = 250.0f;
constexpr float kFocusSyncEpsilon = 0.1f;
constexpr float kZoomSyncEpsilon = 0.01f;
constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;
constexpr int kCoronalSum = 'L' + 'R' + 'S' + 'I';
constexpr const char* kFullInfoSetting = "sdk_show_dcmFullInfo";
constexpr const char* kBlackBackground = "UIRes/black22.png";
constexpr const char* kInvertedTable = "bwInverse.plist";
constexpr const char* kPlainTable = "noClut.plist";
// Modality codes whose overlay shows the slice location.
bool showsLocation(int modality) {
    return modality == 0 || modality == 1 || modality == 3;
}

Vec3 column(const Mat4& m, int c) {
    return Vec3(m.m[c * 4], m.m[c * 4 + 1], m.m[c * 4 + 2]);
}

void setColumn(Mat4& m, int c, const Vec3& v) {
    m.m[c * 4] = v.x;
    m.m[c * 4 + 1] = v.y;
    m.m[c * 4 + 2] = v.z;
}

Vec3 transformPoint(const Mat4& m, const Vec3& p) {
    return column(m, 0) * p.x + column(m, 1) * p.y + column(m, 2) * p.z + column(m, 3);
}

Vec3 normalised(Vec3 v) {
    v.normalize();
    return v;
}

// The first letter the patient axes give a world direction.
char letterOf(const Vec3& direction, int headFeetCode, int orientationCode) {
    Vec3 across = std::fabs(direction.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    across = normalised(across - direction * across.dot(direction));
    char labels[12] = {};
    computeOrientationLabels(direction, across, headFeetCode, orientationCode, labels);
    // The right edge lies along the row direction.
    return labels[3];
}

// The plane of a slice: its matrix moved to the slice's centre.
Mat4 planeOfSlice(const isSliceInfo* slice) {
    Mat4 plane = slice->matrix;
    const Vec3 centre = column(plane, 3) +
                        column(plane, 0) * ((slice->width - 1) * slice->pixelSpacingX * 0.5f) +
                        column(plane, 1) * ((slice->height - 1) * slice->pixelSpacingY * 0.5f);
    setColumn(plane, 3, centre);
    return plane;
}

// The point moved along the slice normal onto the slice's plane: the focus keeps its place in
// the picture and takes the slice's depth.
Vec3 ontoSlicePlane(const Vec3& point, const Vec3& origin, const Vec3& normal) {
    const Vec3 n = normalised(normal);
    return point - n * (point - origin).dot(n);
}

std::string jsonOf(const Mat4& plane) {
    std::string json;
    char text[32];
    const char* names[4][3] = {
        {"nx1", "nx2", "nx3"}, {"ny1", "ny2", "ny3"}, {"nz1", "nz2", "nz3"}, {"x", "y", "z"}};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 3; ++r) {
            std::snprintf(text, sizeof(text), "%.6f", plane.m[c * 4 + r]);
            NSUI::UIJson::setString(json, names[c][r], text);
        }
    }
    return json;
}

float jsonFloat(const NSUI::NSNotificationData* data, const char* key) {
    return data != nullptr ? NSUI::UIJson::getFloat(data->stringValue, key, 0.0f) : 0.0f;
}

int cropBytesPerPixel(int pixelType) {
    switch (pixelType) {
    case 0:
        return 1;
    case 1:
    case 3:
        return 2;
    case 2:
        return 4;
    case 4:
        return 3;
    default:
        return 2;
    }
}

// The record the actor shows, read from the filter that cuts it: the plane's output in
// orthogonal mode, the reslicer's otherwise.
isSliceInfo* shownSlice(isActorImage* actor) {
    if (actor == nullptr || actor->getImageData() == nullptr) {
        return nullptr;
    }
    isImageFilter* filter = actor->isOrthogonal()
                                ? static_cast<isImageFilter*>(actor->getPlane())
                                : static_cast<isImageFilter*>(actor->getReslice());
    if (filter == nullptr) {
        return actor->getSliceInfo();
    }
    filter->update();
    isImageData* output = filter->getOutputImage();
    if (output == nullptr || output->slices.empty()) {
        return nullptr;
    }
    return output->slices.front();
}

// The corners of the slice as drawn: the origin is the centre of the first pixel, so the
// picture reaches half a pixel beyond the outer pixel centres on every side.
bool sliceCorners(const isSliceInfo* slice, Vec3 corners[4]) {
    if (slice == nullptr) {
        return false;
    }
    const Vec3 pixelX = column(slice->matrix, 0) * slice->pixelSpacingX;
    const Vec3 pixelY = column(slice->matrix, 1) * slice->pixelSpacingY;
    const Vec3 x = pixelX * float(slice->width);
    const Vec3 y = pixelY * float(slice->height);
    const Vec3 o = column(slice->matrix, 3) - (pixelX + pixelY) * 0.5f;
    corners[0] = o;
    corners[1] = o + x;
    corners[2] = o + x + y;
    corners[3] = o + y;
    return true;
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

isViewerImage::isViewerImage() {
    type = VIEW_NONE;
    linked = true;
}

isViewerImage::~isViewerImage() {
    if (imageActor != nullptr) {
        imageActor->release();
        imageActor = nullptr;
    }
    removeViewerObservers();
    postViewerRemoved();
}

bool isViewerImage::init() {
    if (!isRenderWindow::init()) {
        return false;
    }
    edgeMargin = kDefaultEdgeMargin;
    isInteractorImage* interactor = isInteractorImage::create();
    if (interactor == nullptr) {
        return false;
    }
    setInteractor(interactor);
    frameShown = false;
    overlayDirty = false;
    actorHiddenForResize = false;
    NSUI::UILocalConfig config;
    showFullInfo = config.isDcmFullInfoShown();
    NSUI::NSNotificationCenter* center = centre();
    const auto callback = [this](cocos2d::Ref* sender, unsigned key,
                                 NSUI::NSNotificationData* data) {
        onNotification(static_cast<int>(key), data, sender);
    };
    for (int key : {NOTIFY_DCM_INFO_HIDE, NOTIFY_DCM_INFO_SHOW}) {
        center->addObserver(this, nullptr, callback, key);
    }
    for (int key : {NOTIFY_QUICK_REFORMAT, NOTIFY_ROI_TO_VIEW, NOTIFY_TEXT_NODE_TO_VIEW}) {
        center->addObserver(this, this, callback, key);
    }
    return true;
}

void isViewerImage::cleanup() {
    isRenderWindow::cleanup();
    if (imageActor != nullptr) {
        imageActor->release();
        imageActor = nullptr;
    }
    removeViewerObservers();
    postViewerRemoved();
}

void isViewerImage::removeViewerObservers() {
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

int isViewerImage::referenceId() const {
    return static_cast<int>(getRefID());
}

void isViewerImage::postViewerRemoved() {
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance();
    if (center == nullptr) {
        return;
    }
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->intValue2 = referenceId();
    data->setNotificationKey(NSNotificationKey::key, nullptr);
    center->postNotification(nullptr, NOTIFY_VIEWER_REMOVED, data, nullptr, true);
}

void isViewerImage::forgetLinks() {
    isRenderWindow::forgetLinks();
    imageActor = nullptr;
}

void isViewerImage::addObservedKeys() {
    isRenderWindow::addObservedKeys();
    const int keys[] = {NOTIFY_INTERACT_9077,  NOTIFY_INTERACT_9078,  NOTIFY_INTERACT_9076,
                        NOTIFY_INTERACT_9082,  NOTIFY_CINE_SPEED,     NOTIFY_VIEW_CMD_9100,
                        NOTIFY_INTERACT_9083,  NOTIFY_SYNC_POSITION,  NOTIFY_SYNC_PAN,
                        NOTIFY_SYNC_ZOOM,      NOTIFY_SYNC_ZOOM_ALT,  NOTIFY_SYNC_FOCAL_ZOOM,
                        NOTIFY_WHEEL_UP,       NOTIFY_WHEEL_DOWN,     NOTIFY_WW_BY_MOUSE,
                        NOTIFY_TOOL_MOVE,      NOTIFY_TOOL_ZOOM,      NOTIFY_WW_DEFAULT,
                        NOTIFY_OPACITY_LINEAR, NOTIFY_OPACITY_LOG10,  NOTIFY_OPACITY_LOG10_INVERSE,
                        NOTIFY_WW_PRESET,      NOTIFY_VIEW_ACTIVATED, NOTIFY_ROTATE_VIEW,
                        NOTIFY_VIEW_SYNC_9021, NOTIFY_ROI_LINE,       NOTIFY_ROI_POINT,
                        NOTIFY_ROI_ANGLE,      NOTIFY_ROI_CIRCLE,     NOTIFY_ROI_POLYGON,
                        NOTIFY_ROI_LABEL,      NOTIFY_ROI_SELECT,     NOTIFY_EDIT_WW_OPEN};
    _observedKeys.insert(_observedKeys.end(), std::begin(keys), std::end(keys));
}

void isViewerImage::setViewType(int viewType) {
    if (viewType == type) {
        return;
    }
    if (viewType >= VIEW_SLICE && viewType <= VIEW_OBLIQUE) {
        onNotification(viewTypeCommandKey(viewType), nullptr, getController());
    }
    type = viewType;
}

void isViewerImage::retainViewer() {
    retain();
}

void isViewerImage::releaseViewer() {
    release();
}

isImageData* isViewerImage::getImageData() {
    return isRenderWindow::getImageData();
}

void isViewerImage::setViewerVisible(bool visible) {
    setVisible(visible);
}

void isViewerImage::setImageData(isImageData* data) {
    isImageData* current = isRenderWindow::getImageData();
    if (current != nullptr && cocos2d::Ref::equal(current, data)) {
        return;
    }
    isRenderWindow::setImageData(data);
    if (imageActor != nullptr) {
        imageActor->release();
        imageActor = nullptr;
    }
    if (getActorManager() == nullptr) {
        return;
    }
    imageActor = getActorManager()->getImageActor();
    if (imageActor == nullptr) {
        return;
    }
    imageActor->retain();
    imageActor->setImageData(data);
    if (data == nullptr) {
        setClutByName(kPlainTable);
        return;
    }
    data->update();
    if (data->isVolume()) {
        setSliceAxis(0);
        if (isSliceInfo* slice = shownSlice(imageActor)) {
            slicePlane = planeOfSlice(slice);
            postSlicePlane();
        }
    } else {
        type = VIEW_SLICE;
        imageActor->setSliceIndex(0);
        if (isSliceInfo* slice = shownSlice(imageActor)) {
            slicePlane = planeOfSlice(slice);
            refitToSlice(slice);
            postSlicePlane();
        }
        postOverlayLabel(viewTypeLabel(VIEW_SLICE));
    }
    applyDefaultClut();
}

void isViewerImage::applyDefaultClut() {
    isImageData* data = isRenderWindow::getImageData();
    const isSliceInfo* first = data != nullptr ? data->getSlice(0) : nullptr;
    const bool inverted =
        first != nullptr && (first->modality == 1 || first->modality == 5 || first->signCode > 1);
    setClutByName(inverted ? kInvertedTable : kPlainTable);
}

void isViewerImage::setClutByName(const std::string& name) {
    unsigned char table[kColorTableBytes];
    if (!loadColorTable(name, false, table)) {
        return;
    }
    if (_whiteBackground) {
        setWhiteBackground(false);
    }
    if (imageActor != nullptr) {
        imageActor->setColorTable(table);
    }
    if (name == kInvertedTable) {
        isImageData* data = isRenderWindow::getImageData();
        const isSliceInfo* first = data != nullptr ? data->getSlice(0) : nullptr;
        const bool monochrome1 = first != nullptr && first->signCode > 1;
        if (!monochrome1 && !_whiteBackground) {
            setWhiteBackground(true);
        }
    }
}

void isViewerImage::setColorTable(const unsigned char* table) {
    if (table == nullptr) {
        return;
    }
    if (imageActor != nullptr) {
        imageActor->setColorTable(table);
    }
    if (table[0] == 255 && table[1] == 255 && table[2] == 255) {
        setWhiteBackground(true);
    } else if (_whiteBackground) {
        setWhiteBackground(false);
        updateBackground();
    }
}

void isViewerImage::postOverlayLabel(const char* label) {
    centre()->postString(nullptr, NOTIFY_ORIENT_LABEL, label, this, false);
}

void isViewerImage::setSliceAxis(int axis) {
    isImageData* data = isRenderWindow::getImageData();
    if (imageActor == nullptr || data == nullptr) {
        return;
    }
    if (!data->isVolume()) {
        postOverlayLabel(viewTypeLabel(VIEW_SLICE));
        if (axis != 0) {
            return;
        }
    }
    if (imageActor->isOrthogonal() && imageActor->getViewOrientation() == axis &&
        type != VIEW_NONE && type != VIEW_OBLIQUE) {
        return;
    }
    if (auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor())) {
        interactor->deselectROI();
    }
    if (axis == 1) {
        imageActor->setSagittalView();
    } else if (axis == 2) {
        imageActor->setCoronalView();
    } else {
        imageActor->setAxialView();
    }
    imageActor->setSliceIndex(std::max(0, imageActor->getNumberOfPositions() / 2));
    if (data->isVolume()) {
        int dimensions[3];
        float spacing[3];
        data->getDimensions(dimensions);
        data->getSpacing(spacing);
        fitCamera(dimensions, spacing, data->worldMatrix, axis);
    } else if (isSliceInfo* slice = shownSlice(imageActor)) {
        refitToSlice(slice);
    }
    // The new plane's fit is scale 1, as after a resize: cells that copy a partner's scale then
    // show its picture size whatever plane each was fitted in before.
    isCamera* camera = getMainCamera();
    setBaseScale(camera->isPerspective() ? camera->getState().eyeDistance() : camera->getZoom());
    isSliceInfo* slice = shownSlice(imageActor);
    type = data->isVolume() ? viewTypeOfSlice(slice) : VIEW_SLICE;
    if (slice != nullptr) {
        slicePlane = planeOfSlice(slice);
    }
    if (getActorManager() != nullptr) {
        if (isActorCrossLine* lines = getActorManager()->getCrossLineActor()) {
            lines->setFrameColor(imageActor->getViewOrientation());
        }
    }
    setCrossLineVisible(true);
    postSlicePlane();
    if (type >= VIEW_AXIAL && type <= VIEW_CORONAL) {
        postOverlayLabel(viewTypeLabel(type));
    }
}

void isViewerImage::setCoronalAxis() {
    isImageData* data = isRenderWindow::getImageData();
    if (type == VIEW_CORONAL || imageActor == nullptr || data == nullptr) {
        return;
    }
    const Mat4& m = data->worldMatrix;
    const int pairs[3][2] = {{0, 1}, {1, 2}, {0, 2}};
    int chosen = 0;
    for (int axis = 0; axis < 3; ++axis) {
        char labels[12] = {};
        computeOrientationLabels(column(m, pairs[axis][0]), column(m, pairs[axis][1]),
                                 data->headFeetCode, data->orientationCode, labels);
        if (labels[0] + labels[3] + labels[6] + labels[9] == kCoronalSum) {
            chosen = axis;
            break;
        }
    }
    setSliceAxis(chosen);
}

void isViewerImage::refitToSlice(const isSliceInfo* slice) {
    const int dimensions[3] = {slice->width, slice->height, 1};
    const float spacing[3] = {slice->pixelSpacingX, slice->pixelSpacingY, 0.0f};
    fitCamera(dimensions, spacing, slice->matrix, 0);
}

void isViewerImage::fitCamera(const int dimensions[3], const float spacing[3], const Mat4& matrix,
                              int axis) {
    const float half[3] = {(dimensions[0] - 1) * 0.5f * spacing[0],
                           (dimensions[1] - 1) * 0.5f * spacing[1],
                           (dimensions[2] - 1) * 0.5f * spacing[2]};
    const Vec3 c = transformPoint(matrix, Vec3(half[0], half[1], half[2]));
    const Vec3 c0 = normalised(column(matrix, 0));
    const Vec3 c1 = normalised(column(matrix, 1));
    const Vec3 c2 = normalised(column(matrix, 2));
    Vec3 right = c0;
    Vec3 up = c1;
    Vec3 normal = c2;
    float halfWidth = half[0];
    float halfHeight = half[1];
    if (axis == 1) {
        right = c2;
        up = c1;
        normal = -c0;
        halfWidth = half[2];
    } else if (axis == 2) {
        right = c2;
        up = c0;
        normal = c1;
        halfWidth = half[2];
        halfHeight = half[0];
    }
    isImageData* data = isRenderWindow::getImageData();
    const int headFeet = data != nullptr ? data->headFeetCode : 0;
    const int orientation = data != nullptr ? data->orientationCode : 0;
    const Vec3 offsets[4] = {up * halfHeight, -up * halfHeight, right * halfWidth,
                             -right * halfWidth};
    const Vec3 directions[4] = {up, -up, right, -right};
    const Vec3* a = nullptr;
    const Vec3* s = nullptr;
    const Vec3* r = nullptr;
    for (int edge = 0; edge < 4; ++edge) {
        switch (letterOf(directions[edge], headFeet, orientation)) {
        case 'A':
            a = &offsets[edge];
            break;
        case 'S':
            s = &offsets[edge];
            break;
        case 'R':
            r = &offsets[edge];
            break;
        default:
            break;
        }
    }
    // The screen's top follows the slice actor's letters: anterior, else superior, on top;
    // the patient's right on the screen's left.
    Vec3 direction;
    Vec3 eyeSide;
    if (a != nullptr && r != nullptr) {
        direction = *a;
        Vec3::cross(*a, *r, &eyeSide);
    } else if (a != nullptr && s != nullptr) {
        direction = *s;
        Vec3::cross(*s, *a, &eyeSide);
    } else if (s != nullptr && r != nullptr) {
        direction = *s;
        Vec3::cross(*s, *r, &eyeSide);
    } else {
        direction = -up;
        eyeSide = normal;
    }
    direction = normalised(direction);
    eyeSide = normalised(eyeSide);
    setCameraEye(c + eyeSide);
    setCameraLookAt(c, direction);
    fitZoom(c, eyeSide);
}

void isViewerImage::fitZoom(const Vec3& centre, const Vec3& normal) {
    Vec3 corners[4];
    if (!sliceCorners(shownSlice(imageActor), corners)) {
        return;
    }
    isCamera* camera = getMainCamera();
    if (!camera->isPerspective()) {
        setZoom(camera->fitOrthographic(corners));
    }
    // The distance that fits the slice lies between the cameras' clipping planes, so an
    // orthographic view takes it too: nearer, the slice would be clipped away.
    const float distance = std::max(camera->fitPerspective(corners), kMinEyeDistance);
    setCameraEye(centre + normal * distance);
    setCameraLookAt(centre, camera->getState().up());
}

void isViewerImage::setSliceIndex(int index, bool refit) {
    if (imageActor == nullptr) {
        setVisible(false);
        return;
    }
    isImageData* data = isRenderWindow::getImageData();
    const isSliceInfo* before = shownSlice(imageActor);
    const Vec3 oldNormal = before != nullptr ? normalised(column(before->matrix, 2)) : Vec3();
    imageActor->setSliceIndex(index);
    const int count = imageActor->getNumberOfPositions();
    if (imageActor->isOrthogonal() && (index < 0 || index >= count)) {
        setVisible(false);
    } else {
        setVisible(true);
        if (isSliceInfo* slice = shownSlice(imageActor)) {
            const Vec3 newNormal = normalised(column(slice->matrix, 2));
            const float angle =
                std::acos(std::max(-1.0f, std::min(1.0f, oldNormal.dot(newNormal))));
            const bool volume = data != nullptr && data->isVolume();
            if ((!volume && angle >= kNormalTolerance) || refit) {
                refitToSlice(slice);
                slicePlane = planeOfSlice(slice);
            } else {
                setFocus(ontoSlicePlane(focusPoint(), column(slice->matrix, 3), newNormal));
            }
            postSlicePlane();
        }
    }
    if (type == VIEW_SLICE) {
        setCrossLineVisible(false);
    }
}

int isViewerImage::getSliceCount() {
    if (imageActor == nullptr) {
        return 0;
    }
    if (imageActor->isOrthogonal() && imageActor->getPlane() != nullptr) {
        return imageActor->getNumberOfPositions();
    }
    return -1;
}

void isViewerImage::getSliceStep(Vec3& step) {
    isImageData* data = isRenderWindow::getImageData();
    if (imageActor == nullptr || data == nullptr || !data->isVolume()) {
        return;
    }
    const isSliceInfo* slice = shownSlice(imageActor);
    if (slice == nullptr) {
        return;
    }
    float spacing[3];
    data->getSpacing(spacing);
    const int axis = imageActor->getViewOrientation();
    const float distance = axis == 1 ? spacing[0] : axis == 2 ? spacing[1] : spacing[2];
    step = normalised(column(slice->matrix, 2)) * distance;
}

isSliceInfo* isViewerImage::getShownSlice() const {
    return shownSlice(imageActor);
}

Vec3 isViewerImage::focusPoint() const {
    return column(slicePlane, 3);
}

void isViewerImage::setFocus(const Vec3& point) {
    setColumn(slicePlane, 3, point);
}

void isViewerImage::focusOnPoint(const Vec3& point) {
    isImageData* data = isRenderWindow::getImageData();
    if (imageActor == nullptr || data == nullptr || !data->isVolume()) {
        return;
    }
    setFocus(point);
    if (imageActor->isOrthogonal()) {
        imageActor->setSliceAtPoint(point);
    }
    if (!imageActor->hasValidSlice()) {
        setVisible(false);
        return;
    }
    setVisible(true);
    postSlicePlane();
    panIntoMargins(worldToScreen(point));
}

void isViewerImage::panIntoMargins(const Vec2& at) {
    const cocos2d::Size size = getContentSize();
    const float marginX = edgeMargin * size.width;
    const float marginY = edgeMargin * size.height;
    float dx = 0.0f;
    float dy = 0.0f;
    if (at.x < marginX) {
        dx = at.x - marginX;
    } else if (at.x > size.width - marginX) {
        dx = at.x - (size.width - marginX);
    }
    if (at.y < marginY) {
        dy = at.y - marginY;
    } else if (at.y > size.height - marginY) {
        dy = at.y - (size.height - marginY);
    }
    // panBy takes a drag's step: a positive x moves the camera right, a positive y moves it down.
    // The camera has to go towards the point on both axes, or a point near the top or bottom
    // edge would be pushed further out at every step.
    if (dx != 0.0f || dy != 0.0f) {
        panBy(dx, -dy);
    }
}

bool isViewerImage::pickPoint(const Vec2& windowPoint, Vec3& worldPoint) {
    if (imageActor == nullptr) {
        return false;
    }
    const isSliceInfo* slice = shownSlice(imageActor);
    if (slice == nullptr) {
        return false;
    }
    Vec3 nearPoint;
    Vec3 farPoint;
    getMainCamera()->screenToWorld(Vec3(windowPoint.x, windowPoint.y, 0.0f), nearPoint);
    getMainCamera()->screenToWorld(Vec3(windowPoint.x, windowPoint.y, 1.0f), farPoint);
    const Vec3 normal = normalised(column(slice->matrix, 2));
    const Vec3 direction = farPoint - nearPoint;
    const float along = direction.dot(normal);
    if (std::fabs(along) < 1e-12f) {
        return false;
    }
    const float t = (column(slice->matrix, 3) - nearPoint).dot(normal) / along;
    worldPoint = nearPoint + direction * t;
    return true;
}

bool isViewerImage::isFocusVisible() const {
    const Vec2 at = worldToScreen(focusPoint());
    const cocos2d::Size size = getContentSize();
    return at.x >= 0.0f && at.x <= size.width && at.y >= 0.0f && at.y <= size.height;
}

std::string isViewerImage::getFilePath() {
    if (imageActor == nullptr) {
        return std::string();
    }
    const isSliceInfo* slice = shownSlice(imageActor);
    return slice != nullptr ? slice->path : std::string();
}

bool isViewerImage::getImageSize(cocos2d::Size& size) {
    if (imageActor == nullptr) {
        return false;
    }
    const isSliceInfo* slice = shownSlice(imageActor);
    if (slice == nullptr) {
        return false;
    }
    const Vec3 rows = normalised(column(slice->matrix, 0));
    const float angle =
        std::acos(std::max(-1.0f, std::min(1.0f, rows.dot(normalised(getCameraState().right())))));
    const bool rowsAcross = angle < kRowsAcrossBelow || angle > kRowsAcrossAbove;
    const float physicalWidth = slice->width * slice->pixelSpacingX;
    const float physicalHeight = slice->height * slice->pixelSpacingY;
    // Shown width and height in millimetres; the reference is the shown height.
    const float shownWidth = rowsAcross ? physicalWidth : physicalHeight;
    const float reference = rowsAcross ? physicalHeight : physicalWidth;
    if (reference < kMinReferenceLength) {
        return false;
    }
    const float pixels = static_cast<float>(std::max(slice->width, slice->height));
    const float aspect = shownWidth / reference;
    size = aspect >= 1.0f ? cocos2d::Size(pixels, pixels / aspect)
                          : cocos2d::Size(pixels * aspect, pixels);
    return true;
}

void isViewerImage::showViewFrame() {
    if (getActorManager() == nullptr) {
        return;
    }
    if (isActorCrossLine* lines = getActorManager()->getCrossLineActor()) {
        lines->setFrameVisible(frameShown);
    }
}

void isViewerImage::setFrameShown(bool shown) {
    frameShown = shown;
    showViewFrame();
}

void isViewerImage::setCrossLineVisible(bool on) {
    isActorManager* actors = getActorManager();
    if (actors == nullptr) {
        return;
    }
    if (isActorOverlay* overlay = actors->getOverlayActor()) {
        overlay->setTextVisible("mousePos", on);
    }
    isActorCrossLine* lines = actors->getCrossLineActor();
    if (lines == nullptr) {
        return;
    }
    if (on && crossLinesAllowed()) {
        if (!lines->isLineVisible()) {
            lines->setLineVisible(true);
            lines->setFrameVisible(frameShown);
            lines->setFrameColor(imageActor->getViewOrientation());
            postSlicePlane();
        }
    } else {
        lines->setLineVisible(false);
        lines->setFrameVisible(false);
    }
}

bool isViewerImage::crossLinesAllowed() {
    const auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor());
    const bool roiTool = interactor != nullptr && interactor->getInteractionMode() >= kModeLine &&
                         interactor->getInteractionMode() <= kModeROISelect;
    return !roiTool && imageActor != nullptr && type >= VIEW_AXIAL && type <= VIEW_CORONAL;
}

bool isViewerImage::carriesFocus() {
    const auto* browser = dynamic_cast<isViewerBrowser*>(getController());
    return browser == nullptr || browser->getCurrentTile() == this;
}

void isViewerImage::postSlicePlane() {
    isActorManager* actors = getActorManager();
    if (actors == nullptr) {
        return;
    }
    isActorCrossLine* lines = actors->getCrossLineActor();
    if (lines == nullptr) {
        return;
    }
    // The lines hide half a second after they were drawn; each new point shows them again where
    // the reader looks for the point: in the tile that carries it.
    if (!lines->isLineVisible() && carriesFocus() && crossLinesAllowed()) {
        lines->setLineVisible(true);
    }
    if (!lines->isLineVisible()) {
        return;
    }
    const std::string json = jsonOf(slicePlane);
    NSUI::NSNotificationCenter* center = centre();
    center->cancelPostedInFrame(this, NOTIFY_CROSSLINE_UPDATE, this);
    center->postString(this, NOTIFY_CROSSLINE_UPDATE, json, this, true);
    center->cancelPostedInFrame(nullptr, NOTIFY_PICK_VALUE, this);
    center->postString(nullptr, NOTIFY_PICK_VALUE, json, this, true);
}

void isViewerImage::onImageDataChanged() {
    updateOverlayTexts(true);
}

void isViewerImage::updateOverlayTexts(bool showButtons) {
    isImageData* data = isRenderWindow::getImageData();
    isActorManager* actors = getActorManager();
    if (data == nullptr || actors == nullptr) {
        return;
    }
    isActorOverlay* overlay = actors->getOverlayActor();
    if (overlay == nullptr) {
        return;
    }
    overlay->clearCorners();
    const isSliceInfo* first = data->getSlice(0);
    const int modality = first != nullptr ? first->modality : 7;
    const auto addText = [this, overlay](int corner, unsigned key, const std::string& initial,
                                         const std::string& prefix, const std::string& suffix,
                                         const cocos2d::Color4B* colour) {
        isNodeOverlayText* text = overlay->addCornerText(corner, initial);
        if (text == nullptr) {
            return text;
        }
        text->setGroup(this);
        text->bindNotification(initial, prefix, suffix, key, key == NOTIFY_WWWL_TEXT);
        if (colour != nullptr) {
            text->setTextColor(*colour);
        }
        return text;
    };
    const cocos2d::Color4B orange = cocos2d::Color4B::ORANGE;
    const cocos2d::Color4B yellow = cocos2d::Color4B::YELLOW;
    const cocos2d::Size size = getContentSize();
    if (size.width < kSmallOverlay || size.height < kSmallOverlay) {
        if (showsLocation(modality)) {
            addText(1, NOTIFY_OVERLAY_SLICE, "", " ", "", &orange);
        }
        overlay->relayout();
    } else {
        addText(1, NOTIFY_ORIENT_LABEL, viewTypeLabel(type), " ", "", &orange);
        addText(1, NOTIFY_OVERLAY_LOAD_PERCENT, "", "", "", nullptr);
        if (showFullInfo) {
            overlay->createCornerPanels(1);
            addText(1, NOTIFY_OVERLAY_STUDY_ID, "", " Ex:", "", nullptr);
            overlay->createCornerPanels(1);
            addText(1, NOTIFY_OVERLAY_SERIES_ID, "", " Se:", "", nullptr);
        }
        if (showsLocation(modality)) {
            overlay->createCornerPanels(1);
            addText(1, NOTIFY_OVERLAY_SLICE, "", " ", "", &orange);
        }
        bool bottomStarted = false;
        if (data->isVolume()) {
            addText(7, NOTIFY_OVERLAY_FIXED_LABEL, " Thk:", "", "", nullptr);
            addText(7, NOTIFY_OVERLAY_LINE_9093, "", "", "", &orange);
            bottomStarted = true;
        }
        if (bottomStarted) {
            overlay->createCornerPanels(7);
        }
        addText(7, NOTIFY_OVERLAY_FIXED_LABEL, " ww/wl:", "", "", nullptr);
        if (isNodeOverlayText* level = addText(7, NOTIFY_WWWL_TEXT, " ", "", "", &yellow)) {
            level->setLocalZOrder(level->getLocalZOrder() + 1);
        }
        bool topRightStarted = false;
        const auto topRight = [&](unsigned key, bool shown) {
            if (!shown) {
                return;
            }
            if (topRightStarted) {
                overlay->createCornerPanels(3);
            }
            topRightStarted = true;
            addText(3, key, "", "", " ", nullptr);
        };
        topRight(NOTIFY_OVERLAY_HOSPITAL, showFullInfo);
        topRight(NOTIFY_OVERLAY_SERIES_TIME, true);
        topRight(NOTIFY_OVERLAY_PATIENT, showFullInfo);
        topRight(NOTIFY_OVERLAY_PATIENT_INFO, true);
        topRight(NOTIFY_OVERLAY_IMAGE_DESC, showFullInfo);
        overlay->createCornerPanels(3);
        struct Button {
            const char* image;
            unsigned key;
            const char* name;
        };
        const Button buttons[] = {{"imageSDK/leftArrow.png", NOTIFY_OVERLAY_PRIOR, "multi_prior"},
                                  {"imageSDK/play.png", NOTIFY_CINE_BUTTON, "multi_status"},
                                  {"imageSDK/rightArrow.png", NOTIFY_OVERLAY_NEXT, "multi_next"}};
        for (const Button& button : buttons) {
            if (isNodeOverlaySprite* sprite = overlay->addPlayButton()) {
                sprite->bindNotification(button.image, button.image, button.key, button.image);
                sprite->setName(button.name);
            }
        }
        overlay->relayout();
        if (showButtons) {
            const isSliceInfo* shown = imageActor != nullptr ? shownSlice(imageActor) : nullptr;
            const bool multiFrame = shown != nullptr && shown->frames > 1;
            for (const Button& button : buttons) {
                overlay->setTextVisible(button.name, multiFrame);
            }
        }
    }
    const std::string& label = data->getFirstPhase()->getLabel();
    if (!label.empty()) {
        overlay->setStudyInfo(label);
    } else {
        isSeriesInfoReader::instance().start(data, this);
    }
    // New texts start empty: the actor that shows this data fills them with what it shows now.
    if (imageActor != nullptr && imageActor->getImageData() == data) {
        imageActor->postViewInfo();
    }
}

void isViewerImage::setContentSize(const cocos2d::Size& size) {
    const cocos2d::Size previous = getContentSize();
    isRenderWindow::setContentSize(size);
    if (previous.width == size.width && previous.height == size.height) {
        return;
    }
    refitCamera();
    if (imageActor != nullptr && imageActor->getImageNode() != nullptr) {
        actorHiddenForResize = true;
        imageActor->setActive(false);
        if (getActorManager() != nullptr) {
            if (isActorROI* rois = getActorManager()->getROIActor()) {
                rois->setVisible(false);
            }
        }
    }
}

void isViewerImage::visit(cocos2d::Renderer* renderer, const Mat4& parentTransform,
                          uint32_t parentFlags) {
    if (!isVisible() || !isVisitableByVisitingCamera()) {
        return;
    }
    isRenderWindow::visit(renderer, parentTransform, parentFlags);
    if (actorHiddenForResize) {
        actorHiddenForResize = false;
        if (imageActor != nullptr) {
            imageActor->setActive(true);
        }
        if (getActorManager() != nullptr) {
            if (isActorROI* rois = getActorManager()->getROIActor()) {
                rois->setVisible(true);
            }
        }
    }
    if (overlayDirty) {
        overlayDirty = false;
        updateOverlayTexts(true);
    }
}

void isViewerImage::refitCamera() {
    isRenderWindow::postCameraChanged();
    isImageData* data = isRenderWindow::getImageData();
    const cocos2d::Size size = getContentSize();
    if (data == nullptr || !data->hasData || imageActor == nullptr || size.width <= 0.0f ||
        size.height <= 0.0f || !imageActor->isOrthogonal()) {
        return;
    }
    if (data->isVolume()) {
        int dimensions[3];
        float spacing[3];
        data->getDimensions(dimensions);
        data->getSpacing(spacing);
        fitCamera(dimensions, spacing, data->worldMatrix, imageActor->getViewOrientation());
    } else if (isSliceInfo* slice = shownSlice(imageActor)) {
        refitToSlice(slice);
    }
    isCamera* camera = getMainCamera();
    setBaseScale(camera->isPerspective() ? camera->getState().eyeDistance() : camera->getZoom());
}

bool isViewerImage::relayUnlessFromController(int key, NSUI::NSNotificationData* data,
                                              cocos2d::Ref* sender, bool nextTick) {
    cocos2d::Ref* controller = getController();
    if (controller == nullptr || sender == controller) {
        return false;
    }
    NSUI::NSNotificationCenter* center = centre();
    if (nextTick) {
        center->cancelPostedInFrame(this, key, controller);
    }
    center->postNotification(this, key, data, controller, nextTick);
    return true;
}

void isViewerImage::setMode(int mode) {
    if (auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor())) {
        interactor->setInteractionMode(mode);
    }
}

void isViewerImage::onNotification(int command, NSUI::NSNotificationData* data,
                                   cocos2d::Ref* sender) {
    isImageData* imageData = isRenderWindow::getImageData();
    const bool volume = imageData != nullptr && imageData->isVolume();
    const bool ownKey = data != nullptr && data->key == NSNotificationKey::key;
    switch (command) {
    case NOTIFY_WHEEL_UP:
    case NOTIFY_WHEEL_DOWN:
        if (!relayUnlessFromController(command, data, sender, true) && imageActor != nullptr) {
            setSliceIndex(imageActor->getSliceIndex() + (command == NOTIFY_WHEEL_UP ? 1 : -1),
                          false);
        }
        break;
    case NOTIFY_VIEW_CMD_9003:
        if (!relayUnlessFromController(command, data, sender, false)) {
            resetSlice();
        }
        break;
    case NOTIFY_SLAB_MODE:
        if (!relayUnlessFromController(command, data, sender, false) && imageActor != nullptr &&
            data != nullptr) {
            imageActor->setSlabMode(data->intValue);
        }
        break;
    case NOTIFY_VIEW_CMD_9007:
        if (!relayUnlessFromController(command, data, sender, false) && imageActor != nullptr &&
            data != nullptr) {
            imageActor->setSlabThickness(imageActor->getSlabThickness() + data->floatValue);
        }
        break;
    case NOTIFY_SLAB_ORIGINAL:
        if (!relayUnlessFromController(command, data, sender, false) && imageActor != nullptr &&
            data != nullptr) {
            imageActor->setSlabThickness(data->floatValue);
        }
        break;
    case NOTIFY_ROTATE_VIEW:
        if (!relayUnlessFromController(command, data, sender, false) && data != nullptr) {
            rotatePlane(data->floatValue);
        }
        break;
    case NOTIFY_VIEW_AXIAL:
    case NOTIFY_VIEW_SAGITTAL:
        if (!relayUnlessFromController(command, data, sender, false) && imageActor != nullptr) {
            const int wanted = command == NOTIFY_VIEW_AXIAL ? VIEW_AXIAL : VIEW_SAGITTAL;
            if (type != wanted) {
                setSliceAxis(getSliceAxis(command == NOTIFY_VIEW_AXIAL ? 0 : 1));
            }
        }
        break;
    case NOTIFY_VIEW_CORONAL:
        if (!relayUnlessFromController(command, data, sender, false)) {
            setCoronalAxis();
        }
        break;
    case NOTIFY_VIEW_SLICE:
        if (!relayUnlessFromController(command, data, sender, false) && type != VIEW_SLICE) {
            setSliceAxis(0);
        }
        break;
    case NOTIFY_VIEW_SYNC_9021:
        if (!relayUnlessFromController(command, data, sender, false)) {
            refitCamera();
        }
        break;
    case NOTIFY_WW_DEFAULT:
        if (!relayUnlessFromController(command, data, sender, false) && imageData != nullptr &&
            imageActor != nullptr) {
            if (const isSliceInfo* first = imageData->getSlice(0)) {
                imageActor->setWindowLevel(first->windowWidth, first->windowCentre);
            }
        }
        break;
    case NOTIFY_EDIT_WW_OPEN:
        if (getController() != nullptr) {
            centre()->postNotification(this, command, data, getController(), false);
        }
        break;
    case NOTIFY_OPACITY_LINEAR:
    case NOTIFY_OPACITY_LOG10:
    case NOTIFY_OPACITY_LOG10_INVERSE:
        if (!relayUnlessFromController(command, data, sender, false) && imageActor != nullptr) {
            imageActor->setLutCurve(command - NOTIFY_OPACITY_LINEAR);
        }
        break;
    case NOTIFY_WW_PRESET:
        if (!relayUnlessFromController(command, data, sender, false) && imageData != nullptr &&
            imageActor != nullptr) {
            imageActor->setWindowLevel(jsonFloat(data, "ww"), jsonFloat(data, "wl"));
        }
        break;
    case NOTIFY_VIEW_CMD_9035:
        if (auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor())) {
            if (interactor->getInteractionMode() == kModeWindowLevel) {
                interactor->setInteractionMode(kModeProbe);
            }
        }
        break;
    case NOTIFY_CLUT_SET:
        if (data != nullptr) {
            setClutByName(data->stringValue);
        }
        break;
    case NOTIFY_TOOL_SELECT:
    case NOTIFY_WW_BY_MOUSE:
    case NOTIFY_TOOL_ZOOM:
    case NOTIFY_TOOL_MOVE:
    case NOTIFY_TOOL_ROTATE: {
        if (!relayUnlessFromController(command, data, sender, false)) {
            const int mode = command == NOTIFY_TOOL_SELECT   ? kModeProbe
                             : command == NOTIFY_WW_BY_MOUSE ? kModeWindowLevel
                             : command == NOTIFY_TOOL_ZOOM   ? kModeZoom
                             : command == NOTIFY_TOOL_ROTATE ? kModeRotate
                                                             : kModePan;
            setMode(mode);
        }
        break;
    }
    case NOTIFY_TILE_CMD_9045:
        setMode(kModeStepping);
        break;
    case NOTIFY_FLIP_X:
        flipHorizontal();
        break;
    case NOTIFY_FLIP_Y:
        flipVertical();
        break;
    case NOTIFY_FLIP_ROTATE:
        if (data != nullptr) {
            rollView(data->floatValue);
        }
        break;
    case NOTIFY_DOCUMENT_BUTTON:
        setMode(kModePaging);
        break;
    case NOTIFY_ROI_LINE:
    case NOTIFY_ROI_POINT:
    case NOTIFY_ROI_ANGLE:
    case NOTIFY_ROI_CIRCLE:
    case NOTIFY_ROI_POLYGON:
    case NOTIFY_ROI_LABEL:
    case NOTIFY_ROI_SELECT:
        if (!relayUnlessFromController(command, data, sender, false) &&
            dynamic_cast<isInteractorImage*>(getInteractor()) != nullptr) {
            setCrossLineVisible(false);
            setMode(kModeLine + (command - NOTIFY_ROI_LINE));
        }
        break;
    case NOTIFY_ROI_REMOVE:
        if (data != nullptr && getActorManager() != nullptr) {
            if (isActorROI* rois = getActorManager()->getROIActor()) {
                rois->removeROIById(static_cast<std::uint64_t>(data->intValue2));
            }
            if (auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor())) {
                interactor->deselectROI();
            }
        }
        break;
    case NOTIFY_DCM_INFO_HIDE:
    case NOTIFY_DCM_INFO_SHOW:
        if (ownKey) {
            switchFullInfo(command == NOTIFY_DCM_INFO_SHOW);
        }
        break;
    case NOTIFY_SYNC_POSITION:
        if (getController() != nullptr && sender != getController() && volume) {
            relayUnlessFromController(command, data, sender, true);
        } else {
            panBy(jsonFloat(data, "x"), jsonFloat(data, "y"));
        }
        break;
    case NOTIFY_SYNC_ZOOM:
        zoomWithFocus(data, sender);
        break;
    case NOTIFY_SYNC_ZOOM_ALT:
        if (getController() != nullptr && sender != getController() && volume) {
            relayUnlessFromController(command, data, sender, true);
        } else if (data != nullptr) {
            zoomBy(data->floatValue);
        }
        break;
    case NOTIFY_INTERACT_9076:
        if (!relayUnlessFromController(command, data, sender, true) && imageActor != nullptr) {
            imageActor->adjustWindowLevel(jsonFloat(data, "ww"), jsonFloat(data, "wl"));
        }
        break;
    case NOTIFY_INTERACT_9077:
    case NOTIFY_INTERACT_9078:
    case NOTIFY_CINE_SPEED:
        relayUnlessFromController(command, data, sender, true);
        break;
    case NOTIFY_SYNC_PAN:
        if (getController() == nullptr) {
            break;
        }
        if (sender != getController()) {
            if (volume) {
                relayUnlessFromController(command, data, sender, true);
            }
        } else {
            panBy(jsonFloat(data, "x"), jsonFloat(data, "y"));
        }
        break;
    case NOTIFY_SYNC_FOCAL_ZOOM:
        syncFocalZoom(data, sender);
        break;
    case NOTIFY_INTERACT_9082:
        syncWindowLevel(data, sender);
        break;
    case NOTIFY_INTERACT_9083:
        keepFocusInView(sender);
        break;
    case NOTIFY_VIEW_CMD_9100:
        goToPoint(data, sender);
        break;
    case NOTIFY_TILE_CMD_9101:
        if (imageActor != nullptr && data != nullptr) {
            if (const isSliceInfo* slice = shownSlice(imageActor)) {
                const Vec3 point(jsonFloat(data, "x"), jsonFloat(data, "y"), jsonFloat(data, "z"));
                setFocus(ontoSlicePlane(point, column(slice->matrix, 3), column(slice->matrix, 2)));
                postSlicePlane();
            }
        }
        break;
    case NOTIFY_FOCUS_FRAME:
        if (!relayUnlessFromController(command, data, sender, false) &&
            getActorManager() != nullptr) {
            if (isActorCrossLine* lines = getActorManager()->getCrossLineActor()) {
                lines->showFocusFrame();
            }
        }
        break;
    case NOTIFY_ROI_TO_VIEW:
        if (auto* interactor = dynamic_cast<isInteractorImage*>(getInteractor())) {
            if (data != nullptr) {
                interactor->selectROI(static_cast<isActorROIBase*>(data->buffer));
            }
        }
        break;
    case NOTIFY_TEXT_NODE_TO_VIEW:
        setMode(kModeROISelect);
        break;
    case NOTIFY_VIEW_ACTIVATED:
        activate(data);
        break;
    case NOTIFY_QUICK_MAXIMIZE:
        if (ownKey && data->group == NSNotificationKey::group) {
            maximizeOrRestore(data);
        }
        break;
    case NOTIFY_QUICK_FAVORITE:
        if (ownKey) {
            favouriteCrop(data);
        }
        break;
    case NOTIFY_QUICK_REFORMAT:
        if (ownKey) {
            reformatVisibleRegion();
        }
        break;
    default:
        isRenderWindow::onNotification(command, data, sender);
        break;
    }
}

void isViewerImage::resetSlice() {
    if (imageActor == nullptr) {
        return;
    }
    if (imageActor->isOrthogonal() && imageActor->getPlane() != nullptr) {
        imageActor->setSliceIndex(imageActor->getNumberOfPositions() / 2);
    }
    isImageData* data = isRenderWindow::getImageData();
    isSliceInfo* slice = shownSlice(imageActor);
    if (slice == nullptr) {
        return;
    }
    if (data != nullptr && !data->isVolume()) {
        refitToSlice(slice);
        slicePlane = planeOfSlice(slice);
    } else {
        setFocus(ontoSlicePlane(focusPoint(), column(slice->matrix, 3), column(slice->matrix, 2)));
    }
    postSlicePlane();
}

void isViewerImage::rotatePlane(float degrees) {
    if (imageActor == nullptr || getActorManager() == nullptr) {
        return;
    }
    const isActorCrossLine* lines = getActorManager()->getCrossLineActor();
    const bool crossLineShown = lines != nullptr && lines->isLineVisible();
    if (!crossLineShown && (type < VIEW_AXIAL || type > VIEW_CORONAL)) {
        return;
    }
    // About the plane's own vertical axis, through its point.
    Mat4 rotation;
    Mat4::createRotation(normalised(column(slicePlane, 1)), degrees * kDegreesToRadians, &rotation);
    Mat4 rotated = slicePlane;
    for (int c = 0; c < 3; ++c) {
        setColumn(rotated, c,
                  transformPoint(rotation, column(slicePlane, c)) -
                      transformPoint(rotation, Vec3::ZERO));
    }
    slicePlane = rotated;
    imageActor->setObliqueMatrix(slicePlane);
    const isCameraState state = getCameraState();
    const Vec3 centre = focusPoint();
    const Vec3 normal = normalised(column(slicePlane, 2));
    const float side = (state.eye() - state.center()).dot(normal) >= 0.0f ? 1.0f : -1.0f;
    setCameraEye(centre + normal * (side * state.eyeDistance()));
    setCameraLookAt(centre, normalised(column(slicePlane, 1)) *
                                (state.up().dot(column(slicePlane, 1)) >= 0.0f ? 1.0f : -1.0f));
    postSlicePlane();
}

void isViewerImage::zoomWithFocus(NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    if (data == nullptr) {
        return;
    }
    isImageData* imageData = isRenderWindow::getImageData();
    if (getController() != nullptr && sender != getController()) {
        if (imageData != nullptr) {
            relayUnlessFromController(NOTIFY_SYNC_ZOOM, data, sender, true);
        } else {
            zoomBy(data->floatValue);
        }
        return;
    }
    const float factor = data->floatValue;
    zoomBy(factor);
    if (factor > 0.0f && imageData != nullptr) {
        const Vec2 at = worldToScreen(focusPoint());
        const cocos2d::Size size = getContentSize();
        const bool inside =
            at.x >= 0.0f && at.x <= size.width && at.y >= 0.0f && at.y <= size.height;
        if (inside && data->intValue != 1) {
            panIntoMargins(at);
        }
    }
    if (factor > 1.0f) {
        edgeMargin *= factor;
        if (edgeMargin > kMaxEdgeMargin) {
            edgeMargin = kCappedEdgeMargin;
        }
    } else {
        edgeMargin = kDefaultEdgeMargin;
    }
}

void isViewerImage::keepFocusInView(cocos2d::Ref* sender) {
    isImageData* imageData = isRenderWindow::getImageData();
    if (getController() != nullptr && sender != getController()) {
        if (imageData != nullptr && imageData->isVolume()) {
            relayUnlessFromController(NOTIFY_INTERACT_9083, nullptr, sender, true);
        }
        return;
    }
    edgeMargin = kDefaultEdgeMargin;
    const Vec2 at = worldToScreen(focusPoint());
    const cocos2d::Size size = getContentSize();
    const float limit = std::min(kDefaultEdgeMargin * size.width, kDefaultEdgeMargin * size.height);
    if (at.x < limit || at.y < limit || size.width - at.x < limit || size.height - at.y < limit) {
        setFocusPoint(focusPoint());
    }
}

void isViewerImage::syncFocalZoom(NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    isImageData* imageData = isRenderWindow::getImageData();
    if (getController() == nullptr || data == nullptr || imageData == nullptr ||
        !imageData->isVolume()) {
        return;
    }
    const isCameraState state = getCameraState();
    const Vec2 centreOnScreen = worldToScreen(state.center());
    const Vec2 focusOnScreen = worldToScreen(focusPoint());
    if (sender != getController()) {
        std::string& json = data->stringValue;
        NSUI::UIJson::setFloat(json, "focal2center", centreOnScreen.distance(focusOnScreen));
        NSUI::UIJson::setFloat(json, "focal_x", state.center().x);
        NSUI::UIJson::setFloat(json, "focal_y", state.center().y);
        NSUI::UIJson::setFloat(json, "focal_z", state.center().z);
        NSUI::UIJson::setInt(json, "validFocal", 1);
        NSUI::UIJson::setFloat(json, "zoomRatio", getPixelScale());
        relayUnlessFromController(NOTIFY_SYNC_FOCAL_ZOOM, data, sender, false);
        return;
    }
    const float factor = data->floatValue;
    const float theirs = jsonFloat(data, "zoomRatio");
    const float mine = getPixelScale();
    const bool alreadyLarger = factor > 1.0f && mine > theirs + kZoomSyncEpsilon;
    const bool alreadySmaller = factor < 1.0f && mine < theirs - kZoomSyncEpsilon;
    if (!alreadyLarger && !alreadySmaller && factor > 0.0f) {
        zoomBy(factor);
    }
    edgeMargin = kDefaultEdgeMargin;
    if (NSUI::UIJson::getInt(data->stringValue, "validFocal", 0) == 1) {
        setCameraCenterKeepingView(Vec3(jsonFloat(data, "focal_x"), jsonFloat(data, "focal_y"),
                                        jsonFloat(data, "focal_z")));
        return;
    }
    const float wanted = jsonFloat(data, "focal2center");
    const float distance = centreOnScreen.distance(focusOnScreen);
    const float difference = std::fabs(distance - wanted);
    if (distance > kFocusSyncEpsilon && difference > kFocusSyncEpsilon && distance > wanted) {
        // Towards the point on both axes (panBy takes a drag's step, its y pointing down).
        const Vec2 towards = (focusOnScreen - centreOnScreen).getNormalized() * difference;
        panBy(towards.x, -towards.y);
    }
}

void isViewerImage::setCameraCenterKeepingView(const Vec3& point) {
    const isCameraState state = getCameraState();
    setCameraEye(point - state.forward() * state.eyeDistance());
    setCameraLookAt(point, state.up());
    postCameraChanged();
}

void isViewerImage::syncWindowLevel(NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    cocos2d::Ref* controller = getController();
    if (controller == nullptr || imageActor == nullptr) {
        return;
    }
    if (sender != controller) {
        std::string json;
        char text[32];
        std::snprintf(text, sizeof(text), "%i", static_cast<int>(imageActor->getWindowWidth()));
        NSUI::UIJson::setString(json, "ww", text);
        std::snprintf(text, sizeof(text), "%i", static_cast<int>(imageActor->getWindowCentre()));
        NSUI::UIJson::setString(json, "wl", text);
        centre()->postString(this, NOTIFY_INTERACT_9082, json, controller, false);
        return;
    }
    imageActor->setWindowLevel(jsonFloat(data, "ww"), jsonFloat(data, "wl"));
}

void isViewerImage::goToPoint(NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    if (data == nullptr) {
        return;
    }
    const Vec3 point(jsonFloat(data, "x"), jsonFloat(data, "y"), jsonFloat(data, "z"));
    isImageData* imageData = isRenderWindow::getImageData();
    cocos2d::Ref* controller = getController();
    if (controller != nullptr && sender != controller && imageData != nullptr &&
        imageData->isVolume()) {
        centre()->postNotification(this, NOTIFY_VIEW_CMD_9100, data, controller, true);
        setFocus(point);
        setCrossLineVisible(true);
        postSlicePlane();
        return;
    }
    if (imageActor != nullptr && imageActor->isOrthogonal()) {
        imageActor->setSliceAtPoint(point);
    }
    setFocus(point);
    postSlicePlane();
}

void isViewerImage::switchFullInfo(bool show) {
    if (showFullInfo == show) {
        return;
    }
    NSUI::UILocalConfig().setStringForKey(kFullInfoSetting, show ? "1" : "0");
    showFullInfo = show;
    if (getActorManager() != nullptr) {
        if (isActorOverlay* overlay = getActorManager()->getOverlayActor()) {
            overlay->clearCorners();
        }
    }
    overlayDirty = true;
}

void isViewerImage::maximizeOrRestore(NSUI::NSNotificationData* data) {
    isActorOverlay* overlay =
        getActorManager() != nullptr ? getActorManager()->getOverlayActor() : nullptr;
    if (data->intValue2 != referenceId()) {
        if (maximized) {
            maximized = false;
            setPosition(savedPosition);
            setContentSize(savedSize);
        } else {
            savedPosition = getPosition();
            savedSize = getContentSize();
            maximized = true;
            setPosition(Vec2(10000.0f, 10000.0f));
            setContentSize(cocos2d::Size(128.0f, 128.0f));
        }
        if (overlay != nullptr) {
            overlay->relayout();
        }
        return;
    }
    const isCameraState before = getCameraState();
    if (!maximized) {
        savedPosition = getPosition();
        savedSize = getContentSize();
        maximized = true;
        const cocos2d::Node* parent = getParent();
        setPosition(parent != nullptr ? -parent->getPosition() : Vec2::ZERO);
        setContentSize(cocos2d::Size(jsonFloat(data, "w"), jsonFloat(data, "h")));
        if (getActorManager() != nullptr) {
            if (isActorCrossLine* lines = getActorManager()->getCrossLineActor()) {
                lines->setFrameVisible(false);
            }
        }
    } else {
        maximized = false;
        setPosition(savedPosition);
        setContentSize(savedSize);
    }
    setCameraEye(before.eye());
    setCameraLookAt(before.center(), before.up());
    setZoom(before.zoom());
    updateBackground();
    if (overlay != nullptr) {
        overlay->relayout();
    }
    NSUI::NSNotificationData* state = NSUI::NSNotificationData::create();
    state->intValue = maximized ? 1 : 0;
    state->setNotificationKey(NSNotificationKey::key, nullptr);
    centre()->postNotification(this, NOTIFY_QUICK_TOOL_STATE, state, nullptr, false);
}

bool isViewerImage::takeVisibleCorners(Vec3 corners[4]) {
    if (imageActor == nullptr) {
        return false;
    }
    const isSliceInfo* slice = shownSlice(imageActor);
    if (slice == nullptr) {
        return false;
    }
    const Vec3 o = column(slice->matrix, 3);
    const Vec3 x = column(slice->matrix, 0) * (slice->width * slice->pixelSpacingX);
    const Vec3 y = column(slice->matrix, 1) * (slice->height * slice->pixelSpacingY);
    const Vec3 raw[4] = {o, o + x, o + x + y, o + y};
    const cocos2d::Size size = getContentSize();
    for (int i = 0; i < 4; ++i) {
        Vec3 onScreen;
        getMainCamera()->worldToScreen(raw[i], onScreen);
        onScreen.x = std::max(0.0f, std::min(size.width, onScreen.x));
        onScreen.y = std::max(0.0f, std::min(size.height, onScreen.y));
        getMainCamera()->screenToWorld(onScreen, corners[i]);
    }
    return true;
}

void isViewerImage::reformatVisibleRegion() {
    Vec3 corners[4];
    if (takeVisibleCorners(corners)) {
        imageActor->startReformat(corners[0], corners[1], corners[2], corners[3]);
    }
}

void isViewerImage::favouriteCrop(NSUI::NSNotificationData* data) {
    if (data->intValue2 != referenceId() && data->intValue2 != 0) {
        return;
    }
    Vec3 corners[4];
    if (!takeVisibleCorners(corners)) {
        return;
    }
    const isSliceInfo* shown = shownSlice(imageActor);
    if (shown->data == nullptr) {
        return;
    }
    Mat4 toPixels = shown->matrix;
    toPixels.inverse();
    float box[4] = {1e30f, 1e30f, -1e30f, -1e30f};
    for (const Vec3& corner : corners) {
        const Vec3 p = transformPoint(toPixels, corner);
        const float px = p.x / shown->pixelSpacingX;
        const float py = p.y / shown->pixelSpacingY;
        box[0] = std::min(box[0], px);
        box[1] = std::min(box[1], py);
        box[2] = std::max(box[2], px);
        box[3] = std::max(box[3], py);
    }
    const int left = std::max(0, std::min(shown->width, static_cast<int>(std::floor(box[0]))));
    const int top = std::max(0, std::min(shown->height, static_cast<int>(std::floor(box[1]))));
    const int right = std::max(0, std::min(shown->width, static_cast<int>(std::ceil(box[2]))));
    const int bottom = std::max(0, std::min(shown->height, static_cast<int>(std::ceil(box[3]))));
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0) {
        return;
    }
    const int bytes = cropBytesPerPixel(shown->pixelType);
    auto* pixels =
        static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(width) * height * bytes));
    if (pixels == nullptr) {
        return;
    }
    const auto* source = static_cast<const unsigned char*>(shown->data);
    for (int row = 0; row < height; ++row) {
        std::memcpy(pixels + static_cast<std::size_t>(row) * width * bytes,
                    source + (static_cast<std::size_t>(top + row) * shown->width + left) * bytes,
                    static_cast<std::size_t>(width) * bytes);
    }
    auto* crop = new isSliceInfo();
    shown->copyTo(crop);
    crop->frames = 1;
    crop->windowWidth = imageActor->getWindowWidth();
    crop->windowCentre = imageActor->getWindowCentre();
    setColumn(crop->matrix, 3,
              transformPoint(shown->matrix,
                             Vec3(left * shown->pixelSpacingX, top * shown->pixelSpacingY, 0.0f)));
    crop->width = width;
    crop->height = height;
    crop->data = pixels;
    if (data->intValue2 == 0) {
        data->intValue2 = referenceId();
    }
    auto* captured = new isCropSliceData();
    captured->init();
    captured->autorelease();
    captured->buffer = crop;
    captured->setNotificationKey(NSNotificationKey::key, nullptr);
    centre()->postNotification(nullptr, NOTIFY_VIEW_CAPTURED, captured, nullptr, false);
}

void isViewerImage::activate(NSUI::NSNotificationData* data) {
    NSUI::NSNotificationCenter* center = centre();
    NSUI::NSNotificationData* active = NSUI::NSNotificationData::create();
    active->setObject(static_cast<cocos2d::Ref*>(NSNotificationKey::group));
    center->postNotification(this, NOTIFY_ACTIVE_APPMANAGER, active, nullptr, true);
    if (getController() != nullptr) {
        center->postNotification(this, NOTIFY_VIEW_ACTIVATED, data, getController(), true);
    }
    NSUI::NSNotificationData* tool = NSUI::NSNotificationData::create();
    tool->setObject(this);
    tool->setNotificationKey(NSNotificationKey::key, nullptr);
    center->postNotification(this, NOTIFY_QUICK_TOOL_OPEN, tool, nullptr, true);
}

}  // namespace isImageSDK
