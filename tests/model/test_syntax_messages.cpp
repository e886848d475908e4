// Messages for text the user typed wrongly: unbalanced parentheses in the ODE text, g(x),
// its inverse and the table cells, with what is wrong and where, and the warning about
// names told apart by capitals only.
#include "expr/parenthesis_check.h"
#include "model/event_cells.h"
#include "model/name_warnings.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <gtest/gtest.h>

namespace {

const QString notUnderstood = "The algorithm was not able to understand the right hand side of ";

// Every equation's problem, "-" for none, joined by " | ".
QString equationProblems(const QString& text) {
    QStringList out;
    for (const parenthesis_check::problem& p : parenthesis_check::inEquations(text))
        out << (p.found ? p.describe() : QStringLiteral("-"));
    return out.join(QStringLiteral(" | "));
}

TEST(ParenthesisCheck, Equations) {
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"dAdt = -k*A", "-"},
        {"dAcdt = ka*Ag - CL/(V*Ac",
         "Unbalanced parentheses: \"(\" at line 1, column 20 is never closed."},
        {"dAdt = k*A)\ndBdt = EXP(-k*t)",
         "Unbalanced parentheses: \")\" at line 1, column 11 has no matching \"(\". | -"},
        // The right-hand side goes on over a line without "=", not into the next equation.
        {"dAdt = (k*A\n  + B)\ndBdt = (B", "- | Unbalanced parentheses: \"(\" at line 3, "
                                           "column 8 is never closed."},
        // The innermost open one is named; comments, left-hand sides and text after a
        // second "=" are not looked at.
        {"dAdt = ((k*A) ; (comment\nd(Bdt = 1 = (", "Unbalanced parentheses: \"(\" at line 1, "
                                                    "column 8 is never closed. | -"},
        {"(\ndAdt = 1", "-"},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(equationProblems(r.text), QString(r.expected)) << r.text;
}

TEST(ParenthesisCheck, Cells) {
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"2*(3+4)", ""},
        {"", ""},
        {"(2+3", "Unbalanced parentheses: \"(\" at column 1 is never closed."},
        {"LOG10(5))", "Unbalanced parentheses: \")\" at column 9 has no matching \"(\"."},
        {")(", "Unbalanced parentheses: \")\" at column 1 has no matching \"(\"."},
        {"1+\n(2", "Unbalanced parentheses: \"(\" at line 2, column 1 is never closed."},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parenthesis_check::inExpression(r.text).describe(), QString(r.expected))
            << r.text;
}

TEST(SyntaxMessages, OdeTextNamesTheEquationAndWhere) {
    odeTextParser ode;
    ode.readText("dAgdt = -ka*Ag\ndAcdt = ka*Ag - CL/(V*Ac\ndAxdt = EXP(-k*t)");
    ode.parse();
    EXPECT_EQ(ode.error_list,
              QStringList(notUnderstood + "Ac .\nUnbalanced parentheses: \"(\" at line 2, "
                                          "column 20 is never closed."));
}

TEST(SyntaxMessages, TransformationTexts) {
    parameters record;
    record.parameterNames = QStringList{"K"};
    record.parseParameterExpressions("K = 10^(x1");
    EXPECT_EQ(record.errors, QStringList(notUnderstood + "K .\nUnbalanced parentheses: \"(\" at "
                                                         "line 1, column 8 is never closed."));
    record.parseParameterExpressionsInverse("x1 = LOG10(K))");
    EXPECT_EQ(record.errors, QStringList(notUnderstood + "x1 .\nUnbalanced parentheses: \")\" at "
                                                         "line 1, column 14 has no matching "
                                                         "\"(\"."));
}

// Cells keep their own message and add what and where; a balanced cell is unchanged.
TEST(SyntaxMessages, Cells) {
    const QString detail = "<br>Unbalanced parentheses: \"(\" at column 1 is never closed.</font>";
    dose_event dose;
    EXPECT_EQ(applyDoseCell(dose, 0, doseTimeColumn, "(2+3", QStringList{"A"}).paneHtml,
              "<font color=red> Error in Dosing Table (1th row Time):<br>Could not evaluate "
              "the expression for the dosage time." +
                  detail);
    EXPECT_FALSE(dose.timeOk);
    EXPECT_EQ(applyDoseCell(dose, 0, doseDosageColumn, "(2+3)", QStringList{"A"}).paneHtml,
              "(2+3)=5");

    observation_event obs;
    EXPECT_EQ(applyObservationCell(obs, 1, observationValueColumn, "(2+3", {"A"}, {}).paneHtml,
              "<font color=red> Error in Observation Table (2th row Value):<br> Expression "
              "could not be understood." +
                  detail);
    EXPECT_FALSE(obs.valueOk);
    EXPECT_EQ(applyObservationCell(obs, 1, observationExpressionColumn, "(A", {"A"}, {}).paneHtml,
              "<font color=red> Error in Observation Table (2th row Compartment):<br>Could not "
              "evaluate the tree." +
                  detail);
    EXPECT_FALSE(obs.observedExpressionOk);
}

TEST(NameWarnings, CapitalsOnly) {
    const struct {
        QStringList variables;
        QStringList parameters;
        QStringList expected;
    } rows[] = {
        {{"Ac", "Ag"},
         {"AC", "CL", "ag"},
         {"Warning: parameter AC differs from variable Ac only in capitals; is it a typo?",
          "Warning: parameter ag differs from variable Ag only in capitals; is it a typo?"}},
        {{"Ac"}, {"Acl", "V"}, {}},
        {{}, {"AC"}, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(name_warnings::capitalsOnly(r.variables, r.parameters), r.expected);
}

} // namespace
