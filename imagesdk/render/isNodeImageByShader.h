#pragma once

#include <cstdint>
#include <functional>

#include "engine/base/Macros.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/TrianglesCommand.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isWindowUniforms.h"

namespace cocos2d {
class GLProgram;
class GLProgramState;
class Texture2D;
}  // namespace cocos2d

namespace isImageSDK {

// The image node with window/level, curve and colour table applied on the GPU: the frame is
// uploaded once as stored 16-bit values (two 8-bit channels) or RGB, the palette as a 256 x 1
// texture, and the window travels as uniforms at every draw, so a window drag uploads nothing.
// The shader program comes from the Base64 resources "i.v" and "id.f". Slices as large as the
// maximum texture size, and every node once a frame took longer than the slow-frame threshold,
// take the CPU path of the image node for good. Main thread.
class isNodeImageByShader : public isNodeImage {
public:
    // Autoreleased; null when the shader program cannot be made (no GL context, missing or
    // undecodable sources, a program that does not build) while the shader path is allowed.
    CREATE_FUNC(isNodeImageByShader);
    // Whether the two sources load, decode and build a program.
    static bool canBuildShaderProgram();

    // Process-wide switch: 1 while new nodes may take the shader path; a slow frame sets it
    // to 0 and nothing in the program sets it back.
    static int getShaderSwitch();
    static void setShaderSwitch(int value);
    // The slow-frame check reads the last frame's duration from `clock` (the director's delta
    // time when null) and compares it with `seconds` (0.3 by default).
    static void setSlowFrameCheck(float seconds, std::function<float()> clock);

    bool init() override;
    void cleanup() override;
    void draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) override;

    void setSliceInfo(isSliceInfo* record) override;
    void setClut(isClut* clut) override;
    void onWindowLevelChanged() override;
    void onColorTableChanged() override;
    void refreshFrame() override;

    bool isFallback() const { return fallback != 0; }
    // The uniforms of the last draw.
    const isWindowUniforms& getUniforms() const { return uniforms; }

protected:
    isNodeImageByShader() = default;
    ~isNodeImageByShader() override;

private:
    // Builds and installs the stored texture of the current frame; false when none results.
    bool installStoredFrame();
    void switchToFallback();
    void releasePalette();
    void bindPalette();

    cocos2d::CustomCommand blendOnCommand;
    cocos2d::CustomCommand bindPaletteCommand;
    cocos2d::CustomCommand unbindPaletteCommand;
    cocos2d::CustomCommand blendOffCommand;
    cocos2d::TrianglesCommand trianglesCommand;
    cocos2d::Texture2D* paletteTexture = nullptr;
    float valueIntercept = 0.0f;
    float valueSlope = 1.0f;
    uint8_t fallback = 0;
    uint8_t paletteDirty = 0;
    // The node's own program state: its uniforms differ from every other node's.
    cocos2d::GLProgramState* programState = nullptr;
    isWindowUniforms uniforms;
};

}  // namespace isImageSDK
