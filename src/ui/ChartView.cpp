// The plots' view class.
#include "ui/ChartView.h"

ChartView::ChartView(QtCharts::QChart* chart, QWidget* parent)
    : QtCharts::QChartView(chart, parent) {}
