// Parsing of the ODE text, the dependence probe and the block-wise right-hand side and
// Jacobian used by the stiff integrator.
#include "model/odeTextParser.h"

#include "expr/parenthesis_check.h"
#include "model/script_translation.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Absolute step of the finite-difference Jacobian (2^-26) and its inverse.
constexpr double kJacobianStep = 1.4901161193847656e-08;
constexpr double kJacobianStepInverse = 67108864.0;

double randomUnit() {
    return std::rand() / 2147483647.0;
}

// Two difference quotients of one right-hand side with respect to one variable, taken at
// different points, agree when the dependence is linear with a constant coefficient.
bool sameQuotient(double q1, double q2, double scale1, double scale2) {
    if (!std::isfinite(q1) || !std::isfinite(q2)) return false;
    const double tolerance =
        1e-6 * std::max(std::fabs(q1), std::fabs(q2)) + 1e-9 * (scale1 + scale2);
    return std::fabs(q1 - q2) <= tolerance;
}

// Second differences below this are no evidence of curvature. Besides the fixed bound, the
// rounding noise of the values themselves counts: with a small probe value and a large
// right-hand side, a linear entry would otherwise be taken for a nonlinear one.
double curvatureThreshold(double rj, double f0, double f1, double f2) {
    const double noise = 1e3 * std::numeric_limits<double>::epsilon() *
                         std::max(std::fabs(f0), std::max(std::fabs(f1), std::fabs(f2)));
    return std::max(rj * 0.1 * kJacobianStep, noise);
}

} // namespace

odeTextParser::odeTextParser() {}

void odeTextParser::readText(const QString& text) {
    ode_text = text;
}

void odeTextParser::parse() {
    // 1. Spaces go first (tabs and carriage returns of pasted text with them), then the text
    //    is cut into non-empty lines.
    QString text = ode_text;
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    text.remove(QLatin1Char('\r'));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // 2. Equations; a line without "=" continues the previous right-hand side.
    QStringList names;
    QStringList rhsTexts;
    for (const QString& line : lines) {
        const int comment = line.indexOf(QLatin1Char(';'));
        const QString code = comment >= 0 ? line.left(comment) : line;
        const QStringList parts = code.split(QLatin1Char('='));
        if (parts.size() < 2) {
            if (!rhsTexts.isEmpty()) rhsTexts.last() += code;
            continue;
        }
        const QString& lhs = parts.at(0);
        names << (lhs.size() >= 3 ? lhs.mid(1, lhs.size() - 3) : QString());
        rhsTexts << parts.at(1);
    }

    // 3.
    error_list.clear();

    // 4., 5. Every name used on a right-hand side that is neither t nor a variable is a
    //    parameter, sorted in plain code-unit order (upper case before lower case).
    QStringList used;
    for (const QString& rhs : rhsTexts) {
        parser scan;
        used += scan.extract_variables(rhs);
    }
    used.removeDuplicates();
    QStringList params;
    for (const QString& name : used) {
        if (name != QLatin1String("t") && !names.contains(name)) params << name;
    }
    std::sort(params.begin(), params.end());
    variable_name = names;
    parameter_name = params;

    // 6., 7.
    if (names.size() != QSet<QString>(names.begin(), names.end()).size()) {
        error_list << QStringLiteral(
            "There are more than two equations with the same left hand side.\nThe left hand "
            "side d<variable name>dt need to be unique for all equations in the system.");
    }
    if (rhsTexts.size() != names.size()) {
        error_list << QStringLiteral(
            "Size of the right hand side and left hand side did not match.\nMake sure there is "
            "an expression right of 'd<variable name>dt = '.\nAlso keep in mind all text right "
            "of ';' sign in each line is treated as comments.");
    }

    // 8. One parser per equation over t, the variables and the parameters.
    QStringList valueNames;
    valueNames << QStringLiteral("t") << variable_name << parameter_name;
    rhs_text = rhsTexts;
    rhs_parser.clear();
    usesTime.clear();
    for (const QString& rhs : rhsTexts) {
        parser p(rhs);
        p.variable_name = valueNames;
        usesTime << p.extract_variables().contains(QStringLiteral("t"));
        p.generate_tree();
        rhs_parser << p;
    }

    // 9. Dependence probe.
    const int n = variable_name.size();
    jacobian_structure = QVector<QVector<int>>(n, QVector<int>(n, -1));
    nonlinear_entry.clear();
    linear_entry.clear();
    jacobian = boost::numeric::ublas::mapped_matrix<double>(n, n);
    const int valueLength = valueNames.size();
    // Unbalanced parentheses still evaluate (an unclosed one applies to the rest), so they
    // are looked for on the text as typed, where line and column mean something.
    const QVector<parenthesis_check::problem> pairing = parenthesis_check::inEquations(ode_text);
    for (int i = 0; i < n && i < rhs_parser.size(); ++i) {
        const bool understood = probeEquation(i, valueLength);
        const parenthesis_check::problem unbalanced = pairing.value(i);
        if (understood && !unbalanced.found) continue;
        QString message =
            QStringLiteral("The algorithm was not able to understand the right hand side of ") +
            variable_name.at(i) + QStringLiteral(" .");
        if (unbalanced.found) message += QLatin1Char('\n') + unbalanced.describe();
        error_list << message;
    }

    // 10.
    computeBlockEnds();
    buildBlockTables();

    parameter_value.clear();
    boundRhs.reset();
    block_jacobian.clear();
}

bool odeTextParser::probeEquation(int i, int valueLength) {
    const parser& f = rhs_parser.at(i);
    const int n = variable_name.size();
    QVector<double> r(valueLength);
    for (double& v : r)
        v = randomUnit();
    const double f0 = f.evaluate(r.constData(), valueLength);
    if (std::isnan(f0)) return false;

    // Second point for entries that look linear: same parameters, new t and state.
    QVector<double> s;
    double g0 = kNaN;
    QVector<double> w(r);
    for (int j = 0; j < n; ++j) {
        const int k = j + 1;
        const double rj = r[k];
        w[k] = rj * 1.1;
        const double f1 = f.evaluate(w.constData(), valueLength);
        w[k] = rj * 1.2;
        const double f2 = f.evaluate(w.constData(), valueLength);
        w[k] = rj;

        int entry;
        if (f1 == f0) {
            // No dependence; the sparse Jacobian reads unset entries as 0.
            entry = 0;
        } else if (std::fabs((f0 - f1) - (f1 - f2)) >= curvatureThreshold(rj, f0, f1, f2)) {
            entry = -1;
        } else {
            // Linear in this variable alone is not enough: the coefficient must not change
            // with t or the other variables (k*L*R is linear in L, with slope k*R), since
            // linear entries are computed once per parameter set.
            if (s.isEmpty()) {
                s = r;
                for (int m = 0; m <= n; ++m)
                    s[m] = randomUnit();
                g0 = f.evaluate(s.constData(), valueLength);
            }
            const double sj = s[k];
            s[k] = sj * 1.1;
            const double g1 = f.evaluate(s.constData(), valueLength);
            s[k] = sj;
            const double q1 = (f1 - f0) / (rj * 0.1);
            const double q2 = (g1 - g0) / (sj * 0.1);
            const double scale1 = std::max(std::fabs(f0), std::fabs(f1)) / (rj * 0.1);
            const double scale2 = std::max(std::fabs(g0), std::fabs(g1)) / (sj * 0.1);
            entry = sameQuotient(q1, q2, scale1, scale2) ? 1 : -1;
        }
        jacobian_structure[i][j] = entry;
        if (entry == -1) nonlinear_entry << QVector<int>{i, j};
        if (entry == 1) linear_entry << QVector<int>{i, j};
    }
    return true;
}

void odeTextParser::computeBlockEnds() {
    block_end.clear();
    const int n = variable_name.size();
    if (jacobian_structure.size() != n) return;
    int m = 0;
    for (int k = 0; k < n; ++k) {
        for (int j = 0; j < n; ++j) {
            if (jacobian_structure[j][k] != 0 || jacobian_structure[k][j] != 0) m = std::max(m, j);
        }
        if (m == k) block_end << k;
    }
    // Variables after the last block are coupled to nothing (not even themselves): each
    // becomes a block of its own so that the blocks cover every variable.
    for (int k = block_end.isEmpty() ? 0 : block_end.last() + 1; k < n; ++k)
        block_end << k;
}

void odeTextParser::buildBlockTables() {
    blockNonlinear = QVector<QVector<nonlinear_item>>(block_end.size());
    int b = 0;
    for (const QVector<int>& e : nonlinear_entry) {
        const int i = e[0];
        while (b < block_end.size() && block_end[b] < i)
            ++b;
        // Entries are in row order, so blocks are visited in order; a column outside the
        // row's block cannot occur by construction of the blocks.
        if (b < block_end.size() && e[1] >= blockFirst(b) && e[1] <= block_end[b])
            blockNonlinear[b] << nonlinear_item{i, e[1]};
    }
}

QVector<double> odeTextParser::eval(const QVector<double>& values) const {
    QVector<double> out(rhs_parser.size());
    for (int i = 0; i < rhs_parser.size(); ++i)
        out[i] = rhs_parser[i].evaluate(values.constData(), values.size());
    return out;
}

void odeTextParser::setParameters(const QVector<double>& p) {
    parameter_value = p;
    const int bindFrom = 1 + variable_name.size();
    auto bound = std::make_shared<std::vector<compiled_expression>>(rhs_parser.size());
    for (int i = 0; i < rhs_parser.size(); ++i) {
        const std::shared_ptr<const compiled_expression>& program = rhs_parser.at(i).compiled();
        if (program) (*bound)[i] = program->bind(bindFrom, p.constData(), p.size());
    }
    boundRhs = std::move(bound);
}

void odeTextParser::resetScratch(double* scratch) const {
    const int n = variable_name.size();
    for (int k = 0; k <= n; ++k)
        scratch[k] = 0.0;
    for (int k = 0; k < parameter_value.size(); ++k)
        scratch[1 + n + k] = parameter_value[k];
}

double odeTextParser::evaluateBound(int equation, const double* scratch) const {
    if (!boundRhs) return kNaN;
    return (*boundRhs)[equation].evaluate(scratch, valueCount());
}

void odeTextParser::evalRHS(double t, const double* x, double* dxdt, int block,
                            double* scratch) const {
    const int first = blockFirst(block);
    const int size = blockSize(block);
    scratch[0] = t;
    for (int k = 0; k < size; ++k)
        scratch[first + 1 + k] = x[k];
    for (int k = 0; k < size; ++k)
        dxdt[k] = evaluateBound(first + k, scratch);
}

odeTextParser::vector_type odeTextParser::evalRHS(double t, const vector_type& x, int block) const {
    std::vector<double> scratch(static_cast<size_t>(valueCount()));
    resetScratch(scratch.data());
    vector_type out(static_cast<size_t>(blockSize(block)));
    evalRHS(t, &x[0], &out[0], block, scratch.data());
    return out;
}

void odeTextParser::initialiseJacobian() {
    // Forward differences with relative step 0.1 at t = 1 and every variable 1, exact for
    // the linear entries. The unperturbed value is taken once per equation.
    const int n = variable_name.size();
    std::vector<double> p(static_cast<size_t>(valueCount()));
    resetScratch(p.data());
    for (int k = 0; k <= n; ++k)
        p[static_cast<size_t>(k)] = 1.0;
    int row = -1;
    double fp = 0.0;
    for (const QVector<int>& e : std::as_const(linear_entry)) {
        const int i = e[0];
        const size_t j = static_cast<size_t>(e[1]) + 1;
        if (i != row) {
            row = i;
            fp = evaluateBound(i, p.data());
        }
        p[j] = 1.0 * 1.1;
        const double fp1 = evaluateBound(i, p.data());
        p[j] = 1.0;
        jacobian(i, e[1]) = (fp1 - fp) / (1.0 * 0.1);
    }

    block_jacobian.resize(block_end.size());
    for (int b = 0; b < block_end.size(); ++b) {
        const size_t size = static_cast<size_t>(blockSize(b));
        matrix_type& M = block_jacobian[b];
        if (M.size1() != size || M.size2() != size) M.resize(size, size, false);
        for (size_t r = 0; r < size; ++r)
            for (size_t c = 0; c < size; ++c)
                M(r, c) = 0.0;
    }
    typedef boost::numeric::ublas::mapped_matrix<double>::const_iterator1 row_iterator;
    typedef boost::numeric::ublas::mapped_matrix<double>::const_iterator2 column_iterator;
    const boost::numeric::ublas::mapped_matrix<double>& J = jacobian;
    for (row_iterator r = J.begin1(); r != J.end1(); ++r) {
        for (column_iterator c = r.begin(); c != r.end(); ++c) {
            const int i = static_cast<int>(c.index1());
            const int j = static_cast<int>(c.index2());
            for (int b = 0; b < block_end.size(); ++b) {
                const int first = blockFirst(b);
                if (i < first || i > block_end[b]) continue;
                if (j >= first && j <= block_end[b])
                    block_jacobian[b](static_cast<size_t>(i - first),
                                      static_cast<size_t>(j - first)) = *c;
                break;
            }
        }
    }
}

void odeTextParser::updateJacobian(double t, const double* x, matrix_type& J, double* dfdt,
                                   int block, double* scratch) const {
    const int first = blockFirst(block);
    const int size = blockSize(block);
    if (block >= block_jacobian.size()) {
        // initialiseJacobian has not run: only the nonlinear entries are known.
        J = boost::numeric::ublas::zero_matrix<double>(static_cast<size_t>(size),
                                                       static_cast<size_t>(size));
    } else {
        J = block_jacobian[block];
    }
    scratch[0] = t;
    for (int k = 0; k < size; ++k)
        scratch[first + 1 + k] = x[k];

    int row = -1;
    double fu = 0.0;
    for (const nonlinear_item& e : blockNonlinear[block]) {
        if (e.row != row) {
            row = e.row;
            fu = evaluateBound(row, scratch);
        }
        double& u = scratch[e.col + 1];
        const double keep = u;
        u = keep + kJacobianStep;
        const double fu1 = evaluateBound(row, scratch);
        u = keep;
        J(static_cast<size_t>(row - first), static_cast<size_t>(e.col - first)) =
            (fu1 - fu) * kJacobianStepInverse;
    }

    if (!dfdt) return;
    // Partial derivative in t, forward difference with a step relative to t.
    const double h = kJacobianStep * std::max(1.0, std::fabs(t));
    for (int k = 0; k < size; ++k) {
        const int i = first + k;
        if (!usesTime[i]) {
            dfdt[k] = 0.0;
            continue;
        }
        scratch[0] = t;
        const double f = evaluateBound(i, scratch);
        scratch[0] = t + h;
        const double fh = evaluateBound(i, scratch);
        dfdt[k] = (fh - f) / ((t + h) - t);
    }
    scratch[0] = t;
}

void odeTextParser::updateJacobian(double t, const vector_type& x, matrix_type& J,
                                   int block) const {
    std::vector<double> scratch(static_cast<size_t>(valueCount()));
    resetScratch(scratch.data());
    updateJacobian(t, &x[0], J, nullptr, block, scratch.data());
}

QString odeTextParser::replacedText(QString text, const QString& from, const QString& to,
                                    QChar start, QChar end) {
    text.remove(QLatin1Char(' '));
    text.replace(from, start + to + end);
    for (const QString& op :
         {QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("*"), QStringLiteral("/")})
        text.replace(op, QLatin1Char(' ') + op + QLatin1Char(' '));
    return text;
}

QString odeTextParser::textColour() {
    QString text = ode_text;
    for (int k = variable_name.size() - 1; k >= 0; --k) {
        const QString& name = variable_name.at(k);
        if (name.isEmpty()) continue;
        text.replace(name, QStringLiteral("<b>") + name + QStringLiteral("</b>"));
    }
    for (const QString& name : std::as_const(parameter_name)) {
        if (name.isEmpty() || name == QLatin1String("b")) continue;
        text.replace(name, QStringLiteral("<i>") + name + QStringLiteral("</i>"));
    }
    text = QStringLiteral("<font>") + text;
    text.replace(QLatin1Char('\n'), QStringLiteral("</font><br>"));
    text.replace(QLatin1Char(';'), QStringLiteral("<font color=silver>;"));
    coloured_text = text;
    return coloured_text;
}

QString odeTextParser::rscript_RHS() const {
    QString out =
        QStringLiteral("RHS<-function(t, state, parameters_infRate) {\nwith(as.list(c(state, "
                       "parameters_infRate)),{\n");
    for (int i = 0; i < variable_name.size(); ++i) {
        const QString& v = variable_name.at(i);
        const QString r = i < rhs_text.size() ? rhs_text.at(i) : QString();
        out += QStringLiteral("d") + v + QStringLiteral("=") + r + QStringLiteral("+infRate_") + v +
               QStringLiteral("\n");
    }
    out = translateFunctionNames(out);
    out += QStringLiteral("list(c(");
    for (int i = 0; i < variable_name.size(); ++i) {
        out += QStringLiteral("d") + variable_name.at(i);
        out += i + 1 < variable_name.size() ? QStringLiteral(", ") : QStringLiteral("))\n");
    }
    if (variable_name.isEmpty()) out += QStringLiteral("))\n");
    out += QStringLiteral("})\n}");
    return out;
}

QString odeTextParser::rscript_initialStateVector() const {
    QString out = QStringLiteral(
        "# ===Initialise state vector (ODE variables)===\n#MODIFY line below to define any "
        "bolus administration\nstate <- c(");
    QStringList items;
    for (const QString& v : variable_name)
        items << v + QStringLiteral("=0");
    out += items.join(QStringLiteral(", ")) + QStringLiteral(")\n");
    return out;
}

QString odeTextParser::rscript_lastStateVector() const {
    QString out = QStringLiteral(
        "# ===Last State vector from the ODE solve (ODE variables)===\n#(use it for multiple "
        "administration model)\ntimeIndex=length(times)\nstate <- c(");
    QStringList items;
    for (const QString& v : variable_name)
        items << QStringLiteral("out[timeIndex,'") + v + QStringLiteral("']");
    out += items.join(QStringLiteral(", ")) + QStringLiteral(") \n");
    return out;
}

QString odeTextParser::rscript_initialInfusionRate() const {
    QString out = QStringLiteral(
        "# ===Initialise infusion rate vector===\n#MODIFY line below to define any infusion "
        "administration\ninfusionRate=c(");
    QStringList items;
    for (const QString& v : variable_name)
        items << QStringLiteral("infRate_") + v + QStringLiteral("=0");
    out += items.join(QStringLiteral(", "));
    out += QStringLiteral(")\n\nparameters_infRate=c(parameters,infusionRate)\n\n");
    return out;
}

QString odeTextParser::matlab_RHS() const {
    QString out;
    for (int i = 0; i < variable_name.size(); ++i)
        out += variable_name.at(i) + QStringLiteral("=u(") + QString::number(i + 1) +
               QStringLiteral(");\n");
    out += QStringLiteral("\nglobal");
    for (const QString& v : variable_name)
        out += QStringLiteral(" infRate_") + v;
    out += QStringLiteral("\n\n");
    for (int i = 0; i < variable_name.size(); ++i) {
        const QString r = i < rhs_text.size() ? rhs_text.at(i) : QString();
        out += QStringLiteral("out(") + QString::number(i + 1) + QStringLiteral(")=") + r +
               QStringLiteral("+infRate_") + variable_name.at(i) + QStringLiteral(";\n");
    }
    return translateFunctionNames(out);
}

QString odeTextParser::matlab_initialStateVector() const {
    QString out = QStringLiteral(
        "% ===Initialise state vector (ODE variables)===\n%MODIFY line below to define any "
        "bolus administration\nu_init =[");
    for (int i = 0; i + 1 < variable_name.size(); ++i)
        out += QStringLiteral("0,");
    out += QStringLiteral("0];\n");
    return out;
}

QString odeTextParser::matlab_initialInfusionRate() const {
    QString out = QStringLiteral(
        "% ===Initialise infusion rate vector===\n%MODIFY lines below to define any infusion "
        "administration\n\nglobal");
    for (const QString& v : variable_name)
        out += QStringLiteral(" infRate_") + v;
    out += QStringLiteral("\n\n");
    for (const QString& v : variable_name)
        out += QStringLiteral(" infRate_") + v + QStringLiteral("=0;\n");
    out += QStringLiteral("\n");
    return out;
}

QString odeTextParser::rscript_compartmentDiagram() const {
    QString out = QStringLiteral(
        "library(DiagrammeR)\n\n"
        "#see https://graphviz.org/doc/info/lang.html for details on the syntax of grViz "
        "command\n"
        "#The location of the compartments in the diagram is algorithmically placed use "
        "'subgraph cluster...' definition to reorganise if necessary\n\n"
        "# Solid lines represent linear diffusions and dotted lines represents nonlinear "
        "relationships\n\n"
        "grViz('digraph boxes_and_circles {\n");
    const int n = std::min(variable_name.size(), jacobian_structure.size());
    for (int pass = 0; pass < 2; ++pass) {
        const int wanted = pass == 0 ? 1 : -1;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                if (i == j || jacobian_structure[j][i] != wanted) continue;
                out += QStringLiteral(" ") + variable_name.at(i) + QStringLiteral("->") +
                       variable_name.at(j);
                out += pass == 0 ? QStringLiteral("\n") : QStringLiteral(" [style=dotted]\n");
            }
        }
    }
    out += QStringLiteral("}')");
    return out;
}
