// Reading the previous run's values from Quorl-params.txt at start-up.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
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

// One value line: the first item of the next non-blank record. The line
// is handed to the free-form read as it is (moved, never copied): a value
// line may be very long. The e41.32 field of a value whose exponent has
// three digits drops its E ("0.1234...-119"); the free-form read takes that
// form as it is.
io::ReadResult readValueLine(State& s, Quad& value) {
    for (;;) {
        std::optional<std::string> line = s.units.readLine(s.JPU10);
        if (!line) {
            return io::ReadResult{io::ReadStatus::EndOfInput, 0, ""};
        }
        if (line->find_first_not_of(" \t") == std::string::npos) {
            continue;  // blank records are skipped, as in a free-form read
        }
        const io::RecordSource oneRecord = [&line]() { return std::exchange(line, std::nullopt); };
        const io::FreeItem item{&value};
        return io::readFreeItems(oneRecord, std::span<const io::FreeItem>(&item, 1));
    }
}

}  // namespace

void readPreviousValues(State& s) {
    const std::string path(kParameterFile);
    // Anything standing at the name counts as there; one that cannot be
    // read (a directory, a FIFO, no permission) is a read error, not a
    // missing file.
    s.driver.LEXISTS = io::Units::present(path);
    if (!s.driver.LEXISTS) {
        io::pause(s.units, kMissingText);
        return;
    }
    if (!s.units.tryOpenRead(s.JPU10, path)) {
        io::pause(s.units, kErrorText);
        return;
    }

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
