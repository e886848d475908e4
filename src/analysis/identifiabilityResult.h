// What the cluster says about the data: the accepted set of one iteration with its threshold,
// the per-parameter summary, the profiles, the identified combinations and the families.
#pragma once

#include "analysis/acceptanceThreshold.h"
#include "analysis/fitFamily.h"
#include "analysis/identifiedCombination.h"
#include "analysis/parameterProfile.h"
#include "analysis/parameterSummary.h"

#include <QString>
#include <QStringList>
#include <QVector>

class identifiabilityResult {
public:
    // Empty when the analysis ran; otherwise why it could not ("No iteration has a finite
    // SSR.") and every other field is empty.
    QString problem;
    int iteration = -1;
    acceptanceThreshold threshold;
    // Point indices of the accepted set within the iteration, in point order.
    QVector<int> accepted;
    QStringList parameterNames;
    QStringList xNames;
    // One per model parameter, in parameter order.
    QVector<parameterSummary> summary;
    // One per x coordinate.
    QVector<parameterProfile> profiles;
    QVector<identifiedCombination> combinations;
    // Sorted by best SSR; a single family when the accepted set is one group.
    QVector<fitFamily> families;
    // Accepted points in groups too small to be a family (see
    // identifiabilityOptions::familyMinimumSize), in point order.
    QVector<int> isolatedPoints;
};
