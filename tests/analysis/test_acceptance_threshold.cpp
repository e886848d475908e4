// The acceptance threshold: F quantiles against printed tables, the likelihood-ratio factor,
// the percentile fallback and the accepted points.
#include "analysis/acceptanceThreshold.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(AcceptanceThreshold, FQuantilesMatchPrintedTables) {
    // Upper 5 % points of the F distribution as printed to two decimals.
    const struct {
        int d1, d2;
        double f;
    } rows[] = {{1, 1, 161.45}, {1, 10, 4.96}, {2, 2, 19.00}, {2, 3, 9.55},
                {3, 5, 5.41},   {5, 20, 2.71}, {10, 30, 2.16}};
    for (const auto& r : rows)
        EXPECT_NEAR(fQuantile(0.95, r.d1, r.d2), r.f, 0.005) << r.d1 << "," << r.d2;
    EXPECT_TRUE(std::isnan(fQuantile(0.95, 0, 3)));
    EXPECT_TRUE(std::isnan(fQuantile(1.0, 2, 3)));
    EXPECT_NEAR(likelihoodRatioFactor(16, 3, 0.95), 1 + 3.0 / 13 * fQuantile(0.95, 3, 13), 1e-15);
    EXPECT_TRUE(std::isnan(likelihoodRatioFactor(3, 3, 0.95)));
}

TEST(AcceptanceThreshold, RuleAndValue) {
    const QVector<double> ssr{9, 1, nan, 3, inf, 2, 4, 8, 7, 6};
    const struct {
        int m, n, percentile;
        bool preferPercentile;
        acceptanceThreshold::Rule rule;
        double value;
    } rows[] = {
        {4, 2, 25, false, acceptanceThreshold::LikelihoodRatio, 20.0}, // 1 * (1 + 19)
        {4, 2, 25, true, acceptanceThreshold::Percentile, 2.0},        // c = 2
        {2, 2, 25, false, acceptanceThreshold::Percentile, 2.0},       // m <= n
        {-1, 2, 5, false, acceptanceThreshold::Percentile, 1.0},       // c = 0 counts as 1
        {2, 2, 80, false, acceptanceThreshold::Percentile, 9.0},       // c = 8 of 8 finite
        {2, 2, 90, false, acceptanceThreshold::Percentile, inf},       // c = 9, only 8 finite
    };
    for (const auto& r : rows) {
        const acceptanceThreshold t =
            chooseAcceptanceThreshold(ssr, r.m, r.n, 0.95, r.percentile, r.preferPercentile);
        EXPECT_EQ(t.rule, r.rule) << r.m << " " << r.percentile;
        if (std::isinf(r.value))
            EXPECT_EQ(t.value, r.value);
        else
            EXPECT_NEAR(t.value, r.value, 1e-9 * r.value) << r.m << " " << r.percentile;
        EXPECT_EQ(t.ssrMin, 1.0);
    }
    acceptanceThreshold three;
    three.value = 3;
    EXPECT_EQ(acceptedPoints(ssr, three), (QVector<int>{1, 3, 5}));
    const acceptanceThreshold none = chooseAcceptanceThreshold({nan, inf}, 4, 2, 0.95, 25, false);
    EXPECT_TRUE(std::isnan(none.value));
    EXPECT_TRUE(acceptedPoints({nan, inf}, none).isEmpty());
}

} // namespace
