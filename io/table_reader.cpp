#include "io/table_reader.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>

#include "io/stop.hpp"
#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A field as shown in a message: quoted, and cut when it is long (a binary
// file read as a table has "fields" of any length).
std::string shown(std::string_view field) {
    constexpr std::size_t kShown = 40;
    if (field.size() <= kShown) {
        return "\"" + std::string(field) + "\"";
    }
    return "\"" + std::string(field.substr(0, kShown)) + "...\"";
}

}  // namespace

TableReader::TableReader(std::string file) : file_(std::move(file)) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(file_, ec);
    if (st.type() == std::filesystem::file_type::not_found) {
        failFile(0, "no such file");
    }
    if (st.type() == std::filesystem::file_type::directory) {
        failFile(0, "is a directory, not a file");
    }
    // A FIFO would block the run (and be read twice); a device may never end.
    if (st.type() != std::filesystem::file_type::regular && st.type() != std::filesystem::file_type::not_found &&
        st.type() != std::filesystem::file_type::none) {
        failFile(0, "is not a regular file (a FIFO, a device or a socket): give the table as a file");
    }
    line_buffer_.resize(4096);
    errno = 0;
    in_.open(file_, std::ios::binary);
    if (!in_) {
        const int why = errno;
        failFile(0, std::string("cannot be read: ") + (why != 0 ? std::strerror(why) : "open failed"));
    }
    if (!readRow()) {
        return;
    }
    firstRowLine_ = line_;
    columns_ = count_;
    // A header is a first row with any field that is not a number.
    for (int c = 0; c < count_; ++c) {
        Quad q;
        if (!parseQuad(fields_[static_cast<std::size_t>(c)], q)) {
            header_.assign(fields_.begin(), fields_.begin() + count_);
            return;
        }
    }
    pending_ = true;
}

TableReader::TableReader(const TableReader& first, std::uint64_t begin, std::uint64_t end, std::int64_t linesBefore)
    : file_(first.file_), header_(first.header_), columns_(first.columns_), firstRowLine_(first.firstRowLine_),
      line_(linesBefore), at_(begin), end_(end) {
    line_buffer_.resize(4096);
    errno = 0;
    in_.open(file_, std::ios::binary);
    in_.seekg(static_cast<std::streamoff>(begin));
    if (!in_) {
        const int why = errno;
        failFile(0, std::string("cannot be read: ") + (why != 0 ? std::strerror(why) : "open failed"));
    }
}

bool TableReader::next() {
    if (pending_) {
        pending_ = false;
        ++rows_;
        return true;
    }
    if (!readRow()) {
        return false;
    }
    ++rows_;
    if (count_ < columns_) {
        const std::string counts = std::to_string(count_) + (count_ == 1 ? " field" : " fields") +
                                   " where the table has " + std::to_string(columns_) + " (as on line " +
                                   std::to_string(firstRowLine_) + ")";
        fail(count_ + 1, "missing: the row has " + counts);
    }
    return true;
}

std::string_view TableReader::field(int column) const {
    if (column < 1 || column > count_) {
        fail(0, "no column " + std::to_string(column) + " (the table has " + std::to_string(count_) + " columns)");
    }
    return fields_[static_cast<std::size_t>(column - 1)];
}

Quad TableReader::number(int column) const {
    const std::string_view text = field(column);
    Quad q;
    if (!parseQuad(text, q)) {
        fail(column, shown(text) + " is not a number");
    }
    if (!std::isfinite(q.hi)) {
        fail(column, shown(text) + " lies beyond the range of a quad real");
    }
    return q;
}

void TableReader::fail(int column, std::string_view what) const {
    std::string m = "Quorl: data table " + file_ + ", line " + std::to_string(line_);
    if (column > 0) {
        m += ", " + columnLabel(column);
    }
    m += ": ";
    m += what;
    m += ".";
    stop(std::move(m), kDataTableStatus);
}

void TableReader::failFile(std::int64_t line, std::string_view what) const {
    std::string m = "Quorl: data table " + file_;
    if (line > 0) {
        m += ", line " + std::to_string(line);
    }
    m += ": ";
    m += what;
    m += ".";
    stop(std::move(m), kDataTableStatus);
}

std::string TableReader::columnLabel(int column) const {
    std::string label = "column " + std::to_string(column);
    if (column >= 1 && static_cast<std::size_t>(column) <= header_.size()) {
        const std::string& name = header_[static_cast<std::size_t>(column - 1)];
        label += " (" + (name.size() <= 40 ? name : name.substr(0, 40) + "...") + ")";
    }
    return label;
}

bool TableReader::readRow() {
    for (;;) {
        if (at_ >= end_) {
            return false;
        }
        // The line into the buffer, which grows (from 4 KiB, doubling) while
        // a line does not fit, up to the longest line allowed and its end.
        std::size_t length = 0;
        bool ended = false;  // by a line end (else by the end of the file)
        for (;;) {
            const auto room = static_cast<std::streamsize>(line_buffer_.size() - length);
            in_.getline(line_buffer_.data() + length, room);
            const auto got = static_cast<std::size_t>(in_.gcount());
            at_ += got;
            if (in_.bad()) {
                failFile(line_ + 1, std::string("read error: ") + std::strerror(errno));
            }
            length += got;
            if (in_.fail() && !in_.eof() && got + 1 == static_cast<std::size_t>(room)) {
                // The buffer is full and the line goes on.
                if (line_buffer_.size() >= kMaxLineLength + 2) {
                    failFile(line_ + 1, "the line is longer than " + std::to_string(kMaxLineLength) +
                                            " characters (a table has one row per line)");
                }
                in_.clear();
                line_buffer_.resize(std::min(2 * line_buffer_.size(), kMaxLineLength + 2));
                continue;
            }
            ended = !in_.eof() && !in_.fail();
            break;
        }
        if (length == 0 && !ended) {
            return false;
        }
        ++line_;
        // gcount counted the line end.
        length -= ended ? 1 : 0;
        if (length > kMaxLineLength) {
            failFile(line_, "the line is longer than " + std::to_string(kMaxLineLength) +
                                " characters (a table has one row per line)");
        }
        char* const buffer = line_buffer_.data();
        text_ = std::string_view(buffer, length);
        if (line_ == 1) {
            if (text_.starts_with("\xFF\xFE") || text_.starts_with("\xFE\xFF")) {
                failFile(0, "is UTF-16 text; save it as UTF-8 or ASCII");
            }
            if (text_.starts_with("\xEF\xBB\xBF")) {
                text_.remove_prefix(3);
            }
        }
        if (text_.find('\0') != std::string_view::npos) {
            failFile(line_, "holds a NUL byte: it is not a text file");
        }
        split();
        if (count_ > 0) {
            return true;
        }
        if (in_.eof()) {
            return false;
        }
    }
}

// Fields are separated by blanks or by one comma with any blanks around it;
// a comma with nothing before or after it leaves an empty field, which is
// refused rather than read as zero. Once the first row has set the number
// of fields, one more stops the reading at once.
void TableReader::split() {
    count_ = 0;
    std::size_t quotedCount = 0;
    const std::string_view t = text_;
    const std::size_t n = t.size();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(t[i])) {
            ++i;
        }
    };
    auto atEnd = [&] { return i >= n || t[i] == '#'; };
    skipBlanks();
    while (!atEnd()) {
        if (columns_ > 0 && count_ == columns_) {
            fail(columns_ + 1, "one field too many: the table has " + std::to_string(columns_) +
                                   (columns_ == 1 ? " field" : " fields") + " per row (as on line " +
                                   std::to_string(firstRowLine_) + ")");
        }
        if (static_cast<std::size_t>(count_) == fields_.size()) {
            fields_.emplace_back();
        }
        std::string_view& f = fields_[static_cast<std::size_t>(count_)];
        ++count_;
        if (t[i] == ',') {
            fail(count_, "empty field (nothing before the comma)");
        }
        if (t[i] == '"') {
            bool closed = false;
            bool doubled = false;
            const std::size_t start = ++i;
            for (; i < n; ++i) {
                if (t[i] == '"') {
                    if (i + 1 < n && t[i + 1] == '"') {
                        doubled = true;
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
            }
            if (!closed) {
                fail(count_, "the quote is not closed");
            }
            f = t.substr(start, i - start);
            ++i;
            if (doubled) {
                // "" inside the quotes stands for one quote.
                if (quotedCount == unquoted_.size()) {
                    unquoted_.emplace_back();
                }
                std::string& text = unquoted_[quotedCount++];
                text.clear();
                for (std::size_t k = 0; k < f.size(); ++k) {
                    text += f[k];
                    k += f[k] == '"' ? 1 : 0;
                }
                f = text;
            }
            if (i < n && !isBlank(t[i]) && t[i] != ',' && t[i] != '#') {
                fail(count_, "text after the closing quote");
            }
        } else {
            const std::size_t start = i;
            while (i < n && !isBlank(t[i]) && t[i] != ',' && t[i] != '#') {
                ++i;
            }
            f = t.substr(start, i - start);
        }
        skipBlanks();
        if (i < n && t[i] == ',') {
            ++i;
            skipBlanks();
            if (atEnd()) {
                fail(count_ + 1, "empty field (nothing after the comma)");
            }
        }
    }
}

}  // namespace quorl::io
