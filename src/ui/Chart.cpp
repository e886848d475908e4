// The plots' chart class.
#include "ui/Chart.h"

Chart::Chart(QGraphicsItem* parent, Qt::WindowFlags wFlags)
    : QtCharts::QChart(QtCharts::QChart::ChartTypeCartesian, parent, wFlags) {}
