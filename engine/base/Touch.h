#pragma once

#include <cstdint>

#include "engine/base/Ref.h"
#include "engine/math/Vec2.h"

namespace cocos2d {

// One finger (or the left mouse button, which is touch 0). Locations are kept in view
// coordinates (points, origin top-left of the window); the plain getters give GL coordinates
// (origin bottom-left).
class Touch : public Ref {
public:
    enum class DispatchMode { ALL_AT_ONCE, ONE_BY_ONE };

    Touch() = default;

    Vec2 getLocation() const;
    Vec2 getPreviousLocation() const;
    Vec2 getStartLocation() const;
    Vec2 getDelta() const;
    Vec2 getLocationInView() const { return _point; }
    Vec2 getPreviousLocationInView() const { return _prevPoint; }
    Vec2 getStartLocationInView() const { return _startPoint; }

    // Moves the touch to (x, y) in view coordinates; the first call also sets the start.
    void setTouchInfo(int id, float x, float y);
    // Moves the touch to `location` in GL coordinates, like setTouchInfo with its own id.
    void setLocation(const Vec2& location);
    int getID() const { return _id; }

    // Microseconds since the epoch of the latest touch or mouse event dispatched; 0 before
    // the first.
    static int64_t getTimeStamp();
    static void updateTimeStamp();

private:
    int _id = 0;
    bool _startPointCaptured = false;
    Vec2 _startPoint;
    Vec2 _point;
    Vec2 _prevPoint;
};

}  // namespace cocos2d
