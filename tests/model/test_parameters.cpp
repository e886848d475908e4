// The parameter record: bound checks, generated g(x) and inverse lines, parsing, the maps
// between x and parameters and the initial cluster. The exported parameter scripts are run
// by R and Octave in test_script_export_clients; malformed texts are replayed from the fuzz
// corpus.
#include "model/parameters.h"

#include "model/model_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

const auto makeRecord = fixtures::parameterRecord;

// The generated lines per kind of bound, and g and its inverse undoing each other inside
// the theoretical bounds.
TEST(Generation, TransformationTable) {
    const struct {
        double tlb, tub;
        const char* gLine;
        const char* inverseLine;
    } cases[] = {
        {NaN, NaN, "K=x1", "x1=K"},
        {0, NaN, "K=10^(x1)", "x1=LOG10(K)"},
        {-2, NaN, "K=10^(x1)-2", "x1=LOG10(K+2)"},
        {3, NaN, "K=3+10^(x1)", "x1=LOG10(K-3)"},
        {NaN, 0, "K=-10^(x1)", "x1=LOG10(0-K)"},
        {NaN, 10, "K=10-10^(x1)", "x1=LOG10(10-K)"},
        {NaN, -5, "K=-10^(x1)-5", "x1=LOG10(0-5-K)"},
        {0, 5, "K=5*EXP(x1)/(1+EXP(x1))", "x1=LOG(K/(5-K))"},
        {0, -5, "K=(0-5)*EXP(x1)/(1+EXP(x1))", "x1=LOG(K/(0-5-K))"},
        {-2, 3, "K=5*EXP(x1)/(1+EXP(x1))-2", "x1=LOG((K+2)/(5-K-2))"},
        {-2, -7, "K=(0-5)*EXP(x1)/(1+EXP(x1))-2", "x1=LOG((K+2)/(0-5-K-2))"},
        {3, 7, "K=4*EXP(x1)/(1+EXP(x1))+3", "x1=LOG((K-3)/(4-K+3))"},
        {3, 1, "K=(0-2)*EXP(x1)/(1+EXP(x1))+3", "x1=LOG((K-3)/(0-2-K+3))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gLine);
        const parameters record = makeRecord({{1, 2, c.tlb, c.tub}}, {"K"});
        EXPECT_EQ(record.gText, QStringList(c.gLine));
        EXPECT_EQ(record.gInverseText, QStringList(c.inverseLine));
        EXPECT_EQ(record.xIndex, QVector<int>({1}));
        EXPECT_EQ(record.xNames, QStringList("x1"));
        EXPECT_TRUE(record.errors.isEmpty()) << record.errors.join('|').toStdString();
        const double low = std::isnan(c.tlb) ? -Inf : std::min(c.tlb, c.tub);
        const double high = std::isnan(c.tub)   ? Inf
                            : std::isnan(c.tlb) ? c.tub
                                                : std::max(c.tlb, c.tub);
        for (double x : {-2.5, 0.0, 1.7}) {
            const QVector<double> p = record.x_to_parameter({x});
            EXPECT_TRUE(p[0] > low && p[0] < high) << "x=" << x << " p=" << p[0];
            EXPECT_NEAR(record.parameter_to_x(p)[0], x, 1e-9) << "x=" << x;
        }
    }
}

// Property: bounds of any magnitude from 1e-9 to 1e9 give lines that parse without messages,
// and g and its inverse undo each other.
TEST(Generation, BoundsOfAllMagnitudesRoundTrip) {
    std::mt19937 rng(5);
    const auto bound = [&rng] {
        const unsigned kind = rng() % 5;
        const double magnitude = std::pow(10.0, std::uniform_real_distribution<double>(-9, 9)(rng));
        return kind == 0 ? NaN : kind == 1 ? 0.0 : rng() % 2 ? magnitude : -magnitude;
    };
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        double a = bound(), b = bound();
        if (!std::isnan(a) && !std::isnan(b)) {
            if (a > b) std::swap(a, b);
            if (a == b || std::fabs(a) > 1e3 * (b - a)) continue; // cancellation swamps it
        }
        parameters record;
        record.createParameters({{1, 2, a, b}}, {"K"});
        record.parseParameterExpressions(record.gText.join('\n'));
        record.parseParameterExpressionsInverse(record.gInverseText.join('\n'));
        const std::string lines = (record.gText + record.gInverseText).join('|').toStdString();
        ASSERT_TRUE(record.errors.isEmpty()) << lines;
        for (double x : {-0.7, 0.4}) {
            const QVector<double> p = record.x_to_parameter({x});
            ASSERT_TRUE(std::isfinite(p[0])) << lines;
            EXPECT_NEAR(record.parameter_to_x(p)[0], x, 1e-6) << lines;
        }
        ++checked;
    }
    EXPECT_GT(checked, 1500);
}

// Six significant digits in the general format, but never an exponent; such bounds still
// give working expressions.
TEST(ParameterNumbers, SixDigitsWithoutExponent) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {5.0, "5"},
        {-0.25, "-0.25"},
        {3.14159265, "3.14159"},
        {0.0001, "0.0001"},
        {2e6, "2000000"},
        {1234567.0, "1234570"},
        {3e-5, "0.00003"},
        {-2.5e-7, "-0.00000025"},
        {-1.234567e-6, "-0.00000123457"},
        {9.999996e5, "1000000"},
        {1e21, "1000000000000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parameters::formatNumber(c.value), QString(c.text)) << c.value;

    const parameters record = makeRecord(
        {{10, 1000, 0, 2e6}, {1e-4, 1, 3e-5, NaN}, {-1, 1, -3e-5, 2e6}, {-5, 5, NaN, 2e6}},
        {"A", "B", "C", "D"});
    EXPECT_EQ(record.gText.at(0), QString("A=2000000*EXP(x1)/(1+EXP(x1))"));
    EXPECT_EQ(record.gInverseText.at(2), QString("x3=LOG((C+0.00003)/(2000000-C-0.00003))"));
    const QVector<double> x = {0.4, -1.2, 0.1, 0.6};
    EXPECT_NEAR(record.x_to_parameter(x)[1], 3e-5 + std::pow(10.0, -1.2), 1e-15);
}

TEST(BoundCheck, MessagesPerRow) {
    const QString outside = "Parameter K's domain of interest is not within the theoretical bound.";
    const QString reversed =
        "Parameter K's lowerbound of the domain of interest is higher than its upperbound.";
    const struct {
        QVector<double> row;
        QStringList messages;
    } cases[] = {
        {{NaN, 10, 0, NaN}, {"Parameter K's lowerbound of the domain of interest is not defined."}},
        {{-1, 10, 0, NaN}, {outside}},
        {{1, 20, 0, 10}, {outside}},
        {{1, NaN, 0, NaN}, {"ParameterK's upperbound of the domain of interest is not defined."}},
        {{5, 1, NaN, NaN}, {reversed}},
        // Theoretical bounds crossed as well: every message, in this order.
        {{3, 2, 5, 1},
         {outside, outside, reversed,
          "Parameter K's lowerbound of the theoretica parameter domain is higher than its "
          "upperbound."}},
        {{1, 2, 0.5, NaN}, {}},
        {{1, 2}, {}},
    };
    for (const auto& c : cases) {
        parameters record;
        record.checkDoIandBounds({c.row}, {"K"});
        EXPECT_EQ(record.errors, c.messages) << record.errors.join('|').toStdString();
    }
    parameters record;
    record.parameterNames = QStringList({"old"});
    record.checkDoIandBounds({{1, 2, 0, NaN}}, {"A", "B"});
    EXPECT_EQ(record.errors, QStringList("Number of parameter specification does not match "
                                         "with the parameter names lists provided."));
    EXPECT_EQ(record.parameterNames, QStringList("old"));
}

// Fixed parameters take no x; rows without a domain are skipped; a name-count mismatch
// changes nothing; regeneration returns the bound messages and completeness is checked.
TEST(Generation, FixedSkippedAndRegenerated) {
    const parameters fixed = makeRecord({{2, 2, 0, NaN}, {1, 100, 0, NaN}}, {"F", "K"});
    EXPECT_EQ(fixed.gText, QStringList({"F=2", "K=10^(x1)"}));
    EXPECT_EQ(fixed.xIndex, QVector<int>({0, 1}));
    EXPECT_EQ(fixed.x_to_parameter({2.0}), QVector<double>({2.0, 100.0}));

    parameters record;
    record.createParameters({{NaN, 5, 0, NaN}, {1, 5, 0}, {1, 10, 0, NaN}}, {"A", "B", "C"});
    EXPECT_EQ(record.gText, QStringList("C=10^(x1)"));
    EXPECT_EQ(record.xIndex, QVector<int>({0, 0, 1}));
    record.createParameters({{1, 10, 0, NaN}}, {"C", "V"});
    EXPECT_EQ(record.parameterNames, QStringList({"A", "B", "C"}));

    record.errors = QStringList("old");
    EXPECT_EQ(record.makeParameters({{1, 10, 0, NaN}, {NaN, 5, 0, NaN}}, {"K", "V"}),
              QStringList("Parameter V's lowerbound of the domain of interest is not defined."));
    EXPECT_EQ(record.gText, QStringList("K=10^(x1)"));
    EXPECT_FALSE(record.checkCompleteness());
    EXPECT_EQ(record.errors, QStringList("Parameters are not specified correctly, Cluster Newton "
                                         "method cannot be run. Check Step 3."));
    record.makeParameters({{1, 10, 0, NaN}, {4, 5, 0, NaN}}, {"K", "V"});
    EXPECT_TRUE(record.checkCompleteness());
    EXPECT_TRUE(record.errors.isEmpty());
}

TEST(Parsing, CommentsContinuationsBlanksAndMessages) {
    parameters record;
    record.parameterNames = QStringList({"K1", "K2"});
    record.parseParameterExpressions("ignored*5\n K1 = 10^(x1) ;comment\n*2\n;*3\n\n"
                                     "K2=x2\t+1=7\n");
    EXPECT_TRUE(record.errors.isEmpty()) << record.errors.join('|').toStdString();
    EXPECT_EQ(record.g[0].expression, QString("10^(x1)*2"));
    EXPECT_EQ(record.g[1].expression, QString("x2+1"));
    EXPECT_EQ(record.gText.size(), 7); // the text's lines, empty ones kept
    EXPECT_EQ(record.requiredXNames, QStringList({"x1", "x2"}));
    record.xIndex = {1, 2};
    EXPECT_EQ(record.x_to_parameter({1.0, 4.0}), QVector<double>({20.0, 5.0}));

    record.parameterNames = QStringList({"K", "V"});
    record.parseParameterExpressions("K=x1\nK=x2");
    EXPECT_EQ(record.errors,
              QStringList({"There are more than two equations with the same left hand side.",
                           "Parameter V is not defined."}));
    record.parseParameterExpressions("K=10^(x1)\nV=x2");
    record.parseParameterExpressionsInverse("x1=LOG10(K)");
    EXPECT_EQ(record.errors, QStringList("x2 is not given. (It is user responsibility to "
                                         "provide inverse of g.)"));
    record.parseParameterExpressionsInverse("x1=LOG10(K)\nx2=V");
    EXPECT_TRUE(record.errors.isEmpty());
}

// A short x gives NaN instead of reading past its end; simulation expressions replace values.
TEST(Transformation, ShortXAndSimulationExpressions) {
    const parameters record = makeRecord({{1, 10, 0, NaN}, {1, 10, NaN, NaN}}, {"A", "B"});
    const QVector<double> p = record.x_to_parameter({1.0});
    EXPECT_TRUE(p[0] == 10.0 && std::isnan(p[1]));
    EXPECT_TRUE(std::isnan(record.x_to_parameter({})[0]));

    parameters sim;
    sim.parameterNames = QStringList({"A", "B", "C"});
    sim.simulationExpressions.resize(2);
    sim.simulationExpressions[1] = parser("2*A+C");
    sim.simulationExpressions[1].variable_name = sim.parameterNames;
    sim.simulationExpressions[1].generate_tree();
    EXPECT_EQ(sim.parameter_to_simulationParameter({1, 2, 3}), QVector<double>({1, 5, 3}));
}

// Component-major draws from the minimal standard generator (48271, seed 1), two outputs
// per coordinate combined into 53 bits, inside the domain moved inwards by 1 %.
TEST(InitialCluster, ExactDraws) {
    const QVector<QVector<double>> table = {{1, 100, 0, NaN}, {3, 3, 0, NaN}, {-2, 2, NaN, NaN}};
    parameters record = makeRecord(table, {"A", "F", "B"});
    record.generateInitialCluster(table, 7);
    std::minstd_rand reference;
    const long double span = 2147483646.0L;
    const double low[] = {std::log10(1.01), -1.98}, high[] = {std::log10(99.0), 1.98};
    ASSERT_EQ(record.initialCluster.size(), 7);
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(record.xLowerBound[k], low[k], 1e-15);
        EXPECT_NEAR(record.xUpperBound[k], high[k], 1e-15);
        for (int p = 0; p < 7; ++p) {
            const long double r1 = reference(), r2 = reference();
            const double u = static_cast<double>(((r2 - 1) * span + (r1 - 1)) / (span * span));
            EXPECT_NEAR(record.initialCluster[p][k], low[k] + (high[k] - low[k]) * u, 1e-14);
        }
    }
    record.generateInitialCluster(table, 0);
    EXPECT_TRUE(record.initialCluster.isEmpty());

    // A decreasing inverse samples the same interval.
    parameters decreasing = makeRecord({{1, 9, NaN, 10}}, {"K"});
    decreasing.generateInitialCluster({{1, 9, NaN, 10}}, 200);
    EXPECT_NEAR(decreasing.xLowerBound[0], std::log10(10 - 1.01), 1e-12);
    EXPECT_NEAR(decreasing.xUpperBound[0], std::log10(10 - 8.91), 1e-12);
    for (const QVector<double>& point : decreasing.initialCluster)
        EXPECT_TRUE(point[0] <= decreasing.xLowerBound[0] && point[0] > decreasing.xUpperBound[0]);
}

TEST(InitialCluster, ImportDropsNonFiniteRowsAndRefusesWrongWidth) {
    parameters record = makeRecord({{1, 10, 0, NaN}, {1, 10, 0, NaN}}, {"A", "B"});
    record.setInitialCluster({{1, 2}, {NaN, 5}, {3, Inf}, {-1, 4}, {7}, {0.5, -3}});
    EXPECT_TRUE(record.errors.isEmpty());
    EXPECT_EQ(record.initialCluster, QVector<QVector<double>>({{1, 2}, {-1, 4}, {0.5, -3}}));
    EXPECT_EQ(record.xLowerBound, QVector<double>({-1, -3}));
    EXPECT_EQ(record.xUpperBound, QVector<double>({3, 4})); // the finite start of {3, Inf}
    record.setInitialCluster({{1, 2}, {1, 2, 3}});
    EXPECT_EQ(record.errors,
              QStringList("The imported X values does not have correct number of columns.  The "
                          "number of column of the CSV file should be the same as the number of "
                          "unfixed parameters."));
    EXPECT_EQ(record.initialCluster.size(), 3);
}

} // namespace
