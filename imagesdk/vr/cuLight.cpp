#include "imagesdk/vr/cuLight.h"

#include <algorithm>
#include <cmath>

namespace isImageSDK {

namespace {

cuLight::Point unit(float x, float y, float z) {
    float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 0.0f) {
        return {0.0f, 0.0f, 0.0f};
    }
    const float inverse = 1.0f / length;
    return {x * inverse, y * inverse, z * inverse};
}

float dot(const cuLight::Point& a, const cuLight::Point& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// s^15 by repeated squaring; other exponents through pow.
float highlightPower(float s, float shininess) {
    if (shininess == 15.0f) {
        float s2 = s * s;
        float s4 = s2 * s2;
        float s8 = s4 * s4;
        return s8 * s4 * s2 * s;
    }
    return std::pow(s, shininess);
}

}  // namespace

cuLight::cuLight() {
    setMaterialColor(1.0f, 1.0f, 1.0f);
}

void cuLight::setMaterialColor(float r, float g, float b) {
    material = {r, g, b};
    ambientProduct = {r * ambientCoefficient.r, g * ambientCoefficient.g, b * ambientCoefficient.b};
    diffuseProduct = {r * diffuseCoefficient.r, g * diffuseCoefficient.g, b * diffuseCoefficient.b};
    highlightProduct = {r * highlightCoefficient.r, g * highlightCoefficient.g,
                        b * highlightCoefficient.b};
}

cuLight::Colour cuLight::shade(const Point& p, const Point& n) const {
    Point l = unit(lightPosition.x - p.x, lightPosition.y - p.y, lightPosition.z - p.z);
    Point v = unit(viewerPosition.x - p.x, viewerPosition.y - p.y, viewerPosition.z - p.z);
    float d = dot(n, l);
    // The light reflected about the normal, r = 2 (n.l) n - l, is a unit vector: its product
    // with the view needs neither r nor a square root.
    float s = highlightPower(std::max(2.0f * d * dot(n, v) - dot(l, v), 0.0f), shininess);
    d = std::max(d, 0.0f);
    auto channel = [&](float ambient, float lightAmb, float globalAmb, float diffuse,
                       float lightDiff, float highlight, float lightHigh) {
        return std::min(1.0f, ambient * (lightAmb + globalAmb) + diffuse * lightDiff * d +
                                  highlight * lightHigh * s);
    };
    return {channel(ambientProduct.r, lightAmbient.r, globalAmbient.r, diffuseProduct.r,
                    lightDiffuse.r, highlightProduct.r, lightHighlight.r),
            channel(ambientProduct.g, lightAmbient.g, globalAmbient.g, diffuseProduct.g,
                    lightDiffuse.g, highlightProduct.g, lightHighlight.g),
            channel(ambientProduct.b, lightAmbient.b, globalAmbient.b, diffuseProduct.b,
                    lightDiffuse.b, highlightProduct.b, lightHighlight.b)};
}

}  // namespace isImageSDK
