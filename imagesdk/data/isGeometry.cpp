#include "imagesdk/data/isGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace isImageSDK {

namespace {

// Letter pairs for world x, y and z; the first letter names where a positive component points.
const char* const kHeadFirstPairs[4][3] = {
    {"LR", "SI", "AP"}, {"RL", "SI", "PA"}, {"PA", "SI", "LR"}, {"AP", "SI", "RL"}};
const char* const kFeetFirstPairs[4][3] = {
    {"RL", "IS", "AP"}, {"LR", "IS", "PA"}, {"AP", "IS", "LR"}, {"PA", "IS", "RL"}};

constexpr float kZeroComponent = 1e-5f;
constexpr double kFloatPi = 3.1415927410125732;

struct RankedComponents {
    float value[3];
    int axis[3];
};

RankedComponents rankComponents(const cocos2d::Vec3& v) {
    const float raw[3] = {v.x, v.y, v.z};
    RankedComponents ranked{};
    for (int i = 0; i < 3; ++i) {
        ranked.axis[i] = i;
    }
    float component[3];
    for (int i = 0; i < 3; ++i) {
        component[i] = std::fabs(raw[i]) < kZeroComponent ? 0.0f : raw[i];
    }
    std::stable_sort(ranked.axis, ranked.axis + 3, [&component](int a, int b) {
        return std::fabs(component[a]) > std::fabs(component[b]);
    });
    for (int i = 0; i < 3; ++i) {
        ranked.value[i] = component[ranked.axis[i]];
    }
    return ranked;
}

void writeLetters(const RankedComponents& ranked, const char* const pairs[3], char* nearLabel,
                  char* farLabel) {
    for (int k = 0; k < 3; ++k) {
        const char* pair = pairs[ranked.axis[k]];
        if (ranked.value[k] > 0.0f) {
            nearLabel[k] = pair[0];
            farLabel[k] = pair[1];
        } else if (ranked.value[k] < 0.0f) {
            nearLabel[k] = pair[1];
            farLabel[k] = pair[0];
        }
    }
}

cocos2d::Vec3 normalised(cocos2d::Vec3 v) {
    v.normalize();
    return v;
}

cocos2d::Vec3 crossProduct(const cocos2d::Vec3& a, const cocos2d::Vec3& b) {
    cocos2d::Vec3 out;
    cocos2d::Vec3::cross(a, b, &out);
    return out;
}

}  // namespace

void computeOrientationLabels(const cocos2d::Vec3& rowDirection,
                              const cocos2d::Vec3& columnDirection, int headFeetCode,
                              int orientationCode, char labels[12]) {
    std::memset(labels, 0, 12);
    int orientation = (orientationCode >= 0 && orientationCode <= 3) ? orientationCode : 0;
    const bool headFirst = headFeetCode == 0 || headFeetCode == 2;
    if (headFeetCode == 2) {
        orientation = 0;
    }
    const char* const* pairs =
        headFirst ? kHeadFirstPairs[orientation] : kFeetFirstPairs[orientation];

    char* top = labels;
    char* right = labels + 3;
    char* bottom = labels + 6;
    char* left = labels + 9;

    writeLetters(rankComponents(-columnDirection), pairs, top, bottom);
    const RankedComponents row = rankComponents(rowDirection);
    writeLetters(row, pairs, right, left);

    const float first = std::fabs(row.value[0]);
    const float second = std::fabs(row.value[1]);
    if (second != 0.0f && first - second < kZeroComponent &&
        (right[0] == top[0] || right[0] == bottom[0])) {
        std::swap(right[0], right[1]);
        std::swap(left[0], left[1]);
    }
    top[2] = right[2] = bottom[2] = left[2] = '\0';
}

cocos2d::Vec4 transformVec4(const cocos2d::Mat4& matrix, const cocos2d::Vec4& vector) {
    cocos2d::Vec4 out;
    matrix.transformVector(vector, &out);
    return out;
}

float pointLineDistance(const cocos2d::Vec3& q, const cocos2d::Vec3& p, const cocos2d::Vec3& n) {
    cocos2d::Vec3 foot;
    projectPointOnLine(p, q, n, foot);
    return (foot - q).length();
}

void projectPointOnLine(const cocos2d::Vec3& p, const cocos2d::Vec3& q, const cocos2d::Vec3& n,
                        cocos2d::Vec3& out) {
    const double dx = double(q.x) - p.x;
    const double dy = double(q.y) - p.y;
    const double dz = double(q.z) - p.z;
    const double nn = double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z;
    const double t = (dx * n.x + dy * n.y + dz * n.z) / nn;
    out.set(float(p.x + t * n.x), float(p.y + t * n.y), float(p.z + t * n.z));
}

void intersectLinePlane(const cocos2d::Vec3& p, const cocos2d::Vec3& d, const cocos2d::Vec3& n,
                        float c, cocos2d::Vec3& out) {
    const double np = double(n.x) * p.x + double(n.y) * p.y + double(n.z) * p.z;
    const double nd = double(n.x) * d.x + double(n.y) * d.y + double(n.z) * d.z;
    const double t = (double(c) - np) / nd;
    out.set(float(p.x + t * d.x), float(p.y + t * d.y), float(p.z + t * d.z));
}

void matrixToEulerAngles(const cocos2d::Mat4& matrix, float& x, float& y, float& z) {
    const float* m = matrix.m;
    const double degrees = 180.0 / kFloatPi;
    if (std::fabs(m[0]) < 1e-34f && std::fabs(m[1]) < 1e-34f) {
        z = 0.0f;
        y = float(std::atan2(-double(m[2]), double(m[0])) * degrees);
        x = float(std::atan2(-double(m[9]), double(m[5])) * degrees);
        return;
    }
    const double zr = std::atan2(double(m[1]), double(m[0]));
    const double s = std::sin(zr);
    const double c = std::cos(zr);
    z = float(zr * degrees);
    y = float(std::atan2(-double(m[2]), m[0] * c + m[1] * s) * degrees);
    x = float(std::atan2(m[8] * s - m[9] * c, m[5] * c - m[4] * s) * degrees);
}

void makeLookAtMatrix(const cocos2d::Vec3& eye, const cocos2d::Vec3& target,
                      const cocos2d::Vec3& up, cocos2d::Mat4& out) {
    const cocos2d::Vec3 u0 = normalised(up);
    const cocos2d::Vec3 f = normalised(eye - target);
    const cocos2d::Vec3 r = normalised(crossProduct(u0, f));
    const cocos2d::Vec3 u = normalised(crossProduct(f, r));
    float* m = out.m;
    m[0] = r.x, m[1] = r.y, m[2] = r.z, m[3] = 0.0f;
    m[4] = u.x, m[5] = u.y, m[6] = u.z, m[7] = 0.0f;
    m[8] = f.x, m[9] = f.y, m[10] = f.z, m[11] = 0.0f;
    m[12] = eye.x, m[13] = eye.y, m[14] = eye.z, m[15] = 1.0f;
}

void rotateMatrixX(cocos2d::Mat4& m, float a) {
    cocos2d::Mat4 rotation = cocos2d::Mat4::IDENTITY;
    const float c = std::cos(a);
    const float s = std::sin(a);
    rotation.m[5] = c, rotation.m[6] = s;
    rotation.m[9] = -s, rotation.m[10] = c;
    m = m * rotation;
}

void rotateMatrixY(cocos2d::Mat4& m, float a) {
    cocos2d::Mat4 rotation = cocos2d::Mat4::IDENTITY;
    const float c = std::cos(a);
    const float s = std::sin(a);
    rotation.m[0] = c, rotation.m[2] = -s;
    rotation.m[8] = s, rotation.m[10] = c;
    m = m * rotation;
}

void makeRotationMatrix(const cocos2d::Vec3& position, float x, float y, float z,
                        cocos2d::Mat4& out) {
    const double toHalfRadians = 0.5 * kFloatPi / 180.0;
    const double hx = x * toHalfRadians;
    const double hy = y * toHalfRadians;
    const double hz = z * toHalfRadians;
    const double cx = std::cos(hx), sx = std::sin(hx);
    const double cy = std::cos(hy), sy = std::sin(hy);
    const double cz = std::cos(hz), sz = std::sin(hz);
    const double w = cx * cy * cz + sx * sy * sz;
    const double qx = sx * cy * cz - cx * sy * sz;
    const double qy = cx * sy * cz + sx * cy * sz;
    const double qz = cx * cy * sz - sx * sy * cz;
    float* m = out.m;
    m[0] = float(1 - 2 * (qy * qy + qz * qz));
    m[1] = float(2 * (w * qz + qx * qy));
    m[2] = float(2 * (qx * qz - w * qy));
    m[3] = 0.0f;
    m[4] = float(2 * (qx * qy - w * qz));
    m[5] = float(1 - 2 * (qx * qx + qz * qz));
    m[6] = float(2 * (w * qx + qy * qz));
    m[7] = 0.0f;
    m[8] = float(2 * (w * qy + qx * qz));
    m[9] = float(2 * (qy * qz - w * qx));
    m[10] = float(1 - 2 * (qx * qx + qy * qy));
    m[11] = 0.0f;
    m[12] = position.x, m[13] = position.y, m[14] = position.z, m[15] = 1.0f;
}

float polygonArea(const std::vector<cocos2d::Vec2>& points) {
    const std::size_t n = points.size();
    double twice = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const cocos2d::Vec2& a = points[i];
        const cocos2d::Vec2& b = points[(i + 1) % n];
        twice += double(a.x) * double(b.y) - double(b.x) * double(a.y);
    }
    return float(std::fabs(twice) * 0.5);
}

bool pointInPolygon(const std::vector<cocos2d::Vec2>& points, float x, float y) {
    bool inside = false;
    const std::size_t n = points.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const cocos2d::Vec2& a = points[i];
        const cocos2d::Vec2& b = points[j];
        if (((a.y <= y && y < b.y) || (b.y <= y && y < a.y)) && x < edgeCrossingX(a, b, y)) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace isImageSDK
