// The normal-equation conjugate-gradient solvers against exact answers: square systems,
// least-squares fits with known solutions, row weights, damping, and degenerate input.
#include "linalg/cgne.h"

#include "io/debug_log.h"
#include "linalg/ublas_literal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace ublas = boost::numeric::ublas;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

void expectNear(const ublas::vector<double>& actual, const ublas::vector<double>& expected,
                double tol) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual(i), expected(i), tol) << "entry " << i;
}

struct SquareCase {
    const char* name;
    ublas::matrix<double> A;
    ublas::vector<double> x;
};

// Both the plain solver and the damped one with lambda 0 (which leaves the diagonal alone and
// may take as many iterations as there are rows) solve a square system exactly.
TEST(CgnePlain, SquareNonSingularSystemsReachTheExactSolution) {
    const std::vector<SquareCase> cases = {
        {"1x1", mat({{4}}), vec({-2.5})},
        {"diagonal", mat({{2, 0, 0}, {0, -3, 0}, {0, 0, 0.5}}), vec({1, 2, 3})},
        {"non-symmetric", mat({{1, 2}, {3, 4}}), vec({-1, 0.5})},
        {"3x3 full", mat({{4, -2, 1}, {3, 6, -4}, {2, 1, 8}}), vec({1, -2, 3})},
        {"4x4 Hilbert-like",
         mat({{1, 0.5, 0.3, 0.25}, {0.5, 1, 0.5, 0.3}, {0.3, 0.5, 1, 0.5}, {0.25, 0.3, 0.5, 1}}),
         vec({2, -1, 0.5, 4})},
    };
    for (const SquareCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ublas::vector<double> b = ublas::prod(c.A, c.x);
        expectNear(cgne_ATAx_ATb(c.A, b), c.x, 1e-9);
        expectNear(cgne_ATAx_ATb_with_reg(c.A, b, 0.0), c.x, 1e-9);
    }
}

TEST(CgnePlain, OverdeterminedFitFindsTheLeastSquaresSolution) {
    // Line 2 + 3 t through t = 0..3, disturbed by e with A^T e = 0: the fit stays (2, 3).
    const ublas::matrix<double> A = mat({{1, 0}, {1, 1}, {1, 2}, {1, 3}});
    expectNear(cgne_ATAx_ATb(A, vec({2 + 1, 5 - 1, 8 - 1, 11 + 1})), vec({2, 3}), 1e-12);
    // The Qt form converts in and out.
    const QVector<double> x = cgne_ATAx_ATb(
        QVector<QVector<double>>{{1, 0}, {1, 1}, {1, 2}, {1, 3}}, QVector<double>{3, 4, 7, 12});
    ASSERT_EQ(x.size(), 2);
    EXPECT_NEAR(x[0], 2, 1e-12);
    EXPECT_NEAR(x[1], 3, 1e-12);
}

TEST(CgnePlain, IterationCapIsHonoured) {
    const ublas::matrix<double> A = mat({{2, 1}, {1, 3}, {0, 1}});
    const ublas::vector<double> b = vec({1, 2, 3});
    expectNear(cgne_ATAx_ATb(A, b, 0), vec({0, 0}), 0.0);
    expectNear(cgne_ATAx_ATb(A, b, -3), vec({0, 0}), 0.0);
    // One iteration is a steepest-descent step on the normal equations from zero:
    // r = A^T b = (4, 10), A r = (18, 34, 10), alpha = |r|^2 / |A r|^2 = 116 / 1580.
    const double alpha = 116.0 / 1580.0;
    expectNear(cgne_ATAx_ATb(A, b, 1), vec({4 * alpha, 10 * alpha}), 1e-15);
    // Two iterations solve the 2-unknown problem: A^T A = [[5, 5], [5, 11]], A^T b = (4, 10).
    expectNear(cgne_ATAx_ATb(A, b, 2), vec({-0.2, 1.0}), 1e-12);
}

TEST(CgnePlain, DegenerateInput) {
    const ublas::matrix<double> A = mat({{1, 2}, {3, 4}, {5, 6}});
    expectNear(cgne_ATAx_ATb(A, vec({0, 0, 0})), vec({0, 0}), 0.0);
    expectNear(cgne_ATAx_ATb_with_reg(mat({{1, 2}, {3, 4}}), vec({0, 0}), 1.0), vec({0, 0}), 0.0);
    EXPECT_EQ(cgne_ATAx_ATb(ublas::matrix<double>(3, 0), vec({1, 2, 3})).size(), 0u);
    EXPECT_EQ(cgne_ATAx_ATb(ublas::matrix<double>(3, 0), vec({1, 2, 3}), 5).size(), 0u);
    EXPECT_EQ(cgne_ATAx_ATb_with_reg(ublas::matrix<double>(2, 0), vec({1, 2}), 1.0).size(), 0u);
    // A zero column of A gets zero in the solution.
    expectNear(cgne_ATAx_ATb(mat({{1, 0}, {2, 0}}), vec({1, 2})), vec({1, 0}), 1e-15);
    // NaN in the matrix runs to the cap without hanging.
    const ublas::vector<double> x = cgne_ATAx_ATb(mat({{1, kNaN}, {0, 1}}), vec({1, 1}));
    ASSERT_EQ(x.size(), 2u);
    EXPECT_TRUE(std::isnan(x(0)));
    EXPECT_TRUE(std::isnan(x(1)));
}

TEST(CgneAll, SizeMismatchLogsAndReturnsZero) {
    const struct {
        const char* name;
        std::function<ublas::vector<double>()> solve;
        const char* sizes[2];
    } cases[] = {
        {"plain",
         [] {
             return cgne_ATAx_ATb(mat({{1, 2}, {3, 4}, {5, 6}}), vec({1, 2}));
         },
         {"Size of A: 3", "Size of b: 2"}},
        {"weighted, longer weights",
         [] {
             return cgne_ATAx_ATb_with_weight(mat({{1, 2}, {3, 4}, {5, 6}}), vec({1}),
                                              vec({1, 2, 3, 4}));
         },
         {"Size of A: 3", "Size of b: 1"}},
        {"damped",
         [] {
             return cgne_ATAx_ATb_with_reg(mat({{1, 2}, {3, 4}}), vec({1, 2, 3}), 1);
         },
         {"Size of A: 2", "Size of b: 3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        debug_log log;
        expectNear(c.solve(), vec({0, 0}), 0.0);
        EXPECT_EQ(log.lines(), QStringList({"CGNE error: matrix A and vetor b sizes do not make "
                                            "sense.",
                                            c.sizes[0], c.sizes[1]}));
    }
}

struct WeightCase {
    const char* name;
    ublas::matrix<double> A;
    ublas::vector<double> b;
    ublas::vector<double> w;
    ublas::vector<double> x;
};

TEST(CgneWeighted, WeightsScaleTheResidualsThemselves) {
    const std::vector<WeightCase> cases = {
        // min x^2 + (2 (x - 3))^2 -> x = 12/5 (a square-rooted weight would give 2).
        {"weight multiplies residual", mat({{1}, {1}}), vec({0, 3}), vec({1, 2}), vec({2.4})},
        // A zero weight drops the outlier row: the line through the other three points.
        {"zero weight drops row", mat({{1, 0}, {1, 1}, {1, 2}, {1, 3}}), vec({2, 5, 100, 11}),
         vec({1, 1, 0, 1}), vec({2, 3})},
        // Rows beyond the end of w keep weight 1: mean of 3 and 6.
        {"short w", mat({{1}, {1}, {1}}), vec({0, 3, 6}), vec({0}), vec({4.5})},
        // A zero weight clears a row even where it holds NaN.
        {"zero weight clears NaN row", mat({{kNaN, 1}, {1, 0}, {0, 1}}), vec({kNaN, 2, 5}),
         vec({0, 1, 1}), vec({2, 5})},
        {"all ones = plain", mat({{1, 2}, {3, 4}}), vec({5, 6}), vec({1, 1}), vec({-4, 4.5})},
        {"weights on square system", mat({{1, 2}, {3, 4}}), vec({5, 6}), vec({-7, 0.25}),
         vec({-4, 4.5})},
    };
    for (const WeightCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectNear(cgne_ATAx_ATb_with_weight(c.A, c.b, c.w), c.x, 1e-10);
    }
    const QVector<double> x = cgne_ATAx_ATb_with_weight(QVector<QVector<double>>{{1}, {1}}, {0, 3},
                                                        QVector<double>{1, 2});
    ASSERT_EQ(x.size(), 1);
    EXPECT_NEAR(x[0], 2.4, 1e-12);
}

TEST(CgneWeighted, NegativeWeightActsLikeItsAbsoluteValue) {
    const ublas::matrix<double> A = mat({{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}});
    const ublas::vector<double> b = vec({1, 4, 4, 9, 9});
    const ublas::vector<double> negative =
        cgne_ATAx_ATb_with_weight(A, b, vec({-1, 2, -0.5, 3, -1}));
    const ublas::vector<double> positive = cgne_ATAx_ATb_with_weight(A, b, vec({1, 2, 0.5, 3, 1}));
    expectNear(negative, positive, 1e-12);
    // And both differ from the unweighted fit.
    const ublas::vector<double> plain = cgne_ATAx_ATb(A, b);
    EXPECT_GT(std::fabs(plain(0) - positive(0)) + std::fabs(plain(1) - positive(1)), 1e-3);
}

TEST(CgneRegularised, DiagonalIsDampedRelativelyAboveOneAndAdditivelyBelow) {
    // A = diag(3, 0.5), b = (3, 0.5): A^T A = diag(9, 0.25), A^T b = (9, 0.25);
    // damped diagonal (9 (1 + l), 0.25 + l).
    const ublas::matrix<double> A = mat({{3, 0}, {0, 0.5}});
    const ublas::vector<double> b = vec({3, 0.5});
    expectNear(cgne_ATAx_ATb_with_reg(A, b, 0.0), vec({1, 1}), 1e-12);
    expectNear(cgne_ATAx_ATb_with_reg(A, b, 1.0), vec({0.5, 0.25 / 1.25}), 1e-12);
    expectNear(cgne_ATAx_ATb_with_reg(A, b, 0.1), vec({1 / 1.1, 0.25 / 0.35}), 1e-12);
    // Overdetermined: A^T A = [[3, 3], [3, 5]] (both > 1) damped to [[6, 3], [3, 10]],
    // A^T b = (9, 13), solution (1, 1) where the undamped fit is (1, 2).
    expectNear(cgne_ATAx_ATb_with_reg(mat({{1, 0}, {1, 1}, {1, 2}}), vec({1, 3, 5}), 1.0),
               vec({1, 1}), 1e-12);
    // A vector lambda damps each diagonal entry; entries beyond its end are not damped.
    expectNear(cgne_ATAx_ATb_with_reg(A, b, vec({1, 3})), vec({0.5, 0.25 / 3.25}), 1e-12);
    expectNear(cgne_ATAx_ATb_with_reg(A, b, vec({1})), vec({0.5, 1}), 1e-12);
}

TEST(CgneRegularised, IterationsAreCappedByTheNumberOfRows) {
    // One row, two unknowns, lambda 1: M = [[2, 2], [2, 8]], A^T b = (1, 2). The exact
    // solution is (1/3, 1/6); the single allowed iteration stops at the steepest-descent step
    // alpha r with r = (1, 2), M r = (6, 18), alpha = 5 / 42.
    expectNear(cgne_ATAx_ATb_with_reg(mat({{1, 2}}), vec({1}), 1.0), vec({5.0 / 42, 10.0 / 42}),
               1e-15);
}

} // namespace
