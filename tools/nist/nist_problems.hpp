// The NIST StRD nonlinear regression problems: their reference files read
// into quad reals, and the model function of each, evaluated in quad
// arithmetic. The runs of the engine on them are in nist_run.hpp.
//
// A reference file (NAME.dat) holds a description, the model, two starting
// points, the certified values with their certified standard deviations
// (11 significant digits), the certified residual sum of squares and the
// data table: one response y, then one predictor x (two, x1 and x2, for
// Nelson). Every decimal text is read straight into a quad real, never
// through a double, so the data and the certified values are what the file
// says to 32 digits.
#pragma once

#include <array>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "quad/quad.hpp"

namespace quorl::nist {

inline constexpr int kMaxPredictors = 2;

struct Observation {
    Quad y{};
    std::array<Quad, kMaxPredictors> x{};
};

// f(b, x): b holds b1 .. bK (b[0] is b1), x the predictors of one observation.
using ModelFunction = Quad (*)(std::span<const Quad> b, std::span<const Quad> x);

struct Problem {
    std::string name;
    int parameterCount = 0;
    int observationCount = 0;
    int predictorCount = 0;
    std::array<std::vector<Quad>, 2> start;  // start[0]: Start 1, start[1]: Start 2
    std::vector<Quad> certified;             // certified values b1 .. bK
    std::vector<Quad> certifiedSd;           // their certified standard deviations
    Quad certifiedRss{};                     // certified residual sum of squares
    std::vector<Observation> data;

    // Attached by loadProblem; empty after parseProblem alone.
    ModelFunction model = nullptr;
    // The model fits log y rather than y (Nelson: log[y] = ...).
    bool logResponse = false;

    // The quantity the model fits for one observation: y, or log y.
    Quad response(const Observation& o) const;
    // The model's value for one observation at b.
    Quad value(std::span<const Quad> b, const Observation& o) const;
};

// The 27 problem names, in NIST's order: lower, average, then higher
// difficulty.
const std::vector<std::string>& problemNames();

// Reads one reference file. `source` names it in messages. Throws
// std::runtime_error, naming the source and line, when the layout is not
// the expected one or the counts disagree with the file's own header.
Problem parseProblem(std::istream& in, const std::string& source);

// Reads DIR/NAME.dat and attaches the problem's model function. Throws
// std::runtime_error for an unknown name or an unreadable file.
Problem loadProblem(const std::string& dir, const std::string& name);

// The model function and response of a problem, by name; false for a name
// that is not one of the 27.
bool attachModel(Problem& p);

// Sum over the data of (response - f(b, x))^2, in quad arithmetic.
Quad residualSumOfSquares(const Problem& p, std::span<const Quad> b);

// Log relative error of a value against a certified one: the number of
// certified digits it reproduces, -log10(|got - want| / |want|), between 0
// and 11 (the certified values have 11 digits). A value that is not finite
// scores 0.
double logRelativeError(Quad got, Quad want);

}  // namespace quorl::nist
