// The parameter record: bound checks, generation and parsing of g(x) and its inverse,
// the maps between x and parameter space, the initial cluster and the parameter side of
// the exported scripts.
#include "model/parameters.h"

#include "expr/parenthesis_check.h"
#include "io/log_categories.h"
#include "model/script_translation.h"

#include <QDebug>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Equations of a g(x) or g inverse text: blanks removed, ";" starts a comment, the text
// before the first "=" is the left-hand side, the text up to the second "=" the
// right-hand side, and a line without "=" continues the previous right-hand side.
void splitEquations(const QString& text, QStringList& lhs, QStringList& rhs) {
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || !c.isSpace()) compact.append(c);
    }
    const QStringList lines = compact.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& fullLine : lines) {
        const QString line = fullLine.section(QLatin1Char(';'), 0, 0);
        if (line.isEmpty()) continue;
        const QStringList parts = line.split(QLatin1Char('='));
        if (parts.size() < 2) {
            if (!rhs.isEmpty()) rhs.last().append(line);
            continue;
        }
        lhs.append(parts.at(0));
        rhs.append(parts.at(1));
    }
}

bool hasDuplicates(const QStringList& names) {
    QStringList unique = names;
    unique.removeDuplicates();
    return unique.size() != names.size();
}

// The messages both transformation texts give for their equation lists.
void appendEquationListErrors(const QStringList& lhs, const QStringList& rhs, QStringList& errors) {
    if (hasDuplicates(lhs))
        errors.append(QStringLiteral("There are more than two equations with the same left "
                                     "hand side."));
    if (lhs.size() != rhs.size())
        errors.append(QStringLiteral("Size of the right hand side and left hand side did not "
                                     "match."));
}

// A right-hand side whose parentheses do not pair up is reported with where it goes wrong,
// though the forgiving evaluation would still give it a value.
void appendUnbalancedParentheses(const QString& text, const QStringList& lhs, QStringList& errors) {
    const QVector<parenthesis_check::problem> problems = parenthesis_check::inEquations(text);
    for (int i = 0; i < problems.size(); ++i) {
        if (!problems.at(i).found) continue;
        errors.append(
            QStringLiteral("The algorithm was not able to understand the right hand side of ") +
            lhs.value(i) + QStringLiteral(" .\n") + problems.at(i).describe());
    }
}

// Park-Miller minimal standard generator with multiplier 48271.
class lehmer_generator {
public:
    std::uint64_t next() {
        state = (state * 48271u) % 2147483647u;
        return state;
    }

private:
    std::uint64_t state = 1;
};

// A uniform double in [0, 1) from two generator outputs (53 random bits).
double uniform53(lehmer_generator& generator) {
    const std::uint64_t r1 = generator.next();
    const std::uint64_t r2 = generator.next();
    const double span = 2147483646.0;
    const std::uint64_t numerator = (r2 - 1) * 2147483646u + (r1 - 1);
    const double u = static_cast<double>(numerator) / (span * span);
    // The numerator is rounded to 53 bits; its top values would round up to exactly 1.
    return u < 1.0 ? u : std::nextafter(1.0, 0.0);
}

} // namespace

parameters::parameters() = default;

void parameters::clear() {
    parameterNames.clear();
    paraSpec.clear();
    gText.clear();
    gInverseText.clear();
    clusterX.clear();
    errors.clear();
}

QString parameters::formatNumber(double value) {
    const QString general = QString::number(value, 'g', 6);
    const int e = general.indexOf(QLatin1Char('e'));
    if (!std::isfinite(value) || e < 0) return general;

    // Rewrite d.ddddde±XX as a plain decimal with the same six significant digits.
    QString mantissa = general.left(e);
    const int exponent = general.mid(e + 1).toInt();
    const bool negative = mantissa.startsWith(QLatin1Char('-'));
    if (negative) mantissa.remove(0, 1);
    const QString digits = QString(mantissa).remove(QLatin1Char('.'));
    const int point = exponent + 1; // digits before the decimal point
    QString plain;
    if (point <= 0)
        plain = QStringLiteral("0.") + QString(-point, QLatin1Char('0')) + digits;
    else if (point >= digits.size())
        plain = digits + QString(point - digits.size(), QLatin1Char('0'));
    else
        plain = digits.left(point) + QLatin1Char('.') + digits.mid(point);
    return negative ? QLatin1Char('-') + plain : plain;
}

void parameters::checkDoIandBounds(QVector<QVector<double>> table, QStringList names) {
    if (names.size() != table.size()) {
        errors.append(QStringLiteral("Number of parameter specification does not match with "
                                     "the parameter names lists provided."));
        return;
    }
    parameterNames = names;
    for (int i = 0; i < table.size(); ++i) {
        const QVector<double>& row = table.at(i);
        const auto cell = [&row](int c) { return c < row.size() ? row.at(c) : kNaN; };
        const double lb = cell(0), ub = cell(1), tlb = cell(2), tub = cell(3);
        const QString& name = names.at(i);
        const QString outside =
            QStringLiteral("Parameter ") + name +
            QStringLiteral("'s domain of interest is not within the theoretical bound.");

        if (std::isnan(lb))
            errors.append(QStringLiteral("Parameter ") + name +
                          QStringLiteral("'s lowerbound of the domain of interest is not "
                                         "defined."));
        else if (tlb > lb)
            errors.append(outside);

        if (!std::isnan(ub) && ub > tub) errors.append(outside);
        if (std::isnan(ub))
            errors.append(QStringLiteral("Parameter") + name +
                          QStringLiteral("'s upperbound of the domain of interest is not "
                                         "defined."));

        if (!std::isnan(lb) && lb > ub)
            errors.append(QStringLiteral("Parameter ") + name +
                          QStringLiteral("'s lowerbound of the domain of interest is higher "
                                         "than its upperbound."));
        if (!std::isnan(tlb) && tlb > tub)
            errors.append(QStringLiteral("Parameter ") + name +
                          QStringLiteral("'s lowerbound of the theoretica parameter domain is "
                                         "higher than its upperbound."));
    }
}

void parameters::createParameters(QVector<QVector<double>> table, QStringList names) {
    qCDebug(lcModel) << "=== parameterName_in size==" << names.size();
    qCDebug(lcModel) << "=== paraSpec_in_in size==" << table.size();

    errors.clear();
    if (names.size() != table.size()) return;

    paraSpec = table;
    parameterNames = names;
    gText.clear();
    gInverseText.clear();
    xIndex = QVector<int>(names.size(), 0);
    g.clear();
    gInverse.clear();

    int n = 1;
    for (int i = 0; i < table.size(); ++i) {
        const QVector<double>& row = table.at(i);
        const QString& name = names.at(i);
        if (row.size() < 4 || std::isnan(row.at(0)) || std::isnan(row.at(1))) continue;
        const double lb = row.at(0), ub = row.at(1), a = row.at(2), b = row.at(3);
        if (lb == ub) {
            gText.append(name + QLatin1Char('=') + formatNumber(lb));
            continue;
        }
        xIndex[i] = n;
        const QString x = QStringLiteral("x") + QString::number(n);
        const QString A = formatNumber(a);
        const QString B = formatNumber(b);
        QString gLine, inverseLine;
        const QString gHead = name + QLatin1Char('=');
        const QString inverseHead = x + QLatin1Char('=');

        if (std::isnan(a) && std::isnan(b)) {
            gLine = gHead + x;
            inverseLine = inverseHead + name;
        } else if (std::isnan(b)) {
            if (a == 0) {
                gLine = gHead + QStringLiteral("10^(") + x + QLatin1Char(')');
                inverseLine = inverseHead + QStringLiteral("LOG10(") + name + QLatin1Char(')');
            } else if (a < 0) {
                gLine = gHead + QStringLiteral("10^(") + x + QLatin1Char(')') + A;
                inverseLine = inverseHead + QStringLiteral("LOG10(") + name + QLatin1Char('+') +
                              formatNumber(-a) + QLatin1Char(')');
            } else {
                gLine = gHead + A + QStringLiteral("+10^(") + x + QLatin1Char(')');
                inverseLine = inverseHead + QStringLiteral("LOG10(") + name + QLatin1Char('-') + A +
                              QLatin1Char(')');
            }
        } else if (std::isnan(a)) {
            if (b == 0) {
                gLine = gHead + QStringLiteral("-10^(") + x + QLatin1Char(')');
                inverseLine = inverseHead + QStringLiteral("LOG10(0-") + name + QLatin1Char(')');
            } else if (b > 0) {
                gLine = gHead + B + QStringLiteral("-10^(") + x + QLatin1Char(')');
                inverseLine = inverseHead + QStringLiteral("LOG10(") + B + QLatin1Char('-') + name +
                              QLatin1Char(')');
            } else {
                gLine = gHead + QStringLiteral("-10^(") + x + QLatin1Char(')') + B;
                inverseLine = inverseHead + QStringLiteral("LOG10(0") + B + QLatin1Char('-') +
                              name + QLatin1Char(')');
            }
        } else {
            const double d = b - a;
            // A negative width carries its own minus sign: "(0" before it subtracts.
            const QString D = formatNumber(d);
            const QString width = d >= 0 ? D : QStringLiteral("(0") + D + QLatin1Char(')');
            const QString widthInInverse = d >= 0 ? D : QLatin1Char('0') + D;
            const QString logistic = width + QStringLiteral("*EXP(") + x +
                                     QStringLiteral(")/(1+EXP(") + x + QStringLiteral("))");
            if (a == 0) {
                gLine = gHead + logistic;
                inverseLine = inverseHead + QStringLiteral("LOG(") + name + QStringLiteral("/(") +
                              widthInInverse + QLatin1Char('-') + name + QStringLiteral("))");
            } else if (a < 0) {
                gLine = gHead + logistic + A;
                inverseLine = inverseHead + QStringLiteral("LOG((") + name + QLatin1Char('+') +
                              formatNumber(std::fabs(a)) + QStringLiteral(")/(") + widthInInverse +
                              QLatin1Char('-') + name + A + QStringLiteral("))");
            } else {
                gLine = gHead + logistic + QLatin1Char('+') + A;
                inverseLine = inverseHead + QStringLiteral("LOG((") + name + QLatin1Char('-') + A +
                              QStringLiteral(")/(") + widthInInverse + QLatin1Char('-') + name +
                              QLatin1Char('+') + A + QStringLiteral("))");
            }
        }
        gText.append(gLine);
        gInverseText.append(inverseLine);
        ++n;
    }
}

QStringList parameters::makeParameters(QVector<QVector<double>> table, QStringList names) {
    clear();
    checkDoIandBounds(table, names);
    const QStringList boundMessages = errors;
    createParameters(table, names);
    return boundMessages;
}

bool parameters::checkCompleteness() {
    if (parameterNames.size() == gText.size()) return true;
    errors.append(QStringLiteral("Parameters are not specified correctly, Cluster Newton method "
                                 "cannot be run. Check Step 3."));
    return false;
}

void parameters::parseParameterExpressions(QString text) {
    gText = text.split(QLatin1Char('\n'));
    QStringList lhs, rhs;
    splitEquations(text, lhs, rhs);

    errors.clear();
    appendEquationListErrors(lhs, rhs, errors);
    appendUnbalancedParentheses(text, lhs, errors);
    qCDebug(lcModel) << "g(x) left hand sides:" << lhs;

    g.clear();
    requiredXNames.clear();
    for (const QString& right : rhs) {
        parser expression(right);
        expression.variable_name = expression.extract_variables();
        expression.generate_tree();
        requiredXNames.append(expression.variable_name);
        g.append(expression);
    }
    requiredXNames.removeDuplicates();

    for (const QString& name : qAsConst(parameterNames)) {
        if (!lhs.contains(name))
            errors.append(QStringLiteral("Parameter ") + name + QStringLiteral(" is not defined."));
    }
}

void parameters::parseParameterExpressionsInverse(QString text) {
    gInverseText = text.split(QLatin1Char('\n'));
    QStringList lhs, rhs;
    splitEquations(text, lhs, rhs);

    errors.clear();
    xNames = lhs;
    appendEquationListErrors(lhs, rhs, errors);
    appendUnbalancedParentheses(text, lhs, errors);
    qCDebug(lcModel) << "g inverse left hand sides:" << lhs;

    gInverse.clear();
    for (const QString& right : rhs) {
        parser expression(right);
        expression.variable_name = parameterNames;
        expression.generate_tree();
        gInverse.append(expression);
    }

    for (const QString& name : qAsConst(requiredXNames)) {
        if (!xNames.contains(name))
            errors.append(name + QStringLiteral(" is not given. (It is user responsibility to "
                                                "provide inverse of g.)"));
    }
}

QVector<double> parameters::x_to_parameter(QVector<double> x) const {
    const int count = parameterNames.size();
    QVector<double> p(count, kNaN);
    for (int i = 0; i < count && i < g.size(); ++i) {
        const int k = i < xIndex.size() ? xIndex.at(i) : 0;
        // An unfixed parameter sees its own x component as its only variable.
        if (k > 0 && k <= x.size())
            p[i] = g.at(i).evaluate(x.constData() + (k - 1), 1);
        else
            p[i] = g.at(i).evaluate(nullptr, 0);
    }
    return p;
}

QVector<double> parameters::parameter_to_x(QVector<double> p) const {
    QVector<double> x(gInverse.size());
    for (int j = 0; j < gInverse.size(); ++j)
        x[j] = gInverse.at(j).evaluate(p.constData(), p.size());
    return x;
}

QVector<double> parameters::parameter_to_simulationParameter(QVector<double> p) const {
    QVector<double> values(p.size());
    for (int i = 0; i < p.size(); ++i) {
        const bool replaced = i < simulationExpressions.size() &&
                              !simulationExpressions.at(i).expression.trimmed().isEmpty();
        values[i] =
            replaced ? simulationExpressions.at(i).evaluate(p.constData(), p.size()) : p.at(i);
    }
    return values;
}

void parameters::generateInitialCluster(QVector<QVector<double>> table, int n) {
    errors.clear();
    const int components = gInverse.size();
    xLowerBound = QVector<double>(components, kNaN);
    xUpperBound = QVector<double>(components, kNaN);

    // The domain shrunk by 1 % of each bound's magnitude keeps points inside it.
    QVector<double> lower(table.size()), upper(table.size());
    for (int i = 0; i < table.size(); ++i) {
        const QVector<double>& row = table.at(i);
        lower[i] = row.isEmpty() ? kNaN : row.at(0) + std::fabs(row.at(0)) * 0.01;
        upper[i] = row.size() < 2 ? kNaN : row.at(1) - std::fabs(row.at(1)) * 0.01;
    }

    n = qMax(n, 0);
    initialCluster = QVector<QVector<double>>(n);
    for (QVector<double>& point : initialCluster)
        point.reserve(components);

    lehmer_generator generator;
    for (int k = 0; k < components; ++k) {
        const double low = gInverse.at(k).evaluate_tree(lower);
        const double high = gInverse.at(k).evaluate_tree(upper);
        xLowerBound[k] = low;
        xUpperBound[k] = high;
        for (int point = 0; point < n; ++point)
            initialCluster[point].append(low + (high - low) * uniform53(generator));
    }
}

void parameters::setInitialCluster(QVector<QVector<double>> X) {
    errors.clear();
    int m = 0;
    for (const QVector<double>& row : qAsConst(X))
        m = qMax(m, row.size());
    if (m != gInverse.size()) {
        qCDebug(lcModel) << "Wrong Size";
        errors.append(QStringLiteral("The imported X values does not have correct number of "
                                     "columns.  The number of column of the CSV file should be "
                                     "the same as the number of unfixed parameters."));
        return;
    }

    initialCluster.clear();
    xLowerBound = QVector<double>(m, std::numeric_limits<double>::infinity());
    xUpperBound = QVector<double>(m, -std::numeric_limits<double>::infinity());
    for (const QVector<double>& row : qAsConst(X)) {
        if (row.size() < m) continue;
        bool allFinite = true;
        for (int c = 0; c < m && allFinite; ++c) {
            const double v = row.at(c);
            if (!std::isfinite(v)) {
                allFinite = false;
                break;
            }
            xLowerBound[c] = qMin(xLowerBound.at(c), v);
            xUpperBound[c] = qMax(xUpperBound.at(c), v);
        }
        if (allFinite) initialCluster.append(row.mid(0, m));
    }
}

QString parameters::rscript_parameters(QString dir) const {
    QString s =
        QStringLiteral("# ===Import X values from the table in the compResult folder=== \n");
    s +=
        QStringLiteral("num_iter=0\npoint_index=1\n\ncurrentDir=\"") + dir + QStringLiteral("\"\n");
    s += QStringLiteral("X=read.csv(paste(currentDir,\"/compResult/X_\",toString(num_iter), "
                        "\".csv\",sep=\"\"), header=FALSE)\n\n");
    for (int k = 0; k < xNames.size(); ++k)
        s += xNames.at(k) + QStringLiteral("=X[point_index,") + QString::number(k + 1) +
             QStringLiteral("]\n");
    s += QStringLiteral("\n# ===Convert the X values to the oritinal parameter scale and "
                        "construct parameters object for the ODE solve===");
    s += QStringLiteral("\nparameters <- c( ") + gText.join(QStringLiteral(", ")) +
         QStringLiteral(")\n\n");
    s += QStringLiteral("# ===Extra parameter expressions so that parameter values can be used "
                        "for dosage, dose time etc.===\n");
    for (const QString& line : gText)
        s += line + QLatin1Char('\n');
    return translateFunctionNames(s);
}

QString parameters::matlab_parameters(QString dir) const {
    QString s =
        QStringLiteral("% ===Import X values from the table in the compResult folder=== \n");
    s += QStringLiteral("num_iter=0;\npoint_index=1;\n\ncurrentDir='") + dir +
         QStringLiteral("';\n");
    s += QStringLiteral("X=csvread(strcat(currentDir,'/compResult/X_',num2str(num_iter), "
                        "'.csv'));\n\n");
    s += QStringLiteral("\nglobal ");
    for (const QString& name : xNames)
        s += name + QLatin1Char(' ');
    s += QStringLiteral("\n\n");
    for (int k = 0; k < xNames.size(); ++k)
        s += xNames.at(k) + QStringLiteral("=X(point_index,") + QString::number(k + 1) +
             QStringLiteral(");\n");
    s += QStringLiteral("\n% ===Convert the X values to the oritinal parameter scale and "
                        "construct parameters object for the ODE solve===\n\n");
    for (const QString& line : gText)
        s += line + QStringLiteral(";\n");
    return translateFunctionNames(s);
}

QString parameters::matlab_parameters_inRHS() const {
    QString s = QStringLiteral("% ===Convert the X values to the oritinal parameter scale and "
                               "construct parameters object for the ODE solve===\n\n");
    s += QStringLiteral("global ");
    for (const QString& name : xNames)
        s += name + QLatin1Char(' ');
    s += QStringLiteral("\n\n");
    for (const QString& line : gText)
        s += line + QStringLiteral(";\n");
    return translateFunctionNames(s);
}
