// The compiled program against the literal leftmost reduction, on many random token
// sequences and random expression strings, well-formed and malformed alike. Values must
// match bit for bit (or both be NaN); binding variables to constants must not change them,
// and the minus after "(" must read as the same rule written on the text.
#include "expr/parser.h"

#include "expr/reference_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

bool same(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const double kCodes[] = {0,   1,   2,   3,   4,   100, 101, 102, 103, 104,
                         105, 106, 107, 108, 109, 110, 111, 112, 113, 114};

double randomValue(std::mt19937& rng) {
    static const double specials[] = {0.0,   -0.0,    1.0,      -1.0,      0.5, 2.0,
                                      1e300, -1e-300, INFINITY, -INFINITY, NAN};
    std::uniform_int_distribution<int> pick(0, 14);
    const int k = pick(rng);
    if (k < 11) return specials[k];
    return std::uniform_real_distribution<double>(-5, 5)(rng);
}

TEST(ParserProperty, RandomTokenSequencesMatchTheReduction) {
    std::mt19937 rng(20261206);
    int compared = 0;
    int numeric = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const int length = std::uniform_int_distribution<int>(1, 14)(rng);
        QVector<parser_token> tree;
        for (int i = 0; i < length; ++i) {
            parser_token t;
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            if (kind < 3) {
                t.type = 0;
                t.value = randomValue(rng);
            } else if (kind < 5) {
                t.type = 1;
                t.value = std::uniform_int_distribution<int>(0, 4)(rng);
            } else if (kind == 5 && trial % 7 == 0) {
                t.type = -1;
                t.text = "exp";
            } else {
                t.type = 2;
                t.value = kCodes[std::uniform_int_distribution<int>(0, 19)(rng)];
            }
            tree << t;
        }
        QVector<double> values;
        const int nValues = std::uniform_int_distribution<int>(3, 5)(rng); // sometimes too few
        for (int i = 0; i < nValues; ++i)
            values << randomValue(rng);

        parser p;
        p.tree = tree;
        p.compile_tree();
        const double expected = reference_reduction(tree, values);
        const double got = p.evaluate_tree(values);
        ASSERT_TRUE(same(expected, got)) << "trial " << trial << ": " << got << " vs " << expected;
        if (!std::isnan(expected)) ++numeric;
        ++compared;

        // Binding the variables from index 2 on to their values changes nothing.
        if (nValues > 2) {
            const compiled_expression bound =
                p.compiled()->bind(2, values.constData() + 2, nValues - 2);
            ASSERT_TRUE(same(expected, bound.evaluate(values.constData(), nValues)))
                << "bound, trial " << trial;
        }
    }
    EXPECT_GE(compared, 10000);
    EXPECT_GT(numeric, 500); // enough sequences are well formed to exercise arithmetic
}

QString randomExpression(std::mt19937& rng) {
    static const char* pieces[] = {
        "a",     "b",     "k1",     "X",    "t",     "2",     "0.5",  "1e3",  "3E2",
        "1e",    "10",    "0",      "+",    "-",     "*",     "/",    "^",    "+",
        "-",     "*",     "/",      "(",    ")",     "(",     ")",    "(-",   "EXP(-",
        "EXP(",  "LOG(",  "LOG10(", "ABS(", "SIGN(", "SQRT(", "SIN(", "COS(", "TAN(",
        "ASIN(", "ACOS(", "ATAN(",  "LN(",  "exp(",  "Sin(",  " ",    "\n",   "zz"};
    const int count = sizeof pieces / sizeof pieces[0];
    const int length = std::uniform_int_distribution<int>(1, 16)(rng);
    QString text;
    for (int i = 0; i < length; ++i) {
        int k = std::uniform_int_distribution<int>(0, count - 1)(rng);
        if (k == count - 1 && rng() % 5) k = 0; // unknown names now and then
        text += QString::fromLatin1(pieces[k]);
    }
    return text;
}

TEST(ParserProperty, RandomExpressionStringsMatchTheReduction) {
    std::mt19937 rng(7);
    const QStringList names{"t", "a", "b", "k1", "X"};
    int compared = 0;
    int numeric = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const QString text = randomExpression(rng);
        parser p(text);
        p.variable_name = names;
        p.generate_tree();
        QVector<double> values;
        const int nValues = (trial % 11 == 0) ? 3 : 5;
        for (int i = 0; i < nValues; ++i)
            values << randomValue(rng);
        const double expected = reference_reduction(p.tree, values);
        const double got = p.evaluate_tree(values);
        ASSERT_TRUE(same(expected, got)) << text.toStdString() << ": " << got << " vs " << expected;
        // The minus after "(" read on the tokens agrees with the rule written on the text.
        parser literal(reference_minus_reading(text));
        literal.variable_name = names;
        literal.generate_tree();
        ASSERT_TRUE(same(reference_reduction(literal.tree, values), got)) << text.toStdString();
        if (!std::isnan(expected)) ++numeric;
        ++compared;
    }
    EXPECT_GE(compared, 10000);
    EXPECT_GT(numeric, 500);
}

} // namespace
