// One distinct family of fits: a group of accepted points with no accepted point between it
// and the other groups.
#pragma once

#include <QVector>

#include <limits>

class fitFamily {
public:
    // Point indices within the analysed iteration, in point order.
    QVector<int> points;
    int bestPoint = -1;
    double bestSsr = std::numeric_limits<double>::quiet_NaN();
    // Per model parameter, the median over the family's points.
    QVector<double> medianParameters;
};
