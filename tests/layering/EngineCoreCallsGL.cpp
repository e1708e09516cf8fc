// The engine's core headers bring no GL: headless code that calls GL does not compile.
#include "engine/2d/DrawNode.h"
#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/platform/GLView.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Layout.h"

unsigned int lastError() {
    return glGetError();
}
