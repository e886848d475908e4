// Draws a plot_figure into a chart: the only code that creates series and axes and picks
// linear or logarithmic scales. Curves of the cluster (a thousand polylines and more) are
// stroked as one path by a single item instead of one series each, which keeps a redraw
// fast; points, bands, measured values and statistics are Qt Charts series. A hidden
// series spans the figure's ranges so that zooming and scrolling act on the axes, and the
// cluster curves follow the axes on every repaint.
//
// The painter also finds the cluster point under the mouse (hover shows describePoint's
// text, a click emits pointClicked) and highlights one cluster point.
#pragma once

#include "cnm/plot_figure.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <functional>

namespace QtCharts {
class QChart;
class QScatterSeries;
} // namespace QtCharts
class ChartView;
class curve_bundle;

class plot_painter : public QObject {
    Q_OBJECT
public:
    // The view may be null (no hover or click handling).
    plot_painter(QtCharts::QChart* chart, ChartView* view);

    // Replaces every series and axis of the chart by the figure's. With keepAxes and axes
    // of the same kind (linear or log) present, their current ranges are kept (fixed
    // axes); otherwise the figure's ranges are used. A non-positive value on a log axis is
    // not drawn; a non-finite value breaks a curve.
    void draw(const plot_figure& figure, bool keepAxes = false);

    // Marks the cluster point (a thick curve or a large point); -1 or a point not shown
    // clears the mark.
    void highlight(int point);

    // The cluster point drawn within radius pixels of the chart position, -1 if none.
    int pointAt(QPointF chartPosition, double radius = 6) const;

    // Position in chart coordinates of a value under the current axes.
    QPointF toChart(QPointF value) const;

    const plot_figure& figure() const { return shown; }

    // The hover text of a cluster point; no text is shown while unset.
    std::function<QString(int)> describePoint;

signals:
    void pointClicked(int point);

private:
    QtCharts::QChart* chart;
    ChartView* view;
    plot_figure shown;
    curve_bundle* curves;
    QtCharts::QScatterSeries* mark = nullptr;
    int highlightedPoint = -1;

    friend class curve_bundle;
};
