// Jacobi eigen decomposition against known eigenpairs and the reconstruction A = V^T D V.
#include "linalg/eigen_decomposition.h"

#include <QStringList>
#include <QtGlobal>

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/matrix_proxy.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

namespace ublas = boost::numeric::ublas;

namespace {

ublas::matrix<double> mat(std::initializer_list<std::initializer_list<double>> rows) {
    const std::size_t cols = rows.size() == 0 ? 0 : rows.begin()->size();
    ublas::matrix<double> A(rows.size(), cols);
    std::size_t i = 0;
    for (const auto& row : rows) {
        std::size_t j = 0;
        for (double v : row)
            A(i, j++) = v;
        ++i;
    }
    return A;
}

QStringList& logLines() {
    static QStringList lines;
    return lines;
}

void collect(QtMsgType, const QMessageLogContext&, const QString& msg) {
    logLines().append(msg);
}

double maxOffDiagonal(const ublas::matrix<double>& D) {
    double m = 0;
    for (std::size_t i = 0; i < D.size1(); ++i)
        for (std::size_t j = 0; j < D.size2(); ++j)
            if (i != j) m = std::max(m, std::fabs(D(i, j)));
    return m;
}

// Checks everything a decomposition {D, V} of A promises, to a tolerance relative to A.
void expectValidDecomposition(const ublas::matrix<double>& A,
                              const QVector<ublas::matrix<double>>& result, double tol) {
    ASSERT_EQ(result.size(), 2);
    const ublas::matrix<double>& D = result[0];
    const ublas::matrix<double>& V = result[1];
    const std::size_t n = A.size1();
    ASSERT_EQ(D.size1(), n);
    ASSERT_EQ(V.size1(), n);
    EXPECT_LE(maxOffDiagonal(D), 1e-12);
    // Rows of V are orthonormal.
    const ublas::matrix<double> VVt = ublas::prod(V, ublas::trans(V));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            EXPECT_NEAR(VVt(i, j), i == j ? 1 : 0, 1e-12);
    // A = V^T D V.
    const ublas::matrix<double> DV = ublas::prod(D, V);
    const ublas::matrix<double> back = ublas::prod(ublas::trans(V), DV);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            EXPECT_NEAR(back(i, j), A(i, j), tol);
    // Row i of V is an eigenvector of A for D(i, i).
    for (std::size_t i = 0; i < n; ++i) {
        const ublas::vector<double> v = ublas::row(V, i);
        const ublas::vector<double> Av = ublas::prod(A, v);
        for (std::size_t k = 0; k < n; ++k)
            EXPECT_NEAR(Av(k), D(i, i) * v(k), tol);
    }
}

std::vector<double> sortedDiagonal(const ublas::matrix<double>& D) {
    std::vector<double> d;
    for (std::size_t i = 0; i < D.size1(); ++i)
        d.push_back(D(i, i));
    std::sort(d.begin(), d.end());
    return d;
}

} // namespace

TEST(FindOffDiagonal, LargestMagnitudeBelowTheDiagonal) {
    struct Case {
        const char* name;
        ublas::matrix<double> A;
        QVector<double> expected;
    };
    const std::vector<Case> cases = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findOffD_maxAbs_symmMatrix(c.A), c.expected);
    }
}

TEST(EigenDecomposition, DiagonalMatrixIsReturnedUnchangedWithIdentity) {
    const ublas::matrix<double> A = mat({{5, 0, 0}, {0, -7, 0}, {0, 0, 9}});
    const QVector<ublas::matrix<double>> r = eigenDecomposition(A);
    ASSERT_EQ(r.size(), 2);
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_EQ(r[0](i, j), A(i, j));
            EXPECT_EQ(r[1](i, j), i == j ? 1.0 : 0.0);
        }
    }
}

TEST(EigenDecomposition, EqualDiagonalIsOneQuarterTurn) {
    // [[a, b], [b, a]], b > 0: eigenvalue a - b for (1, -1)/sqrt 2 and a + b for (1, 1)/sqrt 2.
    const double a = 3;
    const double b = 2;
    const QVector<ublas::matrix<double>> r = eigenDecomposition(mat({{a, b}, {b, a}}));
    ASSERT_EQ(r.size(), 2);
    EXPECT_NEAR(r[0](0, 0), a - b, 1e-14);
    EXPECT_NEAR(r[0](1, 1), a + b, 1e-14);
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(r[1](0, 0), h, 1e-15);
    EXPECT_NEAR(r[1](0, 1), -h, 1e-15);
    EXPECT_NEAR(r[1](1, 0), h, 1e-15);
    EXPECT_NEAR(r[1](1, 1), h, 1e-15);
    expectValidDecomposition(mat({{a, b}, {b, a}}), r, 1e-13);
}

TEST(EigenDecomposition, KnownEigenvalues) {
    struct Case {
        const char* name;
        ublas::matrix<double> A;
        std::vector<double> eigenvalues;
    };
    const double s2 = std::sqrt(2.0);
    const std::vector<Case> cases = {
        {"2x2 unequal diagonal", mat({{2, 1}, {1, 2}}), {1, 3}},
        {"2x2 negative off-diagonal", mat({{4, -2}, {-2, 1}}), {0, 5}},
        {"second difference", mat({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}}), {2 - s2, 2, 2 + s2}},
        {"all ones", mat({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), {0, 0, 3}},
        {"1x1", mat({{-4}}), {-4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVector<ublas::matrix<double>> r = eigenDecomposition(c.A);
        expectValidDecomposition(c.A, r, 1e-12);
        const std::vector<double> d = sortedDiagonal(r[0]);
        ASSERT_EQ(d.size(), c.eigenvalues.size());
        for (std::size_t i = 0; i < d.size(); ++i)
            EXPECT_NEAR(d[i], c.eigenvalues[i], 1e-12);
    }
}

TEST(EigenDecomposition, RandomSymmetricMatricesReconstruct) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> u(-1, 1);
    for (std::size_t n : {2u, 5u, 12u}) {
        SCOPED_TRACE(n);
        ublas::matrix<double> A(n, n);
        double trace = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j <= i; ++j)
                A(i, j) = A(j, i) = u(rng);
            trace += A(i, i);
        }
        const QVector<ublas::matrix<double>> r = eigenDecomposition(A);
        expectValidDecomposition(A, r, 1e-11);
        double sum = 0;
        for (double d : sortedDiagonal(r[0]))
            sum += d;
        EXPECT_NEAR(sum, trace, 1e-12);
    }
}

TEST(EigenDecomposition, LargeEntriesTerminate) {
    // Rounding of entries near 1e8 keeps off-diagonal values far above the absolute 1e-12
    // tolerance possible; the decomposition must still end and be accurate relative to A.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1e8, 1e8);
    const std::size_t n = 6;
    ublas::matrix<double> A(n, n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j)
            A(i, j) = A(j, i) = u(rng);
    const QVector<ublas::matrix<double>> r = eigenDecomposition(A);
    ASSERT_EQ(r.size(), 2);
    const ublas::matrix<double> back =
        ublas::prod(ublas::trans(r[1]), ublas::matrix<double>(ublas::prod(r[0], r[1])));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            EXPECT_NEAR(back(i, j), A(i, j), 1e-5);
}

TEST(EigenDecomposition, EmptyMatrixGivesEmptyPair) {
    const QVector<ublas::matrix<double>> r = eigenDecomposition(ublas::matrix<double>(0, 0));
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0].size1(), 0u);
    EXPECT_EQ(r[1].size1(), 0u);
}

TEST(EigenDecomposition, NonSquareLogsAndReturnsNothing) {
    logLines().clear();
    const QtMessageHandler previous = qInstallMessageHandler(&collect);
    const QVector<ublas::matrix<double>> r = eigenDecomposition(ublas::matrix<double>(3, 2, 1.0));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(logLines(),
              QStringList({"Eigendecomposition error:A.size1()=3 is not equal to A.size2()=2"}));
}

TEST(EigenDecomposition, NaNEntryEndsTheIteration) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QVector<ublas::matrix<double>> r = eigenDecomposition(mat({{1, nan}, {nan, 2}}));
    ASSERT_EQ(r.size(), 2);
    EXPECT_TRUE(std::isnan(r[0](0, 1)));
    EXPECT_EQ(r[1](0, 0), 1.0);
}
