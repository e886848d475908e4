// The plot painter: figures into Qt Charts series and axes, plus one item for the
// cluster's curves.
#include "ui/plot_painter.h"

#include "ui/ChartView.h"

#include <QAreaSeries>
#include <QChart>
#include <QCursor>
#include <QGraphicsItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainter>
#include <QPainterPath>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <cmath>

using namespace QtCharts;

namespace {

struct axis_scale {
    double min = 0;
    double max = 1;
    bool log = false;
};

axis_scale scaleOf(QAbstractAxis* axis) {
    axis_scale s;
    if (auto* v = qobject_cast<QValueAxis*>(axis)) {
        s.min = v->min();
        s.max = v->max();
    } else if (auto* l = qobject_cast<QLogValueAxis*>(axis)) {
        s.min = std::log10(l->min());
        s.max = std::log10(l->max());
        s.log = true;
    }
    return s;
}

QAbstractAxis* firstAxis(const QChart* chart, Qt::Orientation o) {
    const QList<QAbstractAxis*> axes = chart->axes(o);
    return axes.isEmpty() ? nullptr : axes.first();
}

// Whether the value can be drawn on the axis.
bool drawable(double v, bool log) {
    return std::isfinite(v) && (!log || v > 0);
}

QAbstractAxis* makeAxis(const plot_figure::axis& a) {
    if (a.log) {
        auto* axis = new QLogValueAxis;
        axis->setBase(10);
        axis->setLabelFormat(a.labelFormat);
        axis->setRange(a.min, a.max);
        axis->setTitleText(a.title);
        return axis;
    }
    auto* axis = new QValueAxis;
    axis->setLabelFormat(a.labelFormat);
    axis->setRange(a.min, a.max);
    // Round tick values unless the figure asks for its own ticks (one per index).
    // Six ticks before rounding keep the rounded range close to the data's.
    axis->setTickCount(a.tickCount >= 2 ? a.tickCount : 6);
    if (a.tickCount < 2) axis->applyNiceNumbers();
    axis->setTitleText(a.title);
    return axis;
}

// The axis range in values (not logarithms).
QPair<double, double> rangeOf(QAbstractAxis* axis) {
    if (auto* v = qobject_cast<QValueAxis*>(axis)) return {v->min(), v->max()};
    if (auto* l = qobject_cast<QLogValueAxis*>(axis)) return {l->min(), l->max()};
    return {0, 1};
}

const QColor clusterColour(31, 78, 160);
const QColor markColour(214, 39, 40);

} // namespace

// The cluster's curves of every lines layer, stroked as one path in the plot area.
class curve_bundle : public QGraphicsItem {
public:
    explicit curve_bundle(plot_painter* owner) : QGraphicsItem(owner->chart), painter(owner) {
        setZValue(10);
    }
    QRectF boundingRect() const override { return painter->chart->plotArea(); }
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override {
        const plot_figure& f = painter->shown;
        QPainterPath path, marked;
        const bool xLog = scaleOf(firstAxis(painter->chart, Qt::Horizontal)).log;
        const bool yLog = scaleOf(firstAxis(painter->chart, Qt::Vertical)).log;
        for (const plot_figure::layer& l : f.layers) {
            if (l.type != plot_figure::layer::lines || l.what != plot_figure::layer::cluster)
                continue;
            for (int c = 0; c < l.curves.size(); ++c) {
                const bool isMarked =
                    c < l.pointIndex.size() && l.pointIndex[c] == painter->highlightedPoint;
                QPainterPath& target = isMarked ? marked : path;
                bool open = false;
                for (const QPointF& v : l.curves[c]) {
                    if (!drawable(v.x(), xLog) || !drawable(v.y(), yLog)) {
                        open = false;
                        continue;
                    }
                    const QPointF q = painter->toChart(v);
                    if (open)
                        target.lineTo(q);
                    else
                        target.moveTo(q);
                    open = true;
                }
            }
        }
        p->setClipRect(boundingRect());
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(clusterColour, 1));
        p->drawPath(path);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(markColour, 3));
        p->drawPath(marked);
    }
    void geometryChanged() {
        prepareGeometryChange();
        update();
    }

private:
    plot_painter* painter;
};

plot_painter::plot_painter(QChart* chart_, ChartView* view_)
    : QObject(chart_), chart(chart_), view(view_), curves(new curve_bundle(this)) {
    connect(chart, &QChart::plotAreaChanged, this, [this] { curves->geometryChanged(); });
    if (!view) return;
    connect(view, &ChartView::clickedAt, this, [this](QPointF position) {
        const int p = pointAt(position);
        if (p >= 0) emit pointClicked(p);
    });
    connect(view, &ChartView::hoveredAt, this, [this](QPointF position) {
        const int p = describePoint ? pointAt(position) : -1;
        if (p >= 0)
            QToolTip::showText(QCursor::pos(), describePoint(p), view);
        else
            QToolTip::hideText();
    });
}

QPointF plot_painter::toChart(QPointF value) const {
    const axis_scale x = scaleOf(firstAxis(chart, Qt::Horizontal));
    const axis_scale y = scaleOf(firstAxis(chart, Qt::Vertical));
    const QRectF area = chart->plotArea();
    const double vx = x.log ? std::log10(value.x()) : value.x();
    const double vy = y.log ? std::log10(value.y()) : value.y();
    const double fx = x.max > x.min ? (vx - x.min) / (x.max - x.min) : 0.5;
    const double fy = y.max > y.min ? (vy - y.min) / (y.max - y.min) : 0.5;
    return QPointF(area.left() + fx * area.width(), area.bottom() - fy * area.height());
}

int plot_painter::pointAt(QPointF position, double radius) const {
    const bool xLog = scaleOf(firstAxis(chart, Qt::Horizontal)).log;
    const bool yLog = scaleOf(firstAxis(chart, Qt::Vertical)).log;
    int best = -1;
    double bestDistance = radius * radius;
    for (const plot_figure::layer& l : shown.layers) {
        if (l.what != plot_figure::layer::cluster || l.pointIndex.isEmpty()) continue;
        for (int c = 0; c < l.curves.size(); ++c)
            for (int i = 0; i < l.curves[c].size(); ++i) {
                const QPointF& v = l.curves[c][i];
                if (!drawable(v.x(), xLog) || !drawable(v.y(), yLog)) continue;
                const QPointF d = toChart(v) - position;
                const double distance = d.x() * d.x() + d.y() * d.y();
                const int index = l.type == plot_figure::layer::points ? i : c;
                if (distance <= bestDistance && index < l.pointIndex.size()) {
                    bestDistance = distance;
                    best = l.pointIndex[index];
                }
            }
    }
    return best;
}

void plot_painter::draw(const plot_figure& figure, bool keepAxes) {
    shown = figure;
    chart->removeAllSeries();
    mark = nullptr;
    QAbstractAxis* x = firstAxis(chart, Qt::Horizontal);
    QAbstractAxis* y = firstAxis(chart, Qt::Vertical);
    const bool reuse =
        keepAxes && x && y && scaleOf(x).log == figure.x.log && scaleOf(y).log == figure.y.log;
    if (!reuse) {
        for (QAbstractAxis* a : chart->axes()) {
            chart->removeAxis(a);
            delete a;
        }
        x = makeAxis(figure.x);
        y = makeAxis(figure.y);
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
    }
    // Fixed axes keep the ranges they have now, whatever the series attached below hold.
    const QPair<double, double> keptX = rangeOf(x), keptY = rangeOf(y);

    QList<QAbstractSeries*> series;
    auto add = [&](QAbstractSeries* s) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        series.append(s);
    };
    // The hidden frame that gives the axes a domain to zoom.
    auto* frame = new QLineSeries;
    frame->setPen(Qt::NoPen);
    frame->append(figure.x.min, figure.y.min);
    frame->append(figure.x.max, figure.y.max);
    add(frame);

    int statistic = 0;
    for (const plot_figure::layer& l : figure.layers) {
        if (l.type == plot_figure::layer::band && l.curves.size() == 2) {
            auto* lower = new QLineSeries;
            auto* upper = new QLineSeries;
            for (const QPointF& v : l.curves[0])
                if (drawable(v.x(), figure.x.log) && drawable(v.y(), figure.y.log))
                    lower->append(v);
            for (const QPointF& v : l.curves[1])
                if (drawable(v.x(), figure.x.log) && drawable(v.y(), figure.y.log))
                    upper->append(v);
            auto* area = new QAreaSeries(upper, lower);
            area->setName(l.name);
            // Percentile bands are translucent, so that a narrower band inside a wider one
            // shows darker.
            if (l.what == plot_figure::layer::statistic) {
                area->setPen(Qt::NoPen);
                area->setBrush(QColor(31, 78, 160, 70));
            } else {
                area->setPen(QPen(Qt::lightGray, 3));
                area->setBrush(QColor(Qt::lightGray));
            }
            add(area);
        } else if (l.type == plot_figure::layer::points && !l.curves.isEmpty()) {
            auto* points = new QScatterSeries;
            points->setName(l.name);
            points->setMarkerSize(l.what == plot_figure::layer::measured ? 9 : 7);
            points->setColor(l.what == plot_figure::layer::measured ? QColor(Qt::red)
                                                                    : clusterColour);
            points->setBorderColor(points->color());
            QVector<QPointF> shownPoints;
            for (const QPointF& v : l.curves[0])
                if (drawable(v.x(), figure.x.log) && drawable(v.y(), figure.y.log))
                    shownPoints.append(v);
            points->replace(shownPoints);
            add(points);
        } else if (l.type == plot_figure::layer::lines && l.what != plot_figure::layer::cluster) {
            // Few curves (statistics): one series per unbroken piece.
            const QColor colours[] = {Qt::darkGreen, Qt::darkBlue, Qt::darkMagenta};
            const QColor colour = colours[statistic++ % 3];
            for (const QVector<QPointF>& curve : l.curves) {
                QLineSeries* piece = nullptr;
                for (const QPointF& v : curve) {
                    if (!drawable(v.x(), figure.x.log) || !drawable(v.y(), figure.y.log)) {
                        piece = nullptr;
                        continue;
                    }
                    if (!piece) {
                        piece = new QLineSeries;
                        piece->setName(l.name);
                        piece->setPen(QPen(colour, 2));
                        add(piece);
                    }
                    piece->append(v);
                }
            }
        }
    }
    mark = new QScatterSeries;
    mark->setMarkerSize(12);
    mark->setColor(markColour);
    mark->setBorderColor(markColour);
    add(mark);

    if (reuse) {
        x->setRange(keptX.first, keptX.second);
        y->setRange(keptY.first, keptY.second);
    } else {
        for (QAbstractAxis* a : {x, y}) {
            const plot_figure::axis& wanted = a == x ? figure.x : figure.y;
            a->setRange(wanted.min, wanted.max);
            if (auto* v = qobject_cast<QValueAxis*>(a))
                if (wanted.tickCount < 2) {
                    v->setTickCount(6);
                    v->applyNiceNumbers();
                }
        }
        // Zooming and scrolling move the axes; the curves follow.
        for (QAbstractAxis* a : {x, y}) {
            if (auto* v = qobject_cast<QValueAxis*>(a))
                connect(v, &QValueAxis::rangeChanged, this, [this] { curves->update(); });
            else if (auto* l = qobject_cast<QLogValueAxis*>(a))
                connect(l, &QLogValueAxis::rangeChanged, this, [this] { curves->update(); });
        }
    }
    // The legend names each named layer once.
    QStringList named;
    for (QAbstractSeries* s : series) {
        const bool show = !s->name().isEmpty() && !named.contains(s->name());
        named << s->name();
        for (QLegendMarker* marker : chart->legend()->markers(s))
            marker->setVisible(show);
    }
    highlight(highlightedPoint);
    curves->geometryChanged();
}

void plot_painter::highlight(int point) {
    highlightedPoint = point;
    if (mark) {
        QVector<QPointF> marked;
        for (const plot_figure::layer& l : shown.layers)
            if (l.type == plot_figure::layer::points && l.what == plot_figure::layer::cluster)
                for (int i = 0; i < l.pointIndex.size() && i < l.curves.value(0).size(); ++i)
                    if (l.pointIndex[i] == point) marked.append(l.curves[0][i]);
        mark->replace(marked);
    }
    curves->update();
}
