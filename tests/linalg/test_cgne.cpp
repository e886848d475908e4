// The normal-equation conjugate-gradient solvers against exact answers: square systems,
// least-squares fits, row weights, damping, the iteration cap and degenerate input.
#include "linalg/cgne.h"

#include "io/debug_log.h"
#include "linalg/ublas_literal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace ublas = boost::numeric::ublas;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
using Solve = std::function<ublas::vector<double>()>;

void expectNear(const ublas::vector<double>& actual, const ublas::vector<double>& expected,
                double tol) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual(i), expected(i), tol) << "entry " << i;
}

// Both the plain solver and the damped one with lambda 0 (which leaves the diagonal alone and
// may take as many iterations as there are rows) solve a square system exactly.
TEST(Cgne, SquareNonSingularSystemsReachTheExactSolution) {
    const struct {
        const char* name;
        ublas::matrix<double> A;
        ublas::vector<double> x;
    } cases[] = {
        {"1x1", mat({{4}}), vec({-2.5})},
        {"diagonal", mat({{2, 0, 0}, {0, -3, 0}, {0, 0, 0.5}}), vec({1, 2, 3})},
        {"non-symmetric", mat({{1, 2}, {3, 4}}), vec({-1, 0.5})},
        {"4x4 full",
         mat({{1, 0.5, 0.3, 0.25}, {0.5, 1, 0.5, 0.3}, {0.3, 0.5, 1, 0.5}, {0.25, 0.3, 0.5, 1}}),
         vec({2, -1, 0.5, 4})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ublas::vector<double> b = ublas::prod(c.A, c.x);
        expectNear(cgne_ATAx_ATb(c.A, b), c.x, 1e-9);
        expectNear(cgne_ATAx_ATb_with_reg(c.A, b, 0.0), c.x, 1e-9);
    }
}

// Each row: a solver, its input and the exact answer. The plain solver takes `iterations`
// as its cap (`all`: the default of one per column), the weighted one `w` as row weights, the
// damped one `lambda` (or `w` as dampings per entry when given).
TEST(Cgne, ExactAnswers) {
    enum solver { plain, weighted, damped };
    const int all = std::numeric_limits<int>::min();
    const ublas::matrix<double> line = mat({{1, 0}, {1, 1}, {1, 2}, {1, 3}});
    const ublas::matrix<double> A3 = mat({{2, 1}, {1, 3}, {0, 1}});
    const ublas::vector<double> b3 = vec({1, 2, 3}), none(0);
    const ublas::matrix<double> D = mat({{3, 0}, {0, 0.5}});
    const ublas::vector<double> bD = vec({3, 0.5});
    const double alpha = 116.0 / 1580.0;
    const struct {
        const char* name;
        solver how;
        ublas::matrix<double> A;
        ublas::vector<double> b, w;
        double lambda;
        int iterations;
        ublas::vector<double> x;
    } cases[] = {
        // Line 2 + 3 t disturbed by e with A^T e = 0: the fit stays (2, 3).
        {"least squares", plain, line, vec({3, 4, 7, 12}), none, 0, all, vec({2, 3})},
        {"no iteration", plain, A3, b3, none, 0, 0, vec({0, 0})},
        {"negative cap", plain, A3, b3, none, 0, -3, vec({0, 0})},
        // One iteration from zero is a steepest-descent step: r = A^T b = (4, 10),
        // A r = (18, 34, 10), alpha = |r|^2 / |A r|^2.
        {"one iteration", plain, A3, b3, none, 0, 1, vec({4 * alpha, 10 * alpha})},
        {"two iterations solve", plain, A3, b3, none, 0, 2, vec({-0.2, 1.0})},
        {"zero right-hand side", plain, A3, vec({0, 0, 0}), none, 0, all, vec({0, 0})},
        {"zero column", plain, mat({{1, 0}, {2, 0}}), vec({1, 2}), none, 0, all, vec({1, 0})},
        {"no columns", plain, ublas::matrix<double>(3, 0), b3, none, 0, all, none},
        // min x^2 + (2 (x - 3))^2: the weight multiplies the residual itself.
        {"weight", weighted, mat({{1}, {1}}), vec({0, 3}), vec({1, 2}), 0, all, vec({2.4})},
        {"zero weight drops the outlier", weighted, line, vec({2, 5, 100, 11}), vec({1, 1, 0, 1}),
         0, all, vec({2, 3})},
        {"rows past the weights count once", weighted, mat({{1}, {1}, {1}}), vec({0, 3, 6}),
         vec({0}), 0, all, vec({4.5})},
        {"zero weight clears a NaN row", weighted, mat({{kNaN, 1}, {1, 0}, {0, 1}}),
         vec({kNaN, 2, 5}), vec({0, 1, 1}), 0, all, vec({2, 5})},
        {"negative weight = its absolute value", weighted, line, vec({3, 4, 7, 12}),
         vec({-1, 2, -3, 1}), 0, all,
         cgne_ATAx_ATb_with_weight(line, vec({3, 4, 7, 12}), vec({1, 2, 3, 1}))},
        // Damped diagonal: entries above 1 scaled by (1 + l), others raised by l.
        {"damping 1", damped, D, bD, none, 1.0, all, vec({0.5, 0.2})},
        {"damping 0.1", damped, D, bD, none, 0.1, all, vec({1 / 1.1, 0.25 / 0.35})},
        // A^T A = [[3, 3], [3, 5]] damped to [[6, 3], [3, 10]], A^T b = (9, 13).
        {"damped overdetermined", damped, mat({{1, 0}, {1, 1}, {1, 2}}), vec({1, 3, 5}), none, 1.0,
         all, vec({1, 1})},
        {"damping per entry", damped, D, bD, vec({1, 3}), 0, all, vec({0.5, 0.25 / 3.25})},
        {"entries past the dampings undamped", damped, D, bD, vec({1}), 0, all, vec({0.5, 1})},
        // One row caps the damped solver at one steepest-descent step: M = [[2, 2], [2, 8]],
        // r = (1, 2), M r = (6, 18), alpha = 5 / 42.
        {"damped cap is the row count", damped, mat({{1, 2}}), vec({1}), none, 1.0, all,
         vec({5.0 / 42, 10.0 / 42})},
        {"no columns, damped", damped, ublas::matrix<double>(2, 0), vec({1, 2}), none, 1.0, all,
         none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ublas::vector<double> x =
            c.how == plain      ? (c.iterations == all ? cgne_ATAx_ATb(c.A, c.b)
                                                       : cgne_ATAx_ATb(c.A, c.b, c.iterations))
            : c.how == weighted ? cgne_ATAx_ATb_with_weight(c.A, c.b, c.w)
            : c.w.size() > 0    ? cgne_ATAx_ATb_with_reg(c.A, c.b, c.w)
                                : cgne_ATAx_ATb_with_reg(c.A, c.b, c.lambda);
        expectNear(x, c.x, 1e-10);
    }
    // The Qt forms convert in and out.
    const QVector<double> q = cgne_ATAx_ATb(QVector<QVector<double>>{{1, 0}, {1, 1}}, {2, 5});
    const QVector<double> w =
        cgne_ATAx_ATb_with_weight(QVector<QVector<double>>{{1}, {1}}, {0, 3}, {1, 2});
    ASSERT_EQ(q.size() + w.size(), 3);
    EXPECT_NEAR(q[0], 2, 1e-12);
    EXPECT_NEAR(q[1], 3, 1e-12);
    EXPECT_NEAR(w[0], 2.4, 1e-12);
    // NaN in the matrix runs to the cap without hanging.
    const ublas::vector<double> x = cgne_ATAx_ATb(mat({{1, kNaN}, {0, 1}}), vec({1, 1}));
    EXPECT_TRUE(std::isnan(x(0)) && std::isnan(x(1)));
}

TEST(Cgne, SizeMismatchLogsAndReturnsZero) {
    const struct {
        Solve solve;
        const char* sizes[2];
    } cases[] = {
        {[] {
             return cgne_ATAx_ATb(mat({{1, 2}, {3, 4}, {5, 6}}), vec({1, 2}));
         },
         {"Size of A: 3", "Size of b: 2"}},
        {[] {
             return cgne_ATAx_ATb_with_weight(mat({{1, 2}, {3, 4}, {5, 6}}), vec({1}),
                                              vec({1, 2, 3, 4}));
         },
         {"Size of A: 3", "Size of b: 1"}},
        {[] {
             return cgne_ATAx_ATb_with_reg(mat({{1, 2}, {3, 4}}), vec({1, 2, 3}), 1);
         },
         {"Size of A: 2", "Size of b: 3"}},
    };
    for (const auto& c : cases) {
        debug_log log;
        expectNear(c.solve(), vec({0, 0}), 0.0);
        EXPECT_EQ(log.lines(), QStringList({"CGNE error: matrix A and vetor b sizes do not make "
                                            "sense.",
                                            c.sizes[0], c.sizes[1]}));
    }
}

} // namespace
