// The result record of a Cluster Newton method run: clearing, trimming and sorting by SSR.
#include "cnm/compResult.h"

#include <algorithm>
#include <cmath>

compResult::compResult() = default;

int compResult::registerMetaType() {
    return qRegisterMetaType<compResult>("compResult");
}

void compResult::clear() {
    R.clear();
    X.clear();
    Y.clear();
    Parameter.clear();
    R_sorted.clear();
    X_sorted.clear();
    Y_sorted.clear();
    Parameter_sorted.clear();
    ODE_sol.clear();
    ode_time.clear();
    computation_log.clear();
}

void compResult::trim(int n) {
    n = std::max(n, 0);
    R.resize(n);
    X.resize(n);
    Y.resize(n);
    Parameter.resize(n);
    R_sorted.resize(n);
    X_sorted.resize(n);
    Y_sorted.resize(n);
    Parameter_sorted.resize(n);
    ODE_sol.resize(n);
}

namespace {

// Containers built element by element: no element shares its data with the source's.
template <typename T> QVector<T> deepCopy(const QVector<T>& v) {
    return QVector<T>(v.constBegin(), v.constEnd());
}

template <typename T> QVector<QVector<T>> deepCopy(const QVector<QVector<T>>& v) {
    QVector<QVector<T>> out;
    out.reserve(v.size());
    for (const QVector<T>& row : v)
        out.append(deepCopy(row));
    return out;
}

// The same length as `v`, only its last entry copied.
template <typename T> QVector<T> lastOnly(const QVector<T>& v) {
    QVector<T> out(v.size());
    if (!v.isEmpty()) out.last() = deepCopy(v.last());
    return out;
}

} // namespace

compResult compResult::lastIterationCopy() const {
    compResult copy;
    copy.R = lastOnly(R);
    copy.X = lastOnly(X);
    copy.Y = lastOnly(Y);
    copy.Parameter = lastOnly(Parameter);
    copy.ODE_sol = lastOnly(ODE_sol);
    copy.ode_time = deepCopy(ode_time);
    copy.sortIndex = deepCopy(sortIndex);
    for (const QString& line : computation_log)
        copy.computation_log.append(QString(line.constData(), line.size()));
    return copy;
}

namespace {

// Appends row p of iteration k of `source`, if it exists, to `sorted`.
void appendRow(const QVector<QVector<QVector<double>>>& source, int k, int p,
               QVector<QVector<double>>& sorted) {
    if (k < source.size() && p < source[k].size()) sorted.append(source[k][p]);
}

} // namespace

void compResult::sortDataByResidual() {
    R_sorted.clear();
    X_sorted.clear();
    Y_sorted.clear();
    Parameter_sorted.clear();
    sortIndex.clear();

    QVector<int> order;
    for (int k = 0; k < R.size(); ++k) {
        const QVector<double>& r = R[k];
        order.clear();
        for (int p = 0; p < r.size(); ++p) {
            if (std::isfinite(r[p])) order.append(p);
        }
        // Equal values keep their point order, so the first point of a run of equal values
        // is the first position in r holding that value.
        std::stable_sort(order.begin(), order.end(), [&r](int a, int b) { return r[a] < r[b]; });

        QVector<double> values;
        QVector<int> index;
        QVector<QVector<double>> xs, ys, ps;
        values.reserve(order.size());
        index.reserve(order.size());
        int first = 0;
        for (int rank = 0; rank < order.size(); ++rank) {
            const double v = r[order[rank]];
            if (rank == 0 || v != r[order[rank - 1]]) first = order[rank];
            values.append(v);
            index.append(first);
            appendRow(X, k, first, xs);
            appendRow(Y, k, first, ys);
            appendRow(Parameter, k, first, ps);
        }
        R_sorted.append(values);
        sortIndex.append(index);
        X_sorted.append(xs);
        Y_sorted.append(ys);
        Parameter_sorted.append(ps);
    }
}
