// Writing Quorl-params.txt and saving the result files at the end of a run.
#include <string>

#include "engine/eval_fit.hpp"
#include "engine/result_files.hpp"
#include "engine/results_json.hpp"
#include "engine/verdict.hpp"
#include "io/format.hpp"
#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "model/run_identity.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

void writeRecords(State& s) {
    const int u = s.JPU10;
    s.units.put(u, io::formatFreeOf(s.KPTOT, s.LZTOT));
    // The value lines that a later run reads back: value, index, name.
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        write(s, u, "(e41.32,i5,'  '\\)", s.PR(kp).PBASE, kp);
        write(s, u, "(16a1)", s.PR(kp).PNAME.chars());
    }
    write(s, u, "(3x,'^These are the last-iteration`s values'\\)");
    write(s, u, "(   ' at full precision.'/)");
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        FLOATWRITE(s.PR(kp).PBASE, s.CFLOAT40);
        write(s, u, "(1x,i4,' ',a40)", kp, s.CFLOAT40);
    }
    write(s, u, "(/13x,'.12345678901234567890123456789012345')");
    write(s, u, "( 23x,'1         2         3'\\)");
    write(s, u, "(  6x,'-Floats decimal place counter')");

    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    EVALFIT(s, s.RSS, u);
    // Values that are no minimum are marked as such where they are kept.
    if (s.verdict.status != State::Verdict::Status::Converged) {
        write(s, u, "('')");
        writeVerdict(s, u);
    }

    write(s, u, "(/'Project Context:',40x,a23)", s.CDATETIME);
    writeProjectContextLines(s, u);
    write(s, u, "(/a60)", s.CVERSION);
    // The run this file comes from, as in Quorl-results.json beside it.
    write(s, u, "('Run: ',a)", runIdentity(s));
}

// `why` names the file and the reason: "cannot write Quorl-params.txt: ...".
[[noreturn]] void writeFailed(const std::string& why) {
    io::stop("Quorl: " + why + ". The previous file, if any, is left as it was.", kParameterWriteStatus);
}

}  // namespace

void writeParameterFile(State& s) {
    const std::string path(kParameterFile);
    try {
        s.units.openWrite(s.JPU10, path, io::OpenMode::Whole);
        writeRecords(s);
        s.units.close(s.JPU10);  // complete: flushed and on the disk, waiting to be renamed
    } catch (const io::Stop& failure) {
        // The unfinished file is thrown away; its close failing changes nothing.
        try {
            s.units.close(s.JPU10);
        } catch (const io::Stop&) {
        }
        s.units.discard(path);
        // A failure of the file itself is reported as such; any other stop
        // (the model halting in the evaluation) keeps its own message.
        if (failure.message().find("cannot write " + path + ":") != std::string::npos) {
            writeFailed(failure.message());
        }
        throw;
    }
}

void saveResultFiles(State& s) {
    // Both files complete before either is renamed; a failure on the way
    // leaves both old files (the files still waiting are dropped when the
    // run's units close).
    writeParameterFile(s);
    writeResultsJson(s);
    try {
        s.units.commitTogether({std::string(kParameterFile), std::string(kResultsFile)});
    } catch (const io::Stop& failure) {
        io::discardReplacement(s.units, std::string(kParameterFile));
        io::discardReplacement(s.units, std::string(kResultsFile));
        writeFailed(failure.message());
    }
}

}  // namespace quorl
