#pragma once

#include <string>

#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"

namespace cocos2d {

enum class ResolutionPolicy {
    EXACT_FIT,
    NO_BORDER,
    SHOW_ALL,
    // The design height is kept; the design width follows the frame's aspect ratio.
    FIXED_HEIGHT,
    FIXED_WIDTH,
    UNKNOWN,
};

struct GLContextAttrs {
    int redBits;
    int greenBits;
    int blueBits;
    int alphaBits;
    int depthBits;
    int stencilBits;
};

// The surface the director draws on: frame size in pixels, design resolution in points and
// the scale between them. The base class has no window (tests use it to set sizes headless);
// GLViewImpl adds the SDL window and its GL context.
class GLView : public Ref {
public:
    GLView() = default;

    static void setGLContextAttrs(const GLContextAttrs& attrs);
    static GLContextAttrs getGLContextAttrs();

    virtual bool isOpenGLReady() { return false; }
    virtual void end() {}
    virtual void swapBuffers() {}
    virtual void pollEvents() {}
    virtual bool windowShouldClose() { return false; }
    // Starts or stops text input (the IME).
    virtual void setIMEKeyboardState(bool open) { (void)open; }

    // In pixels.
    virtual const Size& getFrameSize() const { return _screenSize; }
    virtual void setFrameSize(float width, float height);
    float getFrameZoomFactor() const { return _frameZoomFactor; }

    // In points; with FIXED_HEIGHT the width is widened or narrowed to the frame's aspect.
    void setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy);
    const Size& getDesignResolutionSize() const { return _designResolutionSize; }
    ResolutionPolicy getResolutionPolicy() const { return _resolutionPolicy; }
    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    // Points to pixels.
    float getScaleX() const { return _scaleX; }
    float getScaleY() const { return _scaleY; }
    // The pixel rectangle the design resolution fills, origin bottom-left.
    const Rect& getViewPortRect() const { return _viewPortRect; }

    // Rectangles in points (GL orientation), turned into pixels of the frame.
    virtual void setViewPortInPoints(float x, float y, float w, float h);
    virtual void setScissorInPoints(float x, float y, float w, float h);
    virtual bool isScissorEnabled();
    virtual Rect getScissorRect() const;
    Rect pointsToPixels(const Rect& points) const;

    const std::string& getViewName() const { return _viewName; }

protected:
    void updateDesignResolutionSize();
    void setViewName(const std::string& name) { _viewName = name; }

    Size _screenSize;
    Size _designResolutionSize;
    Rect _viewPortRect;
    std::string _viewName;
    float _scaleX = 1.0f;
    float _scaleY = 1.0f;
    float _frameZoomFactor = 1.0f;
    ResolutionPolicy _resolutionPolicy = ResolutionPolicy::UNKNOWN;
};

}  // namespace cocos2d
