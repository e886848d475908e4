// The simulation core: time texts, the simulation tables' cells, the prediction band, and
// runs checked against plain model evaluations.
#include "model/model_fixtures.h"
#include "simulation/prediction_band.h"
#include "simulation/simulation_cells.h"
#include "simulation/simulation_time_text.h"
#include "simulation/simulation_view.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SimulationTimeText, Cases) {
    const struct {
        const char* text;
        int size;
        double first, last;
        int messages;
    } cases[] = {
        {"0:1:10", 11, 0, 10, 0},
        {"0:3:10", 5, 0, 12, 0},
        {"10:-5:0", 3, 0, 10, 0},
        {" 0 : 0.1 : 1.1 ", 12, 0, 1.1, 0},
        {"5,1,3,1", 3, 1, 5, 0},
        {"1,1.0", 2, 1, 1, 0},
        {"1,,2", 2, 1, 2, 0},
        {"2, x, nan, 1e400", 1, 2, 2, 1},
        {"0:0:10", 0, 0, 0, 1},
        {"a:b:c", 0, 0, 0, 1},
        {"0:1:-10", 0, 0, 0, 1},
        {"1e400", 0, 0, 0, 1},
        {"0:1e-9:1e9", 5000, 0, 4999e-9, 1},
        {"", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const simulation_time_points r = parseSimulationTimeText(c.text);
        ASSERT_EQ(r.points.size(), c.size) << c.text;
        EXPECT_EQ(r.messages.size(), c.messages) << c.text;
        if (c.size == 0) continue;
        EXPECT_DOUBLE_EQ(r.points.first(), c.first) << c.text;
        EXPECT_DOUBLE_EQ(r.points.last(), c.last) << c.text;
        EXPECT_TRUE(std::is_sorted(r.points.begin(), r.points.end())) << c.text;
    }
}

TEST(SimulationCells, MessagesNameTheSimulationTables) {
    QVector<dose_event> doses;
    const QStringList variables = {"A1", "A2"};
    EXPECT_EQ(applySimulationDoseCell(doses, 0, doseTimeColumn, "2*(3-)", variables).paneHtml,
              "<font color=red> Error in Simulation Dosing Table (1th row Time):<br>Could not "
              "evaluate the tree.</font>");
    EXPECT_TRUE(applySimulationDoseCell(doses, 1, doseCompartmentColumn, "Gut", variables)
                    .paneHtml.startsWith("<font color=red> Error in Simulation Dosing Table (2th "
                                         "row Compartment):<br>Dosing compartment not found."));
    const char* row[] = {"0", "A2", "100", "0"};
    for (int column = 0; column < 4; ++column)
        applySimulationDoseCell(doses, 0, column, row[column], variables);
    EXPECT_TRUE(doses[0].isValid);
    EXPECT_FALSE(doses[1].isValid);

    parameters record;
    record.parameterNames = QStringList{"k", "V"};
    const struct {
        const char* text;
        bool accepted;
        const char* html;
    } cases[] = {{"", true, ""},
                 {"3", true, ""},
                 {"k*0+4", true, "k*0+4=4"},
                 {"q", false, "<font color=red> Error in Simulation Parameter Table </font>"}};
    for (const auto& c : cases) {
        const event_cell_result r = applySimulationParameterCell(record, 1, 0, c.text);
        EXPECT_EQ(r.accepted(), c.accepted) << c.text;
        EXPECT_EQ(r.paneHtml, QString(c.html)) << c.text;
    }
    applySimulationParameterCell(record, 1, 0, ""); // the found value is kept
    EXPECT_EQ(record.parameter_to_simulationParameter({2, 5}), (QVector<double>{2, 5}));
}

TEST(PredictionBand, PercentilesOfKnownColumns) {
    const QVector<QVector<double>> curves = {
        {5, NAN, NAN}, {1, 10, NAN}, {4, 20, NAN}, {2, NAN, NAN}, {3, NAN, NAN}};
    const QVector<QVector<double>> band = predictionBand({0, 1, 2}, curves);
    // Rows: time, median, 5 %, 25 %, 75 %, 95 %.
    const double expected[6][2] = {{0, 1}, {3, 15}, {1.2, 10.5}, {2, 12.5}, {4, 17.5}, {4.8, 19.5}};
    ASSERT_EQ(band.size(), bandRowCount);
    for (int r = 0; r < bandRowCount; ++r) {
        EXPECT_DOUBLE_EQ(band[r][0], expected[r][0]) << r;
        EXPECT_DOUBLE_EQ(band[r][1], expected[r][1]) << r;
        EXPECT_EQ(std::isnan(band[r][2]), r != bandTimeRow) << r;
    }
}

simulation_setup mm2Setup() {
    simulation_setup setup;
    setup.ode = fixtures::parsedOde(fixtures::mm2Text());
    setup.parameterRecord.parameterNames = setup.ode.parameter_name;
    setup.doses = {fixtures::dose(0, 0, 1000), fixtures::dose(12, 0, 500, 1)};
    for (double t : fixtures::mm2Times())
        setup.timePoints << t;
    return setup;
}

// Each simulated point's states are the model evaluation of its parameters at the
// simulation times, and the curves are the expression of those states.
TEST(Simulation, EqualsModelEvaluation) {
    compResult result; // Km, V1, Vmax, k12, k21
    result.Parameter = {{fixtures::mm2Parameters(), {4, 10, 80, 0.2, 0.1}, {6, 30, 120, 0.4, 0.2}}};
    const simulation_run run = runSimulation(mm2Setup(), result, 0, {2, 0, 7});
    ASSERT_EQ(run.points, (QVector<int>{2, 0}));
    const simulation_view view = simulationView(run, "A1/V1");
    ASSERT_EQ(view.curves.size(), 3);
    EXPECT_EQ(view.curveRowLabels, (QStringList{"time", "1", "2"}));
    for (int n = 0; n < 2; ++n) {
        model_ode plain = fixtures::mm2Model();
        const QVector<double>& found = result.Parameter[0][run.points[n]];
        const QVector<QVector<double>> rows = plain.evaluate(found);
        for (int i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(run.states[n].mid(2 * i, 2), rows[i]) << n << " " << i;
            EXPECT_EQ(view.curves[n + 1][i], rows[i][0] / found[1]) << n << " " << i;
        }
    }
    EXPECT_TRUE(view.paneHtml.isEmpty());
    const simulation_view unknown = simulationView(run, "B1");
    EXPECT_TRUE(unknown.isEmpty() && unknown.paneHtml.startsWith("<font color=red> Error in "
                                                                 "simulation valiable expression "
                                                                 "(B1): "));
    EXPECT_EQ(simulationView(run, "SQRT(0-A1-1)").paneHtml,
              "<font color=red> Could not evaluate the simulation valiable expression "
              "(SQRT(0-A1-1))</font>");
}

// A value typed for a parameter that was fixed in the fit (g constant) is simulated as
// typed, not sent through g inverse and g back to the fixed value.
TEST(Simulation, OverrideOfFixedParameterTakesEffect) {
    simulation_setup setup = mm2Setup();
    parameters& record = setup.parameterRecord;
    record.parseParameterExpressions("Km=5\nV1=20\nVmax=10^x1\nk12=0.3\nk21=0.1");
    record.xIndex = {0, 0, 1, 0, 0};
    applySimulationParameterCell(record, 1, 0, "40");
    applySimulationParameterCell(record, 2, 0, "Vmax/2");
    compResult result;
    result.Parameter = {{fixtures::mm2Parameters()}};
    const simulation_run run = runSimulation(setup, result, 0, {0});
    ASSERT_EQ(run.parameterVectors, (QVector<QVector<double>>{{5, 40, 50, 0.3, 0.1}}));
    model_ode plain = fixtures::mm2Model();
    EXPECT_EQ(run.states[0].mid(0, 2), plain.evaluate(run.parameterVectors[0]).first());
}

TEST(Simulation, MissingInputsAreNamed) {
    compResult result;
    result.Parameter = {{fixtures::mm2Parameters(), {1, 2}}};
    simulation_setup noTimes = mm2Setup();
    noTimes.timePoints = parseSimulationTimeText("0:0:10").points;
    const struct {
        const compResult record;
        const simulation_setup setup;
        int iteration;
        QVector<int> shown;
        const char* problem;
    } cases[] = {
        {compResult(), mm2Setup(), 0, {0}, "No computation result to simulate with"},
        {result, mm2Setup(), 1, {0}, "Iteration 1 is not in the result (iterations 0 to 0)."},
        {result, mm2Setup(), 0, {}, "No displayed parameter sets in iteration 0"},
        {result, noTimes, 0, {0}, "No simulation time points"},
        {result, mm2Setup(), 0, {1}, "The found parameter sets have 2 values but the model has 5"},
    };
    for (const auto& c : cases) {
        const simulation_view view =
            simulationView(runSimulation(c.setup, c.record, c.iteration, c.shown), "A1");
        EXPECT_TRUE(view.isEmpty()) << c.problem;
        ASSERT_EQ(view.problems.size(), 1) << c.problem;
        EXPECT_TRUE(view.problems[0].startsWith(c.problem)) << view.problems[0].toStdString();
    }
}

} // namespace
