// The result page's plot data: percentile filter, plotData matrices, layers and axes.
#include "cnm/result_plots.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

template <typename T> bool has(const QVector<T>& v, int i) {
    return i >= 0 && i < v.size();
}

// M[k][p][i], or NaN when any index is outside the record.
double entry(const QVector<QVector<QVector<double>>>& M, int k, int p, int i) {
    if (!has(M, k) || !has(M[k], p) || !has(M[k][p], i)) return notANumber;
    return M[k][p][i];
}

QVector<double> row(const QVector<QVector<QVector<double>>>& M, int k, int p) {
    if (!has(M, k) || !has(M[k], p)) return {};
    return M[k][p];
}

double ssr(const compResult& r, int k, int p) {
    return has(r.R, k) && has(r.R[k], p) ? r.R[k][p] : notANumber;
}

QVector<double> finiteSorted(const QVector<double>& values) {
    QVector<double> s;
    s.reserve(values.size());
    for (double v : values)
        if (std::isfinite(v)) s.append(v);
    std::sort(s.begin(), s.end());
    return s;
}

// Rank (1-based) of the percentile among n values, at least 1.
int percentileRank(int percentile, int n) {
    return std::max(1, percentile * n / 100);
}

plot_figure::layer emptyLayer(plot_figure::layer::kind type, plot_figure::layer::role what) {
    plot_figure::layer l;
    l.type = type;
    l.what = what;
    return l;
}

// One line per displayed point through its row of M (iteration k) at 1, 2, 3, ...; each row
// is also appended to plotData.
plot_figure::layer indexedCurves(const QVector<QVector<QVector<double>>>& M, int k,
                                 const QVector<int>& display, QVector<QVector<double>>& plotData) {
    plot_figure::layer curves = emptyLayer(plot_figure::layer::lines, plot_figure::layer::cluster);
    for (int p : display) {
        const QVector<double> values = row(M, k, p);
        QVector<QPointF> line;
        for (int i = 0; i < values.size(); ++i)
            line.append(QPointF(i + 1, values[i]));
        curves.curves.append(line);
        curves.pointIndex.append(p);
        plotData.append(values);
    }
    return curves;
}

plot_figure::layer polyline(const QVector<QPointF>& points, plot_figure::layer::role what,
                            const QString& name) {
    plot_figure::layer l = emptyLayer(plot_figure::layer::lines, what);
    l.name = name;
    l.curves.append(points);
    return l;
}

// The band between two edges of equal length.
plot_figure::layer band(const QVector<QPointF>& lower, const QVector<QPointF>& upper,
                        const QString& name) {
    plot_figure::layer l;
    l.type = plot_figure::layer::band;
    l.what = plot_figure::layer::domain;
    l.name = name;
    l.curves = {lower, upper};
    return l;
}

void appendColumn(QVector<double>& values, const QVector<QVector<double>>& rows, int column) {
    for (const QVector<double>& row : rows)
        if (has(row, column)) values.append(row[column]);
}

void appendAll(QVector<double>& values, const QVector<QVector<double>>& rows) {
    for (const QVector<double>& row : rows)
        values += row;
}

} // namespace

double displayTolerance(const compResult& r, int k, int percentile) {
    if (!has(r.R, k)) return notANumber;
    const QVector<double> s = finiteSorted(r.R[k]);
    const int c = percentileRank(percentile, r.R[k].size());
    return s.size() < c ? notANumber : s[c - 1];
}

QVector<int> plotDisplayIndex(const compResult& r, int k, int percentile) {
    QVector<int> shown;
    if (!has(r.R, k)) return shown;
    const double tolerance = displayTolerance(r, k, percentile);
    const QVector<double>& R = r.R[k];
    for (int p = 0; p < R.size(); ++p)
        if (std::isnan(tolerance) || (std::isfinite(R[p]) && R[p] <= tolerance)) shown.append(p);
    return shown;
}

QString displayToleranceText(double tolerance) {
    return QStringLiteral("Display tolerence: ") +
           (std::isnan(tolerance) ? QStringLiteral("Inf/NaN") : QString::number(tolerance, 'g', 6));
}

bool fitAxis(plot_figure::axis& a, const QVector<double>& values) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    if (a.log) {
        for (double v : values)
            if (std::isfinite(v) && v > 0) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        if (lo <= hi) {
            a.min = lo / 1.1;
            a.max = hi * 1.1;
            return true;
        }
    }
    for (double v : values)
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    const bool fits = !a.log;
    a.log = false;
    if (lo > hi) {
        a.min = 0;
        a.max = 1;
        return fits;
    }
    const double margin = lo < hi ? 0.05 * (hi - lo) : (lo != 0 ? 0.05 * std::abs(lo) : 1.0);
    a.min = lo - margin;
    a.max = hi + margin;
    return fits;
}

plot_figure parameterRangePlot(const compResult& r, int k, const QVector<int>& display,
                               const QVector<double>& xLower, const QVector<double>& xUpper) {
    plot_figure f;
    const int n = std::min(xLower.size(), xUpper.size());
    f.x.title = QStringLiteral("Index of parameter (i)");
    f.x.labelFormat = QStringLiteral("%i");
    f.x.min = 0;
    f.x.max = std::max(n, 1);
    // One tick per integer from 0 to n, so that every label is a coordinate index.
    f.x.tickCount = n + 1;
    f.y.title = QStringLiteral("Parameter value (xi)");

    QVector<QPointF> lower, upper;
    for (int i = 0; i < n; ++i) {
        lower.append(QPointF(i + 1, xLower[i]));
        upper.append(QPointF(i + 1, xUpper[i]));
    }
    f.plotData = {xLower.mid(0, n), xUpper.mid(0, n)};
    f.layers.append(band(lower, upper, QString()));

    f.layers.append(indexedCurves(r.X, k, display, f.plotData));
    QVector<double> values;
    appendAll(values, f.plotData);
    fitAxis(f.y, values);
    return f;
}

plot_figure ssrParameterPlot(const compResult& r, int k, const QVector<int>& display, int i) {
    plot_figure f;
    if (i < 0 || !has(r.X, k) || !has(r.R, k)) return f;
    plot_figure::layer points = emptyLayer(plot_figure::layer::points, plot_figure::layer::cluster);
    points.curves.append(QVector<QPointF>());
    for (int p : display) {
        const QVector<double> xr{entry(r.X, k, p, i), ssr(r, k, p)};
        f.plotData.append(xr);
        points.curves[0].append(QPointF(xr[0], xr[1]));
        points.pointIndex.append(p);
    }
    f.layers.append(points);
    QVector<double> xs, ys;
    appendColumn(xs, f.plotData, 0);
    appendColumn(ys, f.plotData, 1);
    fitAxis(f.x, xs);
    fitAxis(f.y, ys);
    return f;
}

plot_figure parameterScatterPlot(const compResult& r, int k, const QVector<int>& display, int i,
                                 int j, const QVector<double>& xLower,
                                 const QVector<double>& xUpper, bool showDomain) {
    plot_figure f;
    if (!has(xLower, i) || !has(xLower, j) || !has(xUpper, i) || !has(xUpper, j)) return f;
    const double li = xLower[i], lj = xLower[j], ui = xUpper[i], uj = xUpper[j];
    f.plotData = {{li, lj}, {ui, lj}, {li, uj}, {ui, uj}};
    if (showDomain)
        f.layers.append(band({QPointF(li, lj), QPointF(ui, lj)}, {QPointF(li, uj), QPointF(ui, uj)},
                             QStringLiteral("Initial Cluster")));
    plot_figure::layer points = emptyLayer(plot_figure::layer::points, plot_figure::layer::cluster);
    points.curves.append(QVector<QPointF>());
    for (int p : display) {
        const QVector<double> xy{entry(r.X, k, p, i), entry(r.X, k, p, j)};
        f.plotData.append(xy);
        points.curves[0].append(QPointF(xy[0], xy[1]));
        points.pointIndex.append(p);
    }
    f.layers.append(points);
    const int first = showDomain ? 0 : 4;
    const QVector<QVector<double>> ranged = f.plotData.mid(first);
    QVector<double> xs, ys;
    appendColumn(xs, ranged, 0);
    appendColumn(ys, ranged, 1);
    fitAxis(f.x, xs);
    fitAxis(f.y, ys);
    return f;
}

QVector<QVector<double>> sampleCorrelation(const compResult& r, int k,
                                           const QVector<int>& display) {
    QVector<QVector<double>> M;
    int n = 0;
    for (int p : display) {
        M.append(row(r.X, k, p));
        n = std::max(n, M.last().size());
    }
    if (M.isEmpty() || n == 0) return {};
    for (QVector<double>& m : M)
        m.resize(n);
    // A row shorter than the others lacks those coordinates: NaN, not zero.
    for (int q = 0; q < display.size(); ++q)
        for (int i = row(r.X, k, display[q]).size(); i < n; ++i)
            M[q][i] = notANumber;
    for (int i = 0; i < n; ++i) {
        double mean = 0;
        for (const QVector<double>& m : M)
            mean += m[i];
        mean /= M.size();
        for (QVector<double>& m : M)
            m[i] -= mean;
    }
    QVector<QVector<double>> S(n, QVector<double>(n, 0.0));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (const QVector<double>& m : M)
                S[i][j] += m[i] * m[j];
    QVector<double> d(n);
    for (int i = 0; i < n; ++i)
        d[i] = S[i][i] > 0 ? 1.0 / std::sqrt(S[i][i]) : notANumber;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            S[i][j] *= d[i] * d[j];
    return S;
}

plot_figure observationSimulationPlot(const compResult& r, int k, const QVector<int>& display,
                                      const QVector<double>& measured) {
    plot_figure f;
    f.plotData.append(measured);
    f.layers.append(indexedCurves(r.Y, k, display, f.plotData));
    int count = 0;
    for (const QVector<double>& values : f.plotData)
        count = std::max(count, values.size());
    plot_figure::layer observed =
        emptyLayer(plot_figure::layer::points, plot_figure::layer::measured);
    observed.curves.append(QVector<QPointF>());
    for (int m = 0; m < measured.size(); ++m)
        observed.curves[0].append(QPointF(m + 1, measured[m]));
    f.layers.append(observed);

    f.x.title = QStringLiteral("Index of observation (i)");
    f.x.labelFormat = QStringLiteral("%i");
    f.x.tickCount = count;
    // A single observation gets room on both sides instead of an empty range.
    f.x.min = count > 1 ? 1 : 0;
    f.x.max = count > 1 ? count : 2;
    if (count <= 1) f.x.tickCount = 3;
    f.y.title = QStringLiteral("Simulated value (yi)");
    QVector<double> values;
    appendAll(values, f.plotData);
    fitAxis(f.y, values);
    return f;
}

plot_figure odeSolutionPlot(const compResult& r, int k, const QVector<int>& display, int v,
                            const QString& variableName, bool logScale) {
    plot_figure f;
    f.x.title = QStringLiteral("Time");
    f.y.title = variableName;
    f.y.log = logScale;
    const bool recorded = has(r.ODE_sol, k) && has(r.ODE_sol[k], v) && !r.ODE_sol[k][v].isEmpty();
    if (!recorded) {
        f.message = QStringLiteral("No ODE solutions were recorded for iteration %1.").arg(k);
        f.y.log = false;
        return f;
    }
    const QVector<QVector<double>>& solutions = r.ODE_sol[k][v];
    f.plotData.append(r.ode_time);
    plot_figure::layer curves = emptyLayer(plot_figure::layer::lines, plot_figure::layer::cluster);
    QVector<double> times, values;
    for (int p : display) {
        if (!has(solutions, p) || solutions[p].isEmpty()) continue;
        const int n = std::min(solutions[p].size(), r.ode_time.size());
        QVector<QPointF> line;
        for (int t = 0; t < n; ++t)
            line.append(QPointF(r.ode_time[t], solutions[p][t]));
        curves.curves.append(line);
        curves.pointIndex.append(p);
        f.plotData.append(solutions[p].mid(0, n));
        values += f.plotData.last();
        times += r.ode_time.mid(0, n);
    }
    f.layers.append(curves);
    // The time axis runs from the first to the last output time, without margin.
    fitAxis(f.x, times);
    if (!times.isEmpty() && f.x.min < times.first() && times.first() < times.last()) {
        f.x.min = *std::min_element(times.begin(), times.end());
        f.x.max = *std::max_element(times.begin(), times.end());
    }
    if (!fitAxis(f.y, values))
        f.message =
            QStringLiteral("No positive value to show on a log scale; the y axis is linear.");
    return f;
}

plot_figure ssrPerIterationPlot(const compResult& r) {
    plot_figure f;
    f.x.title = QStringLiteral("Iteration");
    f.x.labelFormat = QStringLiteral("%i");
    f.y.title = QStringLiteral("SSR");
    f.y.log = true;
    QVector<QPointF> best, quarter, median;
    QVector<double> values;
    for (int k = 0; k < r.R.size(); ++k) {
        const QVector<double> s = finiteSorted(r.R[k]);
        const int n = s.size();
        QVector<double> rowValues{double(k), notANumber, notANumber, notANumber};
        if (n > 0) {
            rowValues[1] = s[0];
            rowValues[2] = s[percentileRank(25, n) - 1];
            rowValues[3] = n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
        }
        f.plotData.append(rowValues);
        best.append(QPointF(k, rowValues[1]));
        quarter.append(QPointF(k, rowValues[2]));
        median.append(QPointF(k, rowValues[3]));
        values += rowValues.mid(1);
    }
    f.layers = {polyline(best, plot_figure::layer::statistic, QStringLiteral("best")),
                polyline(quarter, plot_figure::layer::statistic, QStringLiteral("25th percentile")),
                polyline(median, plot_figure::layer::statistic, QStringLiteral("median"))};
    f.x.min = 0;
    f.x.max = std::max(1, r.R.size() - 1);
    f.x.tickCount = std::min(11, std::max(2, r.R.size()));
    if (!fitAxis(f.y, values))
        f.message = QStringLiteral("No positive SSR to show on a log scale; the y axis is linear.");
    return f;
}

QStringList numberedLabels(const QStringList& leading, int count) {
    QStringList labels = leading;
    for (int i = 1; i <= count; ++i)
        labels.append(QString::number(i));
    return labels;
}

QStringList rankLabels(const QVector<double>& sortedSsr) {
    QStringList labels;
    for (int r = 0; r < sortedSsr.size(); ++r)
        labels.append(QString::number(r + 1) + QStringLiteral(": SSR=") +
                      QString::number(sortedSsr[r], 'g', 6));
    return labels;
}
