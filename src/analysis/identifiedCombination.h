// A combination of x coordinates that the accepted set pins down although its single
// parameters are not: an eigenvector of small spread of the accepted set's covariance in x.
#pragma once

#include <QString>
#include <QVector>

#include <limits>

class identifiedCombination {
public:
    // False for a weighted sum of x coordinates (an eigen direction); true for the sum of
    // two parameters in their own units, whose weights are 1 at the two coordinates.
    bool sumOfParameters = false;
    // True for two parameters that move against each other across the points (a rank
    // correlation of `value`, at most -identifiabilityOptions::tradeOffCorrelation): the
    // data fix one given the other (two clearances whose total is determined, two volumes
    // whose sum is) through a relation that is no sum and no product. Weights are 1 at the
    // two coordinates; relativeSpread is NaN; text "CLint and CLr trade off: 28.3 .. 73.7
    // against 25.3 .. 0.38" (5-95 % ranges, the second from the first one's low end).
    bool tradeOff = false;
    // One weight per x coordinate, scaled so that the largest magnitude is 1 and positive.
    // For readability weights below a tenth of it are set to 0, the weights rounded to halves
    // (else quarters) and the smallest terms dropped, each step only while the combination
    // stays within the spread limit; otherwise the eigenvector's weights are kept as found.
    QVector<double> weights;
    // The median over the accepted set of sum(weights[k] * x[k]) (of the two parameters' sum
    // for sumOfParameters).
    double value = std::numeric_limits<double>::quiet_NaN();
    // The 5-95 % range of that sum over the accepted set divided by the width of the domain
    // of interest along the same direction (by the magnitude of the median for
    // sumOfParameters).
    double relativeSpread = std::numeric_limits<double>::quiet_NaN();
    // Readable form: "a^1 * b^1 = 6" when every weighted coordinate is log10 of its
    // parameter, "a + 2*b = 6" when every one is the parameter itself, otherwise the same
    // sum in the x names; "CLint + CLr = 62" for sumOfParameters.
    QString text;
    // 0 when found in the whole accepted set (a single family); otherwise the 1-based number
    // of the family in whose points it was found (a line joining two families is no
    // combination the data determine).
    int family = 0;
};
