// The SSR family of the engine: plain and weighted, one row and a matrix of rows, with the
// size rules that turn a malformed row into NaN instead of an error.
#include "cnm/cluster_newton_method.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

struct plain_case {
    const char* name;
    QVector<double> Yobs;
    QVector<double> y;
    double expected;
};

class PlainSSR : public ::testing::TestWithParam<plain_case> {};

TEST_P(PlainSSR, SumOfSquaredResiduals) {
    cluster_newton_method engine;
    engine.setY_star_matrix(GetParam().Yobs, 1);
    EXPECT_TRUE(same(engine.SSR(GetParam().y), GetParam().expected)) << engine.SSR(GetParam().y);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlainSSR,
    ::testing::Values(plain_case{"equal", {1.0, 2.0, 3.0}, {1.0, 2.0, 3.0}, 0.0},
                      plain_case{"residuals", {1.0, 2.0, 3.0}, {2.0, 0.0, 3.5}, 5.25},
                      plain_case{"no_observations", {}, {}, 0.0},
                      plain_case{"one_short", {1.0, 2.0, 3.0}, {1.0, 2.0}, NAN},
                      plain_case{"one_long", {1.0, 2.0}, {1.0, 2.0, 3.0}, NAN},
                      plain_case{"nan_entry", {1.0, 2.0}, {NAN, 2.0}, NAN}),
    [](const ::testing::TestParamInfo<plain_case>& info) { return info.param.name; });

TEST(PlainSSR, MatrixGivesNaNOnlyForTheMalformedRow) {
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 1.0}, 3);
    const QVector<double> r = engine.SSR(QVector<QVector<double>>{{2.0, 1.0}, {1.0}, {0.0, 3.0}});
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0], 1.0);
    EXPECT_TRUE(std::isnan(r[1]));
    EXPECT_EQ(r[2], 5.0);
    EXPECT_TRUE(engine.SSR(QVector<QVector<double>>{}).isEmpty());
}

struct weighted_case {
    const char* name;
    QVector<QVector<double>> W;
    QVector<double> y;
    double expected;
};

class WeightedSSR : public ::testing::TestWithParam<weighted_case> {};

// Against Y_obs = (1, 2, 3).
TEST_P(WeightedSSR, SquaredMisfitOfTheWeightedCombinations) {
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 2.0, 3.0}, 1);
    const double got = engine.SSR(GetParam().y, GetParam().W);
    EXPECT_TRUE(same(got, GetParam().expected)) << got;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WeightedSSR,
    ::testing::Values(
        // (w . (y - Y_obs))^2 with residuals (1, -1, 2).
        weighted_case{"single_row", {{2.0, 1.0, 0.5}}, {2.0, 1.0, 5.0}, 4.0},
        // All ones: the square of the summed residual.
        weighted_case{"ones", {{1.0, 1.0, 1.0}}, {2.0, 1.0, 5.0}, 4.0},
        // The unit rows reproduce the plain SSR: 1 + 1 + 4.
        weighted_case{"unit_rows", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {2.0, 1.0, 5.0}, 6.0},
        weighted_case{"two_rows", {{1, 0, 0}, {0, 1, 1}}, {2.0, 1.0, 5.0}, 2.0},
        weighted_case{"no_rows", {}, {2.0, 1.0, 5.0}, 0.0},
        weighted_case{"no_rows_short_y", {}, {2.0}, 0.0},
        weighted_case{"short_weight_row", {{1, 0, 0}, {1, 1}}, {2.0, 1.0, 5.0}, NAN},
        weighted_case{"short_y", {{1, 0, 0}}, {2.0, 1.0}, NAN}),
    [](const ::testing::TestParamInfo<weighted_case>& info) { return info.param.name; });

TEST(WeightedSSR, MatrixStartsFromZeroAndMarksMalformedRows) {
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 2.0}, 2);
    const QVector<QVector<double>> Ysim{{2.0, 2.0}, {1.0}, {1.0, 2.0}};
    const QVector<double> none = engine.SSR(Ysim, QVector<QVector<double>>{});
    EXPECT_EQ(none, QVector<double>(3, 0.0));
    const QVector<double> r = engine.SSR(Ysim, QVector<QVector<double>>{{1.0, 1.0}});
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0], 1.0);
    EXPECT_TRUE(std::isnan(r[1]));
    EXPECT_EQ(r[2], 0.0);
}

} // namespace
