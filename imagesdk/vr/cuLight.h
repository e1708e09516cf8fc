#pragma once

namespace isImageSDK {

// Phong light of the ray caster, in the caster's voxel coordinates. The material colour and the
// three products are working state of one shading thread: each thread shades with its own copy.
class cuLight {
public:
    struct Colour {
        float r;
        float g;
        float b;
    };
    struct Point {
        float x;
        float y;
        float z;
    };

    cuLight();
    virtual ~cuLight() = default;

    // Colours in 0..1; recomputes the ambient, diffuse and highlight products.
    void setMaterialColor(float r, float g, float b);
    // Shaded colour at a position with a unit normal, each channel at most 1.
    Colour shade(const Point& position, const Point& normal) const;

    Colour globalAmbient{0.2f, 0.2f, 0.2f};
    Colour lightAmbient{1.0f, 1.0f, 1.0f};
    Colour lightHighlight{1.0f, 1.0f, 1.0f};
    Colour lightDiffuse{1.0f, 1.0f, 1.0f};
    Point lightPosition{0.0f, 0.0f, 0.0f};
    Colour ambientProduct{};
    Colour highlightProduct{};
    Colour diffuseProduct{};
    float shininess = 15.0f;
    Colour ambientCoefficient{0.15f, 0.15f, 0.15f};
    Colour highlightCoefficient{0.3f, 0.3f, 0.3f};
    Colour diffuseCoefficient{0.9f, 0.9f, 0.9f};
    Colour material{1.0f, 1.0f, 1.0f};
    // The caster sets it to its camera's eye.
    Point viewerPosition{0.0f, 0.0f, 0.0f};
};

}  // namespace isImageSDK
