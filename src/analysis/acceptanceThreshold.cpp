// The likelihood-ratio and percentile thresholds of the accepted set.
#include "analysis/acceptanceThreshold.h"

#include <boost/math/distributions/fisher_f.hpp>

#include <algorithm>
#include <cmath>

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
}

QString acceptanceThreshold::ruleText() const {
    if (rule == Percentile) return QString("percentile %1 %").arg(percentile);
    return QString("likelihood ratio (F %1 %, m = %2, n = %3)")
        .arg(level * 100, 0, 'g', 6)
        .arg(observations)
        .arg(coordinates);
}

double fQuantile(double p, int d1, int d2) {
    if (d1 < 1 || d2 < 1 || !(p > 0 && p < 1)) return kNaN;
    const boost::math::fisher_f_distribution<double> f(d1, d2);
    return boost::math::quantile(f, p);
}

double likelihoodRatioFactor(int m, int n, double level) {
    if (n < 1 || m <= n) return kNaN;
    return 1.0 + double(n) / double(m - n) * fQuantile(level, n, m - n);
}

acceptanceThreshold chooseAcceptanceThreshold(const QVector<double>& ssr, int m, int n,
                                              double level, int percentile, bool preferPercentile) {
    acceptanceThreshold t;
    t.observations = m;
    t.coordinates = n;
    t.level = level;
    t.percentile = percentile;
    QVector<double> finite;
    finite.reserve(ssr.size());
    for (double s : ssr)
        if (std::isfinite(s)) finite.append(s);
    std::sort(finite.begin(), finite.end());
    if (finite.isEmpty()) {
        t.rule = preferPercentile ? acceptanceThreshold::Percentile
                                  : acceptanceThreshold::LikelihoodRatio;
        return t;
    }
    t.ssrMin = finite.first();
    const double factor = likelihoodRatioFactor(m, n, level);
    if (!preferPercentile && std::isfinite(factor)) {
        t.rule = acceptanceThreshold::LikelihoodRatio;
        t.value = t.ssrMin * factor;
        return t;
    }
    t.rule = acceptanceThreshold::Percentile;
    const int c = std::max(1, percentile * ssr.size() / 100);
    t.value = finite.size() < c ? std::numeric_limits<double>::infinity() : finite.at(c - 1);
    return t;
}

QVector<int> acceptedPoints(const QVector<double>& ssr, const acceptanceThreshold& threshold) {
    QVector<int> out;
    for (int p = 0; p < ssr.size(); ++p)
        if (std::isfinite(ssr.at(p)) && ssr.at(p) <= threshold.value) out.append(p);
    return out;
}
