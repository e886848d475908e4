// The choices of an identifiability analysis; the defaults are what the window and the batch
// runner use.
#pragma once

#include <QVector>

class identifiabilityOptions {
public:
    // The analysed iteration; -1 takes the last one that has a finite SSR.
    int iteration = -1;
    // m, the number of observations; -1 takes the length of the iteration's Y rows.
    int observations = -1;
    // Use the percentile rule even when the likelihood-ratio rule applies.
    bool preferPercentile = false;
    int percentile = 25;
    double level = 0.95;
    // Profile bins across the domain of interest of every x coordinate.
    int bins = 40;
    // Directions whose relative 5-95 % spread is at most this are determined by the data.
    double spreadLimit = 0.05;
    // Two groups of accepted points are separate families when no chain of accepted points
    // joins them with steps shorter than both familyGap (in units of the domain width of each
    // coordinate) and familyGapFactor times the median step of the whole accepted set.
    double familyGap = 0.1;
    double familyGapFactor = 5.0;
    // A group counts as a family only when it holds at least max(familyMinimumSize,
    // familyMinimumFraction * accepted points) points; smaller groups (stragglers of a sparse
    // or partly converged cluster) are isolated points. The largest group always counts.
    int familyMinimumSize = 3;
    double familyMinimumFraction = 0.1;
    // Profile gaps of at most this many empty or above-threshold bins inside a run of bins
    // under the threshold do not split the interval into pieces.
    int bridgedBins = 2;
    // A sum of two parameters is determined when its 5-95 % range over a family is at most
    // this fraction of its median while each of the two alone spreads wider than that.
    double sumSpreadLimit = 0.1;
    // Two parameters, each spread over more than spreadLimit of its domain in a family, whose
    // rank correlation there is at most minus this trade off (see identifiedCombination).
    double tradeOffCorrelation = 0.95;
    // The domain of interest in x, one entry per coordinate; left empty it is taken from the
    // parameter record (see domainOfInterestX).
    QVector<double> xLower;
    QVector<double> xUpper;
};
