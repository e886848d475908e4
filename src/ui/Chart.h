// The chart of every plot on the result and simulation pages: a Cartesian QChart.
#pragma once

#include <QChart>

class Chart : public QtCharts::QChart {
    Q_OBJECT
public:
    explicit Chart(QGraphicsItem* parent = nullptr, Qt::WindowFlags wFlags = Qt::WindowFlags());
};
