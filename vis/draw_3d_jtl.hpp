// DRAW3DJTL: the single sink of 3D output. Callers hand it one point at a
// time; it streams them into the point list "Quorl-3dJTL.txt" and, on a
// record with a negative colour code, completes the list and converts it
// into the drawing file "Quorl-3dDraw.3dv", with the viewer page
// "Quorl-3dView.html" beside them. JPU3D decides what is written:
// below 6 nothing, 6 points are only counted, 10 to 20 both files.
//
// Colour codes: 0 moves the pen (starts a polyline), 1..15 draw a segment
// in that colour from the previous point, -1 ends the drawing.
#pragma once

#include "model/records.hpp"
#include "model/state.hpp"

namespace quorl {

inline constexpr const char* JTLFILENAME = "Quorl-3dJTL.txt";
inline constexpr const char* EXPORT3DVFILENAME = "Quorl-3dDraw.3dv";
inline constexpr const char* FORMATTL = "(i2,1x,f5.1,3e18.9)";

// One point (or the end of the drawing when TLIN.IC < 0); every accepted
// point is also copied into s.TLPREV. IP is the unit of progress notes.
void DRAW3DJTL(State& s, const TLREC& TLIN, int IP);

}  // namespace quorl
