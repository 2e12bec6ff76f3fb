#include "engine/result_files.hpp"

namespace quorl {

void writeProjectContextLines(State& s, int unit) {
    for (const Text<60>* line : {&s.WHAT, &s.WHY, &s.HOW, &s.WHO, &s.WHEN, &s.WHERE1}) {
        if (!line->isBlank()) {
            write(s, unit, "(60a1)", line->chars());
        }
    }
}

void writeStartBanner(State& s) {
    // When the reports go to a file the console still learns what runs.
    if (s.JPU > 6) {
        write(s, 6, "(a60/)", s.CVERSION);
    }
    write(s, s.JPU, "(a60)", s.CVERSION);
    write(s, s.JPU, "(/'Project Context:')");
    writeProjectContextLines(s, s.JPU);
}

}  // namespace quorl
