// One line of the identifiability summary: a model parameter's best value, the median and
// 5-95 % range of the accepted set in the parameter's own units, that range relative to the
// domain of interest, and the verdict and interval of its profile.
#pragma once

#include "analysis/parameterProfile.h"

#include <QString>

#include <limits>

class parameterSummary {
public:
    QString name;
    // 0-based x coordinate of the parameter; -1 for a fixed parameter.
    int coordinate = -1;
    // The value at the accepted point with the smallest SSR.
    double best = std::numeric_limits<double>::quiet_NaN();
    double median = std::numeric_limits<double>::quiet_NaN();
    double low = std::numeric_limits<double>::quiet_NaN();  // 5 %
    double high = std::numeric_limits<double>::quiet_NaN(); // 95 %
    // The domain of interest in the parameter's units.
    double domainLower = std::numeric_limits<double>::quiet_NaN();
    double domainUpper = std::numeric_limits<double>::quiet_NaN();
    // The 5-95 % range of the accepted set divided by the width of the domain, both measured
    // in x (the coordinates the cluster moves in); 0 for a fixed parameter.
    double relativeRange = std::numeric_limits<double>::quiet_NaN();
    parameterProfile::Verdict verdict = parameterProfile::NotIdentified;
    double intervalLower = std::numeric_limits<double>::quiet_NaN();
    double intervalUpper = std::numeric_limits<double>::quiet_NaN();
    // Separate pieces of the interval (see parameterProfile::pieces).
    int pieces = 0;
};
