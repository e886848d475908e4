// The plots' view class: navigation, touch handling and picture export.
#include "ui/ChartView.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#ifdef VELMORA_HAVE_SVG
#include <QSvgGenerator>
#endif

ChartView::ChartView(QtCharts::QChart* chart, QWidget* parent)
    : QtCharts::QChartView(chart, parent) {
    setRubberBand(QChartView::RectangleRubberBand);
    setMouseTracking(true);
}

bool ChartView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::TouchBegin) {
        isTouching = true;
        chart()->setAnimationOptions(QtCharts::QChart::NoAnimation);
    }
    return QChartView::viewportEvent(event);
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    if (isTouching) return;
    pressPosition = event->pos();
    QChartView::mousePressEvent(event);
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    if (isTouching) return;
    if (!(event->buttons() & Qt::LeftButton))
        emit hoveredAt(chart()->mapFromScene(mapToScene(event->pos())));
    QChartView::mouseMoveEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    isTouching = false;
    chart()->setAnimationOptions(QtCharts::QChart::SeriesAnimations);
    // A release close to its press is a click, not a rectangle to zoom into.
    const bool click =
        event->button() == Qt::LeftButton && (event->pos() - pressPosition).manhattanLength() < 4;
    QChartView::mouseReleaseEvent(event);
    if (click) emit clickedAt(chart()->mapFromScene(mapToScene(event->pos())));
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    chart()->zoomReset();
    event->accept();
}

void ChartView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Plus:
        chart()->zoomIn();
        break;
    case Qt::Key_Minus:
        chart()->zoomOut();
        break;
    case Qt::Key_Left:
        chart()->scroll(-10, 0);
        break;
    case Qt::Key_Right:
        chart()->scroll(10, 0);
        break;
    case Qt::Key_Up:
        chart()->scroll(0, 10);
        break;
    case Qt::Key_Down:
        chart()->scroll(0, -10);
        break;
    case Qt::Key_Home:
    case Qt::Key_0:
        chart()->zoomReset();
        break;
    default:
        QGraphicsView::keyPressEvent(event);
        break;
    }
}

bool ChartView::saveImage(const QString& file) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    const QString suffix = file.section(QLatin1Char('.'), -1).toLower();
    const QSize size = viewport()->size();
    bool drawn = false;
    if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&out);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        drawn = painter.begin(&pdf);
        if (drawn) render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
    } else if (suffix == QLatin1String("svg")) {
#ifdef VELMORA_HAVE_SVG
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        QPainter painter;
        drawn = painter.begin(&svg);
        if (drawn) render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
#endif
    } else {
        QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
        }
        drawn = image.save(&out, "PNG");
    }
    if (!drawn) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
