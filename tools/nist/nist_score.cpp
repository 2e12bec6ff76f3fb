// nist_score: runs the engine on the NIST StRD nonlinear regression problems
// from both starting points and scores every run by the certified digits it
// reaches. See tools/nist/README.md.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "io/units.hpp"
#include "quad/decimal.hpp"
#include "tools/nist/nist_run.hpp"

namespace {

using quorl::Quad;
using quorl::nist::IncrementRule;
using quorl::nist::RunControls;
using quorl::nist::RunResult;

constexpr int kConsole = quorl::io::kConsoleOut;

constexpr const char* kUsage =
    "usage: nist_score [--problem NAME]... [--jbon N] [--junclamp N] [--jstepmult N]\n"
    "                  [--jitertot N] [--jmintot N] [--relative F | --delta F] [--floor F]\n"
    "                  [--data DIR] [--jpd N]\n"
    "--jpd N shows each run's reports at detail level N.\n";

struct Options {
    std::vector<std::string> problems;
    RunControls controls;
    std::string dataDir = QUORL_NIST_DATA_DIR;
};

std::int32_t intValue(std::string_view flag, std::string_view text) {
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        throw std::invalid_argument(std::string(flag) + " wants an integer, not '" + std::string(text) + "'");
    }
    return v;
}

Quad positiveValue(std::string_view flag, std::string_view text) {
    Quad v{};
    if (!quorl::parseQuad(text, v) || !(v > Quad{})) {
        throw std::invalid_argument(std::string(flag) + " wants a number above 0, not '" + std::string(text) + "'");
    }
    return v;
}

Options parseOptions(int argc, char** argv) {
    Options o;
    bool relativeGiven = false, deltaGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (flag == "--help" || flag == "-h") {
            throw std::invalid_argument("");
        }
        if (i + 1 >= argc) {
            throw std::invalid_argument(std::string(flag) + " wants a value");
        }
        const std::string_view value = argv[++i];
        RunControls& c = o.controls;
        if (flag == "--problem") {
            o.problems.emplace_back(value);
        } else if (flag == "--jbon") {
            c.jbon = intValue(flag, value);
        } else if (flag == "--junclamp") {
            c.junclamp = intValue(flag, value);
        } else if (flag == "--jstepmult") {
            c.jstepmult = intValue(flag, value);
        } else if (flag == "--jitertot") {
            c.jitertot = intValue(flag, value);
        } else if (flag == "--jpd") {
            c.jpd = intValue(flag, value);
        } else if (flag == "--jmintot") {
            c.jmintot = intValue(flag, value);
        } else if (flag == "--relative") {
            c.increment = IncrementRule::Relative;
            c.factor = positiveValue(flag, value);
            relativeGiven = true;
        } else if (flag == "--delta") {
            c.increment = IncrementRule::RunWide;
            c.delta = positiveValue(flag, value);
            deltaGiven = true;
        } else if (flag == "--floor") {
            c.floor = positiveValue(flag, value);
        } else if (flag == "--data") {
            o.dataDir = value;
        } else {
            throw std::invalid_argument("unknown option " + std::string(flag));
        }
    }
    if (relativeGiven && deltaGiven) {
        throw std::invalid_argument("--relative and --delta exclude each other");
    }
    if (o.controls.jitertot < 0) {
        throw std::invalid_argument("--jitertot must not be negative");
    }
    if (o.problems.empty()) {
        o.problems = quorl::nist::problemNames();
    }
    return o;
}

// The last non-blank line of a run's console: the message of a stop.
std::string lastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of(" \n");
    if (end == std::string::npos) {
        return {};
    }
    const std::size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

void writeRun(quorl::io::Units& out, const RunResult& r) {
    const std::string se = r.minStandardErrorLre ? quorl::io::format("(f8.1)", *r.minStandardErrorLre) : "       -";
    std::string name = r.problem;  // left-aligned: an A edit right-aligns a short text
    name.resize(std::max<std::size_t>(name.size(), 10), ' ');
    const std::string_view note = r.nonFinite ? "  non-finite result" : "";
    out.write(kConsole, "(a,i6,i5,i6,f8.1,f9.1,a8,f9.3,a)", name, r.start, r.exitStatus, r.iterations,
              r.minValueLre, r.rssLre, se, r.seconds, note);
    if (r.exitStatus != 0) {
        out.write(kConsole, "(16x,a)", lastLine(r.console));
    }
}

}  // namespace

int main(int argc, char** argv) {
    quorl::io::Units out(std::cin, std::cout);
    quorl::io::Units err(std::cin, std::cerr);
    Options o;
    try {
        o = parseOptions(argc, argv);
    } catch (const std::invalid_argument& e) {
        if (*e.what() != '\0') {
            err.write(kConsole, "('nist_score: ',a)", std::string_view(e.what()));
        }
        err.put(kConsole, kUsage);
        return 2;
    }

    std::vector<quorl::nist::Problem> problems;
    try {
        for (const std::string& name : o.problems) {
            problems.push_back(quorl::nist::loadProblem(o.dataDir, name));
        }
    } catch (const std::exception& e) {
        err.write(kConsole, "('nist_score: ',a)", std::string_view(e.what()));
        return 2;
    }

    out.write(kConsole, "('problem    start exit  iter  LRE(b) LRE(RSS) LRE(se)  seconds')");
    int runs = 0, converged = 0, failed = 0, nonFiniteOk = 0;
    double seconds = 0.0;
    for (const quorl::nist::Problem& p : problems) {
        for (int start = 1; start <= 2; ++start) {
            const RunResult r = quorl::nist::runProblem(p, start, o.controls);
            if (o.controls.jpd) {
                out.put(kConsole, r.console);
            }
            writeRun(out, r);
            out.flush(kConsole);
            ++runs;
            converged += r.minValueLre >= 10.0 ? 1 : 0;
            failed += r.exitStatus != 0 ? 1 : 0;
            nonFiniteOk += r.exitStatus == 0 && r.nonFinite ? 1 : 0;
            seconds += r.seconds;
        }
    }
    out.write(kConsole, "(/'runs:',i4,',  converged (min LRE >= 10):',i4)", runs, converged);
    out.write(kConsole, "('ended with a non-zero status:',i4)", failed);
    out.write(kConsole, "('exited 0 with a non-finite result:',i4)", nonFiniteOk);
    out.write(kConsole, "('time of the runs:',f9.1,' s')", seconds);
    out.closeAll();
    return nonFiniteOk > 0 ? 1 : 0;
}
