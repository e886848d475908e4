// Building a model from the files of a model directory: the shipped examples load into
// valid records, and their evaluators reproduce the synthetic observations at the
// parameters the observations were made with.
// Dose and observation cells turned into records: flags, values, cell colour, error pane
// texts, the parameter names that dose expressions add, and the y-name lines.
#include "model/model_definition.h"

#include "io/model_directory.h"
#include "model/event_cells.h"
#include "model/odeTextParser.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

model_definition loadExample(const char* name) {
    model_directory files;
    EXPECT_TRUE(files.load(QString(VELMORA_SOURCE_DIR) + "/examples/" + name));
    model_definition model;
    model.load(files);
    return model;
}

// Simulated observations of one parameter vector, as the engine forms them.
QVector<double> simulate(model_definition& model, const QVector<double>& p) {
    QList<model_ode> models = model.buildModels(1, 1e-10, 1e-12);
    model_ode& m = models[0];
    m.prepareDoseObsTimePoints(p);
    const QVector<QVector<double>> states = m.evaluate(p);
    QVector<double> y;
    for (int k = 0; k < m.observations.size(); ++k) {
        QVector<double> values = states[k];
        values << p;
        y << m.observations[k].observedExpression.evaluate_tree(values);
    }
    return y;
}

struct example {
    const char* name;
    QStringList parameterNames;
    QVector<double> reference;
    int observations;
};

TEST(ModelDefinition, ExamplesLoadAndReproduceTheirObservations) {
    const example examples[] = {
        {"one_compartment_iv", {"CL", "V"}, {2, 10}, 8},
        {"oral_multiple_dose", {"CL", "V", "ka"}, {5, 50, 1.2}, 16},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.name);
        model_definition model = loadExample(e.name);
        EXPECT_TRUE(model.problems.isEmpty()) << model.problems.join("\n").toStdString();
        EXPECT_TRUE(model.blockingErrors().isEmpty())
            << model.blockingErrors().join("\n").toStdString();
        EXPECT_EQ(model.para.parameterNames, e.parameterNames);
        EXPECT_EQ(model.para.initialCluster.size(), 250);
        const QVector<double> y = simulate(model, e.reference);
        const QVector<double> observed = model.observedValues();
        ASSERT_EQ(observed.size(), e.observations);
        ASSERT_EQ(y.size(), observed.size());
        for (int k = 0; k < y.size(); ++k)
            EXPECT_NEAR(y[k], observed[k], 1e-5 * std::fabs(observed[k]) + 1e-9) << "row " << k;
        // x of the reference parameters maps back to them.
        const QVector<double> x = model.para.parameter_to_x(e.reference);
        const QVector<double> back = model.para.x_to_parameter(x);
        for (int i = 0; i < back.size(); ++i)
            EXPECT_NEAR(back[i], e.reference[i], 1e-9);
    }
}

TEST(ModelDefinition, DoseParametersJoinTheListAndBadCellsAreReported) {
    model_definition model;
    model.setOdeText("dAdt = -k*A");
    model.setDoseTable({{"0", "A", "D*2", "0"}, {"2*", "Central liver", "1", "0"}, {" ", " "}});
    EXPECT_EQ(model.para.parameterNames, (QStringList{"k", "D"}));
    // Row 2: a malformed time and an unknown compartment; the blank row 3
    // is a row the user never filled and is not reported.
    ASSERT_EQ(model.problems.size(), 2) << model.problems.join("\n").toStdString();
    EXPECT_TRUE(model.problems[0].startsWith("dose_events.txt row 2 column 1:"));
    EXPECT_TRUE(model.problems[1].contains("Dosing compartment not found."));
    EXPECT_FALSE(model.doseEvents[1].isValid);
    EXPECT_TRUE(model.doseEvents[0].isValid);
}

// The current problems after a sequence of edits ("file: start of message", "!" marking a
// warning), starting from dAdt = -k*A: an edit that fixes a problem leaves nothing behind.
TEST(ModelDefinition, CurrentProblemsFollowTheLastEdits) {
    enum op { dose, observation, table, check, g, ode };
    struct edit {
        op what;
        const char* text; // a table row: cells separated by commas
    };
    const struct {
        QVector<edit> edits;
        QStringList expected;
    } rows[] = {
        {{{dose, "0,A,1,2*"}}, {"dose_events.txt: Error in Dosing Table (1th row Duration)"}},
        {{{dose, "0,A,1,2*"}, {dose, ",,,"}}, {}},
        {{{table, "3,2,0,"}, {table, "1,2,0,"}}, {}},
        {{{table, "1,2,0,"}, {check, "1,0.5,0,"}},
         {"parameter_specifications.csv: Parameter k's lowerbound of the domain of interest is "
          "higher than its upperbound."}},
        {{{table, "1,2,0,"}, {g, ""}},
         {"reparaDefinition.txt: Parameter k is not defined.",
          "reparaDefinition.txt: Parameters are not specified correctly"}},
        {{{dose, "12h,A,1,0"}},
         {"!dose_events.txt: The dose cells use 12h, which the ODEs do not"}},
        {{{dose, "12h,A,1,0"}, {table, "1,2,0,"}},
         {"dose_events.txt: The dose cells use 12h", "parameter_specifications.csv: Number of"}},
        {{{observation, "0,A*(,1"}, {observation, "0,A,1"}, {ode, "dAdt = -k*(A\ndBdt = b"}},
         {"ODE_expression.txt: The algorithm was not able to understand the right hand side of A",
          "!ODE_expression.txt: "}},
    };
    for (const auto& r : rows) {
        model_definition m;
        m.setOdeText("dAdt = -k*A");
        for (const edit& e : r.edits) {
            const cell_table cells = {QString(e.text).split(QLatin1Char(',')).toVector()};
            if (e.what == dose) m.setDoseTable(cells);
            if (e.what == observation) m.setObservationTable(cells);
            if (e.what == table) m.setParameterTable(cells);
            if (e.what == check) m.checkParameterTable(cells);
            if (e.what == g) m.setGText(e.text);
            if (e.what == ode) m.setOdeText(e.text);
        }
        QStringList got;
        for (const model_problem& p : m.currentProblems())
            got << (p.warning ? "!" : "") + p.file() + ": " + p.message;
        ASSERT_EQ(got.size(), r.expected.size()) << got.join("\n").toStdString();
        for (int i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i].startsWith(r.expected[i])) << got[i].toStdString();
    }
}

TEST(ModelDefinition, SavedInitialClusterReplacesTheDrawnOne) {
    QTemporaryDir tmp;
    model_directory files;
    files.load(QString(VELMORA_SOURCE_DIR) + "/examples/one_compartment_iv");
    files.initialCluster = {{"0.1", "1.5"}, {"0.2", "1.4"}, {"0.3", "1.3"}};
    files.hasInitialCluster = true;
    model_definition model;
    model.load(files);
    ASSERT_EQ(model.para.initialCluster.size(), 3);
    EXPECT_DOUBLE_EQ(model.para.initialCluster[2][1], 1.3);
    // A cluster of the wrong width is not taken.
    files.initialCluster = {{"0.1", "1.5", "7"}};
    model_definition other;
    other.load(files);
    EXPECT_EQ(other.para.initialCluster.size(), 250);
    // A saved empty cluster is what runs: none, and the run is refused.
    files.initialCluster = {};
    other.load(files);
    EXPECT_TRUE(other.para.initialCluster.isEmpty());
    EXPECT_TRUE(other.blockingErrors().contains("The initial cluster is empty."));
}

} // namespace

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
