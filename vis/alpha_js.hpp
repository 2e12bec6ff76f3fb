// ALPHAJS: a label drawn as strokes of the built-in stroke font. The text
// is laid out character by character in a flat local plane, placed in the
// scene by the seven-degree-of-freedom transform (MODEL7DOF), and every
// stroke point goes to the drawing writer as an ordinary 3D point.
#pragma once

#include <functional>

#include "io/fixed_text.hpp"
#include "model/fixed_array.hpp"
#include "model/records.hpp"
#include "model/state.hpp"
#include "quad/quad.hpp"
#include "vis/char_def.hpp"

namespace quorl {

// CLABELL: the text (trailing blanks are not part of it; code 0 ends it).
// POSLLCQ: the label's origin; RPYDQ: roll, pitch, yaw in degrees; SIZEHQ:
// character size; ICOL: colour code of its strokes; FLINEWIDTH: their line
// width; IP: print unit of the trace (nothing when 5 or less).
void ALPHAJS(State& s, const Text<80>& CLABELL, const FixedArray1<Quad, 1, 3>& POSLLCQ,
             const FixedArray1<Quad, 1, 3>& RPYDQ, const Quad& SIZEHQ, int ICOL, float FLINEWIDTH, int IP);

// Where the stroke points of a label go, one TLREC at a time, in order.
using StrokeSink = std::function<void(const TLREC&)>;

// The work of ALPHAJS with the font and the receiver of the points as
// arguments: ALPHAJS passes the built-in font and the drawing writer.
void alphaJsLayout(State& s, const FontTable& font, const Text<80>& CLABELL, const FixedArray1<Quad, 1, 3>& POSLLCQ,
                   const FixedArray1<Quad, 1, 3>& RPYDQ, const Quad& SIZEHQ, int ICOL, float FLINEWIDTH, int IP,
                   const StrokeSink& sink);

// The pen value of a glyph point: 1 or 2 is returned; anything else means
// a damaged font table and stops the run with "Huge problem!".
int checkedPen(int pen);

}  // namespace quorl
