// The profile of one x coordinate taken from the cluster without new runs: the lower envelope
// of SSR over every evaluated point of every iteration, in bins across the domain of
// interest, where it crosses the acceptance threshold, and the verdict that follows.
#pragma once

#include <QString>
#include <QVector>

#include <limits>

class parameterProfile {
public:
    // SeparateRanges: bounded on both sides, but the interval holds two or more pieces (the
    // data allow distinct values, as for two tissues whose V x Kp can swap), so no single
    // value is determined.
    enum Verdict { Identified, BoundedOnOneSide, NotIdentified, Fixed, SeparateRanges };

    int coordinate = -1; // 0-based x index
    QString xName;
    QString parameterName;
    // Per bin, equal widths across the domain of interest in x.
    QVector<double> binLower;
    QVector<double> binUpper;
    // Per bin, the point with the smallest finite SSR whose x lies in the bin: its x, its
    // parameter value and its SSR. All three are NaN for a bin no point fell into.
    QVector<double> x;
    QVector<double> parameterValue;
    QVector<double> ssr;
    double threshold = std::numeric_limits<double>::quiet_NaN();
    // Where the envelope crosses the threshold, interpolated linearly between the outermost
    // point under the threshold and the envelope point of the nearest filled bin beyond it; the
    // domain edge on a side where it never rises above the threshold. NaN when no bin is under the
    // threshold.
    double intervalLowerX = std::numeric_limits<double>::quiet_NaN();
    double intervalUpperX = std::numeric_limits<double>::quiet_NaN();
    // The same in the parameter's units (lower <= upper also for a decreasing g).
    double intervalLower = std::numeric_limits<double>::quiet_NaN();
    double intervalUpper = std::numeric_limits<double>::quiet_NaN();
    // The envelope rises above the threshold below (above) the lowest (highest) bin under it.
    bool boundedBelow = false;
    bool boundedAbove = false;
    // Runs of bins under the threshold, separated by gaps that hold a filled bin above it
    // and span more than a few bins (identifiabilityOptions::bridgedBins; narrower gaps are
    // left by sparse sampling inside one valley): 1 for one interval, 2 or more when the
    // interval holds separate pieces; 0 when no bin is under.
    int pieces = 0;
    Verdict verdict = NotIdentified;

    // "identified", "bounded on one side", "not identified", "fixed", "separate ranges".
    static QString verdictText(Verdict v);
};
