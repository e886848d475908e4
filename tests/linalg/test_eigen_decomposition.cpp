// Jacobi eigen decomposition against known eigenpairs and the reconstruction A = V^T D V.
#include "linalg/eigen_decomposition.h"

#include "io/debug_log.h"
#include "linalg/ublas_literal.h"

#include <boost/numeric/ublas/io.hpp>
#include <boost/numeric/ublas/matrix_proxy.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

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
