// DATAPOINTPARTIALS: the normal equations from finite-difference partials
// of every data point, their normalised inversion and the inverter's step.
#pragma once

#include <functional>

#include "model/state.hpp"

namespace quorl {

// Inputs: PR(:).PBASE (with PR(:).P equal to it), PR(:).DELTA (non-zero),
// PR(:).OFFON; the model's residuals through modes 2, 3 and 4.
// Outputs: BTB holds the (partial) inverse of the normal matrix, BTZ the
// right-hand side, B the partials of the last data point, PR(:).BTBNORM
// the norms, PR(:).INVERTED the flags and PR(:).PSTEP(2,1) the step
// inverse(BTB) * BTZ; NOISEFLOOR, IRANK, ABSDET from the inversion;
// PR(:).P = PR(:).PBASE again.
//
// Method: one-sided differences B(LZ,KP) = (ZBASE - Z(P + DELTA)) / DELTA
// * OFFON, accumulated point by point into BTB = sum B'B and BTZ = sum
// B'Z (B holds one data point only, so memory does not grow with the data);
// BTB is scaled by the square roots of its diagonal (a norm of 1 where the
// diagonal is 0 or not finite, so nothing divides by zero), inverted with
// complete pivoting, and scaled back. A singular matrix is no error: the
// parameters the inverter leaves out get a zero step.
void DATAPOINTPARTIALS(State& s);

// The pieces of the work, shared with the damped step and the
// uncertainties at the end of a run. For the step (PartialsUse::Step)
// OFFON multiplies the partials, the listings follow JPD, the progress bar
// runs for more than 1000 data points and JPHASE moves through stages 4 and
// 5. Otherwise (PartialsUse::Plain) a held parameter (OFFON = 0) gets zero
// partials and every other the true ones, and nothing is written.
enum class PartialsUse { Step, Plain };

// One pass over the data at PR(:).PBASE: for every data point, after mode
// 3, ZR(:).ZBASE and the partials B(:,:) of that point, then `each(s)` (the
// model may still be called in mode 4 for the same point there, as long as
// P is PBASE again afterwards).
void partialsPass(State& s, PartialsUse use, const std::function<void(State&)>& each);

// Adds a partials pass to s.evaluations: one evaluation of all residuals
// and the shifted ones of its differences (1 or 4 per free parameter).
void countPartialsPass(State& s);

// The sums of the squared residuals at the values of a partials pass:
// weighted (chi-square, in data-point order) and unweighted (Z / WT; not
// usable when a weight is 0 or not finite).
struct NormalSums {
    Quad chiSquare{}, unweighted{};
    bool weightsUsable = true;
    void add(const Quad& z, const Quad& wt) {
        const Quad r = z / wt;
        addSquares(z * z, wt, r * r);
    }
    // The same from z * z and (z / wt)^2, formed by the caller.
    void addSquares(const Quad& square, const Quad& wt, const Quad& ratioSquare) {
        chiSquare = chiSquare + square;
        if (wt != Quad{} && isFinite(wt)) {
            unweighted = unweighted + ratioSquare;
        } else {
            weightsUsable = false;
        }
    }
};

// BTB and BTZ accumulated over every data point at PR(:).PBASE; P = PBASE
// after each parameter's shift; errorRounding the estimate of the rounding
// of sum(z**2)/2 there. With a point model, the pass goes in chunks over
// threads (engine/chunked_normal_equations.hpp).
NormalSums formNormalEquations(State& s, PartialsUse use);

// PR(:).BTBNORM from the diagonal of BTB (its square root, or 1 where it is
// 0 or not finite), and BTB divided by them: the normalised matrix, with a
// unit diagonal for every parameter the data constrain.
void normalizeNormalEquations(State& s, PartialsUse use);

// BTB(i,j) / (norm(i) * norm(j)): applied to the inverse of the normalised
// matrix, the inverse of the normal matrix.
void denormalizeNormalEquations(State& s);

// BTB normalised by its diagonal, inverted in place (INVERT: NOISEFLOOR,
// IRANK, ABSDET, PR(:).INVERTED) and denormalised: BTB then holds the
// (partial) inverse of the normal matrix.
void invertNormalEquations(State& s, PartialsUse use);

}  // namespace quorl
