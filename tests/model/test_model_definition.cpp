// Building a model from the files of a model directory: the shipped examples load into
// valid records, and their evaluators reproduce the synthetic observations at the
// parameters the observations were made with.
#include "model/model_definition.h"

#include "io/model_directory.h"

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

TEST(ModelDefinition, BlockingErrorsNameWhatIsMissing) {
    model_definition model;
    model.setOdeText("dAdt = -k*A\ndAdt = 1");
    const QStringList errors = model.blockingErrors();
    EXPECT_TRUE(errors.join(" ").contains("same left hand side"));
    EXPECT_TRUE(errors.join(" ").contains("no valid observation"));
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
