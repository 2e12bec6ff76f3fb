// Generated cases for the differential test against gfortran: values that
// probe the rounding digit (exact binary ties, near-ties from short decimal
// texts), powers of ten and their neighbours (round-up to a new power, the
// G boundaries), zero and negative zero, subnormals, huge values, the
// integer limits, and fields from too narrow to very wide.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

#include "format_oracle.hpp"
#include "io/format_parse.hpp"

namespace quorl::test {

namespace {

std::mt19937_64& rng() {
    static std::mt19937_64 r(0x5eed2026);
    return r;
}
std::uint64_t bits64() { return rng()(); }
int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng()); }
bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng()) < p; }

double fromText(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += static_cast<char>('0' + uniform(i == 0 ? 1 : 0, 9));
    }
    return s;
}

// A double from one of the families of interesting values.
double interestingDouble(int decimals) {
    double x = 0.0;
    switch (uniform(0, 8)) {
    case 0: {  // any magnitude a report shows
        const double m = std::uniform_real_distribution<double>(1.0, 2.0)(rng());
        x = std::ldexp(m, uniform(-70, 70));
        break;
    }
    case 1: {  // anything, by its bits
        std::uint64_t bits = bits64() & ~(std::uint64_t{1} << 63);
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) {
            x = 1.0;
        }
        break;
    }
    case 2:  // short decimal texts: near-ties at the rounding digit
        x = fromText(digits(uniform(1, 7)) + "e" + std::to_string(uniform(-14, 14)));
        break;
    case 3:  // exact binary ties: an odd multiple of 2^-j ends in 5 at digit j
        x = std::ldexp(static_cast<double>(2 * uniform(0, 1 << 20) + 1), -uniform(1, 24));
        break;
    case 4: {  // powers of ten and their neighbours
        x = fromText("1e" + std::to_string(uniform(-12, 22)));
        for (int s = uniform(-2, 2); s != 0; s += s > 0 ? -1 : 1) {
            x = std::nextafter(x, s > 0 ? HUGE_VAL : 0.0);
        }
        break;
    }
    case 5: {  // 10^k - 0.5 10^(k-d): rounds up to a new power of ten, or not
        const int d = decimals > 0 ? decimals : uniform(1, 17);
        x = fromText(std::string(static_cast<std::size_t>(d), '9') + "5e" + std::to_string(uniform(-d - 6, 8)));
        for (int s = uniform(-1, 1); s != 0; s += s > 0 ? -1 : 1) {
            x = std::nextafter(x, s > 0 ? HUGE_VAL : 0.0);
        }
        break;
    }
    case 6: {  // subnormal
        std::uint64_t bits = bits64() & ((std::uint64_t{1} << 52) - 1);
        std::memcpy(&x, &bits, sizeof x);
        break;
    }
    case 7:  // huge and tiny exponents
        x = std::ldexp(std::uniform_real_distribution<double>(1.0, 2.0)(rng()),
                       chance(0.5) ? uniform(300, 1023) : uniform(-1074, -300));
        break;
    default: {
        static const double special[] = {0.0,     1.0,     0.5,      0.1,     DBL_MAX,  DBL_MIN, DBL_TRUE_MIN,
                                         HUGE_VAL, NAN,    1e100,    1e-100,  9.5,      0.95,    0.05,
                                         99.5,     0.0625, 123456.0, 1e22,    2.5e-310, 1.0 / 3, 2.0 / 3};
        x = special[uniform(0, sizeof special / sizeof special[0] - 1)];
    }
    }
    return chance(0.35) ? -x : x;
}

// A double-double whose value is a binary128 number: a head and a tail of
// at most 113 - 53 bits below it.
Quad interestingQuad(int decimals) {
    for (;;) {
        const double hi = interestingDouble(decimals);
        if (!std::isfinite(hi) || hi == 0.0 || chance(0.1)) {
            return Quad{hi, 0.0};
        }
        const int p = std::ilogb(hi);
        const int lead = uniform(p - 112, p - 54);      // leading bit of the tail
        const int bits = std::min(53, lead - (p - 112) + 1);
        const double m = static_cast<double>(bits64() >> (64 - bits)) + std::ldexp(1.0, bits - 1);
        double lo = std::ldexp(m, lead - bits + 1);
        if (std::fabs(lo) >= std::ldexp(1.0, p - 53)) {
            continue;
        }
        lo = chance(0.5) ? -lo : lo;
        const Quad q{hi, lo};
        if (fitsBinary128(q)) {
            return q;
        }
    }
}

// A value for the 9-digit fields of the drawing files (e18.9, f20.9): exact
// ties of the ninth significant digit (N + 1/2) 10^(k-9), which are binary
// as o 2^-(j+1) when 2N + 1 = 5^j o; ties of the ninth decimal (o 2^-10);
// the values that round up to a new power of ten; random pairs. Each one
// moved to a neighbouring head or given a tail that decides its tie.
Quad ninthDigitQuad() {
    double x;
    switch (uniform(0, 4)) {
    case 0: {
        const int j = uniform(0, 13);
        const double five = std::pow(5.0, j);
        double o = std::ceil(2e8 / five) + uniform(0, static_cast<int>(std::min(1e9, 1.8e9 / five)));
        o += std::fmod(o, 2.0) == 0.0 ? 1.0 : 0.0;
        x = std::ldexp(o, -(j + 1));
        break;
    }
    case 1:
        x = std::ldexp(2.0 * uniform(0, 1 << 30) + 1.0, -10);
        break;
    case 2:
        x = fromText("9999999995e" + std::to_string(uniform(-25, 15)));
        break;
    case 3:
        return interestingQuad(9);
    default:
        x = std::ldexp(std::uniform_real_distribution<double>(1.0, 2.0)(rng()), uniform(-100, 100));
    }
    double lo = 0.0;
    switch (uniform(0, 3)) {
    case 0:
        x = std::nextafter(x, chance(0.5) ? HUGE_VAL : 0.0);
        break;
    case 1:  // one bit 60 places down: a binary128 value still
        lo = chance(0.5) ? std::ldexp(x, -60) : -std::ldexp(x, -60);
        break;
    default:
        break;
    }
    return chance(0.3) ? Quad{-x, -lo} : Quad{x, lo};
}

std::string sp() { return chance(0.1) ? "sp," : ""; }

io::Item realItem(double x, bool allowFloat) {
    if (allowFloat && chance(0.2)) {
        return io::Item{static_cast<float>(x)};
    }
    return io::Item{x};
}

// The data descriptors in the order a write takes them: groups expanded
// with their repeat counts, then the reversion part over and over, up to
// `count` entries.
std::vector<const io::detail::Descriptor*> takeOrder(const io::detail::ParsedFormat& f, std::size_t count,
                                                     bool reversion = true) {
    std::vector<const io::detail::Descriptor*> out;
    const auto expand = [&](auto&& self, std::size_t from, std::size_t to) -> void {
        for (std::size_t i = from; i < to && out.size() < count; ++i) {
            const auto& d = f.ops[i];
            if (d.op == io::detail::Op::GroupOpen) {
                const auto close = static_cast<std::size_t>(d.jump);
                for (int r = 0; r < d.repeat; ++r) {
                    self(self, i + 1, close);
                }
                i = close;
            } else if (io::detail::isDataOp(d.op)) {
                for (int r = 0; r < d.repeat && out.size() < count; ++r) {
                    out.push_back(&d);
                }
            }
        }
    };
    expand(expand, 0, f.ops.size());
    while (reversion && f.reversionHasData && out.size() < count) {
        expand(expand, static_cast<std::size_t>(f.reversion), f.ops.size());
    }
    return out;
}

}  // namespace

void addIntegerCases(OracleCases& list) {
    const std::int64_t limits[] = {0,          1,          -1,         9,          10,         -10,
                                   2147483647, -2147483647 - 1,         999999999,  -999999999,
                                   std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()};
    for (int n = 0; n < 3000; ++n) {
        std::int64_t v;
        if (chance(0.3)) {
            v = limits[uniform(0, 11)];
        } else {
            v = static_cast<std::int64_t>(bits64() >> uniform(1, 63));
            v = chance(0.4) ? -v : v;
        }
        const bool wide = v > 2147483647 || v < -2147483647 - 1 || chance(0.2);
        const io::Item item = wide ? io::Item{v} : io::Item{static_cast<std::int32_t>(v)};
        const int w = chance(0.05) ? 0 : uniform(1, 24);
        std::string desc = "i" + std::to_string(w);
        if (chance(0.4)) {
            desc += "." + std::to_string(uniform(0, w == 0 ? 5 : w));
        }
        if (chance(0.2) && w > 0) {  // binary digits; gfortran writes the bit pattern
            const int bw = uniform(1, 66);
            desc = "b" + std::to_string(bw);
            if (chance(0.4)) {
                desc += "." + std::to_string(uniform(0, bw));
            }
            list.add("B", "(" + desc + ")", {item});
            continue;
        }
        list.add("I", "(" + sp() + desc + ")", {item});
    }
}

void addFixedCases(OracleCases& list) {
    for (int n = 0; n < 7000; ++n) {
        const int w = chance(0.03) ? 0 : (chance(0.8) ? uniform(1, 24) : uniform(25, 50));
        const int d = uniform(0, std::min(w == 0 ? 12 : w - 1, 34));
        const double x = interestingDouble(d);
        list.add("F", "(" + sp() + "f" + std::to_string(w) + "." + std::to_string(d) + ")", {realItem(x, true)});
    }
}

void addExponentCases(OracleCases& list) {
    for (int n = 0; n < 6000; ++n) {
        const int w = chance(0.8) ? uniform(1, 26) : uniform(27, 50);
        const int d = uniform(1, std::min(34, w + 1));
        std::string desc = (chance(0.05) ? "d" : "e") + std::to_string(w) + "." + std::to_string(d);
        if (desc[0] == 'e' && chance(0.15)) {
            desc += "e" + std::to_string(uniform(1, 4));
        }
        list.add("E", "(" + sp() + desc + ")", {realItem(interestingDouble(d), true)});
    }
}

void addGeneralCases(OracleCases& list) {
    for (int n = 0; n < 6000; ++n) {
        const int d = uniform(1, 20);
        const int w = d + uniform(0, 12);
        double x;
        if (chance(0.6)) {
            // the boundaries 10^s - 0.5 10^(s-d) for s = -1 .. d+1, and neighbours
            const int s = uniform(-1, d + 1);
            x = fromText(std::string(static_cast<std::size_t>(d), '9') + "5e" + std::to_string(s - d - 1));
            for (int k = uniform(-2, 2); k != 0; k += k > 0 ? -1 : 1) {
                x = std::nextafter(x, k > 0 ? HUGE_VAL : 0.0);
            }
            x = chance(0.3) ? -x : x;
        } else {
            x = interestingDouble(d);
        }
        std::string desc = "g" + std::to_string(w) + "." + std::to_string(d);
        if (chance(0.15)) {
            desc += "e" + std::to_string(uniform(1, 3));
        }
        list.add("G", "(" + sp() + desc + ")", {realItem(x, true)});
    }
    // G of integers is I editing.
    for (int n = 0; n < 200; ++n) {
        const auto v = static_cast<std::int32_t>(bits64() >> uniform(33, 63));
        list.add("G", "(g" + std::to_string(uniform(1, 14)) + "." + std::to_string(uniform(1, 6)) + ")",
                 {io::Item{chance(0.5) ? -v : v}});
    }
}

void addQuadCases(OracleCases& list) {
    static const char* wide[] = {"f40.32", "e41.32", "f36.31", "e40.31", "f40.29", "f40.21", "f40.12",
                                 "f39.30", "e40.32", "e24.15", "e20.12", "g18.9",  "f19.15", "e17.10"};
    for (int n = 0; n < 5000; ++n) {
        std::string desc;
        int d;
        if (chance(0.5)) {
            desc = wide[uniform(0, sizeof wide / sizeof wide[0] - 1)];
            d = std::atoi(desc.c_str() + desc.find('.') + 1);
        } else {
            const int w = uniform(1, 50);
            d = uniform(1, 34);
            desc = std::string(1, "feg"[uniform(0, 2)]) + std::to_string(w) + "." + std::to_string(d);
        }
        Quad q = interestingQuad(d);
        while (desc[0] == 'g' && gfortranChoosesOtherGForm(q, d)) {
            q = interestingQuad(d);
        }
        list.add("Quad", "(" + sp() + desc + ")", {io::Item{q}});
    }
    // The fields of the drawing files, at the ties and boundaries of their
    // ninth digit.
    for (int n = 0; n < 6000; ++n) {
        const Quad q = ninthDigitQuad();
        list.add("Quad 9 digits", chance(0.6) ? "(e18.9)" : "(f20.9)", {io::Item{q}});
    }
    // Few digits, as the drawing files and reports write them: the writer's
    // fast path for few digits serves these.
    static const char* few[] = {"e18.9", "f20.9", "e14.6", "f12.3", "e12.4", "f25.15", "e22.15"};
    for (int n = 0; n < 4000; ++n) {
        const std::string desc = few[uniform(0, sizeof few / sizeof few[0] - 1)];
        const Quad q = interestingQuad(std::atoi(desc.c_str() + desc.find('.') + 1));
        list.add("Quad few digits", "(" + sp() + desc + ")", {io::Item{q}});
    }
}

// Decimal counts far past the digits a double-double holds (at most 1074
// decimals, fewer than 1400 significant digits): the rest are exact zeros.
void addWideDecimalCases(OracleCases& list) {
    for (int n = 0; n < 80; ++n) {
        const int d = uniform(1000, 6000);
        const char kind = "feg"[uniform(0, 2)];
        const bool quad = kind != 'g' && chance(0.3);
        const int w = d + (kind == 'e' ? uniform(5, 9) : uniform(312, 320));
        const io::Item item = quad ? io::Item{interestingQuad(d)} : realItem(interestingDouble(d), true);
        list.add("wide decimals", "(" + std::string(1, kind) + std::to_string(w) + "." + std::to_string(d) + ")",
                 {item});
    }
}

void addTextCases(OracleCases& list) {
    for (int n = 0; n < 1000; ++n) {
        std::string text;
        const int len = chance(0.1) ? 0 : uniform(1, 90);
        for (int i = 0; i < len; ++i) {
            text += static_cast<char>(uniform(32, 126));
        }
        const std::string_view t = list.keep(text);
        const std::string desc = chance(0.3) ? "a" : "a" + std::to_string(uniform(1, 90));
        list.add("A", "(" + desc + ",'|')", {io::Item{t}});
    }
    // one character per descriptor, with fewer or more items than descriptors
    for (int n = 0; n < 100; ++n) {
        std::vector<io::Item> items;
        const int count = uniform(0, 40);
        for (int i = 0; i < count; ++i) {
            items.emplace_back(list.keep(std::string(1, static_cast<char>(uniform(33, 126)))));
        }
        list.add("A", chance(0.5) ? "(16a1)" : "(a40,2x,16a1)",
                 count > 0 && chance(0.5) ? std::vector<io::Item>{list.keep(std::string(uniform(0, 60), 'x'))}
                                          : items);
    }
}

void addRecordCases(OracleCases& list) {
    static const char* formats[] = {
        "(i3,2(i2,'x'))", "(2i4)", "(3e18.9)", "('a',i2/'b',i2)", "(/i2)", "(i2/)", "(i2,/)", "(//i3//)",
        "(i2,3/,i2)", "(3x,i2,4x)", "(i2,5x,'|')", "('[',2(i3,:,','),']')", "(i4,'  ',\\)", "('x',\\,i2)",
        "(1x,2(i2,1x,f5.1),' end')", "(2(2(i2,'.'),'|'),i1)", "(i2,2(' ',i3),2x,2(f6.2))",
        "(  'Mdtot=' , i7 , a40 , ' SRSS' )", "(I3,1X,F6.2,1x,A)", "(SS,i4,sp,i4,s,i4)",
        "(\"q\"\"\",i2,'''')", "(e12.3,2(i3))", "(45('-'))", "(/,40('/'))", "(1x,i4,a1,a40,\\)",
        "(2('(',i1,')'),/)", "(i2,',',)", "(3(i2))"};
    for (int n = 0; n < 1500; ++n) {
        const std::string fmt = formats[uniform(0, sizeof formats / sizeof formats[0] - 1)];
        const auto& parsed = io::detail::parsedFormat(fmt);
        std::vector<io::Item> items;
        for (const auto* d : takeOrder(parsed, static_cast<std::size_t>(uniform(0, 9)))) {
            if (d->op == io::detail::Op::Int) {
                items.emplace_back(static_cast<std::int32_t>(uniform(-99, 999)));
            } else if (d->op == io::detail::Op::Alpha) {
                items.emplace_back(list.keep(std::string(static_cast<std::size_t>(uniform(0, 3)), 'k')));
            } else {
                items.emplace_back(interestingDouble(2));
            }
        }
        list.add("records", fmt, items);
    }
}

void addSystemFormatCases(OracleCases& list, const std::vector<std::string>& formats) {
    for (const std::string& fmt : formats) {
        const io::detail::ParsedFormat* parsed;
        try {
            parsed = &io::detail::parsedFormat(fmt);
        } catch (const std::invalid_argument&) {
            continue;  // the parse test reports these
        }
        // One pass of the format, and three items more to revert.
        const std::size_t onePass = takeOrder(*parsed, 1000, false).size();
        const auto full = takeOrder(*parsed, onePass + 3);
        std::vector<io::detail::Op> order;
        std::vector<int> repeat, decimals;
        for (const auto* d : full) {
            order.push_back(d->op);
            repeat.push_back(d->w);
            decimals.push_back(d->d);
        }
        for (int variant = 0; variant < 6; ++variant) {
            // none, one short of a pass, a full pass (several value draws), reverting
            std::size_t count = variant == 0 ? 0 : (variant == 1 && onePass > 0 ? onePass - 1 : onePass);
            if (variant == 5) {
                count = order.size();
            }
            std::vector<io::Item> items;
            for (std::size_t i = 0; i < count; ++i) {
                switch (order[i]) {
                case io::detail::Op::Int:
                case io::detail::Op::Bin:
                    items.emplace_back(static_cast<std::int32_t>(bits64() >> uniform(33, 63)));
                    break;
                case io::detail::Op::Alpha: {
                    const int w = repeat[i];
                    items.emplace_back(list.keep(std::string(static_cast<std::size_t>(uniform(0, w < 0 ? 30 : w + 3)), 'z')));
                    break;
                }
                default:
                    if (variant % 2 == 0) {
                        items.emplace_back(interestingDouble(-1));
                    } else {
                        Quad q = interestingQuad(-1);
                        while (order[i] == io::detail::Op::General && gfortranChoosesOtherGForm(q, decimals[i])) {
                            q = interestingQuad(-1);
                        }
                        items.emplace_back(q);
                    }
                }
            }
            list.add("system formats", fmt, items);
        }
    }
}

void addFreeFormCases(OracleCases& list) {
    for (int n = 0; n < 3000; ++n) {
        std::vector<io::Item> items;
        const int count = uniform(0, 7);
        for (int i = 0; i < count; ++i) {
            switch (uniform(0, 5)) {
            case 0:
                items.emplace_back(static_cast<std::int32_t>(bits64() >> uniform(32, 63)) * (chance(0.3) ? -1 : 1));
                break;
            case 1:
                items.emplace_back(static_cast<std::int64_t>(bits64() >> uniform(1, 63)) * (chance(0.3) ? -1 : 1));
                break;
            case 2:
                items.emplace_back(static_cast<float>(interestingDouble(8)));
                break;
            case 3:
                items.emplace_back(interestingDouble(16));
                break;
            case 4:
                items.emplace_back(interestingQuad(35));
                break;
            default:
                items.emplace_back(list.keep(std::string(static_cast<std::size_t>(uniform(0, 5)), "ab c"[uniform(0, 3)])));
            }
        }
        list.add("free-form", "*", items);
    }
}

}  // namespace quorl::test
