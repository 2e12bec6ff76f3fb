#include "text/om.hpp"

#include <bit>

#include "io/internal_write.hpp"
#include "quad/decimal.hpp"

namespace quorl {

namespace {

struct Limits {
    // Lifts a logarithm that comes out a hair below an integer n, for a
    // ratio of exactly 10**n, to n: a single-precision constant widened.
    Quad logLift = fromFloat(1e-30f);
    Quad mantissaCap = quadFromText("0.999");
    Quad noChange = quadFromText("1e-28");
    Quad ten{10.0, 0.0};
};
const Limits& limits() {
    static const Limits l;
    return l;
}

// RATIO / 10**E without overflowing the power for the widest exponents a
// double-double ratio can have.
Quad divideByPowerOfTen(const Quad& ratio, std::int32_t e) {
    const Quad ten = limits().ten;
    if (e >= -300 && e <= 300) {
        return ratio / pow(ten, e);
    }
    const std::int32_t half = e / 2;
    return ratio / pow(ten, half) / pow(ten, e - half);
}

// The scale text of a positive ratio; fills `kept`.
Text<9> ratioText(const Quad& VALUE1, const Quad& VALUE0, OmScale& kept) {
    const Limits& c = limits();
    kept.RATIO = VALUE1 / VALUE0;
    const Quad lg = log10(kept.RATIO) + c.logLift;
    if (isFinite(lg)) {
        kept.EFACTOR = toInt(floor(lg)) + 1;
        kept.MANTISSA = divideByPowerOfTen(kept.RATIO, kept.EFACTOR);
        if (kept.MANTISSA > c.mantissaCap) {
            kept.MANTISSA = c.mantissaCap;
        }
    } else if (VALUE1 > VALUE0) {
        // The ratio overflowed (to infinity, or to not-a-number inside the
        // double-double division): far beyond any exponent the text can show.
        kept.EFACTOR = 999;
        kept.MANTISSA = c.mantissaCap;
    } else {
        // The ratio underflowed to zero.
        kept.EFACTOR = -999;
        kept.MANTISSA = Quad{0.1, 0.0};
    }

    Text<9> text;
    if (kept.EFACTOR > 9) {
        io::writeInternal(text, "(' +' ,i2,'e',SS,f4.3)", kept.EFACTOR, kept.MANTISSA);
    } else if (kept.EFACTOR >= 1) {
        io::writeInternal(text, "('  +' ,i1,'e',SS,f4.3)", kept.EFACTOR, kept.MANTISSA);
    } else if (kept.EFACTOR >= -9) {
        io::writeInternal(text, "('  -' ,i1,'e',SS,f4.3)", -kept.EFACTOR, kept.MANTISSA);
    } else {
        io::writeInternal(text, "(' -' ,i2,'e',SS,f4.3)", -kept.EFACTOR, kept.MANTISSA);
    }

    // A relative change below 1e-28 is no measurable change at all. A change
    // too large for a quad real is infinite, and an infinite value passes a
    // quad less-than: it keeps its overflow text.
    const Quad relative = abs((VALUE1 - VALUE0) / VALUE0);
    if (isFinite(relative) && relative < c.noChange) {
        text = "  +1e.1  ";
    }
    return text;
}

bool isUndefined(const Quad& v) { return v == omUndefinedMarker(); }

Text<9> scaleText(const Quad& VALUE1, const Quad& VALUE0, OmScale& kept) {
    const Quad zero{};
    if (VALUE1 > zero && VALUE0 > zero) {
        return ratioText(VALUE1, VALUE0, kept);
    }
    // A less-than holds for infinite and undefined operands, so those end
    // here as errors too.
    if (VALUE1 < zero || isUndefined(VALUE1)) {
        return Text<9>("    e.err");
    }
    if (VALUE0 < zero || isUndefined(VALUE0)) {
        return Text<9>("    e.err");
    }
    if (VALUE1 == zero && VALUE0 == zero) {
        return Text<9>("    e.nul");
    }
    if (VALUE1 == zero) {
        return Text<9>("  - e.000");
    }
    if (VALUE0 == zero) {
        return Text<9>("  + e.inf");
    }
    return Text<9>("  + e.unk");
}

}  // namespace

Quad omUndefinedMarker() {
    return Quad{std::bit_cast<double>(std::uint64_t{0x20302020203730B7}),
                std::bit_cast<double>(std::uint64_t{0x1CD35D7A42BE0270})};
}

Text<9> OM(const Quad& VALUE1, const Quad& VALUE0) {
    OmScale scratch;
    return scaleText(VALUE1, VALUE0, scratch);
}

Text<9> OM(const Quad& VALUE1, const Quad& VALUE0, io::Units& units, int IP, OmScale& kept) {
    const Text<9> text = scaleText(VALUE1, VALUE0, kept);
    if (IP > 5) {
        units.write(IP, "(/a9,' = omScale(',e20.12,',',e20.12,',', i2,')')", text, VALUE1, VALUE0, IP);
        units.write(IP, "(20x,e20.12,i5,e20.12/)", kept.RATIO, kept.EFACTOR, kept.MANTISSA);
    }
    return text;
}

}  // namespace quorl
