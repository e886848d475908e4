// The fitted-values table of a run.
#include "analysis/fitted_values.h"

#include "analysis/identifiability.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

fitted_values fitted_values::of(const compResult& result, const QStringList& names) {
    compResult sorted = result;
    if (sorted.R_sorted.size() != sorted.R.size()) sorted.sortDataByResidual();

    fitted_values out;
    for (int k = sorted.R_sorted.size() - 1; k >= 0; --k) {
        if (sorted.R_sorted[k].isEmpty() || k >= sorted.Parameter_sorted.size() ||
            sorted.Parameter_sorted[k].isEmpty())
            continue;
        out.iteration = k;
        break;
    }
    if (out.iteration < 0) return out;

    const QVector<QVector<double>>& points = sorted.Parameter_sorted[out.iteration];
    out.bestSSR = sorted.R_sorted[out.iteration].first();
    out.finitePoints = points.size();
    out.quarterPoints = std::max(1, out.finitePoints / 4);
    for (int j = 0; j < names.size(); ++j) {
        const auto value = [j](const QVector<double>& point) {
            return j < point.size() ? point[j] : std::nan("");
        };
        QVector<double> quarter;
        for (int p = 0; p < out.quarterPoints; ++p)
            quarter << value(points[p]);
        row r;
        r.name = names[j];
        r.best = value(points.first());
        r.median = sampleQuantile(quarter, 0.5);
        r.low = sampleQuantile(quarter, 0.05);
        r.high = sampleQuantile(quarter, 0.95);
        out.rows << r;
    }
    return out;
}

QString fitted_values::text() const {
    if (rows.isEmpty()) return QString();
    const auto number = [](double v) {
        return QString::number(v, 'g', QLocale::FloatingPointShortest);
    };
    QVector<QStringList> cells{{"parameter", "best", "median", "5%", "95%"}};
    for (const row& r : rows)
        cells << QStringList{r.name, number(r.best), number(r.median), number(r.low),
                             number(r.high)};
    QVector<int> width(5, 0);
    for (const QStringList& line : cells)
        for (int c = 0; c < 5; ++c)
            width[c] = std::max(width[c], line[c].size());

    QString out = QString("# best SSR %1 in iteration %2; median and 5-95 % range of the best "
                          "quarter of the cluster (%3 of %4 points)\n")
                      .arg(number(bestSSR))
                      .arg(iteration)
                      .arg(quarterPoints)
                      .arg(finitePoints);
    for (const QStringList& line : cells) {
        QString text = line[0].leftJustified(width[0]);
        for (int c = 1; c < 5; ++c)
            text += "  " + line[c].rightJustified(width[c]);
        out += text + "\n";
    }
    return out;
}
