// The SSR family of the engine: plain and weighted, one row and a matrix of rows; a malformed
// row gives NaN instead of an error.
// The computation page's settings: which texts read and which message a bad one gets, and
// what the settings file makes of lines it cannot read.
#include "cnm/cluster_newton_method.h"
#include "cnm/run_settings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Against Y_obs = (1, 2, 3); no weight rows: the plain SSR.
TEST(SSR, PlainAndWeighted) {
    const struct {
        const char* name;
        QVector<QVector<double>> W;
        QVector<double> y;
        double expected;
    } cases[] = {{"plain", {}, {2.0, 0.0, 3.5}, 5.25},
                 {"plain, equal", {}, {1.0, 2.0, 3.0}, 0.0},
                 {"plain, short", {}, {1.0, 2.0}, NAN},
                 {"plain, long", {}, {1.0, 2.0, 3.0, 4.0}, NAN},
                 {"plain, NaN", {}, {NAN, 2.0, 3.0}, NAN},
                 // (w . (y - Y_obs))^2 with residuals (1, -1, 2).
                 {"one row", {{2.0, 1.0, 0.5}}, {2.0, 1.0, 5.0}, 4.0},
                 {"unit rows = plain", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {2.0, 1.0, 5.0}, 6.0},
                 {"two rows", {{1, 0, 0}, {0, 1, 1}}, {2.0, 1.0, 5.0}, 2.0},
                 {"short weight row", {{1, 0, 0}, {1, 1}}, {2.0, 1.0, 5.0}, NAN},
                 {"short y", {{1, 0, 0}}, {2.0, 1.0}, NAN}};
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 2.0, 3.0}, 1);
    for (const auto& c : cases) {
        const double got = c.W.isEmpty() ? engine.SSR(c.y) : engine.SSR(c.y, c.W);
        EXPECT_TRUE(same(got, c.expected)) << c.name << ": " << got;
    }
    // Without observations and without weight rows both sums are empty.
    EXPECT_EQ(engine.SSR(QVector<double>{2.0}, QVector<QVector<double>>{}), 0.0);
    engine.setY_star_matrix({}, 1);
    EXPECT_EQ(engine.SSR(QVector<double>{}), 0.0);
}

// Row by row over a matrix: NaN only for the malformed row.
TEST(SSR, OneValuePerRow) {
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 2.0}, 3);
    const QVector<QVector<double>> Ysim{{2.0, 2.0}, {1.0}, {1.0, 4.0}};
    const QVector<double> r = engine.SSR(Ysim);
    const QVector<double> w = engine.SSR(Ysim, QVector<QVector<double>>{{1.0, 1.0}});
    ASSERT_EQ(r.size(), 3);
    ASSERT_EQ(w.size(), 3);
    EXPECT_TRUE(r[0] == 1.0 && std::isnan(r[1]) && r[2] == 4.0);
    EXPECT_TRUE(w[0] == 1.0 && std::isnan(w[1]) && w[2] == 4.0);
    EXPECT_EQ(engine.SSR(Ysim, QVector<QVector<double>>{}), QVector<double>(3, 0.0));
    EXPECT_TRUE(engine.SSR(QVector<QVector<double>>{}).isEmpty());
}

} // namespace

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
