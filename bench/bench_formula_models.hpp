// The formula models the formula benchmarks share: a*exp(-b*x) + c (3
// parameters, one exp) and NIST's ENSO (9 parameters, six sines and
// cosines), with parameter values near their fits and the range of x.
#pragma once

#include <string>
#include <vector>

namespace quorl::bench {

struct FormulaModel {
    const char* formula;
    std::vector<std::string> names;
    std::vector<const char*> values;
    double xLow, xHigh;
};

inline const FormulaModel kExpDecay{
    "a*exp(-b*x) + c", {"a", "b", "c"}, {"5.0014119882", "0.79379645599", "1.1917959562"}, 0, 10};

inline const FormulaModel kEnso{"b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + b6*sin(2*pi*x/b4) + "
                                "b8*cos(2*pi*x/b7) + b9*sin(2*pi*x/b7)",
                                {"b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9"},
                                {"10.510749193", "3.0762128085", "0.53280138227", "44.311088700", "-1.6231428586",
                                 "0.52554493756", "26.887614440", "0.21232288488", "1.4966870418"},
                                1, 168};

}  // namespace quorl::bench
