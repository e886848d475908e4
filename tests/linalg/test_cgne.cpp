// The normal-equation conjugate-gradient solvers against exact answers: square systems,
// least-squares fits, row weights, damping, the iteration cap and degenerate input; and the
// conversions between Qt containers and uBLAS (short rows zero-filled, the row mask); and the
// Jacobi eigen decomposition against known eigenpairs and the reconstruction A = V^T D V.
#include "linalg/cgne.h"
#include "linalg/conversions.h"
#include "linalg/eigen_decomposition.h"

#include "io/debug_log.h"
#include "linalg/ublas_literal.h"

#include <boost/numeric/ublas/io.hpp>
#include <boost/numeric/ublas/matrix_proxy.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

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

TEST(Conversions, RoundTripsZeroFillingAndTheRowMask) {
    const QVector<double> v = {1.5, -2, 0, 1e300};
    EXPECT_EQ(convertBoostVectortoQVector(convertQVectortoboostVector(v)), v);
    EXPECT_EQ(convertQVectortoboostMatrix({{1, 2, 3}, {4, 5, 6}}).data()[1 * 3 + 2], 6);

    using M = QVector<QVector<double>>;
    const M ragged = {{1, 2}, {3, 4, 9}, {5, 6}, {7, 8}};
    const struct {
        M input;
        QVector<bool> mask; // empty: the form without a mask
        M expected;
    } cases[] = {
        {{{1}, {2, 3, 4}, {}}, {}, {{1, 0, 0}, {2, 3, 4}, {0, 0, 0}}},
        {{}, {}, {}},
        {{{}, {}}, {}, {{}, {}}},
        {ragged, {true, false, true, true}, {{1, 2}, {5, 6}, {7, 8}}},
        // The longest selected row sets the width.
        {ragged, {false, true, false, true}, {{3, 4, 9}, {7, 8, 0}}},
        {ragged, {false, false, false, false}, {}},
        // Rows beyond the end of the mask are not selected.
        {ragged, {false, false, true}, {{5, 6}}},
    };
    for (const auto& c : cases) {
        const ublas::matrix<double> A = c.mask.isEmpty()
                                            ? convertQVectortoboostMatrix(c.input)
                                            : convertQVectortoboostMatrix(c.input, c.mask);
        EXPECT_EQ(A.size1(), std::size_t(c.expected.size()));
        EXPECT_EQ(convertboostMatrixtoQVector(A), c.expected);
    }
    EXPECT_EQ(convertQVectortoboostMatrix(ragged, QVector<bool>()).size1(), 0u);
}

namespace ublas = boost::numeric::ublas;

namespace {

using decomposition = QVector<ublas::matrix<double>>;

ublas::matrix<double> randomSymmetric(std::size_t n, double scale, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-scale, scale);
    ublas::matrix<double> A(n, n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j)
            A(i, j) = A(j, i) = u(rng);
    return A;
}

// Every decomposition {D, V}: D diagonal, rows of V orthonormal eigenvectors, V^T D V = A,
// the eigenvalues as known (or summing to the trace).
TEST(EigenDecomposition, KnownAndRandomMatrices) {
    const double s2 = std::sqrt(2.0);
    const struct {
        ublas::matrix<double> A;
        std::vector<double> eigenvalues; // empty: random, checked against the trace
    } cases[] = {
        {mat({{3, 2}, {2, 3}}), {1, 5}},
        {mat({{2, 1}, {1, 2}}), {1, 3}},
        {mat({{4, -2}, {-2, 1}}), {0, 5}},
        {mat({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}}), {2 - s2, 2, 2 + s2}},
        {mat({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), {0, 0, 3}},
        {mat({{5, 0, 0}, {0, -7, 0}, {0, 0, 9}}), {-7, 5, 9}},
        {mat({{-4}}), {-4}},
        {randomSymmetric(5, 1.0, 20240616), {}},
        {randomSymmetric(12, 1.0, 20240623), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.A);
        const decomposition r = eigenDecomposition(c.A);
        ASSERT_EQ(r.size(), 2);
        const ublas::matrix<double>&D = r[0], &V = r[1];
        const std::size_t n = c.A.size1();
        const ublas::matrix<double> VVt = ublas::prod(V, ublas::trans(V));
        const ublas::matrix<double> back =
            ublas::prod(ublas::trans(V), ublas::matrix<double>(ublas::prod(D, V)));
        std::vector<double> d;
        double trace = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const ublas::vector<double> v = ublas::row(V, i);
            const ublas::vector<double> Av = ublas::prod(c.A, v);
            for (std::size_t j = 0; j < n; ++j) {
                if (i != j) {
                    EXPECT_LE(std::fabs(D(i, j)), 1e-12);
                }
                EXPECT_NEAR(VVt(i, j), i == j ? 1 : 0, 1e-12);
                EXPECT_NEAR(back(i, j), c.A(i, j), 1e-11);
                EXPECT_NEAR(Av(j), D(i, i) * v(j), 1e-11);
            }
            d.push_back(D(i, i));
            trace += c.A(i, i);
        }
        std::sort(d.begin(), d.end());
        for (std::size_t i = 0; i < c.eigenvalues.size(); ++i)
            EXPECT_NEAR(d[i], c.eigenvalues[i], 1e-12);
        if (c.eigenvalues.empty()) {
            EXPECT_NEAR(std::accumulate(d.begin(), d.end(), 0.0), trace, 1e-12);
        }
    }
    // A diagonal matrix comes back unchanged with V = I.
    const decomposition diagonal = eigenDecomposition(mat({{5, 0}, {0, -7}}));
    EXPECT_TRUE(diagonal[0](0, 0) == 5 && diagonal[0](1, 1) == -7 && diagonal[1](0, 0) == 1 &&
                diagonal[1](0, 1) == 0);
}

TEST(EigenDecomposition, LargeEntriesAndDegenerateInput) {
    // Rounding of entries near 1e8 keeps off-diagonal values far above an absolute 1e-12; the
    // decomposition must still end and be accurate relative to A.
    const ublas::matrix<double> A = randomSymmetric(6, 1e8, 7);
    const decomposition r = eigenDecomposition(A);
    ASSERT_EQ(r.size(), 2);
    const ublas::matrix<double> back =
        ublas::prod(ublas::trans(r[1]), ublas::matrix<double>(ublas::prod(r[0], r[1])));
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j)
            EXPECT_NEAR(back(i, j), A(i, j), 1e-5);

    const decomposition empty = eigenDecomposition(ublas::matrix<double>(0, 0));
    ASSERT_EQ(empty.size(), 2);
    EXPECT_EQ(empty[0].size1() + empty[1].size1(), 0u);
    debug_log log;
    EXPECT_TRUE(eigenDecomposition(ublas::matrix<double>(3, 2, 1.0)).isEmpty());
    EXPECT_EQ(log.lines(),
              QStringList({"Eigendecomposition error:A.size1()=3 is not equal to A.size2()=2"}));
    // A NaN entry ends the iteration.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const decomposition n = eigenDecomposition(mat({{1, nan}, {nan, 2}}));
    ASSERT_EQ(n.size(), 2);
    EXPECT_TRUE(std::isnan(n[0](0, 1)));
    EXPECT_EQ(n[1](0, 0), 1.0);
}

} // namespace
