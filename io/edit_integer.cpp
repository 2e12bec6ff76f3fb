// I, B and A editing, and the asterisk fill of a field too narrow.
#include <string>

#include "io/edit.hpp"

namespace quorl::io::detail {

void fillStars(std::string& out, int w) { out.append(static_cast<std::size_t>(w > 0 ? w : 1), '*'); }

namespace {

// digits (most significant first) padded with zeros to at least m, with an
// optional sign, right-justified in w. A zero value with m == 0 has no digits.
void writeDigits(std::string& out, const char* digits, int nd, char sign, int w, int m) {
    const int shown = nd > m ? nd : m;
    const int len = shown + (sign != 0 ? 1 : 0);
    if (w > 0 && len > w) {
        fillStars(out, w);
        return;
    }
    if (w > len) {
        out.append(static_cast<std::size_t>(w - len), ' ');
    }
    if (sign != 0) {
        out.push_back(sign);
    }
    out.append(static_cast<std::size_t>(shown - nd), '0');
    out.append(digits, static_cast<std::size_t>(nd));
}

}  // namespace

void editInteger(std::string& out, bool negative, std::uint64_t magnitude, int w, int m, bool plus) {
    char buf[24];
    int nd = 0;
    if (magnitude != 0 || m != 0) {
        char rev[24];
        do {
            rev[nd++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        for (int i = 0; i < nd; ++i) {
            buf[i] = rev[nd - 1 - i];
        }
    }
    // Iw.0 of zero is all blanks, without a sign.
    const char sign = nd == 0 ? 0 : (negative ? '-' : (plus ? '+' : 0));
    if (w == 0 && nd == 0 && m == 0) {
        // I0.0 of zero: gfortran writes one blank.
        out.push_back(' ');
        return;
    }
    writeDigits(out, buf, nd, sign, w, m < 0 ? 1 : m);
}

void editBinary(std::string& out, std::uint64_t bits, int w, int m) {
    char buf[64];
    int nd = 0;
    if (bits != 0 || m != 0) {
        const int top = bits == 0 ? 0 : 63 - __builtin_clzll(bits);
        for (int i = top; i >= 0; --i) {
            buf[nd++] = static_cast<char>('0' + ((bits >> i) & 1U));
        }
    }
    if (w == 0 && nd == 0 && m == 0) {
        out.push_back(' ');
        return;
    }
    writeDigits(out, buf, nd, 0, w, m < 0 ? 1 : m);
}

void editAlpha(std::string& out, std::string_view text, int w) {
    if (w < 0) {
        out.append(text);
        return;
    }
    const auto width = static_cast<std::size_t>(w);
    if (text.size() >= width) {
        out.append(text.substr(0, width));
        return;
    }
    out.append(width - text.size(), ' ');
    out.append(text);
}

}  // namespace quorl::io::detail
