// Conjugate gradients on the normal equations, with row weights or a damped diagonal.
// The matrix-vector products run as plain loops over the row-major storage.
#include "linalg/cgne.h"

#include "io/log_categories.h"
#include "linalg/conversions.h"

#include <QDebug>

#include <algorithm>
#include <cstddef>

namespace ublas = boost::numeric::ublas;
using std::size_t;

namespace {

bool sizesMismatch(const ublas::matrix<double>& A, const ublas::vector<double>& b) {
    if (A.size1() == b.size()) return false;
    qCDebug(lcLinalg) << "CGNE error: matrix A and vetor b sizes do not make sense.";
    qCDebug(lcLinalg).nospace() << "Size of A: " << A.size1();
    qCDebug(lcLinalg).nospace() << "Size of b: " << b.size();
    return true;
}

const double* rowMajorData(const ublas::matrix<double>& A) {
    return A.data().size() == 0 ? nullptr : &A.data()[0];
}

// a . b over n entries, summed in four interleaved partial sums so that the additions do not
// wait on each other.
double dot(const double* a, const double* b, size_t n) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        s0 += a[j] * b[j];
        s1 += a[j + 1] * b[j + 1];
        s2 += a[j + 2] * b[j + 2];
        s3 += a[j + 3] * b[j + 3];
    }
    for (; j < n; ++j)
        s0 += a[j] * b[j];
    return (s0 + s1) + (s2 + s3);
}

// out := A v, with A of m x n, v of n, out of m.
void multiply(const double* A, size_t m, size_t n, const double* v, double* out) {
    for (size_t i = 0; i < m; ++i)
        out[i] = dot(A + i * n, v, n);
}

// ATq := A^T (A p) in one pass over the rows of A; returns |A p|^2.
double normalProduct(const double* A, size_t m, size_t n, const double* p, double* ATq) {
    for (size_t j = 0; j < n; ++j)
        ATq[j] = 0.0;
    double qq = 0.0;
    for (size_t i = 0; i < m; ++i) {
        const double* row = A + i * n;
        const double qi = dot(row, p, n);
        qq += qi * qi;
        for (size_t j = 0; j < n; ++j)
            ATq[j] += row[j] * qi;
    }
    return qq;
}

// out := A^T v, with A of m x n, v of m, out of n; accumulated row by row.
void multiplyTransposed(const double* A, size_t m, size_t n, const double* v, double* out) {
    for (size_t j = 0; j < n; ++j)
        out[j] = 0.0;
    for (size_t i = 0; i < m; ++i) {
        const double* row = A + i * n;
        const double vi = v[i];
        for (size_t j = 0; j < n; ++j)
            out[j] += row[j] * vi;
    }
}

// The conjugate-gradient recurrence shared by the solvers. `applyNormal(p, Np)` must set
// Np := N p for the n x n normal matrix N and return the step denominator p^T N p. r enters
// as the right-hand side A^T b.
template <typename ApplyNormal>
void conjugateGradients(ublas::vector<double>& x, ublas::vector<double>& r, int maxIter,
                        ApplyNormal applyNormal) {
    const size_t n = x.size();
    ublas::vector<double> p(r);
    ublas::vector<double> Np(n);
    double* xd = x.data().begin();
    double* rd = r.data().begin();
    double* pd = p.data().begin();
    double* Npd = Np.data().begin();
    double rr = dot(rd, rd, n);
    for (int k = 1; k <= maxIter; ++k) {
        const double d = applyNormal(pd, Npd);
        if (d == 0.0) break;
        const double alpha = rr / d;
        for (size_t j = 0; j < n; ++j) {
            xd[j] += alpha * pd[j];
            rd[j] -= alpha * Npd[j];
        }
        const double rrNew = dot(rd, rd, n);
        const double beta = rrNew / rr;
        if (rrNew == 0.0) break;
        rr = rrNew;
        for (size_t j = 0; j < n; ++j)
            pd[j] = rd[j] + beta * pd[j];
    }
}

ublas::vector<double> regularised(const ublas::matrix<double>& A, const ublas::vector<double>& b,
                                  const double* lambda, size_t lambdaSize, double lambdaAll) {
    const size_t m = A.size1();
    const size_t n = A.size2();
    ublas::vector<double> x(n, 0.0);
    if (sizesMismatch(A, b)) return x;
    const double* a = rowMajorData(A);
    ublas::vector<double> r(n);
    multiplyTransposed(a, m, n, b.data().begin(), r.data().begin());

    // M := A^T A, built from the rows' outer products (upper triangle, then mirrored).
    ublas::matrix<double> M(n, n, 0.0);
    double* md = n == 0 ? nullptr : &M.data()[0];
    for (size_t i = 0; i < m; ++i) {
        const double* row = a + i * n;
        for (size_t j = 0; j < n; ++j) {
            const double v = row[j];
            double* mrow = md + j * n;
            for (size_t l = j; l < n; ++l)
                mrow[l] += v * row[l];
        }
    }
    for (size_t j = 0; j < n; ++j) {
        for (size_t l = j + 1; l < n; ++l)
            md[l * n + j] = md[j * n + l];
        const double lam = lambda == nullptr ? lambdaAll : (j < lambdaSize ? lambda[j] : 0.0);
        double& diag = md[j * n + j];
        if (diag > 1.0) {
            diag *= 1.0 + lam;
        } else {
            diag += lam;
        }
    }

    const int maxIter = static_cast<int>(m);
    conjugateGradients(x, r, maxIter, [&](const double* p, double* Mp) {
        multiply(md, n, n, p, Mp);
        return dot(p, Mp, n);
    });
    return x;
}

} // namespace

ublas::vector<double> cgne_ATAx_ATb(const ublas::matrix<double>& A, const ublas::vector<double>& b,
                                    int maxIter) {
    const size_t m = A.size1();
    const size_t n = A.size2();
    ublas::vector<double> x(n, 0.0);
    if (sizesMismatch(A, b)) return x;
    const double* a = rowMajorData(A);
    ublas::vector<double> r(n);
    multiplyTransposed(a, m, n, b.data().begin(), r.data().begin());
    // q = A p is never stored: each of its entries is used at once for |q|^2 and A^T q.
    conjugateGradients(x, r, maxIter, [&](const double* p, double* ATq) {
        return normalProduct(a, m, n, p, ATq);
    });
    return x;
}

ublas::vector<double> cgne_ATAx_ATb(const ublas::matrix<double>& A,
                                    const ublas::vector<double>& b) {
    return cgne_ATAx_ATb(A, b, static_cast<int>(A.size2()));
}

QVector<double> cgne_ATAx_ATb(const QVector<QVector<double>>& A, const QVector<double>& b) {
    return convertBoostVectortoQVector(
        cgne_ATAx_ATb(convertQVectortoboostMatrix(A), convertQVectortoboostVector(b)));
}

ublas::vector<double> cgne_ATAx_ATb_with_weight(ublas::matrix<double> A, ublas::vector<double> b,
                                                const ublas::vector<double>& w) {
    const size_t n = A.size2();
    // Rows without a right-hand side entry are left alone; the solver reports the mismatch.
    const size_t rows = std::min(w.size(), A.size1());
    double* a = A.data().size() == 0 ? nullptr : &A.data()[0];
    for (size_t i = 0; i < rows; ++i) {
        const double wi = w[i];
        double* row = a + i * n;
        if (wi == 0.0) {
            for (size_t j = 0; j < n; ++j)
                row[j] = 0.0;
        } else {
            for (size_t j = 0; j < n; ++j)
                row[j] *= wi;
        }
        if (i < b.size()) b[i] = wi == 0.0 ? 0.0 : b[i] * wi;
    }
    return cgne_ATAx_ATb(A, b, static_cast<int>(n));
}

QVector<double> cgne_ATAx_ATb_with_weight(const QVector<QVector<double>>& A,
                                          const QVector<double>& b, const QVector<double>& w) {
    return convertBoostVectortoQVector(cgne_ATAx_ATb_with_weight(convertQVectortoboostMatrix(A),
                                                                 convertQVectortoboostVector(b),
                                                                 convertQVectortoboostVector(w)));
}

ublas::vector<double> cgne_ATAx_ATb_with_reg(const ublas::matrix<double>& A,
                                             const ublas::vector<double>& b, double lambda) {
    return regularised(A, b, nullptr, 0, lambda);
}

ublas::vector<double> cgne_ATAx_ATb_with_reg(const ublas::matrix<double>& A,
                                             const ublas::vector<double>& b,
                                             const ublas::vector<double>& lambda) {
    return regularised(A, b, lambda.data().begin(), lambda.size(), 0.0);
}
