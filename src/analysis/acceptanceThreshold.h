// The SSR threshold that separates the accepted fits of one iteration from the rest: the
// likelihood-ratio rule SSR <= SSR_min * (1 + n/(m - n) * F^-1(level; n, m - n)) for m
// observations and n estimated coordinates, or the percentile rule of the result page, with
// the numbers the threshold was computed from.
#pragma once

#include <QString>
#include <QVector>

#include <limits>

class acceptanceThreshold {
public:
    enum Rule { LikelihoodRatio, Percentile };

    Rule rule = LikelihoodRatio;
    // A point is accepted when its SSR is finite and not above value. +infinity accepts every
    // finite SSR; NaN (no finite SSR in the iteration) accepts none.
    double value = std::numeric_limits<double>::quiet_NaN();
    // The smallest finite SSR of the iteration; NaN when there is none.
    double ssrMin = std::numeric_limits<double>::quiet_NaN();
    int observations = 0; // m
    int coordinates = 0;  // n
    double level = 0.95;
    int percentile = 25;

    // "likelihood ratio (F 95 %, m = 16, n = 3)" or "percentile 25 %".
    QString ruleText() const;
};

// F^-1(p; d1, d2) of the F distribution (Boost.Math); NaN when d1 < 1, d2 < 1 or p is not
// strictly between 0 and 1.
double fQuantile(double p, int d1, int d2);

// 1 + n/(m - n) * F^-1(level; n, m - n); NaN when m <= n or n < 1 (the rule does not apply).
double likelihoodRatioFactor(int m, int n, double level);

// The threshold for the SSR values of one iteration (NaN and infinities are failed points).
// The likelihood-ratio rule is used unless preferPercentile is set or its factor is NaN
// (m <= n). The percentile rule takes c = percentile * N / 100 (N = ssr.size(), integer
// division, at least 1) and accepts up to the c-th smallest finite SSR, ties included; with
// fewer than c finite values it accepts every finite point (value +infinity).
acceptanceThreshold chooseAcceptanceThreshold(const QVector<double>& ssr, int m, int n,
                                              double level, int percentile, bool preferPercentile);

// The indices p, in point order, whose ssr[p] is finite and not above threshold.value.
QVector<int> acceptedPoints(const QVector<double>& ssr, const acceptanceThreshold& threshold);
