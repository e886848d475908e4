// The plots and tables of the result page, computed from a result record: which points of
// an iteration are shown (the percentile filter), and for every plot its plotData matrix,
// its layers and its axes, the sample correlation of the shown cluster and the SSR of
// every iteration. Pure functions of their arguments; nothing here draws.
//
// Common contract: k is the iteration, display the shown points of that iteration in
// point order. An iteration, point, coordinate or variable that the record does not hold
// reads as NaN or is left out, never indexed; NaN and infinite values stay in plotData
// (the export writes what the record holds) but do not count for axis ranges and are not
// drawn.
#pragma once

#include "cnm/compResult.h"
#include "cnm/plot_figure.h"

#include <QStringList>
#include <QVector>

// The display tolerance of iteration k: with N = number of points of the iteration and
// c = percentile x N / 100 (truncated, at least 1 so that a small cluster still shows its
// best point), the c-th smallest finite SSR. NaN when the iteration holds fewer than c
// finite SSR values or does not exist.
double displayTolerance(const compResult& r, int k, int percentile);

// The points of iteration k whose SSR is finite and not above the tolerance, in point
// order (ties at the tolerance are all shown); every point of the iteration, failed ones
// included, when the tolerance is NaN.
QVector<int> plotDisplayIndex(const compResult& r, int k, int percentile);

// "Display tolerence: " and the tolerance with 6 significant digits, or "Inf/NaN".
QString displayToleranceText(double tolerance);

// Sets the axis range to show every finite value with a margin: 5 % of the span on each
// side (a single value v: v ± 5 % of |v|, or ± 1 for 0); no finite value gives 0 … 1. A log
// axis runs from the smallest positive value / 1.1 to the largest × 1.1; without a positive
// value it becomes linear and the function returns false.
bool fitAxis(plot_figure::axis& a, const QVector<double>& values);

// The x bounds as a grey band and one polyline (i+1, X[k][p][i]) per shown point. plotData:
// the lower bounds, the upper bounds, then X[k][p] per shown point.
plot_figure parameterRangePlot(const compResult& r, int k, const QVector<int>& display,
                               const QVector<double>& xLower, const QVector<double>& xUpper);

// Points (X[k][p][i], R[k][p]); plotData one row [x, SSR] per shown point. An invalid
// coordinate i gives an empty figure.
plot_figure ssrParameterPlot(const compResult& r, int k, const QVector<int>& display, int i);

// Points (X[k][p][i], X[k][p][j]) over the box of the x bounds (a band named "Initial
// Cluster", left out when showDomain is false). plotData: the corners [lb_i, lb_j],
// [ub_i, lb_j], [lb_i, ub_j], [ub_i, ub_j], then [x_i, x_j] per shown point. An invalid i or
// j gives an empty figure.
plot_figure parameterScatterPlot(const compResult& r, int k, const QVector<int>& display, int i,
                                 int j, const QVector<double>& xLower,
                                 const QVector<double>& xUpper, bool showDomain);

// Pearson correlation of the x coordinates over the shown points (columns centred, then
// D S D with S = MᵀM, D = diag(1/√S_ii)). A coordinate that does not vary has NaN
// correlations. Empty when no point is shown.
QVector<QVector<double>> sampleCorrelation(const compResult& r, int k, const QVector<int>& display);

// The measured values (the valid observations in table order) as points at 1, 2, … and
// one polyline (m+1, Y[k][p][m]) per shown point. plotData: the measured values, then
// Y[k][p] per shown point.
plot_figure observationSimulationPlot(const compResult& r, int k, const QVector<int>& display,
                                      const QVector<double>& measured);

// One polyline (ode_time[t], ODE_sol[k][v][p][t]) per shown point whose solution was
// recorded, t limited by both lengths. plotData: ode_time, then the plotted values per
// drawn point; empty, with a message, when iteration k has no recorded solution of v.
plot_figure odeSolutionPlot(const compResult& r, int k, const QVector<int>& display, int v,
                            const QString& variableName, bool logScale);

// Best, 25th percentile (the c-th smallest of the n finite SSR values, c = 25 n / 100 but at
// least 1) and median finite SSR of every iteration on a log axis; an iteration without finite SSR
// breaks the curves. plotData: one row [k, best, 25th percentile, median] per iteration.
plot_figure ssrPerIterationPlot(const compResult& r);

// Row labels of the parameter table: rank r (from 1), ": SSR=" and the r-th sorted SSR
// with 6 significant digits.
QStringList rankLabels(const QVector<double>& sortedSsr);

// The leading labels followed by "1", "2", … "count".
QStringList numberedLabels(const QStringList& leading, int count);
