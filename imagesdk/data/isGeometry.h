#pragma once

#include <vector>

#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "engine/math/Vec4.h"

namespace isImageSDK {

// Letters of the four image edges (top, right, bottom, left; three bytes each, at most two
// letters) for a slice with the given row and column directions and patient position codes.
void computeOrientationLabels(const cocos2d::Vec3& rowDirection,
                              const cocos2d::Vec3& columnDirection, int headFeetCode,
                              int orientationCode, char labels[12]);

cocos2d::Vec4 transformVec4(const cocos2d::Mat4& matrix, const cocos2d::Vec4& vector);

// Distance of q to the line through p along n.
float pointLineDistance(const cocos2d::Vec3& q, const cocos2d::Vec3& p, const cocos2d::Vec3& n);

// Foot of q on the line through p along n.
void projectPointOnLine(const cocos2d::Vec3& p, const cocos2d::Vec3& q, const cocos2d::Vec3& n,
                        cocos2d::Vec3& out);

// Where the line through p along d meets the plane n . x = c; non-finite when parallel.
void intersectLinePlane(const cocos2d::Vec3& p, const cocos2d::Vec3& d, const cocos2d::Vec3& n,
                        float c, cocos2d::Vec3& out);

// Angles in degrees such that the rotation part of m is Rz(z) Ry(y) Rx(x).
void matrixToEulerAngles(const cocos2d::Mat4& m, float& x, float& y, float& z);

// Camera frame at eye looking at target: columns right, up, backward, eye.
void makeLookAtMatrix(const cocos2d::Vec3& eye, const cocos2d::Vec3& target,
                      const cocos2d::Vec3& up, cocos2d::Mat4& out);

// m := m x rotation about x (or y) by a radians.
void rotateMatrixX(cocos2d::Mat4& m, float a);
void rotateMatrixY(cocos2d::Mat4& m, float a);

// Rotation by the given degrees about x, y and z (through a quaternion), placed at position.
void makeRotationMatrix(const cocos2d::Vec3& position, float x, float y, float z,
                        cocos2d::Mat4& out);

// Absolute shoelace area of the closed polygon through the points.
float polygonArea(const std::vector<cocos2d::Vec2>& points);

// Where the edge from a to b meets the horizontal line at y. Only for edges that span y with
// exactly one end at or below it; the even-odd test and the row scans share this one form so
// that they decide every pixel alike.
inline float edgeCrossingX(const cocos2d::Vec2& a, const cocos2d::Vec2& b, float y) {
    return (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x;
}

// Even-odd crossing test of (x, y) against the closed polygon through the points.
bool pointInPolygon(const std::vector<cocos2d::Vec2>& points, float x, float y);

}  // namespace isImageSDK
