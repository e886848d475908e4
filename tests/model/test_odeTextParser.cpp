// ODE text parsing, the dependence probe with its blocks, the right-hand side and Jacobian
// per block, the coloured text and the ODE side of the exported scripts; unbalanced
// parentheses in the ODE text, g(x), its inverse and the table cells, each source saying what
// and where; and the warning about names told apart by capitals only.
#include "model/odeTextParser.h"

#include "expr/parenthesis_check.h"
#include "model/event_cells.h"
#include "model/name_warnings.h"
#include "model/parameters.h"
#include "model/model_fixtures.h"
#include "model/script_translation.h"

#include <gtest/gtest.h>

#include <cmath>

using fixtures::parsedOde;
using matrix = odeTextParser::matrix_type;

TEST(OdeTextParse, NamesAndRightHandSides) {
    const struct {
        const char* text;
        QStringList variables;
        QStringList parameters;
        QStringList rhs;
    } cases[] = {
        // Plain code-unit order: upper case before lower case; t is time.
        {"dAdt = -CL/V*A - kel*A + b*a*t",
         {"A"},
         {"CL", "V", "a", "b", "kel"},
         {"-CL/V*A-kel*A+b*a*t"}},
        {"dAdt = -k*A ; elimination\n;note\n", {"A"}, {"k"}, {"-k*A"}},
        {"dAdt = -k1*A\n + k2*B\ndBdt = k1*A - k2*B",
         {"A", "B"},
         {"k1", "k2"},
         {"-k1*A+k2*B", "k1*A-k2*B"}},
        // A continuation line before the first equation is ignored.
        {"+ z\ndAdt = -k*A", {"A"}, {"k"}, {"-k*A"}},
        // Text after a second "=" is dropped; CR LF line ends and tabs are whitespace.
        {"dAdt = -k*A = junk\r\n\tdBdt = k*A\r\n", {"A", "B"}, {"k"}, {"-k*A", "k*A"}},
        // A variable used on another right-hand side is not a parameter.
        {"dCdt = k*D\ndDdt = -k*D", {"C", "D"}, {"k"}, {"k*D", "-k*D"}},
        {"", {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const odeTextParser ode = parsedOde(QString::fromLatin1(c.text));
        EXPECT_EQ(ode.variable_name, c.variables);
        EXPECT_EQ(ode.parameter_name, c.parameters);
        EXPECT_EQ(ode.rhs_text, c.rhs);
        EXPECT_EQ(ode.rhs_parser.size(), c.rhs.size());
        EXPECT_TRUE(ode.error_list.isEmpty());
    }
}

TEST(OdeTextParse, Messages) {
    odeTextParser ode = parsedOde("dAdt = 1\ndAdt = 1");
    EXPECT_EQ(ode.error_list,
              QStringList("There are more than two equations with the same left hand side.\nThe "
                          "left hand side d<variable name>dt need to be unique for all equations "
                          "in the system."));
    ode = parsedOde("dAdt =");
    EXPECT_EQ(ode.variable_name, QStringList{"A"});
    EXPECT_EQ(ode.error_list,
              QStringList("The algorithm was not able to understand the right hand side of A ."));
    EXPECT_EQ(ode.jacobian_structure, (QVector<QVector<int>>{{-1}}));
    // A malformed second equation is reported by name; the first stays usable.
    ode = parsedOde("dXdt = -k*X\ndYdt = 2*-Y");
    ASSERT_EQ(ode.error_list.size(), 1);
    EXPECT_TRUE(ode.error_list[0].endsWith("right hand side of Y ."));
    EXPECT_EQ(ode.jacobian_structure, (QVector<QVector<int>>{{1, 0}, {-1, -1}}));
}

TEST(OdeStructure, ProbeAndBlocks) {
    const struct {
        const char* text;
        QVector<QVector<int>> structure;
        QVector<int> blockEnds;
    } cases[] = {
        {"dAdt = -k*A\ndBdt = k*A - c*B", {{1, 0}, {1, 1}}, {1}},
        {"dAdt = -k*A*A", {{-1}}, {0}},
        {"dAdt = -a*A\ndBdt = -b*B", {{1, 0}, {0, 1}}, {0, 1}},
        // An uncoupled variable after the last coupled one is a block of its own.
        {"dAdt = -a*A\ndBdt = 2", {{1, 0}, {0, 0}}, {0, 1}},
        {"dAdt = 1\ndBdt = -k*B\ndCdt = 3", {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {0, 1, 2}},
        // C feeds A: all three form one block.
        {"dAdt = -a*A + C\ndBdt = -b*B\ndCdt = -c*C", {{1, 0, 1}, {0, 1, 0}, {0, 0, 1}}, {2}},
        // A coefficient that changes with t is not constant: nonlinear.
        {"dAdt = -k*t*A", {{-1}}, {0}},
        // Binding: k*L*R is linear in L alone, but its slope k*R moves with R.
        {fixtures::bindingText(), {{-1, -1, 1}, {-1, -1, 1}, {-1, -1, 1}}, {2}},
        {"dAdt = -k*A/(Km + A)\ndBdt = k*A", {{-1, 0}, {1, 0}}, {1}},
        {"dAdt = EXP(0-k*t)", {{0}}, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const odeTextParser ode = parsedOde(QString::fromLatin1(c.text));
        EXPECT_EQ(ode.jacobian_structure, c.structure);
        EXPECT_EQ(ode.block_end, c.blockEnds);
        QVector<QVector<int>> linear, nonlinear;
        for (int i = 0; i < c.structure.size(); ++i)
            for (int j = 0; j < c.structure.size(); ++j) {
                if (c.structure[i][j] == 1) linear << QVector<int>{i, j};
                if (c.structure[i][j] == -1) nonlinear << QVector<int>{i, j};
            }
        EXPECT_EQ(ode.linear_entry, linear);
        EXPECT_EQ(ode.nonlinear_entry, nonlinear);
    }
}

// Whatever the random probe points, a linear model is never marked nonlinear.
TEST(OdeStructure, LinearModelStaysLinearAtManyProbePoints) {
    srand(12345);
    for (int repeat = 0; repeat < 300; ++repeat) {
        const odeTextParser ode = parsedOde(fixtures::pbpk13Text());
        ASSERT_TRUE(ode.nonlinear_entry.isEmpty()) << "repeat " << repeat;
        for (int i = 0; i < 13; ++i) {
            const QStringList used = parser().extract_variables(ode.rhs_parser[i].expression);
            for (int j = 0; j < 13; ++j)
                ASSERT_EQ(ode.jacobian_structure[i][j],
                          used.contains(ode.variable_name[j]) ? 1 : 0);
        }
    }
}

// The Jacobian per block against the exact derivatives, the time derivative of the
// right-hand side included.
TEST(OdeStructure, JacobianEntries) {
    // Binding model: every L and R entry follows the state; P entries are constants.
    odeTextParser bind = parsedOde(fixtures::bindingText());
    const double kdeg = 0.2, kel = 0.1, kint = 0.05, koff = 0.5, kon = 50, ksyn = 1;
    bind.setParameters({kdeg, kel, kint, koff, kon, ksyn});
    bind.initialiseJacobian();
    odeTextParser::vector_type s(3);
    s[0] = 2.0;
    s[1] = 0.3;
    s[2] = 1.5;
    matrix B(3, 3);
    bind.updateJacobian(1.0, s, B, 0);
    const double L = s[0], R = s[1];
    const double exact[3][3] = {{-kel - kon * R, -kon * L, koff},
                                {-kon * R, -kdeg - kon * L, koff},
                                {kon * R, kon * L, -koff - kint}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(B(i, j), exact[i][j], 1e-5) << i << "," << j;

    odeTextParser timed = parsedOde("dAdt = -k*A + EXP(0-t)\ndBdt = -k*B");
    timed.setParameters({2.0});
    timed.initialiseJacobian();
    std::vector<double> scratch(timed.valueCount());
    timed.resetScratch(scratch.data());
    matrix J(1, 1);
    double a = 1.0, dfdt = 99.0;
    timed.updateJacobian(0.5, &a, J, &dfdt, 0, scratch.data());
    EXPECT_NEAR(dfdt, -std::exp(-0.5), 1e-6);
    timed.updateJacobian(0.5, &a, J, &dfdt, 1, scratch.data());
    EXPECT_EQ(dfdt, 0.0);
}

TEST(OdeEvaluation, EvalAndBlockRightHandSides) {
    odeTextParser ode = parsedOde("dAdt = -a*A + t - c\ndBdt = -b*B*B");
    ASSERT_EQ(ode.block_end, (QVector<int>{0, 1}));
    EXPECT_EQ(ode.eval({2.0, 3.0, 5.0, 0.5, 0.25, 1.0}),
              (QVector<double>{-0.5 * 3.0 + 2.0 - 1.0, -0.25 * 25.0}));
    odeTextParser::vector_type x(1);
    x[0] = 5.0;
    ode.setParameters({0.5, 0.25}); // c missing: NaN, not a read past the end
    EXPECT_TRUE(std::isnan(ode.evalRHS(2.0, x, 0)[0]));
    ode.setParameters({0.5, 0.25, 1.0, 77.0}); // extra values (dose parameters) are ignored
    EXPECT_EQ(ode.evalRHS(2.0, x, 1)[0], -0.25 * 25.0); // block 1 receives only B
    x[0] = 3.0;
    EXPECT_EQ(ode.evalRHS(2.0, x, 0)[0], -0.5 * 3.0 + 2.0 - 1.0);
    // Copies share the compiled programs and keep their own parameters.
    odeTextParser copy = ode;
    EXPECT_EQ(copy.rhs_parser[0].compiled().get(), ode.rhs_parser[0].compiled().get());
    copy.setParameters({1.5, 0.25, 1.0});
    EXPECT_EQ(copy.evalRHS(2.0, x, 0)[0], -1.5 * 3.0 + 2.0 - 1.0);
    EXPECT_EQ(ode.evalRHS(2.0, x, 0)[0], -0.5 * 3.0 + 2.0 - 1.0);
}

// Bound parameters give the same right-hand side as the full value vector on a large model.
TEST(OdeEvaluation, BoundParametersGiveTheSameValuesAsTheFullVector) {
    odeTextParser ode = parsedOde(fixtures::pbpk13Text());
    const QVector<double> p = fixtures::pbpk13Parameters();
    ode.setParameters(p);
    QVector<double> values(1 + 13);
    odeTextParser::vector_type x(13);
    for (int k = 0; k < 13; ++k)
        values[k + 1] = x[k] = 0.37 * (k + 1);
    values[0] = 1.5;
    const QVector<double> expected = ode.eval(values + p);
    const odeTextParser::vector_type got = ode.evalRHS(1.5, x, 0);
    for (int k = 0; k < 13; ++k)
        EXPECT_EQ(got[k], expected[k]) << k;
}

TEST(OdeText, ColourAndScriptTexts) {
    odeTextParser ode = parsedOde("dAdt = -k*A ; loss");
    EXPECT_EQ(ode.textColour(), QString("<font>d<b>A</b>dt = -<i>k</i>*<b>A</b> "
                                        "<font color=silver>; loss"));
    EXPECT_EQ(ode.coloured_text, ode.textColour());
    EXPECT_EQ(parsedOde("dXdt = -b*X\ndYdt = c*X").textColour(),
              QString("<font>d<b>X</b>dt = -b*<b>X</b></font><br>d<b>Y</b>dt = <i>c</i>*<b>X</b>"));
    EXPECT_EQ(parsedOde("").textColour(), QString("<font>"));
    // Replacing on the ODE page: spaces go, the replacement is marked, operators spaced.
    EXPECT_EQ(odeTextParser::replacedText("dAdt = -k*A/V", "k", "CL/V", '[', ']'),
              QString("dAdt= - [CL / V] * A / V"));

    // Whole function names only are translated for the scripts.
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"ASIN(a)+SIN(b)-EXP(c)", "asin(a)+sin(b)-exp(c)"},
        {"ACOS(a)*COS(b)/ATAN(c)-TAN(d)", "acos(a)*cos(b)/atan(c)-tan(d)"},
        {"LOG10(x)+LOG(y)+LN(z)", "log10(x)+log(y)+log(z)"},
        {"(ABS(SIGN(SQRT(x)))^2)", "(abs(sign(sqrt(x)))^2)"},
        {"kSIN(x)+LOG10", "kSIN(x)+LOG10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(translateFunctionNames(c.in), QString(c.out)) << c.in;
    const odeTextParser exported = parsedOde("dC1dt = EXP(-k*t) - ASIN(a)*C1");
    EXPECT_TRUE(
        exported.rscript_RHS().contains("dC1=exp(-k*t)-asin(a)*C1+infRate_C1\nlist(c(dC1))"));
    EXPECT_TRUE(exported.matlab_RHS().contains("out(1)=exp(-k*t)-asin(a)*C1+infRate_C1;"));
    EXPECT_TRUE(exported.rscript_initialStateVector().endsWith("state <- c(C1=0)\n"));
    EXPECT_TRUE(exported.matlab_initialStateVector().endsWith("u_init =[0];\n"));
}

namespace {

// "( line:column" for a "(" never closed, ") line:column" for a stray ")", "-" for none.
QString brief(const parenthesis_check::problem& p) {
    if (!p.found) return "-";
    return QString("%1 %2:%3").arg(p.unclosed ? "(" : ")").arg(p.line).arg(p.column);
}

TEST(ParenthesisCheck, EquationsAndCells) {
    const struct {
        bool cell;
        const char* text;
        const char* expected; // per equation, joined by "|"
    } rows[] = {
        {false, "dAdt = -k*A\ndBdt = (k*A\n  + B)", "-|-"}, // continued over a line
        {false, "dAcdt = ka*Ag - CL/(V*Ac", "( 1:20"},
        {false, "dAdt = k*A)\ndBdt = (B", ") 1:11|( 2:8"},
        // The innermost open one; comments, left-hand sides, text after a second "=" and
        // lines before the first equation are not looked at.
        {false, "(\ndAdt = ((k*A) ; (\nd(Bdt = 1 = (", "( 2:8|-"},
        {true, "(2+3", "( 0:1"},
        {true, "LOG10(5))", ") 0:9"},
        {true, "1+\n(2", "( 2:1"},
        {true, "", "-"},
    };
    for (const auto& r : rows) {
        QStringList got;
        if (r.cell)
            got << brief(parenthesis_check::inExpression(r.text));
        else
            for (const auto& p : parenthesis_check::inEquations(r.text))
                got << brief(p);
        EXPECT_EQ(got.join('|'), QString(r.expected)) << r.text;
    }
}

TEST(SyntaxMessages, EverySourceSaysWhatAndWhere) {
    const QString rhs = "The algorithm was not able to understand the right hand side of ";
    odeTextParser ode;
    ode.readText("dAgdt = -ka*Ag\ndAcdt = ka*Ag - CL/(V*Ac");
    ode.parse();
    EXPECT_EQ(ode.error_list, QStringList(rhs + "Ac .\nUnbalanced parentheses: \"(\" at line 2, "
                                                "column 20 is never closed."));
    parameters record;
    record.parameterNames = QStringList{"K"};
    record.parseParameterExpressions("K = 10^(x1");
    EXPECT_EQ(record.errors, QStringList(rhs + "K .\nUnbalanced parentheses: \"(\" at line 1, "
                                               "column 8 is never closed."));
    record.parseParameterExpressionsInverse("x1 = LOG10(K))");
    EXPECT_EQ(record.errors.value(0).left(rhs.size() + 4), rhs + "x1 .");

    const QString detail = "<br>Unbalanced parentheses: \"(\" at column 1 is never closed.";
    dose_event dose;
    EXPECT_EQ(applyDoseCell(dose, 0, doseTimeColumn, "(2+3", QStringList{"A"}).paneHtml,
              "<font color=red> Error in Dosing Table (1th row Time):<br>Could not evaluate "
              "the expression for the dosage time." +
                  detail + "</font>");
    observation_event obs;
    for (int column : {observationValueColumn, observationExpressionColumn})
        EXPECT_TRUE(
            applyObservationCell(obs, 1, column, "(A", {"A"}, {}).paneHtml.contains(detail));
    EXPECT_FALSE(dose.timeOk || obs.valueOk || obs.observedExpressionOk);
}

TEST(NameWarnings, CapitalsOnly) {
    EXPECT_EQ(
        name_warnings::capitalsOnly({"Ac", "Ag"}, {"AC", "Acl", "V", "ag"}),
        (QStringList{
            "Warning: parameter AC differs from variable Ac only in capitals; is it a typo?",
            "Warning: parameter ag differs from variable Ag only in capitals; is it a typo?"}));
    EXPECT_TRUE(name_warnings::capitalsOnly({}, {"AC"}).isEmpty());
}

} // namespace
