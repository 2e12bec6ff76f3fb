// Namelist input, read character by character over the lines of the input
// as gfortran reads a group (see io/namelist.hpp for the conventions). The
// current line is held once; values are read as views into it, and only a
// name or a text's characters (as many as the member holds) are copied.
#include "io/namelist.hpp"

#include <cctype>
#include <istream>
#include <optional>

#include "io/line_cursor.hpp"
#include "io/line_file.hpp"
#include "io/real_text.hpp"
#include "io/upper_case.hpp"
#include "io/units.hpp"

namespace quorl::io {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isQuote(char c) { return c == '\'' || c == '"'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
// '\n' stands for the end of a line, '\0' for the end of the input.
bool isLineEnd(char c) { return c == '\n' || c == '\0'; }
// An undelimited text ends at a blank, a comma, a slash or the line's end;
// a number, a name or a word also at '!', where a comment starts.
bool endsText(char c) { return isBlank(c) || c == ',' || c == '/' || isLineEnd(c); }
bool endsNumber(char c) { return endsText(c) || c == '!'; }

// A text as a message shows it: its first 40 characters at most.
std::string shown(std::string_view v) {
    return v.size() <= 40 ? std::string(v) : std::string(v.substr(0, 40)) + "...";
}

// A member's name as written, with an optional substring "(first:last)".
struct Name {
    std::string text;  // as written, at most 40 characters shown
    const NamelistMember* member = nullptr;
    bool range = false;
    long first = -1, last = -1;  // -1: not given
    int line = 0;
};

class GroupReader {
public:
    GroupReader(const RecordSource& next, std::string_view group, const std::vector<NamelistMember>& members)
        : cur_(next), members_(members) {
        if (!group.empty() && (group.front() == '&' || group.front() == '$')) {
            group.remove_prefix(1);
        }
        group_ = upperCase(group);
    }

    NamelistResult run() {
        if (!findGroup()) {
            result_.message = "no group &" + group_ + " in the input";
            return result_;
        }
        result_.found = true;
        const int opened = cur_.line();
        for (;;) {
            if (pending_) {
                Name n = std::move(*pending_);
                pending_.reset();
                if (!member(n)) {
                    return result_;
                }
                continue;
            }
            skipSpace(true);
            const char c = cur_.peek();
            if (c == '\0') {
                fail(NamelistStatus::EndOfFile, cur_.line(), {},
                     "the input ends inside the group, opened on line " + std::to_string(opened));
                return result_;
            }
            if (c == '/') {
                return complete();
            }
            if (c == '&' || c == '$') {
                cur_.advance();
                const std::string_view word = cur_.run([](char ch) { return !isNameChar(ch); });
                if (word.size() >= 3 && equalsUpper(word.substr(0, 3), "END")) {
                    return complete();
                }
                const std::string written = std::string(1, c) + shown(word);
                fail(NamelistStatus::Malformed, cur_.line(), written,
                     "'" + written + "' inside the group: its end ('/') is missing");
                return result_;
            }
            if (isLetter(c)) {
                Name n;
                if (!readName(n, true) || !member(n)) {
                    return result_;
                }
                continue;
            }
            // Neither a name nor the end: a second value, or anything else.
            const std::string_view token = isQuote(c) ? cur_.run(isLineEnd) : cur_.run(endsNumber);
            const std::string what = "'" + shown(token.empty() ? std::string_view(&c, 1) : token) + "'";
            if (!lastMember_.empty()) {
                fail(NamelistStatus::Malformed, cur_.line(), lastMember_,
                     "more than one value for " + lastMember_ + " (" + what + ")");
            } else {
                fail(NamelistStatus::Malformed, cur_.line(), {}, what + " where a name was expected");
            }
            return result_;
        }
    }

private:
    // The group starts at '&' or '$' followed by its name and a blank, a
    // comma, a slash, a comment or the line's end, anywhere in the input
    // outside comments. Leaves the cursor after the name.
    bool findGroup() {
        for (;;) {
            const char c = cur_.peek();
            if (c == '\0') {
                return false;
            }
            if (c == '!') {
                cur_.skipToLineEnd();
            } else if (c == '&' || c == '$') {
                cur_.advance();
                const std::string_view name = cur_.run([](char ch) { return !isNameChar(ch); });
                const char after = cur_.peekAt(name.size());
                if (equalsUpper(name, group_) && endsNumber(after)) {
                    cur_.skip(name.size());
                    return true;
                }
                continue;  // the search goes on after the '&'
            }
            cur_.advance();
        }
    }

    // Blanks, line ends and comments (and commas, between items).
    void skipSpace(bool commas) {
        for (;;) {
            const char c = cur_.peek();
            if (isBlank(c) || c == '\n' || (commas && c == ',')) {
                cur_.advance();
            } else if (c == '!') {
                cur_.skipToLineEnd();
            } else {
                return;
            }
        }
    }

    // NAME or NAME(first:last), then '='. With `needEquals` a missing '='
    // is a fault; without, false just says there was none.
    bool readName(Name& n, bool needEquals) {
        n.line = cur_.line();
        const std::string_view word = cur_.run([](char ch) { return !isNameChar(ch); });
        n.text = shown(word);
        n.member = find(word);
        cur_.skip(word.size());
        if (cur_.peek() == '(') {
            cur_.advance();
            n.range = true;
            const std::string_view first = cur_.run([](char ch) { return !isDigit(ch); });
            cur_.skip(first.size());
            bool ok = cur_.peek() == ':';
            cur_.advance();
            const std::string_view last = cur_.run([](char ch) { return !isDigit(ch); });
            cur_.skip(last.size());
            ok = ok && cur_.peek() == ')' && first.size() <= 9 && last.size() <= 9;
            if (!ok) {
                return fail(NamelistStatus::Malformed, n.line, n.text, "bad substring after " + n.text);
            }
            cur_.advance();
            n.first = first.empty() ? -1 : std::stol(std::string(first));
            n.last = last.empty() ? -1 : std::stol(std::string(last));
            n.text += "(" + std::string(first) + ":" + std::string(last) + ")";
        }
        skipSpace(false);
        if (cur_.peek() != '=') {
            return needEquals ? fail(NamelistStatus::Malformed, n.line, n.text, "'=' missing after '" + n.text + "'")
                              : false;
        }
        cur_.advance();
        return true;
    }

    const NamelistMember* find(std::string_view name) const {
        const std::string u = name.size() <= 64 ? upperCase(name) : std::string();
        for (const NamelistMember& m : members_) {
            if (upperCase(m.name()) == u) {
                return &m;
            }
        }
        return nullptr;
    }

    // The value after NAME =, if any, into the member.
    bool member(const Name& n) {
        if (n.member == nullptr) {
            return fail(NamelistStatus::UnknownName, n.line, n.text, "unknown name '" + n.text + "'");
        }
        const auto* text = std::get_if<TextRef>(&n.member->target());
        std::size_t from = 0, count = 0;  // the characters a text value goes to
        if (text != nullptr) {
            const auto length = static_cast<long>(text->length());
            const long first = n.first < 0 ? 1 : n.first;
            const long last = n.last < 0 ? length : n.last;
            if (first < 1 || first > last || last > length) {
                return fail(NamelistStatus::Malformed, n.line, n.text,
                            "substring " + n.text + " is outside the " + std::to_string(length) + " characters");
            }
            from = static_cast<std::size_t>(first - 1);
            count = static_cast<std::size_t>(last - first + 1);
        } else if (n.range) {
            return fail(NamelistStatus::Malformed, n.line, n.text, n.text + ": only a text takes a substring");
        }
        lastMember_ = n.text;

        skipSpace(false);
        char c = cur_.peek();
        if (c == ',') {
            cur_.advance();
            return true;  // a null value: the member keeps its value
        }
        if (c == '/' || c == '&' || c == '$' || c == '\0') {
            return true;  // a null value before the end
        }
        // A repeat count r*: one value at most for a member of one value.
        bool afterRepeat = false;
        const std::string_view digits = cur_.run([](char ch) { return !isDigit(ch); });
        if (!digits.empty() && cur_.peekAt(digits.size()) == '*') {
            const std::size_t lead = digits.find_first_not_of('0');
            if (lead == std::string_view::npos) {
                return fail(NamelistStatus::Malformed, cur_.line(), n.text,
                            "repeat count 0* for " + n.text + ": a repeat count must be positive");
            }
            if (digits.substr(lead) != "1") {
                return fail(NamelistStatus::Malformed, cur_.line(), n.text,
                            "repeat count " + shown(digits) + "* for " + n.text + ", which takes one value");
            }
            cur_.skip(digits.size() + 1);
            c = cur_.peek();
            if (endsText(c)) {
                return true;  // r*: a null value
            }
            afterRepeat = true;
        }
        const int line = cur_.line();
        return std::visit(
            [&](auto target) {
                using T = decltype(target);
                if constexpr (std::is_same_v<T, TextRef>) {
                    return textValue(n, target, from, count, afterRepeat);
                } else {
                    if (isQuote(c)) {
                        return fail(NamelistStatus::WrongType, line, n.text,
                                    n.text + (std::is_same_v<T, Quad*> ? " takes a real" : " takes an integer") +
                                        ", not a text");
                    }
                    const std::string_view token = cur_.run(endsNumber);
                    if (!afterRepeat && isLetter(c) && (std::is_same_v<T, std::int32_t*> || !isNonFiniteWord(token))) {
                        return nullOrFault(
                            n, std::is_same_v<T, Quad*> ? "a real" : "an integer", token);
                    }
                    const bool ok = numberValue(n, target, token, line);
                    cur_.skip(token.size());
                    return ok;
                }
            },
            n.member->target());
    }

    bool numberValue(const Name& n, Quad* target, std::string_view token, int line) {
        if (!parseReal(token, *target)) {
            return fail(NamelistStatus::Malformed, line, n.text,
                        "'" + shown(token) + "' for " + n.text + " is not a real number");
        }
        return true;
    }

    bool numberValue(const Name& n, std::int32_t* target, std::string_view token, int line) {
        const std::string shownToken = "'" + shown(token) + "'";
        switch (parseInt32(token, *target)) {
        case IntParse::Ok:
            return true;
        case IntParse::OutOfRange:
            return fail(NamelistStatus::Malformed, line, n.text,
                        shownToken + " for " + n.text + " is outside the integer range");
        case IntParse::NotInteger:
            break;
        }
        Quad ignored{};
        if (parseReal(token, ignored)) {
            return fail(NamelistStatus::WrongType, line, n.text, n.text + " takes an integer, not the real " + shownToken);
        }
        return fail(NamelistStatus::Malformed, line, n.text, shownToken + " for " + n.text + " is not an integer");
    }

    // A text member: a quoted text, or an undelimited one when it starts
    // with a digit or follows a repeat count (as gfortran reads it).
    bool textValue(const Name& n, TextRef target, std::size_t from, std::size_t count, bool afterRepeat) {
        const char c = cur_.peek();
        if (isQuote(c)) {
            std::string value;
            if (!quoted(n, count, value)) {
                return false;
            }
            target.assign(from, count, value);
            return true;
        }
        const std::string_view token = cur_.run(endsText);
        if (!afterRepeat && !isDigit(c)) {
            return nullOrFault(n, "a quoted text", cur_.run(endsNumber));
        }
        if (n.member->quotedOnly()) {
            const std::string written = shown(token);
            return fail(NamelistStatus::WrongType, cur_.line(), n.text,
                        n.text + " takes a text in quotes, not '" + written + "': write " + n.text + " = '" + written +
                            "'");
        }
        target.assign(from, count, token);
        cur_.skip(token.size());
        return true;
    }

    // A quoted text from the cursor, going on over lines (a line's end adds
    // nothing); its first `keep` characters into `value`.
    bool quoted(const Name& n, std::size_t keep, std::string& value) {
        const int line = cur_.line();
        const char quote = cur_.peek();
        cur_.advance();
        for (;;) {
            const char c = cur_.peek();
            if (c == '\0') {
                return fail(NamelistStatus::UnterminatedText, line, n.text,
                            "the quote " + std::string(1, quote) + " that opens the text for " + n.text +
                                " is never closed");
            }
            cur_.advance();
            if (c == '\n') {
                continue;
            }
            if (c == quote) {
                if (cur_.peek() != quote) {
                    break;
                }
                cur_.advance();  // a doubled quote stands for one
            }
            if (value.size() < keep) {
                value.push_back(c);
            }
        }
        const char after = cur_.peek();
        if (!endsNumber(after)) {
            // Most often a closing quote left out, so that the text ran on
            // to the next quote; or a quote inside the text not doubled.
            const std::string what = "'" + shown(cur_.run(endsText)) + "'";
            if (cur_.line() != line) {
                return fail(NamelistStatus::Malformed, line, n.text,
                            "the quote " + std::string(1, quote) + " that opens the text for " + n.text +
                                " is not closed on this line: the text runs on to a quote on line " +
                                std::to_string(cur_.line()) + ", followed by " + what);
            }
            return fail(NamelistStatus::Malformed, line, n.text,
                        "the closing quote of the text for " + n.text + " is followed by " + what +
                            " (a quote inside a text is written twice)");
        }
        return true;
    }

    // A word where the value of `n` should be: when it is the next name
    // followed by '=', `n` had a null value and the word's member comes
    // next; otherwise the word is a value of the wrong kind.
    bool nullOrFault(const Name& n, const char* expected, std::string_view word) {
        const int line = cur_.line();
        const std::string written = shown(word);
        Name next;
        const bool ok = readName(next, false);
        if (ok) {
            pending_ = std::move(next);
            return true;
        }
        if (result_.status != NamelistStatus::NotFound) {
            return false;  // a fault in the word itself (a bad substring)
        }
        return fail(NamelistStatus::WrongType, line, n.text,
                    n.text + " takes " + expected + ", not '" + written + "'");
    }

    NamelistResult complete() {
        result_.complete = true;
        result_.status = NamelistStatus::Ok;
        return result_;
    }

    bool fail(NamelistStatus status, int line, std::string member, const std::string& what) {
        result_.status = status;
        result_.line = line;
        result_.member = std::move(member);
        result_.message = "line " + std::to_string(line) + " of group &" + group_ + ": " + what;
        return false;
    }

    LineCursor cur_;
    const std::vector<NamelistMember>& members_;
    std::string group_;
    std::optional<Name> pending_;  // a name already read, with its '='
    std::string lastMember_;       // the member of the last value, for "more than one value"
    NamelistResult result_;
};

}  // namespace

NamelistResult readNamelist(std::istream& in, std::string_view group, const std::vector<NamelistMember>& members) {
    bool first = true;
    const RecordSource next = [&]() -> std::optional<std::string> {
        std::string line;
        if (!std::getline(in, line)) {
            return std::nullopt;
        }
        LineFile::finishLine(line, first);
        first = false;
        return line;
    };
    return GroupReader(next, group, members).run();
}

NamelistResult readNamelist(Units& units, int unit, std::string_view group,
                            const std::vector<NamelistMember>& members) {
    const RecordSource next = [&]() { return units.readLine(unit); };
    return GroupReader(next, group, members).run();
}

}  // namespace quorl::io
