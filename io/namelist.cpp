#include "io/namelist.hpp"

#include <cctype>
#include <deque>
#include <istream>
#include <optional>

#include "io/units.hpp"
#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isQuote(char c) { return c == '\'' || c == '"'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool startsName(const std::string& word) {
    const char c = word.front();
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '&' || c == '$';
}
bool endsWord(char c) { return isBlank(c) || c == ',' || c == '/' || c == '=' || c == '!' || isQuote(c); }

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return u;
}

enum class Kind { Word, Equals, Comma, Slash, End, Text, Unterminated, EndOfFile };

struct Token {
    Kind kind = Kind::EndOfFile;
    std::string text;  // a word as written, a text's contents
    int line = 0;
};

// The tokens of a group, line by line, with up to two tokens of lookahead
// (a word is the next member's name when '=' follows it).
class Lexer {
public:
    explicit Lexer(const RecordSource& next) : next_(next) {}

    // Skips lines up to the one that opens the group, and positions the
    // lexer after the group's name. False if the text has no such group.
    bool findGroup(const std::string& group) {
        while (nextLine()) {
            std::size_t p = 0;
            while (p < line_.size() && isBlank(line_[p])) {
                ++p;
            }
            if (p == line_.size() || (line_[p] != '&' && line_[p] != '$')) {
                continue;
            }
            std::size_t e = ++p;
            while (e < line_.size() && isNameChar(line_[e])) {
                ++e;
            }
            if (upper(std::string_view(line_).substr(p, e - p)) == group) {
                pos_ = e;
                return true;
            }
        }
        return false;
    }

    int line() const { return lineNumber_; }

    const Token& peek(std::size_t ahead = 0) {
        while (queue_.size() <= ahead) {
            queue_.push_back(lex());
        }
        return queue_[ahead];
    }

    Token take() {
        peek();
        Token t = std::move(queue_.front());
        queue_.pop_front();
        return t;
    }

private:
    bool nextLine() {
        std::optional<std::string> l = next_();
        if (!l) {
            atEnd_ = true;
            return false;
        }
        line_ = std::move(*l);
        pos_ = 0;
        ++lineNumber_;
        return true;
    }

    Token lex() {
        for (;;) {
            if (atEnd_) {
                return Token{Kind::EndOfFile, {}, lineNumber_};
            }
            while (pos_ < line_.size() && isBlank(line_[pos_])) {
                ++pos_;
            }
            if (pos_ == line_.size() || line_[pos_] == '!') {
                nextLine();
                continue;
            }
            const char c = line_[pos_];
            if (c == '=' || c == ',' || c == '/') {
                ++pos_;
                return Token{c == '=' ? Kind::Equals : c == ',' ? Kind::Comma : Kind::Slash, std::string(1, c),
                             lineNumber_};
            }
            if (isQuote(c)) {
                return lexText();
            }
            const std::size_t start = pos_;
            while (pos_ < line_.size() && !endsWord(line_[pos_])) {
                ++pos_;
            }
            std::string word = line_.substr(start, pos_ - start);
            const std::string u = upper(word);
            return Token{u == "&END" || u == "$END" ? Kind::End : Kind::Word, std::move(word), lineNumber_};
        }
    }

    Token lexText() {
        const char quote = line_[pos_++];
        Token t{Kind::Text, {}, lineNumber_};
        for (;;) {
            if (pos_ == line_.size()) {
                t.kind = Kind::Unterminated;
                return t;
            }
            const char c = line_[pos_++];
            if (c == quote) {
                if (pos_ < line_.size() && line_[pos_] == quote) {
                    ++pos_;
                } else {
                    return t;
                }
            }
            t.text += c;
        }
    }

    const RecordSource& next_;
    std::string line_;
    std::size_t pos_ = 0;
    int lineNumber_ = 0;
    bool atEnd_ = false;
    std::deque<Token> queue_;
};

class GroupReader {
public:
    GroupReader(const RecordSource& next, std::string_view group, const std::vector<NamelistMember>& members)
        : lexer_(next), members_(members) {
        if (!group.empty() && (group.front() == '&' || group.front() == '$')) {
            group.remove_prefix(1);
        }
        group_ = upper(group);
    }

    NamelistResult run() {
        if (!lexer_.findGroup(group_)) {
            result_.message = "no group &" + group_ + " in the input";
            return result_;
        }
        result_.found = true;
        const int opened = lexer_.line();
        for (;;) {
            Token t = lexer_.take();
            switch (t.kind) {
            case Kind::Slash:
            case Kind::End:
                result_.complete = true;
                result_.status = NamelistStatus::Ok;
                return result_;
            case Kind::Comma:
                continue;
            case Kind::EndOfFile:
                fail(NamelistStatus::EndOfFile, t.line, {},
                     "the input ends inside the group, opened on line " + std::to_string(opened));
                return result_;
            case Kind::Word:
                if (!member(t)) {
                    return result_;
                }
                continue;
            case Kind::Unterminated:
                fail(NamelistStatus::UnterminatedText, t.line, {}, "unterminated text");
                return result_;
            case Kind::Equals:
            case Kind::Text:
                fail(NamelistStatus::Malformed, t.line, {}, "'" + t.text + "' where a name was expected");
                return result_;
            }
        }
    }

private:
    // NAME = value, or NAME = followed by no value. False after a fault.
    bool member(const Token& name) {
        if (name.text.front() == '&' || name.text.front() == '$') {
            return fail(NamelistStatus::Malformed, name.line, name.text,
                        "'" + name.text + "' inside the group: its end ('/') is missing");
        }
        if (lexer_.peek().kind != Kind::Equals) {
            return fail(NamelistStatus::Malformed, name.line, name.text, "'=' missing after '" + name.text + "'");
        }
        lexer_.take();
        const NamelistMember* m = find(name.text);
        if (m == nullptr) {
            return fail(NamelistStatus::UnknownName, name.line, name.text, "unknown name '" + name.text + "'");
        }
        const Token& v = lexer_.peek();
        const bool nextName = v.kind == Kind::Word && lexer_.peek(1).kind == Kind::Equals;
        if (v.kind == Kind::Unterminated) {
            return fail(NamelistStatus::UnterminatedText, v.line, name.text,
                        "unterminated text for " + name.text);
        }
        if ((v.kind != Kind::Word && v.kind != Kind::Text) || nextName) {
            return true;  // a null value: the member keeps its value
        }
        const Token value = lexer_.take();
        if (!assign(*m, name.text, value)) {
            return false;
        }
        // A second value is a fault; a word that starts like a name (a letter,
        // or & and $ of a group) is taken as the next name and judged there.
        const Token& after = lexer_.peek();
        if (after.kind == Kind::Text || (after.kind == Kind::Word && !startsName(after.text))) {
            return fail(NamelistStatus::Malformed, after.line, name.text,
                        "more than one value for " + name.text + " ('" + after.text + "')");
        }
        return true;
    }

    const NamelistMember* find(const std::string& name) const {
        const std::string u = upper(name);
        for (const NamelistMember& m : members_) {
            if (upper(m.name()) == u) {
                return &m;
            }
        }
        return nullptr;
    }

    bool assign(const NamelistMember& m, const std::string& name, const Token& v) {
        const std::string shown = v.kind == Kind::Text ? "the text '" + v.text + "'" : "'" + v.text + "'";
        return std::visit(
            [&](auto target) {
                using T = decltype(target);
                if constexpr (std::is_same_v<T, TextRef>) {
                    if (v.kind != Kind::Text) {
                        return fail(NamelistStatus::WrongType, v.line, name,
                                    name + " takes a quoted text, not " + shown);
                    }
                    target.assign(v.text);
                    return true;
                } else if constexpr (std::is_same_v<T, Quad*>) {
                    if (v.kind == Kind::Text) {
                        return fail(NamelistStatus::WrongType, v.line, name, name + " takes a real, not " + shown);
                    }
                    if (!parseQuad(v.text, *target)) {
                        return fail(NamelistStatus::Malformed, v.line, name,
                                    shown + " for " + name + " is not a real number");
                    }
                    return true;
                } else {
                    if (v.kind == Kind::Text) {
                        return fail(NamelistStatus::WrongType, v.line, name,
                                    name + " takes an integer, not " + shown);
                    }
                    switch (parseInt32(v.text, *target)) {
                    case IntParse::Ok:
                        return true;
                    case IntParse::OutOfRange:
                        return fail(NamelistStatus::Malformed, v.line, name,
                                    shown + " for " + name + " is outside the integer range");
                    case IntParse::NotInteger:
                        break;
                    }
                    Quad ignored{};
                    if (parseQuad(v.text, ignored)) {
                        return fail(NamelistStatus::WrongType, v.line, name,
                                    name + " takes an integer, not the real " + shown);
                    }
                    return fail(NamelistStatus::Malformed, v.line, name,
                                shown + " for " + name + " is not an integer");
                }
            },
            m.target());
    }

    bool fail(NamelistStatus status, int line, std::string member, const std::string& what) {
        result_.status = status;
        result_.line = line;
        result_.member = std::move(member);
        result_.message = "line " + std::to_string(line) + " of group &" + group_ + ": " + what;
        return false;
    }

    Lexer lexer_;
    const std::vector<NamelistMember>& members_;
    std::string group_;
    NamelistResult result_;
};

}  // namespace

NamelistResult readNamelist(std::istream& in, std::string_view group, const std::vector<NamelistMember>& members) {
    const RecordSource next = [&]() -> std::optional<std::string> {
        std::string line;
        if (!std::getline(in, line)) {
            return std::nullopt;
        }
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
