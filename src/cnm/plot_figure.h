// What one plot shows, independent of any chart library: axes with titles, ranges and log
// flags, and layers of curves, points and bands in data coordinates, together with the
// numbers behind them (plotData) that the CSV export writes. The window's plot painter
// turns a figure into chart series; the result and simulation pages build figures in the
// core.
#pragma once

#include <QPointF>
#include <QString>
#include <QVector>

class plot_figure {
public:
    class axis {
    public:
        QString title;
        // printf-style label format of the axis ticks ("%g", "%i").
        QString labelFormat = QStringLiteral("%g");
        double min = 0.0;
        double max = 1.0;
        // A logarithmic axis of base 10; min and max are then positive.
        bool log = false;
        // Number of ticks; 0 leaves the choice to the chart.
        int tickCount = 0;
    };

    class layer {
    public:
        enum kind {
            // One polyline per entry of curves; a non-finite point breaks the polyline.
            lines,
            // The points of curves[0]; non-finite points are not drawn.
            points,
            // The area between curves[0] (lower edge) and curves[1] (upper edge).
            band
        };
        // What a layer stands for; the painter picks its colours from it.
        enum role { cluster, measured, domain, statistic };

        kind type = lines;
        role what = cluster;
        QString name;
        QVector<QVector<QPointF>> curves;
        // The cluster point shown by each polyline (lines) or each point (points) of
        // curves[0]; empty when the layer does not show cluster points.
        QVector<int> pointIndex;
    };

    axis x;
    axis y;
    QVector<layer> layers;
    // The numbers behind the plot, one row per plotted row as the export writes them.
    QVector<QVector<double>> plotData;
    // Something the user should know about how the plot is drawn (a log axis that fell
    // back to linear, solutions not recorded); empty when all is well.
    QString message;
};
