#include "fit/fit_command.hpp"

#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "model/constants.hpp"

namespace quorl::fit {

namespace {

constexpr std::string_view kUsage =
    "usage: quorl-fit [options] [FOLDER]\n"
    "  Fits the formula of Quorl-user.nml (groups &QUORLNML and &QUORLFIT) to the data table it\n"
    "  names, in FOLDER (default: the current folder), and writes Quorl-out.txt, Quorl-params.txt,\n"
    "  Quorl-results.json and the fit plot Quorl-fit.html there.\n"
    "options:\n"
    "  -i, --interactive  the console dialogue: wait for Enter at every message, ask whether to\n"
    "                     quit once the fit stops making progress, wait for Enter at the end\n"
    "  --version          show the version and exit\n"
    "  -h, --help         show this text and exit\n"
    "exit status: 0 converged; 12 ended without converging (the results are written and marked);\n"
    "  2 a faulty command line; 11 a fault of Quorl-user.nml; 9 of the data table; others in\n"
    "  docs/models.md\n";

}  // namespace

std::optional<FitCommand> parseFitCommand(const std::vector<std::string>& args, std::string& fault) {
    FitCommand c;
    bool options = true;
    for (const std::string& a : args) {
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "-h" || a == "--help")) {
            c.help = true;
        } else if (options && a == "--version") {
            c.version = true;
        } else if (options && (a == "-i" || a == "--interactive")) {
            c.interactive = true;
        } else if (options && a.size() > 1 && a[0] == '-') {
            fault = "unknown option '" + a + "'";
            return std::nullopt;
        } else if (!c.folder.empty()) {
            fault = "one folder only: '" + c.folder + "', then '" + a + "'";
            return std::nullopt;
        } else if (a.empty()) {
            fault = "an empty folder name";
            return std::nullopt;
        } else {
            c.folder = a;
        }
    }
    return c;
}

int runFitCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    std::string fault;
    const std::optional<FitCommand> c = parseFitCommand(args, fault);
    if (!c) {
        err << "quorl-fit: " << fault << "\n" << kUsage;
        return kUsageStatus;
    }
    if (c->help) {
        out << kUsage;
        return 0;
    }
    if (c->version) {
        out << "quorl-fit: " << constants::versionBanner() << "\n";
        return 0;
    }
    if (!c->folder.empty()) {
        std::error_code ec;
        std::filesystem::current_path(c->folder, ec);
        if (ec) {
            err << "quorl-fit: cannot work in '" << c->folder << "': " << ec.message() << "\n";
            return kUsageStatus;
        }
    }
    State s(in, out);
    s.units.setDialogue(c->interactive);
    return runQuorl(s, FormulaModel{});
}

}  // namespace quorl::fit
