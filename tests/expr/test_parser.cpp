// Expression language tables: precedence, associativity, functions, the unary minus rules,
// malformed input (NaN), names and the unknown-name message; and the compiled program against
// the literal leftmost reduction on many random token sequences and expression strings,
// well-formed and malformed alike: values match bit for bit (or both are NaN), binding
// variables to constants changes nothing, and the minus after "(" reads as the text rule.
#include "expr/parser.h"

#include "expr/reference_reduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

const double NaN = std::nan("");

double eval(const QString& text, const QStringList& names = {},
            const QVector<double>& values = {}) {
    parser p(text);
    p.variable_name = names;
    p.generate_tree();
    const double fast = p.evaluate_tree(values);
    const double ref = reference_reduction(p.tree, values);
    // The compiled program and the literal reduction agree on every row.
    if (std::isnan(ref))
        EXPECT_TRUE(std::isnan(fast)) << text.toStdString();
    else
        EXPECT_EQ(fast, ref) << text.toStdString();
    return fast;
}

struct row {
    const char* expression;
    double expected; // NaN: the expression must not evaluate
};

void checkRows(const std::vector<row>& rows, const QStringList& names = {},
               const QVector<double>& values = {}) {
    for (const row& r : rows) {
        const double v = eval(QString::fromUtf8(r.expression), names, values);
        if (std::isnan(r.expected))
            EXPECT_TRUE(std::isnan(v)) << r.expression << " gave " << v;
        else
            EXPECT_NEAR(v, r.expected, 1e-12 * std::max(1.0, std::fabs(r.expected)))
                << r.expression;
    }
}

TEST(Parser, ArithmeticPrecedenceAndAssociativity) {
    // clang-format off
    checkRows({
        {"2+3*4", 14},
        {"(2+3)*4", 20},
        {"2^3^2", 512},
        {"(2^3)^2", 64},
        {"8/2/2", 2},
        {"10-4-3", 3},
        {"2*3^2", 18},
        {"-2^2", -4},          // read as 0-2^2
        {"1-2+3", 2},
        {"12/3*2", 8},
        {"2*-3", -6},          // after the cut at "*", "-3" is a number
        {"(-3)", -3},          // a minus after "(" reads as 0-3
        {"2+(-3)", -1},
        {"(-2)^2", 4},
        {"(-2^2)", -4},
        {"(--3)", NaN},        // only one minus is read that way
        {"2^-1", 0.5},         // "-1" survives the cut at "^" as a number
        {"1e3+2.5E1", 1025},
        {"1.5*2", 3},
        {".5+.25", 0.75},
    });
    // clang-format on
}

TEST(Parser, UnaryMinusAtTheStartAndAfterAParenthesis) {
    checkRows({{"-x+1", -1},
               {"-x*2", -4},
               {"3*(-x)", -6},
               {"EXP(-x*x)", std::exp(-4.0)},
               {"ABS(-x)", 2},
               {"-(-x)", 2},
               {"x^(-1)", 0.5},
               {"SQRT(-x)", NaN},
               {"x-(x-)", NaN},
               {"x\n/\r\n x", 1}}, // blanks and line breaks are ignored
              {"x"}, {2});
}

TEST(Parser, Functions) {
    checkRows({
        {"EXP(0)+LOG10(100)", 3},
        {"ASIN(1)", M_PI / 2},
        {"SIN(0)+COS(0)", 1},
        {"LOG10(1000)", 3},
        {"LN(EXP(2))", 2},
        {"LOG(EXP(2))", 2},
        {"ABS(0-3)", 3},
        {"SIGN(0)", 1},
        {"SIGN(0-2)", -1},
        {"SQRT(16)", 4},
        {"SQRT(0-1)", NaN},
        {"TAN(0)+ATAN(0)+ACOS(1)", 0},
        {"2*EXP(1)", 2 * std::exp(1.0)},
        {"EXP(1)^2", std::exp(1.0) * std::exp(1.0)},
        {"SIGN(LOG(0-1))", 1}, // NaN is not below 0
    });
    // SQRT is a power of 0.5: minus infinity gives plus infinity.
    EXPECT_EQ(eval("SQRT(x)", {"x"}, {-INFINITY}), INFINITY);
    EXPECT_EQ(eval("SIGN(x)", {"x"}, {-0.0}), 1.0);
}

TEST(Parser, UnbalancedAndMalformed) {
    checkRows({
        {"(2+3", 5}, // the unclosed parenthesis still applies
        {"2+3)", 5},
        {"2)", NaN},
        {")2", NaN},
        {"()", NaN},
        {"EXP()", NaN},
        {"2+", NaN},
        {"*2", NaN},
        {"2++3", NaN},
        {"2 3", 23}, // blanks are removed before anything else
        {"", NaN},
        {"((4))", 4},
        {"exp(0)", NaN}, // lower-case function names are not functions
        {"1e-3", NaN},   // a signed exponent is cut at the minus
    });
}

TEST(Parser, VariablesAndNames) {
    parser p;
    EXPECT_EQ(p.extract_variables("k1*X+k2*X^2+3"), (QStringList{"k1", "X", "k2"}));
    // Function names are recognised in any letter case when names are extracted.
    EXPECT_EQ(p.extract_variables("exp(k)+Log10(V)"), (QStringList{"k", "V"}));
    // Numbers, including the ones Qt reads such as inf, are not names; 1e- is.
    EXPECT_EQ(p.extract_variables("inf*a+1e-3"), (QStringList{"a", "1e"}));

    const QStringList names{"t", "A", "k"};
    EXPECT_DOUBLE_EQ(eval("-k*A+t", names, {1, 3, 2}), -5);
    // The first matching name gives the index.
    EXPECT_DOUBLE_EQ(eval("A", {"A", "A"}, {7, 8}), 7);
}

TEST(Parser, UnknownNameIsReportedAndEvaluatesToNaN) {
    parser p("k*A");
    p.variable_name = QStringList{"A"};
    p.generate_tree();
    EXPECT_TRUE(p.tree.isEmpty());
    ASSERT_EQ(p.error_list.size(), 1);
    EXPECT_EQ(p.error_list[0],
              "Variables appear in the expression is not provided in the variable_name list.");
    EXPECT_TRUE(std::isnan(p.evaluate_tree({1, 2})));
}

// Too few values give NaN; evaluate_aTree orders time, state, parameters; a copy outlives
// its original.
TEST(Parser, ValuesAndCopies) {
    parser* p = new parser("t+10*A+100*B+1000*k");
    p->variable_name = QStringList{"t", "A", "B", "k"};
    p->generate_tree();
    EXPECT_EQ(p->evaluate_aTree(1, {2, 3}, {4}), 4321);
    EXPECT_TRUE(std::isnan(p->evaluate_tree({1, 2, 3})));
    const parser copy = *p;
    delete p;
    EXPECT_EQ(copy.evaluate_tree({1, 2, 3, 4}), 4321);
    EXPECT_TRUE(std::isnan(eval("B", {"A", "B"}, {1})));
}

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
