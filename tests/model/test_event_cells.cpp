// Dose and observation cells turned into records: flags, values, cell colour, error pane
// texts, the parameter names that dose expressions add, and the y-name lines.
#include "model/event_cells.h"

#include "model/odeTextParser.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using colour = event_cell_result::colour;
using pane = event_cell_result::pane;

const QStringList odeVariables = {"Central", "Peripheral", "Gut"};
const QStringList odeParameters = {"CL", "V", "ka"};
const QString error = "<font color=red> Error in %1 Table (3th row %2):<br>%3</font>";

// One cell of row 2: the colour, the pane (hidden for a plain number, the value of an
// expression, or the message) and the field with its flag.
TEST(EventCells, NumberCells) {
    const struct {
        bool dose;
        int column;
        const char* text;
        colour textColour;
        QString html;
        double value;
    } cases[] = {
        {true, doseTimeColumn, "1.5", colour::black, "", 1.5},
        {true, doseDosageColumn, " 1e3 ", colour::black, "", 1000},
        {true, doseDurationColumn, "0", colour::black, "", 0},
        {true, doseTimeColumn, "2 * 12", colour::black, "2*12=24", 24},
        {true, doseTimeColumn, "2*(3-)", colour::red,
         error.arg("Dosing", "Time", "Could not evaluate the expression for the dosage time."),
         NAN},
        {true, doseDosageColumn, "", colour::red,
         error.arg("Dosing", "Dosage", "Could not evaluate the tree."), NAN},
        {true, doseDurationColumn, "SQRT(0-1-D)", colour::red,
         error.arg("Dosing", "Duration", "Could not evaluate the tree."), NAN},
        {false, observationTimeColumn, "0.5", colour::black, "", 0.5},
        {false, observationTimeColumn, "2*60", colour::black, "2*60=120", 120},
        {false, observationTimeColumn, "Central", colour::red,
         error.arg("Observation", "Time", " Expression could not be understood."), NAN},
        {false, observationValueColumn, "LOG10(1000)", colour::black, "LOG10(1000)=3", 3},
        {false, observationValueColumn, "abc", colour::red,
         error.arg("Observation", "Value", " Expression could not be understood."), NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QVector<dose_event> doses;
        QVector<observation_event> observations;
        const event_cell_result r = c.dose ? applyDoseCell(doses, 2, c.column, c.text, odeVariables)
                                           : applyObservationCell(observations, 2, c.column, c.text,
                                                                  odeVariables, odeParameters);
        ASSERT_EQ(doses.size() + observations.size(), 3);
        EXPECT_EQ(r.textColour, c.textColour);
        EXPECT_EQ(r.paneAction, c.html.isEmpty() ? pane::hide : pane::show);
        EXPECT_EQ(r.paneHtml, c.html);
        bool ok;
        double v;
        if (c.dose) {
            const dose_event& e = doses[2];
            const bool oks[] = {e.timeOk, false, e.dosageOk, e.durationOk};
            const double values[] = {e.time, NAN, e.dosage, e.duration};
            ok = oks[c.column];
            v = values[c.column];
            EXPECT_EQ(e.timeOk + e.dosageOk + e.durationOk, int(ok)); // only this field set
            EXPECT_FALSE(e.timeDependsOnParameters || e.dosageDependsOnParameters);
        } else {
            const observation_event& e = observations[2];
            ok = c.column == observationTimeColumn ? e.timeOk : e.valueOk;
            v = c.column == observationTimeColumn ? e.time : e.value;
        }
        EXPECT_EQ(ok, c.textColour == colour::black);
        if (!std::isnan(c.value)) {
            EXPECT_NEAR(v, c.value, 1e-12);
        }
    }
}

TEST(DoseCells, ExpressionOfParametersIsDeferred) {
    dose_event event;
    const event_cell_result r = applyDoseCell(event, 0, doseDosageColumn, "D1*70", odeVariables);
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);
    EXPECT_TRUE(event.dosageOk && event.dosageDependsOnParameters && std::isnan(event.dosage));
    EXPECT_EQ(event.dosageExpression.variable_name, QStringList("D1"));
    EXPECT_DOUBLE_EQ(event.dosageExpression.evaluate_tree({2.0}), 140.0);
}

// The first word names the compartment, looked up in a list or a parsed ODE system.
TEST(DoseCells, Compartment) {
    dose_event event;
    event_cell_result r =
        applyDoseCell(event, 0, doseCompartmentColumn, "  Gut liver", odeVariables);
    EXPECT_EQ(event.compartment, QString("Gut"));
    EXPECT_TRUE(event.compartmentFound && event.compartmentErrors.isEmpty());
    EXPECT_EQ(event.compartmentIndex, 2);
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);

    const QString message = "Dosing compartment not found.  It should be selected from the "
                            "following: Central  Peripheral  Gut";
    r = applyDoseCell(event, 1, doseCompartmentColumn, "central", odeVariables);
    EXPECT_FALSE(event.compartmentFound);
    EXPECT_EQ(event.compartmentErrors, QStringList(message));
    EXPECT_EQ(r.textColour, colour::red);
    EXPECT_EQ(r.paneHtml, "<font color=red> Error in Dosing Table (2th row Compartment):<br>" +
                              message + "</font>");
    applyDoseCell(event, 1, doseCompartmentColumn, "   ", odeVariables);
    EXPECT_EQ(event.compartment, QString("   ")); // a blank cell keeps its text
    EXPECT_FALSE(event.compartmentFound);

    odeTextParser ode;
    ode.readText("dGutdt = -ka*Gut\ndCentraldt = ka*Gut - CL/V*Central\n");
    ode.parse();
    event.compartment = "Central";
    event.determineCompartment(ode);
    EXPECT_EQ(event.compartmentIndex, 1); // variables keep equation order
    r = applyDoseCell(event, 0, doseCompartmentColumn, "Liver", ode);
    EXPECT_EQ(event.compartmentErrors,
              QStringList("Dosing compartment not found.  It should be selected from the "
                          "following: Gut  Central"));
}

void fillDose(QVector<dose_event>& events, int row, const QStringList& cells) {
    const int columns[] = {doseTimeColumn, doseCompartmentColumn, doseDosageColumn,
                           doseDurationColumn};
    for (int i = 0; i < cells.size(); ++i)
        applyDoseCell(events, row, columns[i], cells[i], odeVariables);
}

// Valid rows add the names of their expressions after the ODE parameters; editing beyond
// the end grows the list; the note changes nothing.
TEST(DoseCells, ValidityAndParameterNames) {
    QVector<dose_event> events;
    fillDose(events, 0, {"0", "Gut", "D1*70", "0"});
    fillDose(events, 1, {"tlag+12", "Central", "ka*D1", "Tinf"});
    fillDose(events, 2, {"24", "Nowhere", "Dx", "0"});
    fillDose(events, 4, {"0"}); // only its time is given
    const event_cell_result r = applyDoseCell(events, 4, doseNoteColumn, "2*x", odeVariables);
    EXPECT_EQ(r.textColour, colour::unchanged);
    EXPECT_EQ(r.paneAction, pane::unchanged);
    QStringList doseNames = {"stale"};
    const QStringList names = rebuildParameterNames(events, odeParameters, doseNames);
    QString validity;
    for (const dose_event& e : events)
        validity += e.isValid ? '+' : '-';
    EXPECT_EQ(validity, QString("++---"));
    EXPECT_EQ(doseNames, QStringList({"D1", "Tinf", "ka", "tlag"}));
    EXPECT_EQ(names, QStringList({"CL", "V", "ka", "D1", "Tinf", "tlag"}));
}

TEST(ObservationCells, ExpressionNamesAreVariablesThenParameters) {
    observation_event event;
    event_cell_result r = applyObservationCell(event, 0, observationExpressionColumn, "Central / V",
                                               odeVariables, odeParameters + QStringList("D1"));
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);
    EXPECT_TRUE(event.observedExpressionOk);
    EXPECT_EQ(event.observedExpression.variable_name,
              QStringList({"Central", "Peripheral", "Gut", "CL", "V", "ka", "D1"}));
    // State row followed by the parameter values, as model evaluation passes them.
    EXPECT_DOUBLE_EQ(event.observedExpression.evaluate_tree({10, 0, 0, 1, 4, 1, 1}), 2.5);

    r = applyObservationCell(event, 4, observationExpressionColumn, "Liver/V", odeVariables,
                             odeParameters);
    EXPECT_FALSE(event.observedExpressionOk);
    EXPECT_EQ(r.textColour, colour::red);
    EXPECT_EQ(r.paneHtml,
              "<font color=red> Error in Observation Table (5th row Compartment):<br>"
              "Variables appear in the expression is not provided in the variable_name list."
              "<br>Could not evaluate the tree.</font>");
}

TEST(ObservationCells, ValidityAndYNames) {
    QVector<observation_event> events;
    const QStringList rows[] = {
        {"1", "Central/V", "3.2"}, {"2", "Central/V", "oops"}, {"4", "LOG10(Central / V)", "0.1"}};
    const int columns[] = {observationTimeColumn, observationExpressionColumn,
                           observationValueColumn};
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i < 3; ++i)
            applyObservationCell(events, row, columns[i], rows[row][i], odeVariables,
                                 odeParameters);
    applyObservationCell(events, 3, observationNoteColumn, "note", odeVariables, odeParameters);
    QString validity;
    for (const observation_event& e : events)
        validity += e.isValid ? '+' : '-';
    EXPECT_EQ(validity, QString("+-+-"));
    EXPECT_EQ(observationNamesText(events), QString("y1=Central/V\ny3=LOG10(Central/V)\n"));
    // Fixing the value makes the row valid again.
    applyObservationCell(events, 1, observationValueColumn, "2", odeVariables, odeParameters);
    EXPECT_TRUE(events[1].isValid);
}

} // namespace
