// Jacobi eigen decomposition of symmetric matrices.
#include "linalg/eigen_decomposition.h"

#include "io/log_categories.h"

#include <QDebug>

#include <cmath>
#include <cstddef>

namespace ublas = boost::numeric::ublas;
using std::size_t;

namespace {

const double offDiagonalTolerance = 1e-12;
const double quarterPi = std::atan(1.0);

// Rotations allowed per matrix entry. Classical Jacobi needs a handful of sweeps of n^2 / 2
// rotations; the cap only guards against rounding that keeps an entry of a matrix with huge
// entries just above the absolute tolerance.
const size_t rotationsPerEntry = 100;

} // namespace

QVector<double> findOffD_maxAbs_symmMatrix(const ublas::matrix<double>& A) {
    const size_t rows = A.size1();
    const size_t cols = A.size2();
    if (rows < 2 || cols < 2) return {0.0, 1.0, 0.0};
    size_t bestC = 0;
    size_t bestR = 1;
    double best = std::fabs(A(0, 1));
    for (size_t r = 1; r < rows; ++r) {
        const size_t cEnd = r < cols ? r : cols;
        for (size_t c = 0; c < cEnd; ++c) {
            const double v = std::fabs(A(r, c));
            if (v > best) {
                best = v;
                bestC = c;
                bestR = r;
            }
        }
    }
    return {static_cast<double>(bestC), static_cast<double>(bestR), best};
}

QVector<ublas::matrix<double>> eigenDecomposition(ublas::matrix<double> A) {
    const size_t n = A.size1();
    if (n != A.size2()) {
        qCDebug(lcLinalg).nospace() << "Eigendecomposition error:"
                                    << "A.size1()=" << A.size1() << " is not equal to "
                                    << "A.size2()=" << A.size2();
        return {};
    }
    ublas::matrix<double> V = ublas::identity_matrix<double>(n);
    if (n < 2) return {A, V};

    QVector<double> largest = findOffD_maxAbs_symmMatrix(A);
    const size_t maxRotations = rotationsPerEntry * n * n;
    for (size_t rotation = 0; largest[2] > offDiagonalTolerance; ++rotation) {
        if (rotation == maxRotations) {
            qCDebug(lcLinalg).nospace() << "Eigendecomposition: stopped after " << rotation
                                        << " rotations, largest off-diagonal entry " << largest[2];
            break;
        }
        const size_t p = static_cast<size_t>(largest[0]);
        const size_t q = static_cast<size_t>(largest[1]);
        const double app = A(p, p);
        const double aqq = A(q, q);
        const double apq = A(p, q);

        double theta;
        if (std::fabs(app - aqq) < offDiagonalTolerance) {
            theta = apq > 0 ? quarterPi : -quarterPi;
        } else {
            theta = 0.5 * std::atan(2 * apq / (aqq - app));
        }
        const double c = std::cos(theta);
        const double s = std::sin(theta);

        A(p, p) = c * c * app - 2 * s * c * apq + s * s * aqq;
        A(q, q) = s * s * app + 2 * s * c * apq + c * c * aqq;
        A(p, q) = A(q, p) = (c * c - s * s) * apq + s * c * (app - aqq);
        for (size_t k = 0; k < n; ++k) {
            if (k == p || k == q) continue;
            const double apk = A(p, k);
            const double aqk = A(q, k);
            A(p, k) = A(k, p) = c * apk - s * aqk;
            A(q, k) = A(k, q) = s * apk + c * aqk;
        }
        // V := R V touches only rows p and q.
        for (size_t k = 0; k < n; ++k) {
            const double vp = V(p, k);
            const double vq = V(q, k);
            V(p, k) = c * vp - s * vq;
            V(q, k) = s * vp + c * vq;
        }
        largest = findOffD_maxAbs_symmMatrix(A);
    }
    return {A, V};
}
