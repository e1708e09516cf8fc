#pragma once

#include "engine/2d/Scene.h"
#include "engine/math/Geometry.h"

namespace bvtest {

// A small scene with one node of each drawing kind, used headless and in a real window:
// a blue backdrop over the whole window, a red square (10, 10)-(60, 60) and a yellow square
// (10, 60)-(60, 110) from a draw node, a green 20 x 20 sprite centred on (200, 50) and the
// white label "Brimvale" (size 24) centred on (160, 180). Positions are in points of `size`.
cocos2d::Scene* createDemoScene(const cocos2d::Size& size);

}  // namespace bvtest
