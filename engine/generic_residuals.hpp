// Residuals written once, generically over the number type, with exact
// partial derivatives for free.
//
// A model states its weighted residuals for NP parameters and NZ residual
// quantities as a function object callable for any number type T:
//
//   f(const std::array<T, NP>& p, std::array<T, NZ>& z)
//
// and hands it over in modes 4 and 7:
//
//   if (mode == 4 || mode == 7) {
//       const Quad x = s.XR(1).XDATA, y = s.ZR(1).ZDATA, w = s.ZR(1).WT;
//       quorl::genericResiduals<3, 1>(s, mode, [&](const auto& p, auto& z) {
//           z[0] = (y - (p[0] * exp(-(p[1] * x)) + p[2])) * w;
//       });
//   }
//
// with JPARTIALS = 1 set in mode 0. Mode 4 calls f with T = Quad at
// PR(:).P and stores ZR(:).Z; mode 7 calls it with T = Dual<NP>
// (quad/dual.hpp), each parameter carrying its own unit partial, and stores
// ZR(:).Z (bit for bit the values of mode 4) and the exact partials in B.
// Written this way the model cannot give partials that disagree with its
// residuals. Every operation a Quad has, a Dual has too: arithmetic with
// Quad or Dual operands, comparisons of values, and the functions of the
// quad reals (sqrt, exp, log, pow, sin, atan2, ...).
#pragma once

#include <array>
#include <string>

#include "io/stop.hpp"
#include "model/state.hpp"
#include "quad/dual.hpp"

namespace quorl {

template <int NP, int NZ, class F>
void genericResiduals(State& s, int mode, F&& f) {
    if (s.KPTOT != NP || s.LZTOT != NZ) {
        io::stop("genericResiduals<" + std::to_string(NP) + ", " + std::to_string(NZ) + ">: the model declared " +
                 std::to_string(s.KPTOT) + " parameters and " + std::to_string(s.LZTOT) + " residual quantities.");
    }
    if (mode == 4) {
        std::array<Quad, NP> p;
        for (int k = 0; k < NP; ++k) {
            p[static_cast<std::size_t>(k)] = s.PR(k + 1).P;
        }
        std::array<Quad, NZ> z{};
        f(p, z);
        for (int l = 0; l < NZ; ++l) {
            s.ZR(l + 1).Z = z[static_cast<std::size_t>(l)];
        }
    } else if (mode == 7) {
        std::array<Dual<NP>, NP> p;
        for (int k = 0; k < NP; ++k) {
            p[static_cast<std::size_t>(k)] = Dual<NP>::parameter(s.PR(k + 1).P, k);
        }
        std::array<Dual<NP>, NZ> z{};
        f(p, z);
        // B is the engine's: the partial of the modelled value times the
        // weight, the negative partial of the residual.
        for (int l = 0; l < NZ; ++l) {
            const Dual<NP>& r = z[static_cast<std::size_t>(l)];
            s.ZR(l + 1).Z = r.v;
            for (int k = 0; k < NP; ++k) {
                s.B(l + 1, k + 1) = -r.d[static_cast<std::size_t>(k)];
            }
        }
        s.partialsGiven = true;
    }
}

}  // namespace quorl
