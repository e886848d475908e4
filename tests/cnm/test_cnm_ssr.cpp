// The SSR family of the engine: plain and weighted, one row and a matrix of rows, with the
// size rules that turn a malformed row into NaN instead of an error.
#include "cnm/cluster_newton_method.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST(PlainSSR, SumOfSquaredResiduals) {
    const struct {
        const char* name;
        QVector<double> Yobs;
        QVector<double> y;
        double expected;
    } cases[] = {{"equal", {1.0, 2.0, 3.0}, {1.0, 2.0, 3.0}, 0.0},
                 {"residuals", {1.0, 2.0, 3.0}, {2.0, 0.0, 3.5}, 5.25},
                 {"no_observations", {}, {}, 0.0},
                 {"one_short", {1.0, 2.0, 3.0}, {1.0, 2.0}, NAN},
                 {"one_long", {1.0, 2.0}, {1.0, 2.0, 3.0}, NAN},
                 {"nan_entry", {1.0, 2.0}, {NAN, 2.0}, NAN}};
    for (const auto& c : cases) {
        cluster_newton_method engine;
        engine.setY_star_matrix(c.Yobs, 1);
        EXPECT_TRUE(same(engine.SSR(c.y), c.expected)) << c.name << ": " << engine.SSR(c.y);
    }
}

// Against Y_obs = (1, 2, 3).
TEST(WeightedSSR, SquaredMisfitOfTheWeightedCombinations) {
    const struct {
        const char* name;
        QVector<QVector<double>> W;
        QVector<double> y;
        double expected;
    } cases[] = {// (w . (y - Y_obs))^2 with residuals (1, -1, 2).
                 {"single_row", {{2.0, 1.0, 0.5}}, {2.0, 1.0, 5.0}, 4.0},
                 // All ones: the square of the summed residual.
                 {"ones", {{1.0, 1.0, 1.0}}, {2.0, 1.0, 5.0}, 4.0},
                 // The unit rows reproduce the plain SSR: 1 + 1 + 4.
                 {"unit_rows", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {2.0, 1.0, 5.0}, 6.0},
                 {"two_rows", {{1, 0, 0}, {0, 1, 1}}, {2.0, 1.0, 5.0}, 2.0},
                 {"no_rows", {}, {2.0, 1.0, 5.0}, 0.0},
                 {"no_rows_short_y", {}, {2.0}, 0.0},
                 {"short_weight_row", {{1, 0, 0}, {1, 1}}, {2.0, 1.0, 5.0}, NAN},
                 {"short_y", {{1, 0, 0}}, {2.0, 1.0}, NAN}};
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 2.0, 3.0}, 1);
    for (const auto& c : cases) {
        const double got = engine.SSR(c.y, c.W);
        EXPECT_TRUE(same(got, c.expected)) << c.name << ": " << got;
    }
}

// Row by row over a matrix: NaN only for the malformed row; the weighted form without weight
// rows gives zeros.
TEST(MatrixSSR, OneValuePerRow) {
    cluster_newton_method engine;
    engine.setY_star_matrix({1.0, 1.0}, 3);
    const QVector<double> r = engine.SSR(QVector<QVector<double>>{{2.0, 1.0}, {1.0}, {0.0, 3.0}});
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0], 1.0);
    EXPECT_TRUE(std::isnan(r[1]));
    EXPECT_EQ(r[2], 5.0);
    EXPECT_TRUE(engine.SSR(QVector<QVector<double>>{}).isEmpty());

    engine.setY_star_matrix({1.0, 2.0}, 2);
    const QVector<QVector<double>> Ysim{{2.0, 2.0}, {1.0}, {1.0, 2.0}};
    EXPECT_EQ(engine.SSR(Ysim, QVector<QVector<double>>{}), QVector<double>(3, 0.0));
    const QVector<double> w = engine.SSR(Ysim, QVector<QVector<double>>{{1.0, 1.0}});
    ASSERT_EQ(w.size(), 3);
    EXPECT_EQ(w[0], 1.0);
    EXPECT_TRUE(std::isnan(w[1]));
    EXPECT_EQ(w[2], 0.0);
}

} // namespace
