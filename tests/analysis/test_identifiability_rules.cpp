// The rules that keep the identifiability analysis readable on a sparse cluster: narrow gaps
// inside a profile valley, stragglers that are no family, and sums of two parameters.
#include "analysis/identifiability.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

parameters record(const QStringList& names, const QVector<QVector<double>>& table) {
    parameters p;
    p.createParameters(table, names);
    p.parseParameterExpressions(p.gText.join("\n"));
    p.parseParameterExpressionsInverse(p.gInverseText.join("\n"));
    return p;
}

} // namespace

TEST(IdentifiabilityRules, NarrowGapsDoNotSplitAnInterval) {
    // One character per bin of [0, 1]: U under the threshold, H above it, E no point.
    const struct {
        const char* bins;
        int pieces;
    } rows[] = {
        {"HUUHUUH", 1},  {"HUUHHUUH", 1},  {"HUUHHHUUH", 2}, {"HUEHUH", 1}, {"HUEEEEUH", 1},
        {"HUEHEEUH", 2}, {"UHHHUHHHU", 3}, {"EEUEE", 1},     {"HHHHH", 0},
    };
    const parameters para = record({"k"}, {{0, 1, kNaN, kNaN}});
    for (const auto& row : rows) {
        const int bins = int(std::strlen(row.bins));
        compResult r;
        r.X.append(QVector<QVector<double>>());
        r.R.append(QVector<double>());
        for (int b = 0; b < bins; ++b) {
            if (row.bins[b] == 'E') continue;
            r.X[0].append(QVector<double>{(b + 0.5) / bins});
            r.R[0].append(row.bins[b] == 'U' ? 0.0 : 2.0);
        }
        const parameterProfile p = profileFromCluster(r, para, 0, 0, 1, bins, 1.0);
        EXPECT_EQ(p.pieces, row.pieces) << row.bins;
    }
}

TEST(IdentifiabilityRules, SmallGroupsAreIsolatedPointsNotFamilies) {
    // Two tight groups far apart, every point equally good; a group needs
    // max(3, 10 % of the accepted points) points, and the largest always counts.
    const struct {
        int first, second, families, isolated;
    } rows[] = {{30, 2, 1, 2}, {30, 3, 1, 3}, {30, 4, 2, 0},
                {3, 3, 2, 0},  {2, 2, 1, 2},  {2, 40, 1, 2}};
    const parameters para = record({"a", "b"}, {{0, 1, kNaN, kNaN}, {0, 1, kNaN, kNaN}});
    for (const auto& row : rows) {
        compResult r;
        r.X.append(QVector<QVector<double>>());
        for (int i = 0; i < row.first; ++i)
            r.X[0].append(QVector<double>{0.2 + 0.01 * (i % 6), 0.2 + 0.01 * (i / 6)});
        for (int i = 0; i < row.second; ++i)
            r.X[0].append(QVector<double>{0.8 + 0.01 * (i % 6), 0.8 + 0.01 * (i / 6)});
        r.R.append(QVector<double>(r.X[0].size(), 1.0));
        identifiabilityOptions options;
        options.observations = 10;
        const identifiabilityResult result = analyseIdentifiability(r, para, options);
        ASSERT_EQ(result.accepted.size(), row.first + row.second);
        EXPECT_EQ(result.families.size(), row.families) << row.first << " " << row.second;
        EXPECT_EQ(result.isolatedPoints.size(), row.isolated) << row.first << " " << row.second;
    }
}

TEST(IdentifiabilityRules, SumOfTwoParametersHeldConstant) {
    // Rows of (a, b, c) for a = 1 .. 4 in 31 steps; c is fixed unless stated.
    const struct {
        double (*b)(double a);
        QStringList expected;
    } rows[] = {
        {[](double a) { return 5 - a; }, {"a + b = 5"}},
        // Steps of -0.1, 0, +0.1 around the line (11, 10 and 10 of them): median still 5.
        {[](double a) { return 5 - a + 0.1 * (std::lround(10 * (a - 1)) % 3 - 1); }, {"a + b = 5"}},
        {[](double a) { return a; }, {}},
        {[](double a) { return 5 - 0.5 * a; }, {}},
        {[](double) { return 3.0; }, {}},
    };
    const parameters para =
        record({"a", "b", "c"}, {{0.1, 10, 0, kNaN}, {0.1, 10, 0, kNaN}, {2, 2, kNaN, kNaN}});
    for (const auto& row : rows) {
        QVector<QVector<double>> points;
        for (int i = 0; i <= 30; ++i) {
            const double a = 1 + 0.1 * i;
            points.append(QVector<double>{a, row.b(a), 2.0});
        }
        QStringList texts;
        for (const identifiedCombination& c : identifiedSums(points, {0, 1, -1}, 2, 0.1, para)) {
            texts << c.text;
            EXPECT_EQ(c.weights, (QVector<double>{1, 1}));
        }
        EXPECT_EQ(texts, row.expected) << row.expected.join(";").toStdString();
    }
}

TEST(IdentifiabilityRules, SumIsReportedOnceByTheWholeAnalysis) {
    // y = (a + b) t fitted exactly: every accepted point has a + b = 2. In log10 coordinates
    // the sum is no eigen direction; in plain ones it is, and it is not reported twice.
    for (bool logarithmic : {true, false}) {
        const parameters para = logarithmic
                                    ? record({"a", "b"}, {{0.1, 10, 0, kNaN}, {0.1, 10, 0, kNaN}})
                                    : record({"a", "b"}, {{0, 4, kNaN, kNaN}, {0, 4, kNaN, kNaN}});
        compResult r;
        r.X.append(QVector<QVector<double>>());
        for (int i = 0; i < 40; ++i) {
            const double a = 0.2 + 1.6 * i / 39;
            r.X[0].append(para.parameter_to_x({a, 2 - a}));
        }
        r.R.append(QVector<double>(40, 1.0));
        identifiabilityOptions options;
        options.observations = 10;
        const identifiabilityResult result = analyseIdentifiability(r, para, options);
        ASSERT_EQ(result.combinations.size(), 1) << logarithmic;
        EXPECT_EQ(result.combinations[0].sumOfParameters, logarithmic);
        EXPECT_NEAR(result.combinations[0].value, 2, 1e-12);
    }
}

TEST(IdentifiabilityRules, CombinationExponentsAreRoundedWhileStillDetermined) {
    // Accepted points on log10 b = slope * log10 a: the eigenvector (-slope, 1) is rounded to
    // halves, else quarters, when that keeps the spread within 5 % of the domain.
    const struct {
        double slope;
        QVector<double> weights;
    } rows[] = {{0.9, {1, -1}}, {0.5, {-0.5, 1}}, {0.7, {-0.75, 1}}, {0.3, {-0.25, 1}}};
    const parameters para = record({"a", "b"}, {{0.1, 10, 0, kNaN}, {0.1, 10, 0, kNaN}});
    for (const auto& row : rows) {
        QVector<QVector<double>> points;
        for (int i = 0; i <= 40; ++i) {
            const double t = -0.9 + 0.045 * i;
            points.append(QVector<double>{t, row.slope * t});
        }
        const QVector<identifiedCombination> found =
            identifiedCombinations(points, {-1, -1}, {1, 1}, 0.05, para);
        ASSERT_EQ(found.size(), 1) << row.slope;
        EXPECT_EQ(found[0].weights, row.weights) << row.slope;
    }
}
