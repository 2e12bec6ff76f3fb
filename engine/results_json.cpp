#include "engine/results_json.hpp"

#include "engine/result_files.hpp"
#include "engine/verdict.hpp"
#include "io/json.hpp"
#include "io/replace_file.hpp"
#include "model/run_identity.hpp"

namespace quorl {

std::string resultsJson(State& s) {
    const State::Uncertainty& u = s.uncertainty;
    io::JsonWriter j;
    j.beginObject();
    j.key("program");
    j.value(s.CVERSION.trimmed());
    j.key("run");
    j.value(runIdentity(s));
    j.key("status");
    j.value(verdictWord(s.verdict.status));
    j.key("iterations");
    j.value(s.verdict.steps);
    j.key("evaluations");
    j.value(s.evaluations);
    j.key("convergence");
    j.inlineNext();
    j.beginObject();
    if (u.computed) {
        j.key("predicted_decrease");
        j.value(u.predictedDecrease);
        j.key("gradient_cosine");
        j.value(u.gradientCosine);
        j.key("largest_relative_step");
        j.value(u.largestRelativeStep);
    }
    j.key("last_decrease");
    j.value(s.verdict.lastDecrease);
    j.endObject();
    j.key("data_points");
    j.value(s.MDTOT);
    j.key("quantities");
    j.value(s.LZTOT);
    j.key("parameters_used");
    if (u.computed) {
        j.value(u.parametersUsed);
    } else {
        j.null();
    }
    j.key("degrees_of_freedom");
    if (u.computed) {
        j.value(u.degreesOfFreedom);
    } else {
        j.null();
    }
    j.key("sqrt_chi_square_per_point");
    j.value(s.RSS);
    j.key("chi_square");
    j.value(u.chiSquare);
    j.key("residual_sum_of_squares");
    j.value(u.residualSumOfSquares);
    j.key("reduced_chi_square");
    j.value(u.reducedChiSquare);

    j.key("parameters");
    j.beginArray();
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const State::Uncertainty::Parameter p =
            u.computed ? u.parameters(kp) : State::Uncertainty::Parameter{s.PR(kp).OFFON == Quad{}, false, {}, {}};
        j.inlineNext();
        j.beginObject();
        j.key("index");
        j.value(kp);
        j.key("name");
        j.value(s.PR(kp).PNAME.trimmed());
        j.key("value");
        j.value(s.PR(kp).PBASE);
        j.key("held");
        j.value(p.held);
        j.key("dependent");
        j.value(p.dependent);
        j.key("standard_error");
        j.value(p.standardError);
        j.key("standard_error_unscaled");
        j.value(p.standardErrorUnscaled);
        j.endObject();
    }
    j.endArray();

    j.key("correlation");
    j.beginArray();
    for (const std::vector<Quad>& row : u.correlation) {
        j.inlineNext();
        j.beginArray();
        for (const Quad& c : row) {
            j.value(c);
        }
        j.endArray();
    }
    j.endArray();
    j.endObject();
    return j.text();
}

void writeResultsJson(State& s) {
    io::writeReplacement(s.units, std::string(kResultsFile), resultsJson(s), kParameterWriteStatus);
}

}  // namespace quorl
