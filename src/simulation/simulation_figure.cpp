// The simulation page's figure and CSV file.
#include "simulation/simulation_figure.h"

#include "cnm/result_plots.h"
#include "expr/parser.h"
#include "io/csv.h"
#include "simulation/prediction_band.h"

#include <algorithm>

namespace {

QVector<QPointF> pointsOf(const QVector<double>& times, const QVector<double>& values) {
    QVector<QPointF> points;
    const int n = std::min(times.size(), values.size());
    points.reserve(n);
    for (int i = 0; i < n; ++i)
        points.append(QPointF(times.at(i), values.at(i)));
    return points;
}

plot_figure::layer bandLayer(const QVector<QVector<double>>& band, int lower, int upper,
                             const QString& name) {
    plot_figure::layer l;
    l.type = plot_figure::layer::band;
    l.what = plot_figure::layer::statistic;
    l.name = name;
    l.curves = {pointsOf(band.at(bandTimeRow), band.at(lower)),
                pointsOf(band.at(bandTimeRow), band.at(upper))};
    return l;
}

} // namespace

QVector<QPointF> measuredValuesOf(const QVector<observation_event>& observations,
                                  const QString& expressionText) {
    QVector<QPointF> measured;
    const QString plotted = parser(expressionText).expression;
    if (plotted.isEmpty()) return measured;
    for (const observation_event& e : observations)
        if (e.isValid && e.observedExpression.expression == plotted)
            measured.append(QPointF(e.time, e.value));
    return measured;
}

plot_figure simulationFigure(const simulation_view& view, bool band, bool logScale,
                             const QVector<QPointF>& measured) {
    plot_figure f;
    f.x.title = view.xTitle;
    f.y.title = view.yTitle;
    f.y.log = logScale;
    if (view.isEmpty()) return f;

    const QVector<double>& times = view.curves.first();
    QVector<double> xValues = times, yValues;
    if (band && view.band.size() == bandRowCount) {
        f.plotData = view.band;
        f.layers.append(bandLayer(view.band, bandP5Row, bandP95Row, QStringLiteral("5-95 %")));
        f.layers.append(bandLayer(view.band, bandP25Row, bandP75Row, QStringLiteral("25-75 %")));
        plot_figure::layer median;
        median.type = plot_figure::layer::lines;
        median.what = plot_figure::layer::statistic;
        median.name = QStringLiteral("median");
        median.curves.append(pointsOf(times, view.band.at(bandMedianRow)));
        f.layers.append(median);
        for (int r = bandMedianRow; r < bandRowCount; ++r)
            yValues += view.band.at(r);
    } else {
        f.plotData = view.curves;
        plot_figure::layer curves;
        curves.type = plot_figure::layer::lines;
        curves.what = plot_figure::layer::cluster;
        for (int r = 1; r < view.curves.size(); ++r) {
            curves.curves.append(pointsOf(times, view.curves.at(r)));
            yValues += view.curves.at(r);
        }
        f.layers.append(curves);
    }
    if (!measured.isEmpty()) {
        plot_figure::layer points;
        points.type = plot_figure::layer::points;
        points.what = plot_figure::layer::measured;
        points.name = QStringLiteral("measured");
        points.curves.append(measured);
        f.layers.append(points);
        for (const QPointF& m : measured) {
            xValues.append(m.x());
            yValues.append(m.y());
        }
    }
    fitAxis(f.x, xValues);
    // Like the result page's solutions, the time axis runs from the first to the last time.
    const auto [first, last] = std::minmax_element(xValues.constBegin(), xValues.constEnd());
    if (*first < *last) {
        f.x.min = *first;
        f.x.max = *last;
    }
    if (!fitAxis(f.y, yValues))
        f.message =
            QStringLiteral("No positive value to show on a log scale; the y axis is linear.");
    return f;
}

QString simulationCsvFileName(const QString& expressionText, bool band) {
    QString name = parser(expressionText).expression;
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c)) c = QLatin1Char('_');
    return QStringLiteral("CNM_") + name +
           (band ? QStringLiteral("_simulation_band.csv")
                 : QStringLiteral("_compartment_simulation_plot.csv"));
}

bool writeSimulationCsv(const QString& file, const simulation_view& view, bool band) {
    if (view.isEmpty()) return false;
    return band ? csvwriteWithHeader(file, view.band, view.bandRowLabels, view.columnLabels)
                : csvwriteWithHeader(file, view.curves, view.curveRowLabels, view.columnLabels);
}
