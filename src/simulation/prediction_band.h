// The prediction band of a bundle of curves: per time point the median and the 5, 25, 75
// and 95 % percentiles of the curves' values.
#pragma once

#include <QStringList>
#include <QVector>

// Rows of the band matrix.
enum prediction_band_row {
    bandTimeRow = 0,
    bandMedianRow,
    bandP5Row,
    bandP25Row,
    bandP75Row,
    bandP95Row,
    bandRowCount
};

// "time", "median", "5%", "25%", "75%", "95%": the row labels of the band's CSV file.
QStringList predictionBandRowLabels();

// The q-quantile (0 <= q <= 1) of n ascending values by linear interpolation between the
// closest ranks: position h = (n - 1) * q, value sorted[floor h] + (h - floor h) *
// (sorted[floor h + 1] - sorted[floor h]). NaN for n = 0.
double quantileOfSorted(const double* sorted, int n, double q);

// The band of curves over times: bandRowCount rows (prediction_band_row) of times.size()
// values each. Column i is taken over curves[c][i] of every curve c; NaN values (failed
// parameter sets) and curves shorter than i + 1 are left out, and a column without any value
// is NaN in every row but the time. No curves give NaN bands at every time.
QVector<QVector<double>> predictionBand(const QVector<double>& times,
                                        const QVector<QVector<double>>& curves);
