#pragma once

namespace isImageSDK {

class isSliceInfo;

// The view type of the plane a slice lies in, from the first orientation letters of its four
// edges: L R A P make an axial plane, A P S I a sagittal one, L R S I a coronal one; any other
// plane, an oblique one among them, and a missing slice are VIEW_SLICE.
int viewTypeOfSlice(const isSliceInfo* slice);

}  // namespace isImageSDK
