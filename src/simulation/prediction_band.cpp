// Percentiles of a bundle of curves per time point.
#include "simulation/prediction_band.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

QStringList predictionBandRowLabels() {
    return {QStringLiteral("time"), QStringLiteral("median"), QStringLiteral("5%"),
            QStringLiteral("25%"),  QStringLiteral("75%"),    QStringLiteral("95%")};
}

double quantileOfSorted(const double* sorted, int n, double q) {
    if (n <= 0) return std::numeric_limits<double>::quiet_NaN();
    const double h = (n - 1) * q;
    const int below = std::min(n - 1, std::max(0, static_cast<int>(std::floor(h))));
    if (below == n - 1) return sorted[below];
    return sorted[below] + (h - below) * (sorted[below + 1] - sorted[below]);
}

QVector<QVector<double>> predictionBand(const QVector<double>& times,
                                        const QVector<QVector<double>>& curves) {
    const int columns = times.size();
    QVector<QVector<double>> band(bandRowCount, QVector<double>(columns));
    band[bandTimeRow] = times;
    const struct {
        int row;
        double q;
    } quantiles[] = {{bandMedianRow, 0.5},
                     {bandP5Row, 0.05},
                     {bandP25Row, 0.25},
                     {bandP75Row, 0.75},
                     {bandP95Row, 0.95}};

    std::vector<double> column;
    column.reserve(static_cast<size_t>(curves.size()));
    for (int i = 0; i < columns; ++i) {
        column.clear();
        for (const QVector<double>& curve : curves)
            if (i < curve.size() && !std::isnan(curve.at(i))) column.push_back(curve.at(i));
        std::sort(column.begin(), column.end());
        for (const auto& quantile : quantiles)
            band[quantile.row][i] =
                quantileOfSorted(column.data(), static_cast<int>(column.size()), quantile.q);
    }
    return band;
}
