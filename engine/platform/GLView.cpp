#include "engine/platform/GLView.h"

#include <algorithm>
#include <cmath>

#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"

namespace cocos2d {

namespace {

GLContextAttrs s_contextAttrs = {8, 8, 8, 8, 24, 8};

}  // namespace

void GLView::setGLContextAttrs(const GLContextAttrs& attrs) {
    s_contextAttrs = attrs;
}

GLContextAttrs GLView::getGLContextAttrs() {
    return s_contextAttrs;
}

void GLView::setFrameSize(float width, float height) {
    _screenSize = Size(width, height);
    if (_resolutionPolicy == ResolutionPolicy::UNKNOWN) {
        _designResolutionSize = _screenSize;
        _viewPortRect = Rect(0, 0, width, height);
        if (Director::getInstance()->getOpenGLView() == this) {
            Director::getInstance()->setWinSize(_designResolutionSize);
        }
    } else {
        updateDesignResolutionSize();
    }
}

void GLView::setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy) {
    if (width <= 0.0f || height <= 0.0f || resolutionPolicy == ResolutionPolicy::UNKNOWN) {
        return;
    }
    _designResolutionSize = Size(width, height);
    _resolutionPolicy = resolutionPolicy;
    updateDesignResolutionSize();
}

void GLView::updateDesignResolutionSize() {
    if (_screenSize.width <= 0.0f || _screenSize.height <= 0.0f ||
        _designResolutionSize.width <= 0.0f || _designResolutionSize.height <= 0.0f) {
        return;
    }
    _scaleX = _screenSize.width / _designResolutionSize.width;
    _scaleY = _screenSize.height / _designResolutionSize.height;
    switch (_resolutionPolicy) {
    case ResolutionPolicy::NO_BORDER:
        _scaleX = _scaleY = std::max(_scaleX, _scaleY);
        break;
    case ResolutionPolicy::SHOW_ALL:
        _scaleX = _scaleY = std::min(_scaleX, _scaleY);
        break;
    case ResolutionPolicy::FIXED_HEIGHT:
        _scaleX = _scaleY;
        _designResolutionSize.width = std::ceil(_screenSize.width / _scaleX);
        break;
    case ResolutionPolicy::FIXED_WIDTH:
        _scaleY = _scaleX;
        _designResolutionSize.height = std::ceil(_screenSize.height / _scaleY);
        break;
    default:
        break;
    }
    const float viewPortW = _designResolutionSize.width * _scaleX;
    const float viewPortH = _designResolutionSize.height * _scaleY;
    _viewPortRect = Rect((_screenSize.width - viewPortW) / 2, (_screenSize.height - viewPortH) / 2,
                         viewPortW, viewPortH);
    if (Director::getInstance()->getOpenGLView() == this) {
        Director::getInstance()->setWinSize(_designResolutionSize);
    }
}

Size GLView::getVisibleSize() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER) {
        return Size(_screenSize.width / _scaleX, _screenSize.height / _scaleY);
    }
    return _designResolutionSize;
}

Vec2 GLView::getVisibleOrigin() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER) {
        return Vec2((_designResolutionSize.width - _screenSize.width / _scaleX) / 2,
                    (_designResolutionSize.height - _screenSize.height / _scaleY) / 2);
    }
    return Vec2::ZERO;
}

Rect GLView::pointsToPixels(const Rect& points) const {
    return Rect(points.origin.x * _scaleX + _viewPortRect.origin.x,
                points.origin.y * _scaleY + _viewPortRect.origin.y, points.size.width * _scaleX,
                points.size.height * _scaleY);
}

void GLView::setViewPortInPoints(float x, float y, float w, float h) {
    if (!GL::hasContext()) {
        return;
    }
    const Rect pixels = pointsToPixels(Rect(x, y, w, h));
    glViewport(static_cast<GLint>(pixels.origin.x), static_cast<GLint>(pixels.origin.y),
               static_cast<GLsizei>(std::ceil(pixels.size.width)),
               static_cast<GLsizei>(std::ceil(pixels.size.height)));
}

void GLView::setScissorInPoints(float x, float y, float w, float h) {
    if (!GL::hasContext()) {
        return;
    }
    const Rect pixels = pointsToPixels(Rect(x, y, w, h));
    const GLint left = static_cast<GLint>(std::floor(pixels.origin.x));
    const GLint bottom = static_cast<GLint>(std::floor(pixels.origin.y));
    const GLint right = static_cast<GLint>(std::ceil(pixels.origin.x + pixels.size.width));
    const GLint top = static_cast<GLint>(std::ceil(pixels.origin.y + pixels.size.height));
    glScissor(left, bottom, std::max(right - left, 0), std::max(top - bottom, 0));
}

bool GLView::isScissorEnabled() {
    return GL::hasContext() && glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
}

Rect GLView::getScissorRect() const {
    if (!GL::hasContext()) {
        return Rect::ZERO;
    }
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    return Rect((box[0] - _viewPortRect.origin.x) / _scaleX,
                (box[1] - _viewPortRect.origin.y) / _scaleY, box[2] / _scaleX, box[3] / _scaleY);
}

}  // namespace cocos2d
