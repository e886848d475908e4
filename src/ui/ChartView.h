// The view that shows one Chart inside a page of the window.
#pragma once

#include <QChartView>

class ChartView : public QtCharts::QChartView {
    Q_OBJECT
public:
    explicit ChartView(QtCharts::QChart* chart, QWidget* parent = nullptr);
};
