// Random, truncated and mutated g(x) and inverse texts through parsing, transformation and
// cluster drawing: nothing crashes or hangs, and only the record's own messages appear.
// Random bound tables of all magnitudes generate texts that work in both directions.
#include "model/parameters.h"

#include "io/debug_log.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

const QRegularExpression
    knownMessage("^(There are more than two equations with the same left hand side\\."
                 "|Size of the right hand side and left hand side did not match\\."
                 "|Parameter \\S+ is not defined\\."
                 "|\\S+ is not given\\. \\(It is user responsibility to provide inverse of g\\.\\)"
                 "|The algorithm was not able to understand the right hand side of \\S* \\.\\n"
                 "Unbalanced parentheses: .*)$");

// Keeps the debug lines of the malformed texts off the test output.
class ParameterTextRobustness : public ::testing::Test {
protected:
    debug_log quiet;
};

QString randomText(std::mt19937& rng) {
    static const char* const pieces[] = {
        "K",  "V",     "ka",    "x1", "x2", "x3",   "=",    "=",      "+",     "-",
        "*",  "/",     "^",     "(",  ")",  "EXP(", "LOG(", "LOG10(", "SQRT(", "ASIN(",
        "10", "0.5",   "1e+06", "2e", "-3", "\n",   "\n",   ";",      " ",     "\t",
        "0",  "1e308", "exp(",  ")(", "==", "\r\n", "nan",  "inf",    "_",     "\xc3\xa9"};
    std::uniform_int_distribution<int> pick(0, int(std::size(pieces)) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(1, 255);
    QString text;
    for (int i = length(rng); i > 0; --i) {
        if (rng() % 17 == 0)
            text += QChar(byte(rng));
        else
            text += QString::fromUtf8(pieces[pick(rng)]);
    }
    return text;
}

double randomBound(std::mt19937& rng) {
    switch (rng() % 5) {
    case 0:
        return NaN;
    case 1:
        return 0.0;
    default: {
        std::uniform_real_distribution<double> exponent(-9, 9);
        const double magnitude = std::pow(10.0, exponent(rng));
        return rng() % 2 ? magnitude : -magnitude;
    }
    }
}

void expectOnlyKnownMessages(const parameters& record, const QString& text) {
    for (const QString& message : record.errors)
        EXPECT_TRUE(knownMessage.match(message).hasMatch())
            << message.toStdString() << " from " << text.toStdString();
}

// Parses a g(x) and an inverse text and uses them every way the system does.
void exercise(parameters& record, const QString& gText, const QString& inverseText) {
    record.parseParameterExpressions(gText);
    expectOnlyKnownMessages(record, gText);
    record.parseParameterExpressionsInverse(inverseText);
    expectOnlyKnownMessages(record, inverseText);
    EXPECT_EQ(record.gInverse.size(), record.xNames.size());

    const QVector<double> p = record.x_to_parameter({0.3, -1.0, 2.0});
    EXPECT_EQ(p.size(), record.parameterNames.size());
    EXPECT_EQ(record.parameter_to_x(p).size(), record.gInverse.size());
    EXPECT_EQ(record.parameter_to_x({}).size(), record.gInverse.size());

    record.generateInitialCluster(record.paraSpec, 3);
    ASSERT_EQ(record.initialCluster.size(), 3);
    for (const QVector<double>& point : record.initialCluster)
        EXPECT_EQ(point.size(), record.gInverse.size());
}

TEST_F(ParameterTextRobustness, RandomTexts) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 3000; ++i) {
        parameters record;
        record.parameterNames = QStringList({"K", "V", "ka"});
        record.xIndex = {1, 2, int(rng() % 4)};
        record.paraSpec = {{1, 10, 0, NaN}, {NaN}, {}};
        exercise(record, randomText(rng), randomText(rng));
    }
}

TEST_F(ParameterTextRobustness, TruncatedAndMutatedGeneratedTexts) {
    std::mt19937 rng(77);
    const QStringList names = {"K", "V", "ka", "F"};
    for (int i = 0; i < 2000; ++i) {
        QVector<QVector<double>> table;
        for (int row = 0; row < names.size(); ++row) {
            const double lb = rng() % 8 ? 1.0 + (rng() % 100) : NaN;
            table.append({lb, rng() % 6 ? lb + 5 : lb, randomBound(rng), randomBound(rng)});
        }
        parameters record;
        record.checkDoIandBounds(table, names);
        record.createParameters(table, names);
        QString g = record.gText.join('\n');
        QString inverse = record.gInverseText.join('\n');
        if (!g.isEmpty()) g.truncate(int(rng() % g.size()));
        if (!inverse.isEmpty()) {
            inverse.truncate(int(rng() % (inverse.size() + 1)));
            if (!inverse.isEmpty() && rng() % 2)
                inverse[int(rng() % inverse.size())] = QChar("+-*/()=;\n x"[rng() % 11]);
        }
        exercise(record, g, inverse);
    }
}

// Any bounds, from 1e-9 to 1e9 in magnitude: the generated lines parse without messages
// and g and its inverse undo each other.
TEST_F(ParameterTextRobustness, GeneratedTextsOfAllMagnitudesRoundTrip) {
    std::mt19937 rng(5);
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        double a = randomBound(rng), b = randomBound(rng);
        if (!std::isnan(a) && !std::isnan(b)) {
            if (a > b) std::swap(a, b);
            if (a == b || std::fabs(a) > 1e3 * (b - a))
                continue; // cancellation would swamp the comparison
        }
        parameters record;
        record.createParameters({{1, 2, a, b}}, {"K"});
        record.parseParameterExpressions(record.gText.join('\n'));
        record.parseParameterExpressionsInverse(record.gInverseText.join('\n'));
        ASSERT_TRUE(record.errors.isEmpty()) << record.gText.join('|').toStdString();
        for (double x : {-0.7, 0.4}) {
            const QVector<double> p = record.x_to_parameter({x});
            ASSERT_TRUE(std::isfinite(p[0])) << record.gText.join('|').toStdString();
            EXPECT_NEAR(record.parameter_to_x(p)[0], x, 1e-6)
                << record.gText.join('|').toStdString() << " / "
                << record.gInverseText.join('|').toStdString();
        }
        ++checked;
    }
    EXPECT_GT(checked, 1500);
}

} // namespace
