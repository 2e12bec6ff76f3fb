// Reading the previous run's values from Quorl-params.txt at start-up.
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/result_files.hpp"
#include "io/free_input.hpp"
#include "io/pause.hpp"
#include "io/stop.hpp"

namespace quorl {

namespace {

constexpr std::string_view kMissingText = "jPrev==1, but Quorl-params.txt not found. 'Enter` to continue.";
constexpr std::string_view kErrorText = "Error reading Quorl-params.txt. Press enter to continue.";

[[noreturn]] void inputError(State& s, const std::string& what) {
    s.units.close(s.JPU10);
    io::stop("Quorl: input error in " + std::string(kParameterFile) + ": " + what, kParameterInputStatus);
}

// The e41.32 field of a value whose decimal exponent has three digits
// drops the E ("0.12340000000000000000000000000000-119"), as an exponent
// form does when the exponent no longer fits. The first item of such a line
// gets its E back so that the free-form read takes it.
std::string withExponentLetter(std::string line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return line;
    }
    std::size_t i = start;
    if (line[i] == '+' || line[i] == '-') {
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits || i >= line.size() || (line[i] != '+' && line[i] != '-')) {
        return line;
    }
    std::size_t j = i + 1;
    while (j < line.size() && line[j] >= '0' && line[j] <= '9') {
        ++j;
    }
    const bool endsItem = j == line.size() || line[j] == ' ' || line[j] == ',' || line[j] == '\t';
    if (j > i + 1 && endsItem) {
        line.insert(i, 1, 'E');
    }
    return line;
}

// One value line: the first item of the next non-blank record.
io::ReadResult readValueLine(State& s, Quad& value) {
    for (;;) {
        const std::optional<std::string> line = s.units.readLine(s.JPU10);
        if (!line) {
            return io::ReadResult{io::ReadStatus::EndOfInput, 0, ""};
        }
        if (line->find_first_not_of(" \t") == std::string::npos) {
            continue;  // blank records are skipped, as in a free-form read
        }
        return io::readFree(withExponentLetter(*line), value);
    }
}

}  // namespace

void readPreviousValues(State& s) {
    const std::string path(kParameterFile);
    s.driver.LEXISTS = io::Units::exists(path);
    if (!s.driver.LEXISTS) {
        io::pause(s.units, kMissingText);
        return;
    }
    if (!std::ifstream(path)) {
        io::pause(s.units, kErrorText);
        return;
    }
    s.units.openRead(s.JPU10, path);

    // The counts go into locals: the arrays are already allocated for the
    // current model, and a file written for other counts cannot be used.
    std::int32_t kptot = 0;
    std::int32_t lztot = 0;
    const io::ReadResult counts = io::readFree(s.units, s.JPU10, kptot, lztot);
    if (counts.status == io::ReadStatus::EndOfInput) {
        inputError(s, "the file ends before its counts KPTOT and LZTOT");
    }
    if (!counts.ok() || counts.index < 2 || kptot != s.KPTOT || lztot != s.LZTOT) {
        s.units.close(s.JPU10);
        io::pause(s.units, kErrorText);
        return;
    }

    // All values are read before any is used, so a stop leaves P untouched.
    std::vector<Quad> values(static_cast<std::size_t>(kptot));
    for (int kp = 1; kp <= kptot; ++kp) {
        const io::ReadResult r = readValueLine(s, values[static_cast<std::size_t>(kp - 1)]);
        if (r.status == io::ReadStatus::EndOfInput) {
            inputError(s, "the file ends after " + std::to_string(kp - 1) + " of its " + std::to_string(kptot) +
                              " value lines");
        }
        if (!r.ok() || r.index < 1) {
            inputError(s, "value line " + std::to_string(kp) + " cannot be read" +
                              (r.message.empty() ? std::string() : " (" + r.message + ")"));
        }
    }
    s.units.close(s.JPU10);
    for (int kp = 1; kp <= kptot; ++kp) {
        s.PR(kp).P = values[static_cast<std::size_t>(kp - 1)];
    }
    s.previousValuesRead = true;
}

}  // namespace quorl
