#include "fit/fit_group.hpp"

#include <fstream>
#include <utility>

#include "io/namelist.hpp"
#include "io/stop.hpp"
#include "io/units.hpp"

namespace quorl::fit {

namespace {

[[noreturn]] void groupError(const std::string& what) {
    io::stop("quorl-fit: " + std::string(kFitFile) + ", &QUORLFIT: " + what, kFitGroupStatus);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The entry's text without the blanks around it, and its column.
Entry trimmedEntry(std::string_view text, std::size_t begin, std::size_t end) {
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return Entry{text.substr(begin, end - begin), begin};
}

}  // namespace

FitGroup readFitGroup() {
    FitGroup g;
    if (!io::Units::exists(kFitFile)) {
        io::stop("quorl-fit: no " + std::string(kFitFile) +
                     " here: it must hold the group &QUORLFIT with the formula, its parameters and the columns of "
                     "the data table (see docs/formulas.md).",
                 kFitGroupStatus);
    }
    std::ifstream in(kFitFile);
    if (!in) {
        io::stop("quorl-fit: " + std::string(kFitFile) + " cannot be read.", kFitGroupStatus);
    }
    // The texts are taken in quotes only: FORMULA=3 would otherwise be the
    // formula "3", and the fault would show up elsewhere.
    using M = io::NamelistMember;
    const std::vector<M> members = {
        M::quotedText("FORMULA", g.FORMULA),   M::quotedText("PARAMETERS", g.PARAMETERS),
        M::quotedText("AUXILIARY", g.AUXILIARY), M::quotedText("MEASURED", g.MEASURED),
        M::quotedText("WEIGHT", g.WEIGHT),     M::quotedText("HOLD", g.HOLD),
        {"INCREMENT", g.INCREMENT},            {"JPREV", g.JPREV},
        M::quotedText("PARTIALS", g.PARTIALS), M::quotedText("LANDSCAPE", g.LANDSCAPE),
        {"PLOTSVG", g.PLOTSVG},                M::quotedText("PLOTX", g.PLOTX),
    };
    const io::NamelistResult r = io::readNamelist(in, "QUORLFIT", members);
    if (!r.found) {
        groupError("no such group: the file must hold &QUORLFIT FORMULA = '...', PARAMETERS = '...', ... / "
                   "beside &QUORLNML (see docs/formulas.md).");
    }
    if (!r.ok()) {
        groupError(r.message + ".");
    }
    const std::pair<const char*, const Text<kTextRoom>*> texts[] = {
        {"FORMULA", &g.FORMULA},   {"PARAMETERS", &g.PARAMETERS}, {"AUXILIARY", &g.AUXILIARY},
        {"MEASURED", &g.MEASURED}, {"WEIGHT", &g.WEIGHT},         {"HOLD", &g.HOLD},
        {"LANDSCAPE", &g.LANDSCAPE}, {"PLOTX", &g.PLOTX},
    };
    for (const auto& [name, text] : texts) {
        if (text->trimmed().size() == kTextRoom) {
            groupError(std::string(name) + " is longer than " + std::to_string(kTextRoom - 1) + " characters.");
        }
    }
    return g;
}

void memberError(std::string_view member, std::string_view text, std::size_t column, const std::string& what) {
    std::string message = "quorl-fit: " + std::string(kFitFile) + ", &QUORLFIT, " + std::string(member);
    if (column == std::string_view::npos) {
        io::stop(message + ": " + what, kFitGroupStatus);
    }
    message += ", column " + std::to_string(column + 1) + ": " + what + "\n";
    const std::string lead = "    " + std::string(member) + " = '";
    message += lead + std::string(text) + "'\n";
    // The caret line keeps the tabs of the text before the column, so that
    // the caret sits under it however a terminal expands them.
    std::string caret(lead.size(), ' ');
    for (std::size_t i = 0; i < column && i < text.size(); ++i) {
        caret += text[i] == '\t' ? '\t' : ' ';
    }
    io::stop(message + caret + "^", kFitGroupStatus);
}

std::vector<Entry> splitEntries(std::string_view member, std::string_view text, char separator) {
    std::vector<Entry> entries;
    if (trimmedEntry(text, 0, text.size()).text.empty()) {
        return entries;
    }
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(separator, begin), text.size());
        const Entry e = trimmedEntry(text, begin, end);
        if (e.text.empty()) {
            memberError(member, text, e.column,
                        std::string("an empty entry: entries are separated by one '") + separator + "'");
        }
        entries.push_back(e);
        if (end == text.size()) {
            return entries;
        }
        begin = end + 1;
    }
}

Assignment splitAssignment(std::string_view member, std::string_view text, const Entry& entry) {
    Assignment a;
    const std::size_t eq = entry.text.find('=');
    if (eq == std::string_view::npos) {
        a.name = entry;
        return a;
    }
    const std::size_t at = entry.column + eq;
    a.name = trimmedEntry(text, entry.column, at);
    a.value = trimmedEntry(text, at + 1, entry.column + entry.text.size());
    a.hasValue = true;
    if (a.name.text.empty()) {
        memberError(member, text, at, "'=' without a name before it");
    }
    if (a.value.text.empty()) {
        memberError(member, text, at, "'=' without a value after it");
    }
    return a;
}

}  // namespace quorl::fit
