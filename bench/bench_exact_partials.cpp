// One pass of data-point partials with the normal equations, by each way of
// making the partials: the one-sided differences (JPARTIALS = 0), the exact
// partials (1) and the extrapolated central differences (2). For the
// exponential decay written in C++ generically over its number type (dual
// numbers in mode 7) and as quorl-fit's formula, and for NIST's ENSO
// formula (nine parameters, six sines and cosines), at 10^4 and 10^6 data
// points. The counter ns_per_point is the time per data point; the exact
// pass must cost no more than the differences it replaces.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/data_point_partials.hpp"
#include "engine/generic_residuals.hpp"
#include "formula/formula.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::Quad;
using quorl::State;

// y = a exp(-b x) + c with weights 1/sigma, written once for any number type.
struct DecayCpp {
    std::vector<Quad> start{quorl::quadFromText("5.0014119882"), quorl::quadFromText("0.79379645599"),
                            quorl::quadFromText("1.1917959562")};
    void operator()(State& s, int mode) const {
        if (mode == 4 || mode == 7) {
            const Quad x = s.DATAE(1, s.MD), y = s.DATAE(2, s.MD), w = s.ZR(1).WT;
            quorl::genericResiduals<3, 1>(s, mode, [&](const auto& p, auto& z) {
                z[0] = (y - (p[0] * exp(-(p[1] * x)) + p[2])) * w;
            });
        }
    }
};

// A formula as quorl-fit evaluates it: its program, plain (mode 4) or with
// its partials (mode 7).
struct FormulaCpp {
    std::shared_ptr<quorl::formula::Program> program;
    std::vector<Quad> start;
    mutable std::vector<Quad> params, vars{Quad{}}, partials;
    void operator()(State& s, int mode) const {
        if (mode != 4 && mode != 7) {
            return;
        }
        for (std::size_t k = 0; k < params.size(); ++k) {
            params[k] = s.PR(static_cast<int>(k + 1)).P;
        }
        vars[0] = s.DATAE(1, s.MD);
        quorl::ZREC& z = s.ZR(1);
        if (mode == 4) {
            z.Z = (s.DATAE(2, s.MD) - program->evaluate(params, vars)) * z.WT;
            return;
        }
        z.Z = (s.DATAE(2, s.MD) - program->evaluate(params, vars, partials)) * z.WT;
        for (int k = 1; k <= s.KPTOT; ++k) {
            s.B(1, k) = partials[static_cast<std::size_t>(k - 1)] * z.WT;
        }
        s.partialsGiven = true;
    }
};

FormulaCpp formula(const std::string& text, const std::vector<std::string>& names, const std::vector<const char*>& at) {
    FormulaCpp f;
    f.program = std::make_shared<quorl::formula::Program>(quorl::formula::compile(text, {names, {"x"}}));
    for (const char* v : at) {
        f.start.push_back(quorl::quadFromText(v));
    }
    f.params.assign(names.size(), Quad{});
    f.partials.assign(names.size(), Quad{});
    return f;
}

// Problems by number: 0 the decay in C++, 1 the decay as a formula, 2 ENSO.
std::function<void(State&, int)> problem(int which, std::vector<Quad>& start) {
    if (which == 0) {
        DecayCpp m;
        start = m.start;
        return m;
    }
    FormulaCpp f = which == 1 ? formula("a*exp(-b*x) + c", {"a", "b", "c"}, {"5.0014119882", "0.79379645599", "1.1917959562"})
                              : formula("b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + "
                                        "b6*sin(2*pi*x/b4) + b8*cos(2*pi*x/b7) + b9*sin(2*pi*x/b7)",
                                        {"b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9"},
                                        {"10.510749193", "3.0762128085", "0.53280138227", "44.311088700",
                                         "-1.6231428586", "0.52554493756", "26.887614440", "0.21232288488",
                                         "1.4966870418"});
    start = f.start;
    return f;
}

void BM_NormalEquationsByPartials(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int method = static_cast<int>(state.range(1));
    const int md = static_cast<int>(state.range(2));
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    std::vector<Quad> start;
    std::function<void(State&, int)> model = problem(which, start);
    s.model = [&model, &start, md](State& st, int mode) {
        if (mode <= 0) {
            st.KPTOT = static_cast<int>(start.size());
            st.LZTOT = 1;
            st.MDTOT = md;
            st.NXTOT = 1;
        } else {
            model(st, mode);
        }
    };
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.JPU = 0;
    s.JPD = 0;
    s.JPARTIALS = method;
    s.ZR(1).WT = quorl::quadFromText("0.5");
    for (int m = 1; m <= md; ++m) {
        const Quad x = quorl::fromInt(m % 200) / quorl::fromInt(10);
        s.DATAE(1, m) = x;
        s.DATAE(2, m) = quorl::fromInt(2) + quorl::fromDouble(std::sin(m * 0.7)) * quorl::quadFromText("0.01");
    }
    for (int k = 1; k <= s.KPTOT; ++k) {
        s.PR(k).PBASE = start[static_cast<std::size_t>(k - 1)];
        s.PR(k).P = s.PR(k).PBASE;
        s.PR(k).OFFON = quorl::fromInt(1);
        s.PR(k).DELTA = (method == 2 ? quorl::quadFromText("1e-6") : quorl::quadFromText("1e-14")) *
                        std::max(abs(s.PR(k).PBASE), quorl::fromInt(1));
    }
    for (auto _ : state) {
        quorl::formNormalEquations(s, quorl::PartialsUse::Step);
        benchmark::DoNotOptimize(s.BTZ(1));
    }
    state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * md,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// Args: problem (0 decay in C++, 1 decay formula, 2 ENSO formula), JPARTIALS, data points.
BENCHMARK(BM_NormalEquationsByPartials)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}, {10000, 1000000}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
