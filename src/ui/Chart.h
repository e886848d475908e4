// The chart of every plot on the result and simulation pages: a Cartesian QChart that
// pans and zooms with touch gestures (pan scrolls, pinch zooms by its scale factor).
#pragma once

#include <QChart>

class QGestureEvent;

class Chart : public QtCharts::QChart {
    Q_OBJECT
public:
    explicit Chart(QGraphicsItem* parent = nullptr, Qt::WindowFlags wFlags = Qt::WindowFlags());

protected:
    // Gesture events go to gestureEvent and count as handled; others to the base widget.
    bool sceneEvent(QEvent* event) override;

private:
    bool gestureEvent(QGestureEvent* event);
};
