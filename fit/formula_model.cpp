#include "fit/formula_model.hpp"

#include <memory>

#include <algorithm>
#include <string>

#include "engine/increments.hpp"
#include "engine/user_config.hpp"
#include "fit/formula_points.hpp"
#include "fit/fit_plot_of_formulas.hpp"
#include "view/fit_plot_of_run.hpp"
#include "vis/draw_landscape.hpp"
#include "io/stop.hpp"

namespace quorl::fit {

void FormulaModel::operator()(State& s, int mode) {
    if (mode <= 0) {
        declare(s);
    } else if (mode == 1) {
        load(s);
    } else if (mode == 2) {
        if (!(s.DELTA > Quad{})) {
            setRelativeIncrements(s, plan_.increment, scales_);
        }
    } else if (mode == 3) {
        point(s);
    } else if (mode == 4) {
        residuals(s);
    } else if (mode == 7) {
        residualsAndPartials(s);
    }
}

void FormulaModel::declare(State& s) {
    // The engine's controls are read strictly here, before anything else:
    // a misspelt member would otherwise leave the members after it unread
    // and the run would go on without them.
    const UserConfigCheck config = checkUserConfig(s);
    if (config.result.found && !config.result.ok()) {
        io::stop("quorl-fit: " + std::string(kFitFile) + ", &QUORLNML: " + config.result.message +
                     ". Nothing was run.",
                 kFitGroupStatus);
    }
    const FitGroup group = readFitGroup();
    plan_ = planFormulas(group);
    plotSvg_ = group.PLOTSVG != 0;

    // The damped step from the first iteration, with room to converge from
    // a far start; Quorl-user.nml may set any of them otherwise.
    s.JSTEPMULT = 3;
    s.JBON = 1;
    s.JUNCLAMP = 1;
    s.JITERTOT = kFitIterations;

    const Text<60> configured = config.userFile;
    std::string_view file = configured.trimmed();
    file.remove_prefix(std::min(file.size(), file.find_first_not_of(' ')));
    if (file.empty()) {
        io::stop("quorl-fit: no data table: set CJUSERFILE = 'data.txt' in &QUORLNML of " + std::string(kFitFile) +
                     ".",
                 kFitGroupStatus);
    }
    planColumns(group, io::TableReader(std::string(file)), plan_);
    table_.emplace(plan_.columns);
    // Every row's measured values and weights are checked as the table is
    // read to take its sizes, before anything is written: a row where one
    // is not finite (or a weight not positive) stops the run at its line.
    table_->checkEachRow([this](const std::vector<Quad>& row) {
        auto valueOf = [&row](RowQuantity& q) {
            for (std::size_t k = 0; k < q.rows.size(); ++k) {
                if (q.rows[k] != 0) {
                    q.values[k] = row[static_cast<std::size_t>(q.rows[k])];
                }
            }
            return q.program.evaluate({}, q.values);
        };
        for (RowQuantity& q : plan_.measured) {
            if (std::string fault = rowFault(q, valueOf(q), false); !fault.empty()) {
                return fault;
            }
        }
        for (RowQuantity& q : plan_.weights) {
            if (std::string fault = rowFault(q, valueOf(q), true); !fault.empty()) {
                return fault;
            }
        }
        return std::string();
    });
    table_->declare(s);

    s.KPTOT = static_cast<std::int32_t>(plan_.parameters.size());
    s.JPARTIALS = plan_.partials;
    s.DELTA = Quad{};  // relative increments, set in mode 2
    s.JPREV = plan_.jprev;
    s.WHAT = plan_.formulaText;
    scales_.clear();
    for (const Quad& start : plan_.starts) {
        scales_.push_back(start == Quad{} ? fromInt(1) : abs(start));
    }
    params_.assign(plan_.parameters.size(), Quad{});
    partials_.assign(plan_.parameters.size(), Quad{});
    vars_.assign(plan_.auxiliary.size(), Quad{});
}

void FormulaModel::load(State& s) {
    table_->load(s);
    for (int k = 1; k <= static_cast<int>(plan_.auxiliary.size()); ++k) {
        s.XR(k).XNAME = plan_.auxiliary[static_cast<std::size_t>(k - 1)];
    }
    // The measured expressions and the weights of every point, from the
    // columns as read; then the measured values replace their y rows, and
    // the weights the rows of the columns only they and the measured
    // expressions read (plan_: rows na+1 .. NXTOT), when there are enough.
    const int na = static_cast<int>(plan_.auxiliary.size());
    weights_ = PointWeights{};
    if (!plan_.weights.empty()) {
        if (na + s.LZTOT <= s.NXTOT) {
            weights_.row = na + 1;
            for (int l = 1; l <= s.LZTOT; ++l) {
                s.XR(na + l).XNAME = s.LZTOT == 1 ? "weight" : "weight " + std::to_string(l);
            }
        } else {
            weights_.table.assign(static_cast<std::size_t>(s.MDTOT) * static_cast<std::size_t>(s.LZTOT), Quad{});
        }
    }
    std::vector<Quad> measured(static_cast<std::size_t>(s.LZTOT));
    std::vector<Quad> weight(static_cast<std::size_t>(s.LZTOT));
    for (int md = 1; md <= s.MDTOT; ++md) {
        for (int l = 1; l <= s.LZTOT; ++l) {
            const auto i = static_cast<std::size_t>(l - 1);
            measured[i] = rowValue(plan_.measured[i], s.DATAE, md);
            if (weights_.given()) {
                weight[i] = rowValue(plan_.weights[i], s.DATAE, md);
            }
        }
        for (int l = 1; l <= s.LZTOT; ++l) {
            const auto i = static_cast<std::size_t>(l - 1);
            s.DATAE(s.NXTOT + l, md) = measured[i];
            if (weights_.row != 0) {
                s.DATAE(weights_.row + l - 1, md) = weight[i];
            } else if (weights_.given()) {
                weights_.table[static_cast<std::size_t>(md - 1) * static_cast<std::size_t>(s.LZTOT) + i] = weight[i];
            }
        }
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        s.ZR(l).ZNAME = plan_.measured[static_cast<std::size_t>(l - 1)].text;
    }
    // A residual that is not finite is named by its formula and the line
    // of the table it comes from.
    s.residualSource = [texts = plan_.formulaTexts, file = table_->file()](int md, int lz) {
        const std::string& f = texts.at(static_cast<std::size_t>(lz - 1));
        const std::string shown = f.size() > 40 ? f.substr(0, 37) + "..." : f;
        return "the formula \"" + shown + "\" at line " + std::to_string(DataTable::lineOfRow(file, md)) + " of " +
               file;
    };
    // The passes over the data may go over threads: every data point's
    // residuals come from DATAE, the weights and the formulas alone.
    s.pointModel = std::make_shared<FormulaPoints>(plan_, weights_, vars_.size());
    // The fit plot, once the results are saved: the formulas at the
    // accepted values against the same data.
    s.afterResults = [this](State& st) {
        writeFitPlot(st, [&st, this] { return fitPlotOfFormulas(st, plan_, weights_); }, "quorl-fit", plotSvg_);
    };
    // The error landscape over the two parameters of LANDSCAPE, after the plot.
    if (plan_.landscape[0] != 0) {
        drawLandscape(s, plan_.landscape[0], plan_.landscape[1], "quorl-fit");
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const auto k = static_cast<std::size_t>(kp - 1);
        s.PR(kp).PNAME = plan_.parameters[k];
        s.PR(kp).PBASE = s.previousValuesRead ? s.PR(kp).P : plan_.starts[k];
        if (plan_.held[k]) {
            s.PR(kp).OFFON = Quad{};
        }
    }
}

void FormulaModel::point(State& s) {
    table_->point(s);
    for (std::size_t k = 0; k < vars_.size(); ++k) {
        vars_[k] = s.XR(static_cast<int>(k + 1)).XDATA;
    }
    if (weights_.given()) {
        for (int l = 1; l <= s.LZTOT; ++l) {
            s.ZR(l).WT = weights_.of(s.DATAE, s.MD, l, s.LZTOT);
        }
    }
}

void FormulaModel::residuals(State& s) {
    for (std::size_t k = 0; k < params_.size(); ++k) {
        params_[k] = s.PR(static_cast<int>(k + 1)).P;
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        ZREC& z = s.ZR(l);
        z.Z = (z.ZDATA - plan_.formulas[static_cast<std::size_t>(l - 1)].evaluate(params_, vars_)) * z.WT;
    }
}

void FormulaModel::residualsAndPartials(State& s) {
    for (std::size_t k = 0; k < params_.size(); ++k) {
        params_[k] = s.PR(static_cast<int>(k + 1)).P;
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        formula::Program& f = plan_.formulas[static_cast<std::size_t>(l - 1)];
        ZREC& z = s.ZR(l);
        z.Z = (z.ZDATA - f.evaluate(params_, vars_, partials_)) * z.WT;
        // The engine's B: the partial of the modelled value times the weight.
        for (int k = 1; k <= s.KPTOT; ++k) {
            s.B(l, k) = k <= f.parameterCount() ? partials_[static_cast<std::size_t>(k - 1)] * z.WT : Quad{};
        }
    }
    s.partialsGiven = true;
}

}  // namespace quorl::fit
