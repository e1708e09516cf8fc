#pragma once

namespace isImageSDK {

class isClut;

// The window of a colour table in the stored units of the shader's data texture (see
// isSliceTexture::buildStored), as the window/level shader takes it at every draw. Integer
// types use the table's own integer window, so that the shader maps each value to the grey
// level the table gives it.
struct isWindowUniforms {
    // Pixel type 2 (float) reads `valueSlope` and `valueIntercept` of the data texture; the
    // texture size gives the texel size of the shader's interpolation.
    static isWindowUniforms compute(const isClut& clut, int pixelType, float valueSlope,
                                    float valueIntercept, int textureWidth, int textureHeight);

    float wwMin = 0.0f;
    float wwMax = 0.0f;
    // 255 / window width and 9 / window width, the width in stored units.
    float wwLinear = 0.0f;
    float wwLogRatio = 0.0f;
    // Curve: 1 log10, 2 inverse log10, 0 for linear and every unknown code.
    int curve = 0;
    // 2 for RGB data (the texel colour as it is), else 1.
    int pixelMode = 1;
    int textureWidth = 0;
    int textureHeight = 0;
};

}  // namespace isImageSDK
