// EVALFIT with quorl-fit's formula model beside the same model written in
// C++, on the same data table: the exponential decay of examples/exp_decay
// (one exp per point, weights 1/sigma), NIST's Thurber (a rational function,
// nothing but arithmetic: the formula's worst case) and ENSO (six sines and
// cosines). Each pass evaluates every data point once; the counter
// ns_per_point is the time per data point, the formula and its C++ twin
// compared pair by pair.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/data_table.hpp"
#include "engine/eval_fit.hpp"
#include "fit/formula_model.hpp"
#include "formula/formula.hpp"
#include "io/table_reader.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::State;
using quorl::quadFromText;

struct Problem {
    const char* folder;  // under examples/
    const char* table;
    const char* nml;     // Quorl-user.nml for the formula model
    std::vector<std::string> names;   // the parameters' names
    std::vector<const char*> values;  // the parameters at which the passes evaluate
    bool sigma;          // weights 1/sigma
};

const Problem kExpDecay{
    "exp_decay", "exp_decay.dat",
    "&QUORLNML CJUSERFILE='exp_decay.dat' /\n"
    "&QUORLFIT FORMULA='a*exp(-b*x) + c', PARAMETERS='a = 1, b = 1, c = 0', AUXILIARY='x', MEASURED='y',\n"
    "          WEIGHT='1/sigma' /\n",
    {"a", "b", "c"},
    {"5.0014119882", "0.79379645599", "1.1917959562"},
    true};

const Problem kThurber{
    "nist/Thurber", "Thurber.txt",
    "&QUORLNML CJUSERFILE='Thurber.txt' /\n"
    "&QUORLFIT FORMULA='(b1 + b2*x + b3*x**2 + b4*x**3) / (1 + b5*x + b6*x**2 + b7*x**3)',\n"
    "          PARAMETERS='b1=1000, b2=1000, b3=400, b4=40, b5=0.7, b6=0.3, b7=0.03', AUXILIARY='x', MEASURED='y' /\n",
    {"b1", "b2", "b3", "b4", "b5", "b6", "b7"},
    {"1288.1396800", "1491.0792535", "583.23836877", "75.416644291", "0.96629502864", "0.39797285797",
     "0.049727297349"},
    false};

const Problem kEnso{
    "nist/ENSO", "ENSO.txt",
    "&QUORLNML CJUSERFILE='ENSO.txt' /\n"
    "&QUORLFIT FORMULA='b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + b6*sin(2*pi*x/b4)"
    " + b8*cos(2*pi*x/b7) + b9*sin(2*pi*x/b7)',\n"
    "          PARAMETERS='b1=11, b2=3, b3=0.5, b4=40, b5=-0.7, b6=-1.3, b7=25, b8=-0.3, b9=1.4',\n"
    "          AUXILIARY='x', MEASURED='y' /\n",
    {"b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9"},
    {"10.510749193", "3.0762128085", "0.53280138227", "44.311088700", "-1.6231428586", "0.52554493756",
     "26.887614440", "0.21232288488", "1.4966870418"},
    false};

// The same models in C++, as a user would write them.
Quad expDecay(const std::vector<Quad>& p, const Quad& x) { return p[0] * exp(-(p[1] * x)) + p[2]; }

Quad thurber(const std::vector<Quad>& b, const Quad& x) {
    const Quad x2 = x * x, x3 = x2 * x;
    return (b[0] + b[1] * x + b[2] * x2 + b[3] * x3) / (quorl::fromInt(1) + b[4] * x + b[5] * x2 + b[6] * x3);
}

Quad enso(const std::vector<Quad>& b, const Quad& x) {
    const Quad twoPiX = quorl::fromInt(2) * quorl::kPi * x;
    const Quad a1 = twoPiX / quorl::fromInt(12), a2 = twoPiX / b[3], a3 = twoPiX / b[6];
    return b[0] + b[1] * cos(a1) + b[2] * sin(a1) + b[4] * cos(a2) + b[5] * sin(a2) + b[7] * cos(a3) +
           b[8] * sin(a3);
}

struct CppModel {
    quorl::DataTable table;
    int parameters;
    Quad (*f)(const std::vector<Quad>&, const Quad&);
    std::vector<Quad> p;
    void operator()(State& s, int mode) {
        if (mode <= 0) {
            table.declare(s);
            s.KPTOT = parameters;
        } else if (mode == 1) {
            table.load(s);
        } else if (mode == 3) {
            table.point(s);
        } else if (mode == 4) {
            p.resize(static_cast<std::size_t>(s.KPTOT));
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                p[static_cast<std::size_t>(kp - 1)] = s.PR(kp).P;
            }
            s.ZR(1).Z = (s.ZR(1).ZDATA - f(p, s.XR(1).XDATA)) * s.ZR(1).WT;
        }
    }
};

// Passes of EVALFIT over the problem's table with the model, in a scratch
// directory holding the table and the configuration.
void evalFitPasses(benchmark::State& state, const Problem& problem, quorl::Model model) {
    quorl::testing::TempDir dir;
    const std::filesystem::path source = std::filesystem::path(QUORL_SOURCE_DIR) / "examples" / problem.folder;
    std::filesystem::copy_file(source / problem.table, problem.table);
    quorl::testing::TempDir::writeFile("Quorl-user.nml", problem.nml);
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    s.model = std::move(model);
    s.JPU = 0;
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.ZR(lz).WT = quorl::fromInt(1);
    }
    quorl::YOUQUORL(s, 1);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = quadFromText(problem.values[static_cast<std::size_t>(kp - 1)]);
    }
    Quad rss{};
    for (auto _ : state) {
        quorl::EVALFIT(s, rss, 0);
        benchmark::DoNotOptimize(rss);
    }
    state.counters["ns_per_point"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * s.MDTOT,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

quorl::TableColumns columnsOf(const Problem& p) {
    return p.sigma ? quorl::TableColumns{.x = {"x"}, .y = {"y"}, .sigma = {"sigma"}}
                   : quorl::TableColumns{.x = {"x"}, .y = {"y"}};
}

void BM_EvalFitFormula(benchmark::State& state, const Problem* p) {
    evalFitPasses(state, *p, quorl::fit::FormulaModel{});
}

void BM_EvalFitCpp(benchmark::State& state, const Problem* p, Quad (*f)(const std::vector<Quad>&, const Quad&)) {
    evalFitPasses(state, *p,
                  CppModel{quorl::DataTable(p->table, columnsOf(*p)), static_cast<int>(p->values.size()), f, {}});
}

// The formula alone beside the C++ function alone, over the x column of the
// table: the interpreter's cost without the engine around it.
template <class Evaluate>
void evaluations(benchmark::State& state, const Problem& p, Evaluate evaluate) {
    quorl::testing::TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(QUORL_SOURCE_DIR) / "examples" / p.folder / p.table, p.table);
    quorl::io::TableReader table(p.table);
    std::vector<Quad> xs;
    while (table.next()) {
        xs.push_back(table.number(1 + static_cast<int>(std::find(table.header().begin(), table.header().end(), "x") -
                                                       table.header().begin())));
    }
    std::vector<Quad> values;
    for (const char* v : p.values) {
        values.push_back(quadFromText(v));
    }
    for (auto _ : state) {
        Quad sum{};
        for (const Quad& x : xs) {
            sum += evaluate(values, x);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_point"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(xs.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The formula text of a problem: FORMULA='...' of its configuration.
std::string formulaOf(const Problem& p) {
    const std::string nml = p.nml;
    const std::size_t begin = nml.find("FORMULA='") + 9;
    return nml.substr(begin, nml.find('\'', begin) - begin);
}

void BM_EvaluateFormula(benchmark::State& state, const Problem* p) {
    quorl::formula::Program program = quorl::formula::compile(formulaOf(*p), {p->names, {"x"}});
    evaluations(state, *p, [&](const std::vector<Quad>& b, const Quad& x) {
        return program.evaluate(b, std::span<const Quad>(&x, 1));
    });
}

void BM_EvaluateCpp(benchmark::State& state, const Problem* p, Quad (*f)(const std::vector<Quad>&, const Quad&)) {
    evaluations(state, *p, f);
}

BENCHMARK_CAPTURE(BM_EvaluateFormula, ExpDecay, &kExpDecay);
BENCHMARK_CAPTURE(BM_EvaluateCpp, ExpDecay, &kExpDecay, expDecay);
BENCHMARK_CAPTURE(BM_EvaluateFormula, Thurber, &kThurber);
BENCHMARK_CAPTURE(BM_EvaluateCpp, Thurber, &kThurber, thurber);
BENCHMARK_CAPTURE(BM_EvaluateFormula, ENSO, &kEnso);
BENCHMARK_CAPTURE(BM_EvaluateCpp, ENSO, &kEnso, enso);

BENCHMARK_CAPTURE(BM_EvalFitFormula, ExpDecay, &kExpDecay);
BENCHMARK_CAPTURE(BM_EvalFitCpp, ExpDecay, &kExpDecay, expDecay);
BENCHMARK_CAPTURE(BM_EvalFitFormula, Thurber, &kThurber);
BENCHMARK_CAPTURE(BM_EvalFitCpp, Thurber, &kThurber, thurber);
BENCHMARK_CAPTURE(BM_EvalFitFormula, ENSO, &kEnso);
BENCHMARK_CAPTURE(BM_EvalFitCpp, ENSO, &kEnso, enso);

}  // namespace
