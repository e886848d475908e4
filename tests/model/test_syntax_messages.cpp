// Unbalanced parentheses in the ODE text, g(x), its inverse and the table cells: each
// source's own message followed by what is wrong and where; and the warning about names
// told apart by capitals only.
#include "expr/parenthesis_check.h"
#include "model/event_cells.h"
#include "model/name_warnings.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <gtest/gtest.h>

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
