#include "io/table_quick_reader.hpp"

#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

// The bytes a line is split at, as the checked reader splits it.
enum : unsigned char { kOrdinary = 0, kBlank, kComma, kHash, kNul };
constexpr auto kClass = [] {
    std::array<unsigned char, 256> c{};
    for (const unsigned char b : {' ', '\t', '\r', '\v', '\f'}) {
        c[b] = kBlank;
    }
    c[static_cast<unsigned char>(',')] = kComma;
    c[static_cast<unsigned char>('#')] = kHash;
    c[0] = kNul;
    return c;
}();

// The block read at once; a longer line is left to the checked reader.
constexpr std::size_t kBlock = std::size_t{1} << 18;

}  // namespace

QuickTableReader::QuickTableReader(std::string file, int columns, std::vector<int> wanted)
    : file_(std::move(file)), columns_(columns), wanted_(std::move(wanted)),
      want_(static_cast<std::size_t>(columns), 0), values_(static_cast<std::size_t>(columns)), block_(kBlock) {
    for (const int c : wanted_) {
        if (c < 1 || c > columns_) {
            gaveUp_ = true;
            return;
        }
        want_[static_cast<std::size_t>(c - 1)] = 1;
    }
    in_.open(file_, std::ios::binary);
    gaveUp_ = !in_;
}

void QuickTableReader::start(std::uint64_t begin, std::uint64_t end, std::int64_t skip) {
    at_ = filled_ = 0;
    left_ = end > begin ? end - begin : 0;
    first_ = begin == 0 && skip == 0;
    if (gaveUp_) {
        return;
    }
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(begin));
    if (!in_) {
        gaveUp_ = true;
        return;
    }
    const char* line;
    std::size_t length;
    for (std::int64_t k = 0; k < skip; ++k) {
        if (!nextLine(line, length)) {
            gaveUp_ = true;  // the part ends before its first row
            return;
        }
    }
}

bool QuickTableReader::nextLine(const char*& line, std::size_t& length) {
    for (;;) {
        if (at_ < filled_) {
            const char* const s = block_.data() + at_;
            if (const void* nl = std::memchr(s, '\n', filled_ - at_)) {
                line = s;
                length = static_cast<std::size_t>(static_cast<const char*>(nl) - s);
                at_ += length + 1;
                return true;
            }
            if (left_ == 0) {
                // The file ends without a line end; a part that ends
                // within a line is one the scan did not cut (the file
                // changed).
                if (in_.eof()) {
                    line = s;
                    length = filled_ - at_;
                    at_ = filled_;
                    return true;
                }
                return giveUp();
            }
        } else if (left_ == 0 || in_.eof()) {
            return false;
        }
        if (at_ == 0 && filled_ == block_.size()) {
            return giveUp();  // a line longer than the block
        }
        std::memmove(block_.data(), block_.data() + at_, filled_ - at_);
        filled_ -= at_;
        at_ = 0;
        const std::size_t room = block_.size() - filled_;
        const auto want = static_cast<std::streamsize>(left_ < room ? left_ : room);
        in_.read(block_.data() + filled_, want);
        const auto got = static_cast<std::size_t>(in_.gcount());
        if (in_.bad()) {
            return giveUp();
        }
        filled_ += got;
        left_ -= got;
        if (static_cast<std::streamsize>(got) < want) {
            left_ = 0;  // the end of the file
        }
    }
}

bool QuickTableReader::next(Quad* values) {
    const char* line;
    std::size_t length;
    while (!gaveUp_ && nextLine(line, length)) {
        if (first_) {
            first_ = false;
            const std::string_view text(line, length);
            if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
                return giveUp();
            }
            if (text.starts_with("\xEF\xBB\xBF")) {
                line += 3;
                length -= 3;
            }
        }
        if (splitLine(line, length)) {
            for (std::size_t k = 0; k < wanted_.size(); ++k) {
                values[k] = values_[static_cast<std::size_t>(wanted_[k] - 1)];
            }
            return true;
        }
    }
    return false;
}

// The checked reader's split (TableReader::split), taking the numbers of the
// wanted columns as it goes; false for a line without fields, and on giving
// up where that reader stops or where a number is not one.
bool QuickTableReader::splitLine(const char* t, std::size_t n) {
    auto cls = [&](std::size_t k) { return kClass[static_cast<unsigned char>(t[k])]; };
    std::size_t i = 0;
    while (i < n && cls(i) == kBlank) {
        ++i;
    }
    int count = 0;
    while (i < n && t[i] != '#') {
        if (count == columns_ || t[i] == ',') {
            return giveUp();
        }
        std::string_view field;
        if (t[i] == '"') {
            const std::size_t start = ++i;
            bool closed = false, doubled = false;
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
                if (t[i] == '\0') {
                    return giveUp();
                }
            }
            if (!closed) {
                return giveUp();
            }
            field = std::string_view(t + start, i - start);
            ++i;
            if (i < n && (cls(i) == kOrdinary || cls(i) == kNul)) {
                return giveUp();  // text after the closing quote
            }
            if (doubled && want_[static_cast<std::size_t>(count)] != 0) {
                return giveUp();  // a quote inside: not a number
            }
        } else {
            const std::size_t start = i;
            while (i < n && cls(i) == kOrdinary) {
                ++i;
            }
            if (i < n && cls(i) == kNul) {
                return giveUp();
            }
            field = std::string_view(t + start, i - start);
        }
        if (want_[static_cast<std::size_t>(count)] != 0) {
            Quad& q = values_[static_cast<std::size_t>(count)];
            if (!parseQuad(field, q) || !std::isfinite(q.hi)) {
                return giveUp();
            }
        }
        ++count;
        while (i < n && cls(i) == kBlank) {
            ++i;
        }
        if (i < n && t[i] == ',') {
            ++i;
            while (i < n && cls(i) == kBlank) {
                ++i;
            }
            if (i == n || t[i] == '#') {
                return giveUp();  // nothing after the comma
            }
        }
    }
    if (i < n && std::memchr(t + i, '\0', n - i) != nullptr) {
        return giveUp();  // a NUL byte in the comment
    }
    if (count == 0) {
        return false;
    }
    return count == columns_ || giveUp();
}

}  // namespace quorl::io
