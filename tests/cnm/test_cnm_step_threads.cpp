// The fast Cluster Newton step (on the thread pool) against the literal row-by-row algorithm,
// the engine's two forms of it, and its rules on problems with exact answers: linear models
// and unusable points. The literal algorithm states which points enter which fit (unusable
// rows none, coincident points in stage 2 not each other's), so equality covers those rules.
#include "cnm/cluster_newton_step.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/literal_step.h"
#include "cnm/smooth_cluster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
using Rows = QVector<QVector<double>>;

// An exactly linear model y = A x + c with an invertible square A, solved by xStar.
QVector<double> linearModel(const QVector<double>& x) {
    const Rows A{{2.0, 0.5, 0.0}, {-0.3, 1.0, 0.4}, {0.2, 0.1, 1.5}};
    const QVector<double> c{1.0, -2.0, 0.5};
    QVector<double> y(3);
    for (int j = 0; j < 3; ++j)
        y[j] = c[j] + A[j][0] * x[0] + A[j][1] * x[1] + A[j][2] * x[2];
    return y;
}
const QVector<double> xStar{0.7, -0.4, 1.2};

smooth_cluster linearCluster(int N, unsigned seed) {
    smooth_cluster c(N, 3, 3, seed); // points and dampings; observations replaced
    for (int i = 0; i < N; ++i) {
        for (double& v : c.X[i])
            v *= 2.0;
        c.Y[i] = linearModel(c.X[i]);
        c.lambda[i] = 0.0;
    }
    c.Yobs = linearModel(xStar);
    c.lb = QVector<double>(3, -2.0);
    c.ub = QVector<double>(3, 2.0);
    return c;
}

double distance(const QVector<double>& a, const QVector<double>& b) {
    double s = 0.0;
    for (int i = 0; i < a.size(); ++i)
        s += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(s);
}

QVector<double> moved(QVector<double> x, const QVector<double>& dx) {
    for (int a = 0; a < x.size(); ++a)
        x[a] += dx[a];
    return x;
}

Rows fast(const smooth_cluster& c, bool stage1, double noise = 0.0, std::uint64_t seed = 1) {
    return cluster_newton_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, noise, stage1,
                               seed);
}

void expectAgreement(const Rows& got, const Rows& want) {
    ASSERT_EQ(got.size(), want.size());
    for (int i = 0; i < want.size(); ++i) {
        const double scale = distance(want[i], QVector<double>(want[i].size(), 0.0));
        ASSERT_TRUE(std::isfinite(scale)) << "point " << i;
        EXPECT_LE(distance(got[i], want[i]), 1e-9 * scale) << "point " << i;
    }
}

TEST(ClusterNewtonStep, FastStepEqualsLiteralAlgorithm) {
    const struct {
        const char* name;
        int N, n, m;
        int nanRows;    // leading rows with a NaN observation (not alive)
        int weightRows; // 0: plain observations; K: K random weighted combinations
        double offset;  // added to every coordinate and observation (a cluster far from 0)
        int twin;       // 1: point 1 coincides with point 0
    } cases[] = {
        {"plain", 60, 4, 6, 0, 0, 0.0, 0},     {"far_from_origin", 60, 4, 6, 0, 0, 1e4, 0},
        {"fewer_obs", 50, 5, 3, 0, 0, 0.0, 0}, {"nan_rows", 40, 3, 5, 4, 0, 0.0, 0},
        {"weights", 45, 3, 6, 0, 4, 0.0, 0},   {"weights_nan_rows", 45, 3, 6, 2, 4, 0.0, 0},
        {"twins", 20, 3, 4, 0, 0, 0.0, 1},     {"bench_shape", 200, 20, 30, 0, 0, 0.0, 0}};
    for (const auto& tc : cases) {
        smooth_cluster c(tc.N, tc.n, tc.m, 17u + tc.N + tc.n);
        for (auto* rows : {&c.X, &c.Y})
            for (auto& row : *rows)
                for (double& v : row)
                    v += tc.offset;
        for (auto* row : {&c.Yobs, &c.lb, &c.ub})
            for (double& v : *row)
                v += tc.offset;
        for (int i = 0; i < tc.nanRows; ++i) {
            c.Y[i][i % tc.m] = NaN;
            c.alive[i] = false;
        }
        if (tc.twin) {
            c.X[1] = c.X[0];
            c.Y[1] = c.Y[0];
        }
        if (tc.weightRows > 0) {
            std::mt19937 gen(5);
            std::uniform_real_distribution<double> u(-1.0, 1.0);
            Rows W(tc.weightRows, QVector<double>(tc.m));
            for (auto& row : W)
                for (double& w : row)
                    w = u(gen);
            c.Y = weighted_observations(c.Y, W);
            c.Yobs = weighted_observation(c.Yobs, W);
        }
        for (bool stage1 : {true, false}) {
            SCOPED_TRACE(std::string(tc.name) + (stage1 ? ", stage 1" : ", stage 2"));
            expectAgreement(fast(c, stage1), literal_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb,
                                                          c.ub, 0.0, stage1));
        }
    }
}

// Every instruction set of the stage-2 pass gives the same steps bit for bit (twins, an
// unusable row, several tiles and a partial last block), and a step of a few points equals
// those points' rows of the whole step.
TEST(ClusterNewtonStep, InstructionSetsAndSubsetsAgreeExactly) {
    smooth_cluster c(301, 5, 7, 23);
    c.X[5] = c.X[9];
    c.Y[5] = c.Y[9];
    c.Y[7][2] = NaN;
    c.alive[7] = false;
    const Rows whole = fast(c, false, 0.1);
    for (const QString& kernel : stage2Instructions()) {
        ASSERT_TRUE(useStage2Instructions(kernel));
        EXPECT_EQ(fast(c, false, 0.1), whole) << kernel.toStdString();
    }
    useStage2Instructions(QString());
    EXPECT_FALSE(useStage2Instructions("mmx"));
    for (bool stage1 : {true, false}) {
        const Rows all = fast(c, stage1, 0.1);
        const Rows some = cluster_newton_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.1,
                                              stage1, 1, {7, 9, 300, 400});
        for (int i = 0; i < all.size(); ++i)
            EXPECT_EQ(some[i], (i == 7 || i == 9 || i == 300) ? all[i] : QVector<double>(5, 0.0));
    }
}

TEST(ClusterNewtonStep, LinearModelStepLandsOnTheSolution) {
    const smooth_cluster c = linearCluster(25, 3);
    for (bool stage1 : {true, false}) {
        const Rows dx = fast(c, stage1);
        for (int i = 0; i < c.X.size(); ++i)
            EXPECT_LT(distance(moved(c.X[i], dx[i]), xStar), 1e-9) << stage1 << " point " << i;
        EXPECT_EQ(fast(linearCluster(1, 4), stage1), Rows({{0.0, 0.0, 0.0}})); // one point
    }
}

TEST(ClusterNewtonStep, UnusableRowsTakeTheGlobalFitTowardsTheTarget) {
    smooth_cluster c = linearCluster(30, 11);
    for (int i : {2, 7, 19}) {
        c.Y[i][1] = NaN;
        c.alive[i] = false;
    }
    // Alive but infinite: left out of the global fit, which it would otherwise turn to NaN.
    c.Y[23][0] = std::numeric_limits<double>::infinity();
    // Without noise the global model of linear data is exact: the step reaches the solution.
    const Rows dx = fast(c, false);
    for (int i : {2, 7, 19, 23})
        EXPECT_LT(distance(moved(c.X[i], dx[i]), xStar), 1e-9) << "point " << i;

    // With noise the target is drawn within Y_obs (1 +- noise); other seeds, other targets.
    const double noise = 0.1;
    const Rows a = fast(c, false, noise, 1), b = fast(c, false, noise, 2);
    EXPECT_EQ(a, fast(c, false, noise, 1));
    for (int i : {2, 7, 19, 23}) {
        const QVector<double> y = linearModel(moved(c.X[i], a[i]));
        for (int j = 0; j < 3; ++j)
            EXPECT_LE(std::fabs(y[j] - c.Yobs[j]), noise * std::fabs(c.Yobs[j]) + 1e-9) << i;
        EXPECT_GT(distance(a[i], b[i]), 1e-6) << "point " << i;
    }
}

TEST(WeightedObservation, CombinesRowsAndMarksLengthMismatch) {
    const Rows W{{1.0, 0.0, 0.0}, {1.0, 1.0, 1.0}, {0.5, -2.0}};
    const QVector<double> y = weighted_observation({1.0, 2.0, 4.0}, W);
    ASSERT_EQ(y.size(), 3);
    EXPECT_EQ(y.mid(0, 2), QVector<double>({1.0, 7.0}));
    EXPECT_TRUE(std::isnan(y[2]));
    const Rows Y = weighted_observations({{1.0, 2.0, 4.0}, {1.0}}, W);
    EXPECT_EQ(Y[0][1], 7.0);
    EXPECT_TRUE(std::isnan(Y[1][0]) && std::isnan(Y[1][1]));
}

// The engine's two forms read Y_obs, the bounds, stage1 and Y_star_noise from the engine; an
// unusable point gets a fresh target on every call.
TEST(IterateWeightedA, BothFormsMatchTheLiteralAlgorithm) {
    smooth_cluster c(50, 3, 5, 33);
    const Rows W{{1.0, 0.5, 0.0, 0.0, -1.0}, {0.0, 1.0, 1.0, 1.0, 0.0}, {0.3, 0.0, 0.0, 2.0, 1.0}};
    cluster_newton_method engine;
    engine.setY_star_matrix(c.Yobs, c.X.size());
    engine.x_lowerBound = c.lb;
    engine.x_upperBound = c.ub;
    engine.Y_star_noise = 0.0;
    for (bool stage1 : {true, false}) {
        engine.stage1 = stage1;
        expectAgreement(engine.iterate_weighted_A(c.X, c.Y, c.alive, c.lambda),
                        literal_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.0, stage1));
        expectAgreement(engine.iterate_weighted_A(c.X, c.Y, c.alive, c.lambda, W),
                        literal_step(c.X, weighted_observations(c.Y, W), c.alive, c.lambda,
                                     weighted_observation(c.Yobs, W), c.lb, c.ub, 0.0, stage1));
    }
    engine.Y_star_noise = 0.1;
    c.Y[0][1] = NAN;
    c.alive[0] = false;
    const Rows a = engine.iterate_weighted_A(c.X, c.Y, c.alive, c.lambda);
    const Rows b = engine.iterate_weighted_A(c.X, c.Y, c.alive, c.lambda);
    EXPECT_NE(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
}

} // namespace
