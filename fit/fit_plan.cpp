#include "fit/fit_plan.hpp"

#include <algorithm>
#include <string>

#include "io/format.hpp"
#include "io/upper_case.hpp"
#include "quad/decimal.hpp"

namespace quorl::fit {

namespace {

// A parameter's name is its PNAME in the reports and the result files.
constexpr std::size_t kNameRoom = 16;

std::string listed(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return list;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A name of a parameter or an auxiliary column, checked.
void checkName(std::string_view member, std::string_view text, const Entry& name) {
    if (!formula::isName(name.text)) {
        memberError(member, text, name.column,
                    quoted(name.text) + " is not a name (a letter or _, then letters, digits and _)");
    }
    if (formula::isReservedName(name.text)) {
        memberError(member, text, name.column, quoted(name.text) + " is the name of a function or of pi");
    }
}

int indexOf(const std::vector<std::string>& names, std::string_view name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

void readParameters(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.PARAMETERS.trimmed();
    const std::vector<Entry> entries = splitEntries("PARAMETERS", text, ',');
    if (entries.empty()) {
        memberError("PARAMETERS", text, std::string_view::npos,
                    "no parameters: list each with its starting value, PARAMETERS = 'a = 1, b = 0.5'.");
    }
    for (const Entry& e : entries) {
        const Assignment a = splitAssignment("PARAMETERS", text, e);
        checkName("PARAMETERS", text, a.name);
        if (a.name.text.size() > kNameRoom) {
            memberError("PARAMETERS", text, a.name.column,
                        "a parameter's name has at most " + std::to_string(kNameRoom) + " characters");
        }
        if (indexOf(plan.parameters, a.name.text) >= 0) {
            memberError("PARAMETERS", text, a.name.column, "the parameter " + quoted(a.name.text) + " is listed twice");
        }
        if (!a.hasValue) {
            memberError("PARAMETERS", text, a.name.column,
                        "the parameter " + quoted(a.name.text) + " has no starting value: write " +
                            std::string(a.name.text) + " = <value>");
        }
        Quad start{};
        if (!parseQuad(a.value.text, start) || !isFinite(start)) {
            memberError("PARAMETERS", text, a.value.column,
                        "the starting value " + quoted(a.value.text) + " is not a number");
        }
        plan.parameters.emplace_back(a.name.text);
        plan.starts.push_back(start);
    }
    plan.held.assign(plan.parameters.size(), false);
}

void readHold(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.HOLD.trimmed();
    for (const Entry& e : splitEntries("HOLD", text, ',')) {
        const int k = indexOf(plan.parameters, e.text);
        if (k < 0) {
            memberError("HOLD", text, e.column,
                        quoted(e.text) + " is not a parameter (the parameters: " + listed(plan.parameters) + ")");
        }
        plan.held[static_cast<std::size_t>(k)] = true;
    }
}

// LANDSCAPE: two different free parameters, or nothing.
void readLandscape(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.LANDSCAPE.trimmed();
    const std::vector<Entry> entries = splitEntries("LANDSCAPE", text, ',');
    if (entries.empty()) {
        return;
    }
    const std::string form = "LANDSCAPE = '" + plan.parameters.front() + ", " +
                             plan.parameters[std::min<std::size_t>(1, plan.parameters.size() - 1)] + "'";
    if (entries.size() != 2) {
        memberError("LANDSCAPE", text, entries.size() > 2 ? entries[2].column : std::string_view::npos,
                    "names " + std::to_string(entries.size()) + (entries.size() == 1 ? " parameter" : " parameters") +
                        ": the landscape is drawn over two, " + form);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const Entry& e = entries[i];
        const int k = indexOf(plan.parameters, e.text);
        if (k < 0) {
            memberError("LANDSCAPE", text, e.column,
                        quoted(e.text) + " is not a parameter (the parameters: " + listed(plan.parameters) + ")");
        }
        if (plan.held[static_cast<std::size_t>(k)]) {
            memberError("LANDSCAPE", text, e.column,
                        "the parameter " + quoted(e.text) + " is held (HOLD): the landscape is drawn over free ones");
        }
        if (i == 1 && k + 1 == plan.landscape[0]) {
            memberError("LANDSCAPE", text, e.column,
                        "the parameter " + quoted(e.text) + " is named twice: the landscape needs two different ones");
        }
        plan.landscape[i] = k + 1;
    }
}

// PLOTX: one of AUXILIARY's names, or nothing.
void readPlotAgainst(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.PLOTX.trimmed();
    const std::vector<Entry> entries = splitEntries("PLOTX", text, ',');
    if (entries.empty()) {
        return;
    }
    const int k = indexOf(plan.auxiliary, entries.front().text);
    if (entries.size() > 1 || k < 0) {
        const Entry& e = entries.size() > 1 ? entries[1] : entries.front();
        memberError("PLOTX", text, e.column,
                    "names one of the auxiliary names to draw the fit against (AUXILIARY: " + listed(plan.auxiliary) +
                        ")");
    }
    plan.plotAgainst = k + 1;
}

// AUXILIARY's names; their columns are bound by planColumns.
void readAuxiliaryNames(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.AUXILIARY.trimmed();
    for (const Entry& e : splitEntries("AUXILIARY", text, ',')) {
        const Assignment a = splitAssignment("AUXILIARY", text, e);
        checkName("AUXILIARY", text, a.name);
        if (indexOf(plan.auxiliary, a.name.text) >= 0) {
            memberError("AUXILIARY", text, a.name.column, quoted(a.name.text) + " is listed twice");
        }
        if (indexOf(plan.parameters, a.name.text) >= 0) {
            memberError("AUXILIARY", text, a.name.column,
                        quoted(a.name.text) + " is the name of a parameter: give the column another name, " +
                            "AUXILIARY = 'x_" + std::string(a.name.text) + " = " + std::string(a.name.text) + "'");
        }
        plan.auxiliary.emplace_back(a.name.text);
    }
}

void compileFormulas(const FitGroup& g, FitPlan& plan) {
    const std::string_view text = g.FORMULA.trimmed();
    plan.formulaText = std::string(text);
    const std::vector<Entry> entries = splitEntries("FORMULA", text, ';');
    if (entries.empty()) {
        memberError("FORMULA", text, std::string_view::npos,
                    "no formula: FORMULA = 'a*exp(-b*x)' gives the modelled value of the measured column.");
    }
    const formula::Names names{plan.parameters, plan.auxiliary};
    for (const Entry& e : entries) {
        try {
            plan.formulas.push_back(formula::compile(e.text, names));
            plan.formulaTexts.emplace_back(e.text);
        } catch (const formula::FormulaError& fault) {
            std::string what = fault.what();
            if (fault.kind() == formula::FormulaError::Kind::UnknownName) {
                what += ": a formula uses the parameters " + listed(plan.parameters) +
                        (plan.auxiliary.empty() ? " and no columns (name the columns it uses in AUXILIARY)"
                                                : " and the auxiliary columns " + listed(plan.auxiliary) +
                                                      " (AUXILIARY)");
            }
            memberError("FORMULA", text, e.column + fault.column(), what);
        }
    }
    // A free parameter that no formula uses has no partial derivatives: a
    // misspelt name, most often.
    const std::string_view params = g.PARAMETERS.trimmed();
    const std::vector<Entry> listedParams = splitEntries("PARAMETERS", params, ',');
    for (std::size_t k = 0; k < plan.parameters.size(); ++k) {
        const bool used = std::any_of(plan.formulas.begin(), plan.formulas.end(), [&](const formula::Program& p) {
            return p.usesParameter(static_cast<int>(k));
        });
        if (!used && !plan.held[k]) {
            memberError("PARAMETERS", params, splitAssignment("PARAMETERS", params, listedParams[k]).name.column,
                        "the parameter " + quoted(plan.parameters[k]) + " appears in no formula");
        }
    }
}

// ---- columns ---------------------------------------------------------

// The column `named` names: a header name, else a column number. 0 when it
// names none; stops when the header gives the name twice.
int findColumn(const io::TableReader& table, std::string_view member, std::string_view text, const Entry& named) {
    const std::vector<std::string>& header = table.header();
    int found = 0;
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (header[c] == named.text) {
            if (found != 0) {
                memberError(member, text, named.column,
                            "the header of " + table.file() + " names two columns " + quoted(named.text) + " (" +
                                std::to_string(found) + " and " + std::to_string(c + 1) + "): name it by number");
            }
            found = static_cast<int>(c + 1);
        }
    }
    if (found != 0) {
        return found;
    }
    const bool digits = !named.text.empty() && named.text.size() <= 9 &&
                        named.text.find_first_not_of("0123456789") == std::string_view::npos;
    const int number = digits ? std::stoi(std::string(named.text)) : 0;
    return number >= 1 && number <= table.columns() ? number : 0;
}

std::string columnsOf(const io::TableReader& table) {
    if (table.header().empty()) {
        return "the table has no header: its columns are numbered 1 to " + std::to_string(table.columns());
    }
    return "the columns of " + table.file() + ": " + listed(table.header());
}

// The text that names column c to the DataTable: its header name when the
// header gives it once, else its number.
std::string columnName(const io::TableReader& table, int c) {
    const std::vector<std::string>& header = table.header();
    if (!header.empty() && std::count(header.begin(), header.end(), header[static_cast<std::size_t>(c - 1)]) == 1) {
        return header[static_cast<std::size_t>(c - 1)];
    }
    return std::to_string(c);
}

struct Layout {
    std::vector<int> auxiliary;  // file column of XR(k), k = 1..na
    std::vector<int> other;      // file columns of the rows after them
    std::vector<int> measured;   // file column of the y row of each formula
    std::vector<bool> bare;      // that y row holds the measured value itself
};

// One MEASURED or WEIGHT entry: a column, or an expression over the
// auxiliary names and the header's names.
RowQuantity compileRowQuantity(const io::TableReader& table, const FitPlan& plan, const Layout& layout,
                               std::string_view member, std::string_view text, const Entry& e, const char* what) {
    RowQuantity q;
    q.text = std::string(e.text);
    formula::Names names;
    std::vector<int> columnOf;
    for (std::size_t k = 0; k < plan.auxiliary.size(); ++k) {
        names.variables.push_back(plan.auxiliary[k]);
        columnOf.push_back(layout.auxiliary[k]);
    }
    for (std::size_t c = 0; c < table.header().size(); ++c) {
        const std::string& h = table.header()[c];
        if (formula::isName(h) && !formula::isReservedName(h) && indexOf(names.variables, h) < 0) {
            names.variables.push_back(h);
            columnOf.push_back(static_cast<int>(c + 1));
        }
    }
    // A bare column (a header name or a number that is no auxiliary name)
    // is the program that pushes it.
    const int bare = indexOf(plan.auxiliary, e.text) >= 0 ? 0 : findColumn(table, member, text, e);
    if (bare != 0) {
        names.variables = {"column"};
        columnOf = {bare};
        q.program = formula::compile("column", names);
    } else {
        try {
            q.program = formula::compile(e.text, names);
        } catch (const formula::FormulaError& fault) {
            std::string message = fault.what();
            if (fault.kind() == formula::FormulaError::Kind::UnknownName) {
                message = indexOf(plan.parameters, fault.name()) >= 0
                              ? std::string(what) + " cannot depend on the parameter " + quoted(fault.name())
                              : message + ": neither a column nor an auxiliary name (" + columnsOf(table) + ")";
            }
            memberError(member, text, e.column + fault.column(), message);
        }
    }
    q.columns.assign(static_cast<std::size_t>(q.program.variableCount()), 0);
    for (int k = 0; k < q.program.variableCount(); ++k) {
        if (q.program.usesVariable(k)) {
            q.columns[static_cast<std::size_t>(k)] = columnOf[static_cast<std::size_t>(k)];
        }
    }
    q.rows.assign(q.columns.size(), 0);
    q.values.assign(q.columns.size(), Quad{});
    return q;
}

// The x row of DATAE that holds column c: its auxiliary row, else a row
// after the auxiliary ones, added on first use.
int rowOf(Layout& layout, int c) {
    for (std::size_t k = 0; k < layout.auxiliary.size(); ++k) {
        if (layout.auxiliary[k] == c) {
            return static_cast<int>(k + 1);
        }
    }
    for (std::size_t k = 0; k < layout.other.size(); ++k) {
        if (layout.other[k] == c) {
            return static_cast<int>(layout.auxiliary.size() + k + 1);
        }
    }
    layout.other.push_back(c);
    return static_cast<int>(layout.auxiliary.size() + layout.other.size());
}

std::string valueText(const Quad& v) {
    std::string t = io::format("(g14.6)", v);
    t.erase(t.find_last_not_of(" \n") + 1);
    t.erase(0, t.find_first_not_of(' '));
    return t;
}

}  // namespace

FitPlan planFormulas(const FitGroup& g) {
    FitPlan plan;
    readParameters(g, plan);
    readAuxiliaryNames(g, plan);
    readHold(g, plan);
    readLandscape(g, plan);
    readPlotAgainst(g, plan);
    compileFormulas(g, plan);
    std::string partials(io::upperCase(g.PARTIALS.trimmed()));
    partials.erase(0, partials.find_first_not_of(' '));
    if (partials.empty() || partials == "EXACT") {
        plan.partials = 1;
    } else if (partials == "DIFFERENCES") {
        plan.partials = 0;
    } else if (partials == "CENTRAL") {
        plan.partials = 2;
    } else {
        memberError("PARTIALS", g.PARTIALS.trimmed(), std::string_view::npos,
                    "is '" + std::string(g.PARTIALS.trimmed()) +
                        "': 'exact' (from the formulas, the default), 'differences' (one-sided, with INCREMENT) or "
                        "'central' (central differences extrapolated, with INCREMENT).");
    }
    // The increment where truncation and rounding balance: one-sided
    // differences err by about the increment and 1e-32 over it, the
    // extrapolated central ones by its fourth power and 1e-32 over it.
    const char* byDefault = plan.partials == 2 ? "1e-6" : "1e-14";
    plan.increment = g.INCREMENT == Quad{} ? quadFromText(byDefault) : g.INCREMENT;
    if (!(plan.increment > Quad{}) || !(plan.increment < fromInt(1))) {
        memberError("INCREMENT", "", std::string_view::npos,
                    std::string("the relative increment must lie between 0 and 1 (") + byDefault +
                        " when not given).");
    }
    if (g.JPREV < -1 || g.JPREV > 1) {
        memberError("JPREV", "", std::string_view::npos,
                    "is " + std::to_string(g.JPREV) + ": -1 (never), 0 (ask) or 1 (start from Quorl-params.txt).");
    }
    plan.jprev = g.JPREV;
    return plan;
}

void planColumns(const FitGroup& g, const io::TableReader& table, FitPlan& plan) {
    if (table.columns() == 0) {
        table.failFile(0, "no data rows (the file is empty, or holds only blank and comment lines)");
    }
    Layout layout;
    const std::string_view auxText = g.AUXILIARY.trimmed();
    for (const Entry& e : splitEntries("AUXILIARY", auxText, ',')) {
        const Assignment a = splitAssignment("AUXILIARY", auxText, e);
        const Entry& named = a.hasValue ? a.value : a.name;
        const int c = findColumn(table, "AUXILIARY", auxText, named);
        if (c == 0) {
            memberError("AUXILIARY", auxText, named.column,
                        "no column " + quoted(named.text) + " in the data table (" + columnsOf(table) + ")");
        }
        layout.auxiliary.push_back(c);
    }

    const std::string_view measuredText = g.MEASURED.trimmed();
    const std::vector<Entry> measured = splitEntries("MEASURED", measuredText, ';');
    if (measured.size() != plan.formulas.size()) {
        memberError("MEASURED", measuredText, std::string_view::npos,
                    std::to_string(measured.size()) + " measured values for " + std::to_string(plan.formulas.size()) +
                        (plan.formulas.size() == 1 ? " formula" : " formulas") +
                        ": give one per formula (a column, or an expression of columns such as log(y)), "
                        "separated by ';'.");
    }
    for (const Entry& e : measured) {
        plan.measured.push_back(compileRowQuantity(table, plan, layout, "MEASURED", measuredText, e, "a measured value"));
        const RowQuantity& q = plan.measured.back();
        const auto first = std::find_if(q.columns.begin(), q.columns.end(), [](int c) { return c != 0; });
        if (first == q.columns.end()) {
            memberError("MEASURED", measuredText, e.column, quoted(e.text) + " depends on no column of the table");
        }
        layout.measured.push_back(*first);
        layout.bare.push_back(q.program.code().size() == 1);
    }

    const std::string_view weightText = g.WEIGHT.trimmed();
    const std::vector<Entry> weights = splitEntries("WEIGHT", weightText, ';');
    if (weights.size() > 1 && weights.size() != plan.formulas.size()) {
        memberError("WEIGHT", weightText, std::string_view::npos,
                    std::to_string(weights.size()) + " weights for " + std::to_string(plan.formulas.size()) +
                        " formulas: give one for all, or one per formula, separated by ';'.");
    }
    for (std::size_t l = 0; l < weights.size(); ++l) {
        plan.weights.push_back(compileRowQuantity(table, plan, layout, "WEIGHT", weightText, weights[l], "a weight"));
    }
    while (!plan.weights.empty() && plan.weights.size() < plan.formulas.size()) {
        plan.weights.push_back(plan.weights.front());
    }

    // Rows: every column a row quantity reads, from the layout. A bare
    // measured column is read from its own y row, which mode 1 leaves as
    // it is; any other column from an x row, since the y row of a measured
    // expression is replaced by the expression's value. The y rows follow
    // the x rows, whose number is known at the end: mark them -l first.
    auto bareMeasured = [&](int c) {
        for (std::size_t l = 0; l < layout.measured.size(); ++l) {
            if (layout.measured[l] == c && layout.bare[l]) {
                return static_cast<int>(l + 1);
            }
        }
        return 0;
    };
    const int na = static_cast<int>(layout.auxiliary.size());
    for (std::vector<RowQuantity>* group : {&plan.measured, &plan.weights}) {
        for (RowQuantity& q : *group) {
            for (std::size_t k = 0; k < q.columns.size(); ++k) {
                const int c = q.columns[k];
                const bool isAux = std::find(layout.auxiliary.begin(), layout.auxiliary.end(), c) !=
                                   layout.auxiliary.end();
                const int l = bareMeasured(c);
                q.rows[k] = c == 0 ? 0 : l != 0 && !isAux ? -l : rowOf(layout, c);
            }
        }
    }
    const int nxtot = std::max(1, na + static_cast<int>(layout.other.size()));
    for (std::vector<RowQuantity>* group : {&plan.measured, &plan.weights}) {
        for (RowQuantity& q : *group) {
            for (int& row : q.rows) {
                row = row < 0 ? nxtot - row : row;
            }
        }
    }

    plan.columns = TableColumns{};
    for (const int c : layout.auxiliary) {
        plan.columns.x.push_back(columnName(table, c));
    }
    for (const int c : layout.other) {
        plan.columns.x.push_back(columnName(table, c));
    }
    for (const int c : layout.measured) {
        plan.columns.y.push_back(columnName(table, c));
    }
}

Quad rowValue(RowQuantity& q, const Array2<Quad>& datae, int md) {
    for (std::size_t k = 0; k < q.rows.size(); ++k) {
        if (q.rows[k] != 0) {
            q.values[k] = datae(q.rows[k], md);
        }
    }
    return q.program.evaluate({}, q.values);
}

std::string rowFault(const RowQuantity& q, const Quad& value, bool weight) {
    if (!weight) {
        return isFinite(value) ? std::string()
                               : "the measured value " + quoted(q.text) + " is " + valueText(value) +
                                     ", not a finite number (MEASURED)";
    }
    return value > Quad{} && isFinite(value) ? std::string()
                                             : "the weight " + quoted(q.text) + " is " + valueText(value) +
                                                   ": a weight must be positive and finite (WEIGHT)";
}

}  // namespace quorl::fit
