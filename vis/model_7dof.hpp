// MODEL7DOF: the homogeneous 4 by 4 matrix that places a flat local plane
// in the scene with seven degrees of freedom: translation (three
// components), roll, pitch and yaw in degrees, and one uniform scale.
//
// The rotation is yaw * pitch * roll: roll is applied first (about x),
// then pitch (about y), then yaw (about z); the scaled rotation fills the
// upper left 3 by 3 block and the translation the fourth column, so that
// MODEL7H applied to (p, 1) is S R p + t. Double precision throughout.
#pragma once

#include "io/units.hpp"
#include "model/fixed_array.hpp"

namespace quorl {

// XYZH and RPYH are homogeneous: their fourth element divides the first
// three; a fourth element of zero stops the run (a point at infinity has no
// place). When IP > 5 and `units` is given, the values and the matrix are
// written to unit IP; computing the matrix itself touches nothing else.
void MODEL7DOF(const FixedArray1<double, 1, 4>& XYZH, const FixedArray1<double, 1, 4>& RPYH, double SCALE,
               FixedArray2<double, 1, 4, 1, 4>& MODEL7H, int IP, io::Units* units = nullptr);

}  // namespace quorl
