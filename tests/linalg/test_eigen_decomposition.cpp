// Jacobi eigen decomposition against known eigenpairs and the reconstruction A = V^T D V.
#include "linalg/eigen_decomposition.h"

#include "io/debug_log.h"
#include "linalg/ublas_literal.h"

#include <boost/numeric/ublas/matrix_proxy.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace ublas = boost::numeric::ublas;

namespace {

using decomposition = QVector<ublas::matrix<double>>;

// V^T D V of a decomposition {D, V}.
ublas::matrix<double> reconstructed(const decomposition& r) {
    return ublas::prod(ublas::trans(r[1]), ublas::matrix<double>(ublas::prod(r[0], r[1])));
}

// Checks everything a decomposition {D, V} of A promises, to a tolerance relative to A.
void expectValidDecomposition(const ublas::matrix<double>& A, const decomposition& r, double tol) {
    ASSERT_EQ(r.size(), 2);
    const ublas::matrix<double>& D = r[0];
    const ublas::matrix<double>& V = r[1];
    const std::size_t n = A.size1();
    ASSERT_EQ(D.size1(), n);
    ASSERT_EQ(V.size1(), n);
    const ublas::matrix<double> VVt = ublas::prod(V, ublas::trans(V));
    const ublas::matrix<double> back = reconstructed(r);
    for (std::size_t i = 0; i < n; ++i) {
        const ublas::vector<double> v = ublas::row(V, i);
        const ublas::vector<double> Av = ublas::prod(A, v);
        for (std::size_t j = 0; j < n; ++j) {
            if (i != j) {
                EXPECT_LE(std::fabs(D(i, j)), 1e-12);
            }
            EXPECT_NEAR(VVt(i, j), i == j ? 1 : 0, 1e-12); // rows of V are orthonormal
            EXPECT_NEAR(back(i, j), A(i, j), tol);
            EXPECT_NEAR(Av(j), D(i, i) * v(j), tol); // row i of V is an eigenvector for D(i, i)
        }
    }
}

std::vector<double> sortedDiagonal(const ublas::matrix<double>& D) {
    std::vector<double> d;
    for (std::size_t i = 0; i < D.size1(); ++i)
        d.push_back(D(i, i));
    std::sort(d.begin(), d.end());
    return d;
}

ublas::matrix<double> randomSymmetric(std::size_t n, double scale, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-scale, scale);
    ublas::matrix<double> A(n, n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j)
            A(i, j) = A(j, i) = u(rng);
    return A;
}

} // namespace

TEST(FindOffDiagonal, LargestMagnitudeBelowTheDiagonal) {
    const struct {
        const char* name;
        ublas::matrix<double> A;
        QVector<double> expected;
    } cases[] = {
        {"2x2 negative", mat({{1, -3}, {-3, 1}}), {0, 1, 3}},
        {"3x3 largest at (2, 1)", mat({{9, 1, 2}, {1, 9, -5}, {2, -5, 9}}), {1, 2, 5}},
        {"3x3 largest at (2, 0)", mat({{0, 1, 4}, {1, 0, 2}, {4, 2, 0}}), {0, 2, 4}},
        // Ties keep the first entry met: rows top-down, columns left to right.
        {"ties", mat({{0, 2, 2}, {2, 0, -2}, {2, -2, 0}}), {0, 1, 2}},
        {"diagonal", mat({{5, 0, 0}, {0, 7, 0}, {0, 0, 9}}), {0, 1, 0}},
        // No off-diagonal entry at all.
        {"1x1", mat({{3}}), {0, 1, 0}},
        {"0x0", ublas::matrix<double>(0, 0), {0, 1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findOffD_maxAbs_symmMatrix(c.A), c.expected) << c.name;
}

TEST(EigenDecomposition, DiagonalMatrixIsReturnedUnchangedWithIdentity) {
    const ublas::matrix<double> A = mat({{5, 0, 0}, {0, -7, 0}, {0, 0, 9}});
    const decomposition r = eigenDecomposition(A);
    ASSERT_EQ(r.size(), 2);
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_EQ(r[0](i, j), A(i, j));
            EXPECT_EQ(r[1](i, j), i == j ? 1.0 : 0.0);
        }
}

TEST(EigenDecomposition, EqualDiagonalIsOneQuarterTurn) {
    // [[a, b], [b, a]], b > 0: eigenvalue a - b for (1, -1)/sqrt 2 and a + b for (1, 1)/sqrt 2.
    const double a = 3, b = 2, h = std::sqrt(0.5);
    const decomposition r = eigenDecomposition(mat({{a, b}, {b, a}}));
    expectValidDecomposition(mat({{a, b}, {b, a}}), r, 1e-13);
    EXPECT_NEAR(r[0](0, 0), a - b, 1e-14);
    EXPECT_NEAR(r[0](1, 1), a + b, 1e-14);
    EXPECT_NEAR(r[1](0, 0), h, 1e-15);
    EXPECT_NEAR(r[1](0, 1), -h, 1e-15);
    EXPECT_NEAR(r[1](1, 0), h, 1e-15);
    EXPECT_NEAR(r[1](1, 1), h, 1e-15);
}

TEST(EigenDecomposition, KnownEigenvalues) {
    const double s2 = std::sqrt(2.0);
    const struct {
        const char* name;
        ublas::matrix<double> A;
        std::vector<double> eigenvalues;
    } cases[] = {
        {"2x2 unequal diagonal", mat({{2, 1}, {1, 2}}), {1, 3}},
        {"2x2 negative off-diagonal", mat({{4, -2}, {-2, 1}}), {0, 5}},
        {"second difference", mat({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}}), {2 - s2, 2, 2 + s2}},
        {"all ones", mat({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), {0, 0, 3}},
        {"1x1", mat({{-4}}), {-4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const decomposition r = eigenDecomposition(c.A);
        expectValidDecomposition(c.A, r, 1e-12);
        const std::vector<double> d = sortedDiagonal(r[0]);
        ASSERT_EQ(d.size(), c.eigenvalues.size());
        for (std::size_t i = 0; i < d.size(); ++i)
            EXPECT_NEAR(d[i], c.eigenvalues[i], 1e-12);
    }
}

TEST(EigenDecomposition, RandomSymmetricMatricesReconstruct) {
    for (std::size_t n : {2u, 5u, 12u}) {
        SCOPED_TRACE(n);
        const ublas::matrix<double> A = randomSymmetric(n, 1.0, 20240611 + n);
        const decomposition r = eigenDecomposition(A);
        expectValidDecomposition(A, r, 1e-11);
        double sum = 0, trace = 0;
        for (double d : sortedDiagonal(r[0]))
            sum += d;
        for (std::size_t i = 0; i < n; ++i)
            trace += A(i, i);
        EXPECT_NEAR(sum, trace, 1e-12);
    }
    // Rounding of entries near 1e8 keeps off-diagonal values far above the absolute 1e-12
    // tolerance possible; the decomposition must still end and be accurate relative to A.
    const ublas::matrix<double> A = randomSymmetric(6, 1e8, 7);
    const decomposition r = eigenDecomposition(A);
    ASSERT_EQ(r.size(), 2);
    const ublas::matrix<double> back = reconstructed(r);
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j)
            EXPECT_NEAR(back(i, j), A(i, j), 1e-5);
}

TEST(EigenDecomposition, DegenerateInput) {
    const decomposition empty = eigenDecomposition(ublas::matrix<double>(0, 0));
    ASSERT_EQ(empty.size(), 2);
    EXPECT_EQ(empty[0].size1(), 0u);
    EXPECT_EQ(empty[1].size1(), 0u);

    debug_log log;
    EXPECT_TRUE(eigenDecomposition(ublas::matrix<double>(3, 2, 1.0)).isEmpty());
    EXPECT_EQ(log.lines(),
              QStringList({"Eigendecomposition error:A.size1()=3 is not equal to A.size2()=2"}));

    // A NaN entry ends the iteration.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const decomposition r = eigenDecomposition(mat({{1, nan}, {nan, 2}}));
    ASSERT_EQ(r.size(), 2);
    EXPECT_TRUE(std::isnan(r[0](0, 1)));
    EXPECT_EQ(r[1](0, 0), 1.0);
}
