// Conversions between Qt containers and uBLAS vectors and matrices.
#include "linalg/conversions.h"

#include <algorithm>

namespace ublas = boost::numeric::ublas;

ublas::vector<double> convertQVectortoboostVector(const QVector<double>& v) {
    ublas::vector<double> out(v.size());
    std::copy(v.cbegin(), v.cend(), out.begin());
    return out;
}

namespace {

// Copies row `src` into row `dst` of `out` and zero-fills the rest of that row.
void copyRow(const QVector<double>& src, ublas::matrix<double>& out, std::size_t dst) {
    double* row = &out.data()[0] + dst * out.size2();
    std::copy(src.cbegin(), src.cend(), row);
    std::fill(row + src.size(), row + out.size2(), 0.0);
}

} // namespace

ublas::matrix<double> convertQVectortoboostMatrix(const QVector<QVector<double>>& M) {
    int cols = 0;
    for (const QVector<double>& row : M)
        cols = std::max(cols, row.size());
    ublas::matrix<double> out(M.size(), cols);
    if (cols == 0) return out;
    for (int i = 0; i < M.size(); ++i)
        copyRow(M[i], out, i);
    return out;
}

ublas::matrix<double> convertQVectortoboostMatrix(const QVector<QVector<double>>& M,
                                                  const QVector<bool>& mask) {
    const int candidates = std::min(M.size(), mask.size());
    int rows = 0;
    int cols = 0;
    for (int i = 0; i < candidates; ++i) {
        if (!mask[i]) continue;
        ++rows;
        cols = std::max(cols, M[i].size());
    }
    ublas::matrix<double> out(rows, cols);
    if (cols == 0) return out;
    std::size_t dst = 0;
    for (int i = 0; i < candidates; ++i) {
        if (mask[i]) copyRow(M[i], out, dst++);
    }
    return out;
}

QVector<double> convertBoostVectortoQVector(const ublas::vector<double>& v) {
    QVector<double> out(static_cast<int>(v.size()));
    std::copy(v.begin(), v.end(), out.begin());
    return out;
}

QVector<QVector<double>> convertboostMatrixtoQVector(const ublas::matrix<double>& M) {
    QVector<QVector<double>> out;
    out.reserve(static_cast<int>(M.size1()));
    const std::size_t n = M.size2();
    for (std::size_t i = 0; i < M.size1(); ++i) {
        QVector<double> row(static_cast<int>(n));
        for (std::size_t j = 0; j < n; ++j)
            row[static_cast<int>(j)] = M(i, j);
        out.append(row);
    }
    return out;
}
