// LineCursor: the lines of an input under a cursor, for a reader that
// reads character by character across lines (the namelist reader). Only
// the current line is held; a run of characters is a view into it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "io/free_input.hpp"

namespace quorl::io {

// The lines of the input under a cursor. peek() gives '\n' at the end of a
// line and '\0' past the last one; advance() steps over either.
class LineCursor {
public:
    explicit LineCursor(const RecordSource& next) : next_(next) { nextLine(); }

    char peek() const { return peekAt(0); }
    char peekAt(std::size_t ahead) const {
        if (atEnd_) {
            return '\0';
        }
        return pos_ + ahead < line_.size() ? line_[pos_ + ahead] : '\n';
    }
    void advance() {
        if (atEnd_) {
            return;
        }
        if (pos_ < line_.size()) {
            ++pos_;
        } else {
            nextLine();
        }
    }
    void skip(std::size_t n) { pos_ += n; }
    void skipToLineEnd() { pos_ = line_.size(); }
    int line() const { return lineNumber_; }

    // The characters from the cursor on this line up to the first one for
    // which `ends` holds (a view, valid until the cursor leaves the line).
    template <class Ends>
    std::string_view run(Ends ends) const {
        std::size_t end = pos_;
        while (end < line_.size() && !ends(line_[end])) {
            ++end;
        }
        return std::string_view(line_).substr(pos_, end - pos_);
    }

private:
    void nextLine() {
        std::optional<std::string> l = next_();
        if (!l) {
            atEnd_ = true;
            line_.clear();
            pos_ = 0;
            return;
        }
        line_ = std::move(*l);
        pos_ = 0;
        ++lineNumber_;
    }

    const RecordSource& next_;
    std::string line_;
    std::size_t pos_ = 0;
    int lineNumber_ = 0;
    bool atEnd_ = false;
};

}  // namespace quorl::io
