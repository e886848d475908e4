// Expression language tables: precedence, associativity, functions, the unary minus rules,
// malformed input (NaN), names and the unknown-name message.
#include "expr/parser.h"

#include "expr/reference_reduction.h"

#include <gtest/gtest.h>

#include <cmath>

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

} // namespace
