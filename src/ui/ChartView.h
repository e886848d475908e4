// The view that shows one Chart inside a page of the window: rectangle zoom with the
// mouse, zoom and scroll with the keyboard (+, -, arrows; Home, 0 or a double click reset
// the zoom), touch handling, and saving what it shows as PDF, PNG or SVG. A click that
// does not drag a rectangle and a mouse move are reported in chart coordinates so that
// the plot painter can find the point under the mouse.
#pragma once

#include <QChartView>
#include <QPoint>

class ChartView : public QtCharts::QChartView {
    Q_OBJECT
public:
    explicit ChartView(QtCharts::QChart* chart, QWidget* parent = nullptr);

    // True after a touch began, until the next mouse release; mouse presses and moves are
    // ignored meanwhile so that a touch does not start a rubber band.
    bool isTouching = false;

    // Writes the view's picture to the file; the suffix picks the format: ".pdf" (vector),
    // ".svg" (vector, where SVG support is built in) or anything else as PNG at twice the
    // on-screen resolution. The file is replaced only when the picture was written
    // completely; false when it could not be written or the format is not available.
    bool saveImage(const QString& file);

signals:
    void clickedAt(QPointF chartPosition);
    void hoveredAt(QPointF chartPosition);

protected:
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint pressPosition;
};
