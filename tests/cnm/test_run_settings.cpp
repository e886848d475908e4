// The computation page's settings: which texts read and which message a bad one gets, and
// what the settings file makes of lines it cannot read.
#include "cnm/run_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(RunSettings, EachFieldThatDoesNotReadGetsItsMessage) {
    const struct {
        const char* field;
        const char* text;
        int weightedIterations;
        const char* message; // "" when the settings read
    } rows[] = {
        {"lambda", "0.5", 0, ""},
        {"lambda", "x", 0, "Initial lambda must be a positive number, not \"x\"."},
        {"lambda", "0", 0, "Initial lambda must be a positive number"},
        {"reltol", "", 0, "relative tolerance must be a positive number"},
        {"abstol", "-1e-6", 0, "absolute tolerance must be a positive number"},
        {"abstol", "1e-6", 0, ""},
        {"weights", "", 2, "The weights are empty"},
        {"weights", "", 0, ""},
        {"weights", "1,0,0\n0,1", 0, "Weights row 2 must hold 3 numbers"},
        {"weights", "1,0,x", 1, "Weights row 1 must hold 3 numbers"},
        {"weights", "1,0,0\n0,1,1\n", 1, ""},
        {"seed", "12345678901234", 0, ""},
        {"seed", "-2", 0, "The random seed must be a whole number"},
        {"seed", " ", 0, ""},
    };
    for (const auto& r : rows) {
        run_settings s;
        const QString field = r.field;
        QString* text = field == "lambda"    ? &s.initialLambda
                        : field == "reltol"  ? &s.relativeTolerance
                        : field == "abstol"  ? &s.absoluteTolerance
                        : field == "weights" ? &s.weights
                                             : &s.seed;
        *text = r.text;
        s.weightedIterations = r.weightedIterations;
        run_settings::numbers values;
        const QStringList messages = s.read(values, 3);
        SCOPED_TRACE(std::string(r.field) + " '" + r.text + "'");
        if (QString(r.message).isEmpty()) {
            EXPECT_TRUE(messages.isEmpty()) << messages.join(" ").toStdString();
        } else {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(r.message)) << messages[0].toStdString();
        }
    }
    run_settings s;
    s.seed = "12345678901234";
    s.weights = "1,0,0\n0,1,1\n";
    s.absoluteTolerance = "1e-6";
    run_settings::numbers values;
    ASSERT_TRUE(s.read(values, 3).isEmpty());
    EXPECT_TRUE(values.seedGiven);
    EXPECT_EQ(values.seed, 12345678901234ull);
    EXPECT_EQ(values.weightRows, (QVector<QVector<double>>{{1, 0, 0}, {0, 1, 1}}));
    EXPECT_EQ(values.absoluteTolerance, 1e-6);
    EXPECT_EQ(values.initialLambda, 1.0);
}

TEST(RunSettings, UnreadableLinesOfTheFileKeepTheDefaults) {
    const run_settings old = run_settings::fromText("stage2_iterations=x\nno equals\ncolour=red");
    EXPECT_EQ(old, run_settings());
}

} // namespace
