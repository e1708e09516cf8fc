#include "engine/math/Mat4.h"

#include "engine/math/Quaternion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace cocos2d {

const Mat4 Mat4::ZERO(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                      0.0f, 0.0f, 0.0f);
const Mat4 Mat4::IDENTITY(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f,
                          0.0f, 0.0f, 0.0f, 1.0f);

Mat4::Mat4(const float* mat) : Mat4() {
    set(mat);
}

void Mat4::createLookAt(const Vec3& eye, const Vec3& target, const Vec3& up, Mat4* dst) {
    const Vec3 zaxis = (eye - target).getNormalized();
    const Vec3 xaxis = up.getCrossed(zaxis).getNormalized();
    const Vec3 yaxis = zaxis.getCrossed(xaxis).getNormalized();
    dst->set(xaxis.x, xaxis.y, xaxis.z, -xaxis.dot(eye), yaxis.x, yaxis.y, yaxis.z, -yaxis.dot(eye),
             zaxis.x, zaxis.y, zaxis.z, -zaxis.dot(eye), 0.0f, 0.0f, 0.0f, 1.0f);
}

void Mat4::createPerspective(float fieldOfView, float aspectRatio, float zNearPlane,
                             float zFarPlane, Mat4* dst) {
    if (aspectRatio == 0.0f || zFarPlane == zNearPlane) {
        return;
    }
    const float divisor = std::tan(MATH_DEG_TO_RAD(fieldOfView) * 0.5f);
    if (!std::isfinite(divisor) || std::fabs(divisor) < MATH_EPSILON) {
        return;
    }
    const float factor = 1.0f / divisor;
    const float depth = 1.0f / (zFarPlane - zNearPlane);
    dst->setZero();
    dst->m[0] = factor / aspectRatio;
    dst->m[5] = factor;
    dst->m[10] = -(zFarPlane + zNearPlane) * depth;
    dst->m[11] = -1.0f;
    dst->m[14] = -2.0f * zFarPlane * zNearPlane * depth;
}

void Mat4::createOrthographic(float width, float height, float zNearPlane, float zFarPlane,
                              Mat4* dst) {
    const float halfWidth = width / 2.0f;
    const float halfHeight = height / 2.0f;
    createOrthographicOffCenter(-halfWidth, halfWidth, -halfHeight, halfHeight, zNearPlane,
                                zFarPlane, dst);
}

void Mat4::createOrthographicOffCenter(float left, float right, float bottom, float top,
                                       float zNearPlane, float zFarPlane, Mat4* dst) {
    if (right == left || top == bottom || zFarPlane == zNearPlane) {
        return;
    }
    dst->setZero();
    dst->m[0] = 2.0f / (right - left);
    dst->m[5] = 2.0f / (top - bottom);
    dst->m[10] = 2.0f / (zNearPlane - zFarPlane);
    dst->m[12] = (left + right) / (left - right);
    dst->m[13] = (top + bottom) / (bottom - top);
    dst->m[14] = (zNearPlane + zFarPlane) / (zNearPlane - zFarPlane);
    dst->m[15] = 1.0f;
}

void Mat4::createScale(const Vec3& scale, Mat4* dst) {
    createScale(scale.x, scale.y, scale.z, dst);
}

void Mat4::createScale(float xScale, float yScale, float zScale, Mat4* dst) {
    dst->setIdentity();
    dst->m[0] = xScale;
    dst->m[5] = yScale;
    dst->m[10] = zScale;
}

void Mat4::createRotation(const Quaternion& q, Mat4* dst) {
    const float x2 = q.x + q.x;
    const float y2 = q.y + q.y;
    const float z2 = q.z + q.z;
    const float xx2 = q.x * x2;
    const float yy2 = q.y * y2;
    const float zz2 = q.z * z2;
    const float xy2 = q.x * y2;
    const float xz2 = q.x * z2;
    const float yz2 = q.y * z2;
    const float wx2 = q.w * x2;
    const float wy2 = q.w * y2;
    const float wz2 = q.w * z2;
    dst->set(1.0f - yy2 - zz2, xy2 - wz2, xz2 + wy2, 0.0f, xy2 + wz2, 1.0f - xx2 - zz2, yz2 - wx2,
             0.0f, xz2 - wy2, yz2 + wx2, 1.0f - xx2 - yy2, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

void Mat4::createRotation(const Vec3& axis, float angle, Mat4* dst) {
    const float length = axis.length();
    if (length < MATH_TOLERANCE) {
        dst->setIdentity();
        return;
    }
    const Vec3 n = axis / length;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    dst->set(t * n.x * n.x + c, t * n.x * n.y - s * n.z, t * n.x * n.z + s * n.y, 0.0f,
             t * n.x * n.y + s * n.z, t * n.y * n.y + c, t * n.y * n.z - s * n.x, 0.0f,
             t * n.x * n.z - s * n.y, t * n.y * n.z + s * n.x, t * n.z * n.z + c, 0.0f, 0.0f, 0.0f,
             0.0f, 1.0f);
}

void Mat4::createRotationX(float angle, Mat4* dst) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    dst->setIdentity();
    dst->m[5] = c;
    dst->m[6] = s;
    dst->m[9] = -s;
    dst->m[10] = c;
}

void Mat4::createRotationY(float angle, Mat4* dst) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    dst->setIdentity();
    dst->m[0] = c;
    dst->m[2] = -s;
    dst->m[8] = s;
    dst->m[10] = c;
}

void Mat4::createRotationZ(float angle, Mat4* dst) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    dst->setIdentity();
    dst->m[0] = c;
    dst->m[1] = s;
    dst->m[4] = -s;
    dst->m[5] = c;
}

void Mat4::createTranslation(const Vec3& translation, Mat4* dst) {
    createTranslation(translation.x, translation.y, translation.z, dst);
}

void Mat4::createTranslation(float xTranslation, float yTranslation, float zTranslation,
                             Mat4* dst) {
    dst->setIdentity();
    dst->m[12] = xTranslation;
    dst->m[13] = yTranslation;
    dst->m[14] = zTranslation;
}

void Mat4::add(float scalar) {
    for (float& e : m) {
        e += scalar;
    }
}

void Mat4::add(const Mat4& mat) {
    add(*this, mat, this);
}

void Mat4::add(const Mat4& m1, const Mat4& m2, Mat4* dst) {
    for (int i = 0; i < 16; ++i) {
        dst->m[i] = m1.m[i] + m2.m[i];
    }
}

bool Mat4::decompose(Vec3* scale, Quaternion* rotation, Vec3* translation) const {
    if (translation) {
        translation->set(m[12], m[13], m[14]);
    }
    if (!scale && !rotation) {
        return true;
    }
    Vec3 xaxis(m[0], m[1], m[2]);
    Vec3 yaxis(m[4], m[5], m[6]);
    Vec3 zaxis(m[8], m[9], m[10]);
    const float scaleX = xaxis.length();
    const float scaleY = yaxis.length();
    float scaleZ = zaxis.length();
    // A reflection cannot be a rotation: it is kept in the z scale.
    if (determinant() < 0.0f) {
        scaleZ = -scaleZ;
    }
    if (scale) {
        scale->set(scaleX, scaleY, scaleZ);
    }
    if (!rotation) {
        return true;
    }
    if (scaleX < MATH_TOLERANCE || scaleY < MATH_TOLERANCE || std::fabs(scaleZ) < MATH_TOLERANCE) {
        return false;
    }
    xaxis /= scaleX;
    yaxis /= scaleY;
    zaxis /= scaleZ;

    // Shepperd's method: take the root of the largest of w, x, y, z for stability.
    const float trace = xaxis.x + yaxis.y + zaxis.z;
    if (trace > 0.0f) {
        const float s = 0.5f / std::sqrt(trace + 1.0f);
        rotation->w = 0.25f / s;
        rotation->x = (yaxis.z - zaxis.y) * s;
        rotation->y = (zaxis.x - xaxis.z) * s;
        rotation->z = (xaxis.y - yaxis.x) * s;
    } else if (xaxis.x > yaxis.y && xaxis.x > zaxis.z) {
        const float s = 0.5f / std::sqrt(1.0f + xaxis.x - yaxis.y - zaxis.z);
        rotation->w = (yaxis.z - zaxis.y) * s;
        rotation->x = 0.25f / s;
        rotation->y = (yaxis.x + xaxis.y) * s;
        rotation->z = (zaxis.x + xaxis.z) * s;
    } else if (yaxis.y > zaxis.z) {
        const float s = 0.5f / std::sqrt(1.0f + yaxis.y - xaxis.x - zaxis.z);
        rotation->w = (zaxis.x - xaxis.z) * s;
        rotation->x = (yaxis.x + xaxis.y) * s;
        rotation->y = 0.25f / s;
        rotation->z = (zaxis.y + yaxis.z) * s;
    } else {
        const float s = 0.5f / std::sqrt(1.0f + zaxis.z - xaxis.x - yaxis.y);
        rotation->w = (xaxis.y - yaxis.x) * s;
        rotation->x = (zaxis.x + xaxis.z) * s;
        rotation->y = (zaxis.y + yaxis.z) * s;
        rotation->z = 0.25f / s;
    }
    return true;
}

float Mat4::determinant() const {
    // Laplace expansion by the 2x2 minors of the first two and the last two columns.
    const double a0 = double(m[0]) * m[5] - double(m[1]) * m[4];
    const double a1 = double(m[0]) * m[6] - double(m[2]) * m[4];
    const double a2 = double(m[0]) * m[7] - double(m[3]) * m[4];
    const double a3 = double(m[1]) * m[6] - double(m[2]) * m[5];
    const double a4 = double(m[1]) * m[7] - double(m[3]) * m[5];
    const double a5 = double(m[2]) * m[7] - double(m[3]) * m[6];
    const double b0 = double(m[8]) * m[13] - double(m[9]) * m[12];
    const double b1 = double(m[8]) * m[14] - double(m[10]) * m[12];
    const double b2 = double(m[8]) * m[15] - double(m[11]) * m[12];
    const double b3 = double(m[9]) * m[14] - double(m[10]) * m[13];
    const double b4 = double(m[9]) * m[15] - double(m[11]) * m[13];
    const double b5 = double(m[10]) * m[15] - double(m[11]) * m[14];
    return float(a0 * b5 - a1 * b4 + a2 * b3 + a3 * b2 - a4 * b1 + a5 * b0);
}

void Mat4::getScale(Vec3* scale) const {
    decompose(scale, nullptr, nullptr);
}

bool Mat4::getRotation(Quaternion* rotation) const {
    return decompose(nullptr, rotation, nullptr);
}

void Mat4::getTranslation(Vec3* translation) const {
    decompose(nullptr, nullptr, translation);
}

bool Mat4::inverse() {
    if (std::fabs(determinant()) <= MATH_TOLERANCE) {
        return false;
    }
    // Gauss-Jordan elimination with partial pivoting, in double: slice matrices mix
    // sub-millimetre spacings with translations of hundreds of millimetres.
    double a[4][8];
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            a[row][col] = m[col * 4 + row];
            a[row][col + 4] = row == col ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) {
                pivot = row;
            }
        }
        if (a[pivot][col] == 0.0) {
            return false;
        }
        if (pivot != col) {
            std::swap(a[pivot], a[col]);
        }
        const double inv = 1.0 / a[col][col];
        for (double& e : a[col]) {
            e *= inv;
        }
        for (int row = 0; row < 4; ++row) {
            const double f = a[row][col];
            if (row == col || f == 0.0) {
                continue;
            }
            for (int k = 0; k < 8; ++k) {
                a[row][k] -= f * a[col][k];
            }
        }
    }
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            m[col * 4 + row] = float(a[row][col + 4]);
        }
    }
    return true;
}

Mat4 Mat4::getInversed() const {
    Mat4 mat(*this);
    mat.inverse();
    return mat;
}

bool Mat4::isIdentity() const {
    return *this == IDENTITY;
}

void Mat4::multiply(float scalar) {
    multiply(*this, scalar, this);
}

void Mat4::multiply(float scalar, Mat4* dst) const {
    multiply(*this, scalar, dst);
}

void Mat4::multiply(const Mat4& mat, float scalar, Mat4* dst) {
    for (int i = 0; i < 16; ++i) {
        dst->m[i] = mat.m[i] * scalar;
    }
}

void Mat4::multiply(const Mat4& mat) {
    multiply(*this, mat, this);
}

void Mat4::multiply(const Mat4& m1, const Mat4& m2, Mat4* dst) {
    float product[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += m1.m[k * 4 + row] * m2.m[col * 4 + k];
            }
            product[col * 4 + row] = sum;
        }
    }
    std::memcpy(dst->m, product, sizeof(product));
}

void Mat4::negate() {
    for (float& e : m) {
        e = -e;
    }
}

Mat4 Mat4::getNegated() const {
    Mat4 mat(*this);
    mat.negate();
    return mat;
}

void Mat4::rotate(const Quaternion& q) {
    rotate(q, this);
}

void Mat4::rotate(const Quaternion& q, Mat4* dst) const {
    Mat4 r;
    createRotation(q, &r);
    multiply(*this, r, dst);
}

void Mat4::rotate(const Vec3& axis, float angle) {
    rotate(axis, angle, this);
}

void Mat4::rotate(const Vec3& axis, float angle, Mat4* dst) const {
    Mat4 r;
    createRotation(axis, angle, &r);
    multiply(*this, r, dst);
}

void Mat4::rotateX(float angle) {
    rotateX(angle, this);
}

void Mat4::rotateX(float angle, Mat4* dst) const {
    Mat4 r;
    createRotationX(angle, &r);
    multiply(*this, r, dst);
}

void Mat4::rotateY(float angle) {
    rotateY(angle, this);
}

void Mat4::rotateY(float angle, Mat4* dst) const {
    Mat4 r;
    createRotationY(angle, &r);
    multiply(*this, r, dst);
}

void Mat4::rotateZ(float angle) {
    rotateZ(angle, this);
}

void Mat4::rotateZ(float angle, Mat4* dst) const {
    Mat4 r;
    createRotationZ(angle, &r);
    multiply(*this, r, dst);
}

void Mat4::scale(float value) {
    scale(value, value, value, this);
}

void Mat4::scale(float value, Mat4* dst) const {
    scale(value, value, value, dst);
}

void Mat4::scale(float xScale, float yScale, float zScale) {
    scale(xScale, yScale, zScale, this);
}

void Mat4::scale(float xScale, float yScale, float zScale, Mat4* dst) const {
    Mat4 s;
    createScale(xScale, yScale, zScale, &s);
    multiply(*this, s, dst);
}

void Mat4::scale(const Vec3& s) {
    scale(s.x, s.y, s.z, this);
}

void Mat4::scale(const Vec3& s, Mat4* dst) const {
    scale(s.x, s.y, s.z, dst);
}

void Mat4::set(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
               float m24, float m31, float m32, float m33, float m34, float m41, float m42,
               float m43, float m44) {
    *this = Mat4(m11, m12, m13, m14, m21, m22, m23, m24, m31, m32, m33, m34, m41, m42, m43, m44);
}

void Mat4::set(const float* mat) {
    std::memcpy(m, mat, sizeof(m));
}

void Mat4::set(const Mat4& mat) {
    *this = mat;
}

void Mat4::setIdentity() {
    *this = IDENTITY;
}

void Mat4::setZero() {
    *this = ZERO;
}

void Mat4::subtract(const Mat4& mat) {
    subtract(*this, mat, this);
}

void Mat4::subtract(const Mat4& m1, const Mat4& m2, Mat4* dst) {
    for (int i = 0; i < 16; ++i) {
        dst->m[i] = m1.m[i] - m2.m[i];
    }
}

void Mat4::transformPoint(Vec3* point) const {
    transformVector(point->x, point->y, point->z, 1.0f, point);
}

void Mat4::transformPoint(const Vec3& point, Vec3* dst) const {
    transformVector(point.x, point.y, point.z, 1.0f, dst);
}

void Mat4::transformVector(Vec3* vector) const {
    transformVector(vector->x, vector->y, vector->z, 0.0f, vector);
}

void Mat4::transformVector(const Vec3& vector, Vec3* dst) const {
    transformVector(vector.x, vector.y, vector.z, 0.0f, dst);
}

void Mat4::transformVector(float x, float y, float z, float w, Vec3* dst) const {
    dst->set(x * m[0] + y * m[4] + z * m[8] + w * m[12], x * m[1] + y * m[5] + z * m[9] + w * m[13],
             x * m[2] + y * m[6] + z * m[10] + w * m[14]);
}

void Mat4::transformVector(Vec4* vector) const {
    transformVector(*vector, vector);
}

void Mat4::transformVector(const Vec4& vector, Vec4* dst) const {
    const Vec4 v = vector;
    dst->set(v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12],
             v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13],
             v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14],
             v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15]);
}

void Mat4::translate(float x, float y, float z) {
    translate(x, y, z, this);
}

void Mat4::translate(float x, float y, float z, Mat4* dst) const {
    Mat4 t;
    createTranslation(x, y, z, &t);
    multiply(*this, t, dst);
}

void Mat4::translate(const Vec3& t) {
    translate(t.x, t.y, t.z, this);
}

void Mat4::translate(const Vec3& t, Mat4* dst) const {
    translate(t.x, t.y, t.z, dst);
}

void Mat4::transpose() {
    for (int row = 0; row < 4; ++row) {
        for (int col = row + 1; col < 4; ++col) {
            std::swap(m[col * 4 + row], m[row * 4 + col]);
        }
    }
}

Mat4 Mat4::getTransposed() const {
    Mat4 mat(*this);
    mat.transpose();
    return mat;
}

float Mat4::getElement(int row, int column) const {
    if (row < 0 || row > 3 || column < 0 || column > 3) {
        return 0.0f;
    }
    return m[column * 4 + row];
}

Mat4 Mat4::operator+(const Mat4& mat) const {
    Mat4 result;
    add(*this, mat, &result);
    return result;
}

Mat4& Mat4::operator+=(const Mat4& mat) {
    add(mat);
    return *this;
}

Mat4 Mat4::operator-(const Mat4& mat) const {
    Mat4 result;
    subtract(*this, mat, &result);
    return result;
}

Mat4& Mat4::operator-=(const Mat4& mat) {
    subtract(mat);
    return *this;
}

Mat4 Mat4::operator-() const {
    return getNegated();
}

Mat4 Mat4::operator*(const Mat4& mat) const {
    Mat4 result;
    multiply(*this, mat, &result);
    return result;
}

Mat4& Mat4::operator*=(const Mat4& mat) {
    multiply(mat);
    return *this;
}

bool Mat4::operator==(const Mat4& mat) const {
    return std::equal(m, m + 16, mat.m);
}

}  // namespace cocos2d
