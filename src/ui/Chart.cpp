// The plots' chart class: touch gestures scroll and zoom.
#include "ui/Chart.h"

#include <QGesture>
#include <QGestureEvent>

Chart::Chart(QGraphicsItem* parent, Qt::WindowFlags wFlags)
    : QtCharts::QChart(QtCharts::QChart::ChartTypeCartesian, parent, wFlags) {
    grabGesture(Qt::PanGesture);
    grabGesture(Qt::PinchGesture);
}

bool Chart::sceneEvent(QEvent* event) {
    if (event->type() == QEvent::Gesture) return gestureEvent(static_cast<QGestureEvent*>(event));
    return QGraphicsWidget::event(event);
}

bool Chart::gestureEvent(QGestureEvent* event) {
    if (QGesture* gesture = event->gesture(Qt::PanGesture)) {
        QPanGesture* pan = static_cast<QPanGesture*>(gesture);
        scroll(-pan->delta().x(), pan->delta().y());
    }
    if (QGesture* gesture = event->gesture(Qt::PinchGesture)) {
        QPinchGesture* pinch = static_cast<QPinchGesture*>(gesture);
        if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged) zoom(pinch->scaleFactor());
    }
    return true;
}
