// The answer of a run as a table: for every model parameter, its value at the point with the
// smallest SSR, and the median and 5-95 % range of the best quarter of the cluster, all of
// the last iteration that has a finite SSR. velmora-batch prints it on stdout.
#pragma once

#include "cnm/compResult.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>

class fitted_values {
public:
    struct row {
        QString name;
        double best = std::numeric_limits<double>::quiet_NaN();
        double median = std::numeric_limits<double>::quiet_NaN();
        double low = std::numeric_limits<double>::quiet_NaN();  // 5 %
        double high = std::numeric_limits<double>::quiet_NaN(); // 95 %
    };

    // One row per name, in order; empty when no iteration has a finite SSR.
    QVector<row> rows;
    // The iteration read; -1 when no iteration has a finite SSR.
    int iteration = -1;
    double bestSSR = std::numeric_limits<double>::quiet_NaN();
    // Points with a finite SSR in that iteration, and the best quarter of them (at least 1).
    int finitePoints = 0;
    int quarterPoints = 0;

    // Reads the sorted fields of result (a sorted copy when they are missing). A parameter
    // row shorter than names gives NaN for the names beyond it.
    static fitted_values of(const compResult& result, const QStringList& names);

    // A comment line ("# ...") saying what the numbers are, a header line and one line per
    // parameter, columns aligned with spaces; numbers in the shortest form that reads back
    // exactly. Empty when there are no rows.
    QString text() const;
};
