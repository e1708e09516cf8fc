#pragma once

#include "engine/math/Vec3.h"
#include "engine/math/Vec4.h"

namespace cocos2d {

class Quaternion;

// A 4x4 float matrix stored column-major, as OpenGL expects: m[column * 4 + row], the
// translation in m[12], m[13], m[14]. Vectors are columns multiplied on the right (M * v),
// so A * B applies B first. The instance operations translate, scale and rotate multiply the
// new transform on the right: this := this * T.
class Mat4 {
public:
    float m[16];

    // The identity matrix.
    constexpr Mat4()
        : m{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
            0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f} {}
    // Elements given row by row (mRC is row R, column C, counting from 1), the order in which
    // a matrix is written on paper; they are stored column-major.
    constexpr Mat4(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
                   float m24, float m31, float m32, float m33, float m34, float m41, float m42,
                   float m43, float m44)
        : m{m11, m21, m31, m41, m12, m22, m32, m42, m13, m23, m33, m43, m14, m24, m34, m44} {}
    // Copies 16 floats that are already in column-major order.
    explicit Mat4(const float* mat);

    // View matrix of a camera at eye looking at target: the inverse of the frame whose
    // columns are right, up, back (eye - target) and eye.
    static void createLookAt(const Vec3& eye, const Vec3& target, const Vec3& up, Mat4* dst);
    // OpenGL perspective projection; fieldOfView is the vertical angle in degrees. Depth
    // maps zNear to -1 and zFar to +1. Degenerate arguments (a field of view whose half is a
    // multiple of 90 degrees, a zero aspect ratio, zNear == zFar) leave dst unchanged.
    static void createPerspective(float fieldOfView, float aspectRatio, float zNearPlane,
                                  float zFarPlane, Mat4* dst);
    // Orthographic projection of a width x height box centred on the view axis.
    static void createOrthographic(float width, float height, float zNearPlane, float zFarPlane,
                                   Mat4* dst);
    // OpenGL orthographic projection mapping the box to -1 .. 1 on each axis, zNear to -1 and
    // zFar to +1. A box of zero extent on some axis leaves dst unchanged.
    static void createOrthographicOffCenter(float left, float right, float bottom, float top,
                                            float zNearPlane, float zFarPlane, Mat4* dst);
    static void createScale(const Vec3& scale, Mat4* dst);
    static void createScale(float xScale, float yScale, float zScale, Mat4* dst);
    // Rotation matrix of a unit quaternion.
    static void createRotation(const Quaternion& quat, Mat4* dst);
    // Rotation by angle radians counter-clockwise about axis (need not be unit length); the
    // zero axis gives the identity.
    static void createRotation(const Vec3& axis, float angle, Mat4* dst);
    static void createRotationX(float angle, Mat4* dst);
    static void createRotationY(float angle, Mat4* dst);
    static void createRotationZ(float angle, Mat4* dst);
    static void createTranslation(const Vec3& translation, Mat4* dst);
    static void createTranslation(float xTranslation, float yTranslation, float zTranslation,
                                  Mat4* dst);

    void add(float scalar);
    void add(const Mat4& mat);
    static void add(const Mat4& m1, const Mat4& m2, Mat4* dst);

    // Splits an affine matrix into scale, then rotation, then translation; a negative
    // determinant is carried by the z scale. Any output may be null. False (rotation not
    // written) when a scale is zero, so that no rotation can be had.
    bool decompose(Vec3* scale, Quaternion* rotation, Vec3* translation) const;
    float determinant() const;
    void getScale(Vec3* scale) const;
    bool getRotation(Quaternion* rotation) const;
    void getTranslation(Vec3* translation) const;

    // Inverts in place. A singular matrix (|determinant| at most MATH_TOLERANCE) has no
    // inverse: the matrix stays unchanged and the result is false.
    bool inverse();
    // The inverse; a singular matrix is returned unchanged (test with determinant or inverse
    // where that matters).
    Mat4 getInversed() const;
    bool isIdentity() const;

    void multiply(float scalar);
    void multiply(float scalar, Mat4* dst) const;
    static void multiply(const Mat4& mat, float scalar, Mat4* dst);
    // this := this * mat.
    void multiply(const Mat4& mat);
    // dst := m1 * m2; dst may be one of the operands.
    static void multiply(const Mat4& m1, const Mat4& m2, Mat4* dst);

    void negate();
    Mat4 getNegated() const;

    void rotate(const Quaternion& q);
    void rotate(const Quaternion& q, Mat4* dst) const;
    void rotate(const Vec3& axis, float angle);
    void rotate(const Vec3& axis, float angle, Mat4* dst) const;
    void rotateX(float angle);
    void rotateX(float angle, Mat4* dst) const;
    void rotateY(float angle);
    void rotateY(float angle, Mat4* dst) const;
    void rotateZ(float angle);
    void rotateZ(float angle, Mat4* dst) const;

    void scale(float value);
    void scale(float value, Mat4* dst) const;
    void scale(float xScale, float yScale, float zScale);
    void scale(float xScale, float yScale, float zScale, Mat4* dst) const;
    void scale(const Vec3& s);
    void scale(const Vec3& s, Mat4* dst) const;

    // Elements row by row, as in the constructor of the same form.
    void set(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
             float m31, float m32, float m33, float m34, float m41, float m42, float m43,
             float m44);
    // 16 floats in column-major order.
    void set(const float* mat);
    void set(const Mat4& mat);
    void setIdentity();
    void setZero();

    void subtract(const Mat4& mat);
    static void subtract(const Mat4& m1, const Mat4& m2, Mat4* dst);

    // Point transforms take w = 1 (translation applies), vector transforms w = 0 (it does
    // not). No division by the resulting w: for projections use the Vec4 form.
    void transformPoint(Vec3* point) const;
    void transformPoint(const Vec3& point, Vec3* dst) const;
    void transformVector(Vec3* vector) const;
    void transformVector(const Vec3& vector, Vec3* dst) const;
    // xyz of M * (x, y, z, w).
    void transformVector(float x, float y, float z, float w, Vec3* dst) const;
    void transformVector(Vec4* vector) const;
    void transformVector(const Vec4& vector, Vec4* dst) const;

    void translate(float x, float y, float z);
    void translate(float x, float y, float z, Mat4* dst) const;
    void translate(const Vec3& t);
    void translate(const Vec3& t, Mat4* dst) const;

    void transpose();
    Mat4 getTransposed() const;

    // Element in the given row and column (0 .. 3 each), i.e. m[column * 4 + row];
    // 0 for an index outside that range.
    float getElement(int row, int column) const;

    Mat4 operator+(const Mat4& mat) const;
    Mat4& operator+=(const Mat4& mat);
    Mat4 operator-(const Mat4& mat) const;
    Mat4& operator-=(const Mat4& mat);
    Mat4 operator-() const;
    Mat4 operator*(const Mat4& mat) const;
    Mat4& operator*=(const Mat4& mat);
    // Exact element-wise comparison.
    bool operator==(const Mat4& mat) const;
    bool operator!=(const Mat4& mat) const { return !(*this == mat); }

    static const Mat4 ZERO;
    static const Mat4 IDENTITY;
};

// A Vec3 multiplied by a matrix is a direction (w = 0): m * v is transformVector.
inline Vec3& operator*=(Vec3& v, const Mat4& m) {
    m.transformVector(&v);
    return v;
}

inline Vec3 operator*(const Mat4& m, const Vec3& v) {
    Vec3 result;
    m.transformVector(v, &result);
    return result;
}

inline Vec4& operator*=(Vec4& v, const Mat4& m) {
    m.transformVector(&v);
    return v;
}

inline Vec4 operator*(const Mat4& m, const Vec4& v) {
    Vec4 result;
    m.transformVector(v, &result);
    return result;
}

}  // namespace cocos2d
