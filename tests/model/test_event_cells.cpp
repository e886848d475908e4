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

// Time, dosage and duration cells: the colour, the pane (hidden for a plain number, the
// value of an expression, or the message) and the field with its flag.
TEST(DoseCells, NumberCells) {
    const struct {
        int column;
        const char* text;
        colour textColour;
        pane paneAction;
        const char* html;
        double value;
    } cases[] = {
        {doseTimeColumn, "1.5", colour::black, pane::hide, "", 1.5},
        {doseDosageColumn, " 100 ", colour::black, pane::hide, "", 100},
        {doseDurationColumn, "0", colour::black, pane::hide, "", 0},
        {doseDosageColumn, "1e3", colour::black, pane::hide, "", 1000},
        {doseTimeColumn, "2 * 12", colour::black, pane::show, "2*12=24", 24},
        {doseTimeColumn, "2*(3-)", colour::red, pane::show,
         "<font color=red> Error in Dosing Table (3th row Time):<br>Could not evaluate the "
         "expression for the dosage time.</font>",
         NAN},
        {doseDosageColumn, "", colour::red, pane::show,
         "<font color=red> Error in Dosing Table (3th row Dosage):<br>"
         "Could not evaluate the tree.</font>",
         NAN},
        {doseDurationColumn, "SQRT(0-1-D)", colour::red, pane::show,
         "<font color=red> Error in Dosing Table (3th row Duration):<br>Could not evaluate the "
         "tree.</font>",
         NAN},
    };
    for (const auto& c : cases) {
        QVector<dose_event> events;
        const event_cell_result r = applyDoseCell(events, 2, c.column, c.text, odeVariables);
        ASSERT_EQ(events.size(), 3);
        EXPECT_EQ(r.textColour, c.textColour) << c.text;
        EXPECT_EQ(r.paneAction, c.paneAction) << c.text;
        EXPECT_EQ(r.paneHtml, QString(c.html)) << c.text;
        const dose_event& e = events[2];
        const bool ok[] = {e.timeOk, false, e.dosageOk, e.durationOk};
        const double v[] = {e.time, NAN, e.dosage, e.duration};
        EXPECT_EQ(ok[c.column], c.textColour == colour::black) << c.text;
        EXPECT_EQ(e.timeOk + e.dosageOk + e.durationOk, int(ok[c.column])) << c.text;
        EXPECT_FALSE(e.timeDependsOnParameters || e.dosageDependsOnParameters) << c.text;
        if (!std::isnan(c.value)) {
            EXPECT_DOUBLE_EQ(v[c.column], c.value) << c.text;
        }
    }
}

TEST(DoseCells, ExpressionOfParametersIsDeferred) {
    dose_event event;
    const event_cell_result r = applyDoseCell(event, 0, doseDosageColumn, "D1*70", odeVariables);
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);
    EXPECT_TRUE(event.dosageOk);
    EXPECT_TRUE(event.dosageDependsOnParameters);
    EXPECT_TRUE(std::isnan(event.dosage));
    EXPECT_EQ(event.dosageExpression.variable_name, QStringList("D1"));
    EXPECT_DOUBLE_EQ(event.dosageExpression.evaluate_tree({2.0}), 140.0);
}

TEST(DoseCells, CompartmentIsTheFirstWord) {
    dose_event event;
    event_cell_result r =
        applyDoseCell(event, 0, doseCompartmentColumn, "  Central liver", odeVariables);
    EXPECT_EQ(event.compartment, QString("Central"));
    EXPECT_TRUE(event.compartmentFound);
    EXPECT_EQ(event.compartmentIndex, 0);
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);

    r = applyDoseCell(event, 0, doseCompartmentColumn, "Gut", odeVariables);
    EXPECT_EQ(event.compartmentIndex, 2);
    EXPECT_TRUE(event.compartmentErrors.isEmpty());
}

TEST(DoseCells, UnknownCompartmentListsTheVariables) {
    dose_event event;
    const event_cell_result r =
        applyDoseCell(event, 1, doseCompartmentColumn, "central", odeVariables);
    EXPECT_FALSE(event.compartmentFound);
    const QString message = "Dosing compartment not found.  It should be selected from the "
                            "following: Central  Peripheral  Gut";
    EXPECT_EQ(event.compartmentErrors, QStringList(message));
    EXPECT_EQ(r.textColour, colour::red);
    EXPECT_EQ(r.paneHtml, "<font color=red> Error in Dosing Table (2th row Compartment):<br>" +
                              message + "</font>");

    // A blank cell keeps its text, which names no variable.
    applyDoseCell(event, 1, doseCompartmentColumn, "   ", odeVariables);
    EXPECT_EQ(event.compartment, QString("   "));
    EXPECT_FALSE(event.compartmentFound);
}

// The compartment is looked up in a parsed ODE system, whose variables keep equation order.
TEST(DoseCells, CompartmentFromParsedOdeText) {
    odeTextParser ode;
    ode.readText("dGutdt = -ka*Gut\ndCentraldt = ka*Gut - CL/V*Central\n");
    ode.parse();
    ASSERT_EQ(ode.variable_name, QStringList({"Gut", "Central"}));

    dose_event event;
    event.compartment = "Central";
    event.determineCompartment(ode);
    EXPECT_TRUE(event.compartmentFound);
    EXPECT_EQ(event.compartmentIndex, 1);

    const event_cell_result r = applyDoseCell(event, 0, doseCompartmentColumn, "Liver", ode);
    EXPECT_FALSE(event.compartmentFound);
    EXPECT_EQ(event.compartmentErrors,
              QStringList("Dosing compartment not found.  It should be selected from the "
                          "following: Gut  Central"));
    EXPECT_EQ(r.textColour, colour::red);
}

TEST(DoseCells, EditingBeyondTheEndGrowsTheListAndTheNoteChangesNothing) {
    QVector<dose_event> events(10);
    applyDoseCell(events, 12, doseTimeColumn, "0", odeVariables);
    ASSERT_EQ(events.size(), 13);
    const event_cell_result r = applyDoseCell(events, 12, doseNoteColumn, "2*x", odeVariables);
    EXPECT_EQ(r.textColour, colour::unchanged);
    EXPECT_EQ(r.paneAction, pane::unchanged);
    EXPECT_TRUE(events[12].timeOk);
    EXPECT_DOUBLE_EQ(events[12].time, 0.0);
    QStringList doseNames;
    rebuildParameterNames(events, odeParameters, doseNames);
    EXPECT_FALSE(events[10].isValid);
    EXPECT_FALSE(events[11].isValid);
    EXPECT_FALSE(events[12].isValid); // only its time is given
}

void fillDose(QVector<dose_event>& events, int row, const QString& time, const QString& where,
              const QString& dosage, const QString& duration) {
    applyDoseCell(events, row, doseTimeColumn, time, odeVariables);
    applyDoseCell(events, row, doseCompartmentColumn, where, odeVariables);
    applyDoseCell(events, row, doseDosageColumn, dosage, odeVariables);
    applyDoseCell(events, row, doseDurationColumn, duration, odeVariables);
}

TEST(DoseParameters, NamesOfValidRowsFollowTheOdeParameters) {
    QVector<dose_event> events;
    fillDose(events, 0, "0", "Gut", "D1*70", "0");
    fillDose(events, 1, "tlag+12", "Central", "ka*D1", "Tinf");
    fillDose(events, 2, "24", "Nowhere", "Dx", "0"); // invalid: unknown compartment
    QStringList doseNames = {"stale"};
    const QStringList names = rebuildParameterNames(events, odeParameters, doseNames);
    EXPECT_TRUE(events[0].isValid);
    EXPECT_TRUE(events[1].isValid);
    EXPECT_FALSE(events[2].isValid);
    EXPECT_EQ(doseNames, QStringList({"D1", "Tinf", "ka", "tlag"}));
    EXPECT_EQ(names, QStringList({"CL", "V", "ka", "D1", "Tinf", "tlag"}));
}

TEST(ObservationCells, TimeAndValue) {
    QVector<observation_event> events;
    const struct {
        int column;
        const char* text;
        colour textColour;
        pane paneAction;
        const char* html;
        double value;
    } cases[] = {
        {observationTimeColumn, "0.5", colour::black, pane::hide, "", 0.5},
        {observationTimeColumn, "2*60", colour::black, pane::show, "2*60=120", 120},
        {observationTimeColumn, "Central", colour::red, pane::show,
         "<font color=red> Error in Observation Table (3th row Time):<br> Expression could not "
         "be understood.</font>",
         NAN},
        {observationValueColumn, "LOG10(1000)", colour::black, pane::show, "LOG10(1000)=3", 3},
        {observationValueColumn, "abc", colour::red, pane::show,
         "<font color=red> Error in Observation Table (3th row Value):<br> Expression could not "
         "be understood.</font>",
         NAN},
    };
    for (const auto& c : cases) {
        const event_cell_result r =
            applyObservationCell(events, 2, c.column, c.text, odeVariables, odeParameters);
        ASSERT_EQ(events.size(), 3);
        EXPECT_EQ(r.textColour, c.textColour) << c.text;
        EXPECT_EQ(r.paneAction, c.paneAction) << c.text;
        EXPECT_EQ(r.paneHtml, QString(c.html)) << c.text;
        const observation_event& e = events[2];
        const double v = c.column == observationTimeColumn ? e.time : e.value;
        const bool ok = c.column == observationTimeColumn ? e.timeOk : e.valueOk;
        EXPECT_EQ(ok, c.textColour == colour::black) << c.text;
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(v)) << c.text;
        else
            EXPECT_NEAR(v, c.value, 1e-12) << c.text;
    }
}

TEST(ObservationCells, ExpressionNamesAreVariablesThenParameters) {
    observation_event event;
    const QStringList parameterNames = odeParameters + QStringList("D1");
    const event_cell_result r = applyObservationCell(event, 0, observationExpressionColumn,
                                                     "Central / V", odeVariables, parameterNames);
    EXPECT_EQ(r.textColour, colour::black);
    EXPECT_EQ(r.paneAction, pane::hide);
    EXPECT_TRUE(event.observedExpressionOk);
    EXPECT_EQ(event.observedExpression.variable_name,
              QStringList({"Central", "Peripheral", "Gut", "CL", "V", "ka", "D1"}));
    // State row followed by the parameter values, as model evaluation passes them.
    EXPECT_DOUBLE_EQ(event.observedExpression.evaluate_tree({10, 0, 0, 1, 4, 1, 1}), 2.5);
}

TEST(ObservationCells, UnknownNameInExpression) {
    observation_event event;
    const event_cell_result r = applyObservationCell(event, 4, observationExpressionColumn,
                                                     "Liver/V", odeVariables, odeParameters);
    EXPECT_FALSE(event.observedExpressionOk);
    EXPECT_EQ(r.textColour, colour::red);
    EXPECT_EQ(r.paneHtml,
              "<font color=red> Error in Observation Table (5th row Compartment):<br>"
              "Variables appear in the expression is not provided in the variable_name list."
              "<br>Could not evaluate the tree.</font>");
}

TEST(ObservationCells, ValidityAndYNames) {
    QVector<observation_event> events;
    const auto fill = [&](int row, const QString& time, const QString& what, const QString& value) {
        applyObservationCell(events, row, observationTimeColumn, time, odeVariables, odeParameters);
        applyObservationCell(events, row, observationExpressionColumn, what, odeVariables,
                             odeParameters);
        applyObservationCell(events, row, observationValueColumn, value, odeVariables,
                             odeParameters);
    };
    fill(0, "1", "Central/V", "3.2");
    fill(1, "2", "Central/V", "oops");
    fill(2, "4", "LOG10(Central / V)", "0.1");
    applyObservationCell(events, 3, observationNoteColumn, "note", odeVariables, odeParameters);
    EXPECT_TRUE(events[0].isValid);
    EXPECT_FALSE(events[1].isValid);
    EXPECT_TRUE(events[2].isValid);
    EXPECT_FALSE(events[3].isValid);
    EXPECT_EQ(observationNamesText(events), QString("y1=Central/V\ny3=LOG10(Central/V)\n"));

    // Fixing the value makes the row valid again.
    applyObservationCell(events, 1, observationValueColumn, "2", odeVariables, odeParameters);
    EXPECT_TRUE(events[1].isValid);
}

} // namespace
