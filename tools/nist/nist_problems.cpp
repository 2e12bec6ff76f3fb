#include "tools/nist/nist_problems.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "quad/decimal.hpp"

namespace quorl::nist {

namespace {

// One line of the file split at blanks, with its line number for messages.
struct Line {
    int number = 0;
    std::vector<std::string> words;
};

std::vector<Line> readLines(std::istream& in) {
    std::vector<Line> lines;
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        // The files have DOS line ends; a CR is a blank like any other.
        std::replace(text.begin(), text.end(), '\r', ' ');
        std::istringstream split(text);
        Line line{n, {}};
        for (std::string w; split >> w;) {
            line.words.push_back(w);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

class Reader {
public:
    Reader(const std::string& source) : source_(source) {}

    [[noreturn]] void fail(int line, const std::string& what) const {
        throw std::runtime_error(source_ + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what);
    }

    Quad number(const Line& line, std::size_t word) const {
        if (word >= line.words.size()) {
            fail(line.number, "a number is missing");
        }
        Quad v{};
        if (!parseQuad(line.words[word], v)) {
            fail(line.number, "'" + line.words[word] + "' is not a number");
        }
        return v;
    }

    int count(const Line& line, std::size_t word) const {
        const std::string& w = line.words.at(word);
        if (w.empty() || w.size() > 6 || !std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            fail(line.number, "'" + w + "' is not a count");
        }
        return std::stoi(w);
    }

private:
    std::string source_;
};

// b1, b2, ...
bool isParameterName(const std::string& w) {
    return w.size() > 1 && w[0] == 'b' && std::all_of(w.begin() + 1, w.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool startsWith(const Line& line, std::initializer_list<const char*> words) {
    std::size_t i = 0;
    for (const char* w : words) {
        if (i >= line.words.size() || line.words[i] != w) {
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace

Problem parseProblem(std::istream& in, const std::string& source) {
    const Reader r(source);
    const std::vector<Line> lines = readLines(in);
    Problem p;
    int rssCount = 0, obsCheck = -1;
    std::size_t dataHeader = 0;
    for (std::size_t i = 0; i < lines.size() && dataHeader == 0; ++i) {
        const Line& l = lines[i];
        const std::size_t n = l.words.size();
        if (startsWith(l, {"Dataset", "Name:"}) && n >= 3) {
            p.name = l.words[2];
        } else if (n >= 2 && l.words[1] == "Parameters" && p.parameterCount == 0) {
            p.parameterCount = r.count(l, 0);  // "3 Parameters (b1 to b3)"
        } else if (n == 2 && l.words[1] == "Observations") {
            p.observationCount = r.count(l, 0);  // "14 Observations"
        } else if (n >= 2 && isParameterName(l.words[0]) && l.words[1] == "=") {
            // "b1 =   500   250   2.3894212918E+02  2.7070075241E+00"
            if (l.words[0] != "b" + std::to_string(p.certified.size() + 1)) {
                r.fail(l.number, "parameter " + l.words[0] + " is out of order");
            }
            if (n != 6) {
                r.fail(l.number, "a parameter line has two starting values, the certified value and its standard deviation");
            }
            p.start[0].push_back(r.number(l, 2));
            p.start[1].push_back(r.number(l, 3));
            p.certified.push_back(r.number(l, 4));
            p.certifiedSd.push_back(r.number(l, 5));
        } else if (startsWith(l, {"Residual", "Sum", "of", "Squares:"})) {
            p.certifiedRss = r.number(l, 4);
            ++rssCount;
        } else if (startsWith(l, {"Number", "of", "Observations:"})) {
            obsCheck = r.count(l, 3);
        } else if (startsWith(l, {"Data:", "y"})) {
            dataHeader = i + 1;  // "Data:   y   x" or "Data:   y   x1   x2"
            p.predictorCount = static_cast<int>(n) - 2;
        }
    }

    if (p.name.empty()) {
        r.fail(0, "no 'Dataset Name:' line");
    }
    if (p.parameterCount <= 0 || p.observationCount <= 0) {
        r.fail(0, "the header gives no count of parameters or of observations");
    }
    if (static_cast<int>(p.certified.size()) != p.parameterCount) {
        r.fail(0, "the header announces " + std::to_string(p.parameterCount) + " parameters, the file lists " +
                      std::to_string(p.certified.size()));
    }
    if (rssCount != 1) {
        r.fail(0, "no single 'Residual Sum of Squares:' line");
    }
    if (obsCheck != p.observationCount) {
        r.fail(0, "the two counts of observations disagree");
    }
    if (dataHeader == 0) {
        r.fail(0, "no data table (a line 'Data:  y  x')");
    }
    if (p.predictorCount < 1 || p.predictorCount > kMaxPredictors) {
        r.fail(static_cast<int>(dataHeader), "the data table has " + std::to_string(p.predictorCount) + " predictors");
    }

    for (std::size_t i = dataHeader; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.words.empty()) {
            continue;
        }
        if (static_cast<int>(l.words.size()) != 1 + p.predictorCount) {
            r.fail(l.number, "a data row has " + std::to_string(l.words.size()) + " columns, not " +
                                 std::to_string(1 + p.predictorCount));
        }
        Observation o;
        o.y = r.number(l, 0);
        for (int j = 0; j < p.predictorCount; ++j) {
            o.x[static_cast<std::size_t>(j)] = r.number(l, static_cast<std::size_t>(j) + 1);
        }
        p.data.push_back(o);
    }
    if (static_cast<int>(p.data.size()) != p.observationCount) {
        r.fail(0, "the header announces " + std::to_string(p.observationCount) + " observations, the table has " +
                      std::to_string(p.data.size()));
    }
    return p;
}

Problem loadProblem(const std::string& dir, const std::string& name) {
    const std::vector<std::string>& names = problemNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        std::string known;
        for (const std::string& n : names) {
            known += " " + n;
        }
        throw std::runtime_error("no problem is called '" + name + "'; the problems are" + known);
    }
    const std::string path = dir + "/" + name + ".dat";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path + ": cannot be read");
    }
    Problem p = parseProblem(in, path);
    if (p.name != name) {
        throw std::runtime_error(path + ": holds the problem " + p.name + ", not " + name);
    }
    if (!attachModel(p)) {
        throw std::runtime_error(path + ": no model is known for the problem " + name);
    }
    return p;
}

Quad Problem::response(const Observation& o) const { return logResponse ? log(o.y) : o.y; }

Quad Problem::value(std::span<const Quad> b, const Observation& o) const {
    return model(b, std::span<const Quad>(o.x.data(), static_cast<std::size_t>(predictorCount)));
}

Quad residualSumOfSquares(const Problem& p, std::span<const Quad> b) {
    Quad sum{};
    for (const Observation& o : p.data) {
        const Quad r = p.response(o) - p.value(b, o);
        sum += r * r;
    }
    return sum;
}

double logRelativeError(Quad got, Quad want) {
    if (!isFinite(got)) {
        return 0.0;
    }
    const Quad rel = abs((got - want) / want);
    if (rel.hi == 0.0) {
        return 11.0;
    }
    return std::clamp(-std::log10(rel.hi), 0.0, 11.0);
}

}  // namespace quorl::nist
