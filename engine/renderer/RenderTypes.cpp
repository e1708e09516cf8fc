#include "engine/renderer/RenderTypes.h"

namespace cocos2d {

namespace {

constexpr unsigned int kGlZero = 0;
constexpr unsigned int kGlOne = 1;
constexpr unsigned int kGlSrcAlpha = 0x0302;
constexpr unsigned int kGlOneMinusSrcAlpha = 0x0303;

}  // namespace

const BlendFunc BlendFunc::DISABLE = {kGlOne, kGlZero};
const BlendFunc BlendFunc::ALPHA_PREMULTIPLIED = {kGlOne, kGlOneMinusSrcAlpha};
const BlendFunc BlendFunc::ALPHA_NON_PREMULTIPLIED = {kGlSrcAlpha, kGlOneMinusSrcAlpha};
const BlendFunc BlendFunc::ADDITIVE = {kGlSrcAlpha, kGlOne};

}  // namespace cocos2d
