// The identifiability analysis of a finished (or loaded) result: which parameters the data
// determine, which combinations of them, and whether there are several distinct families of
// fits. Pure functions of a compResult and the model's parameter record; nothing is run
// again. The window's tab and the batch runner call analyseIdentifiability and show it.
#pragma once

#include "analysis/identifiabilityOptions.h"
#include "analysis/identifiabilityResult.h"
#include "cnm/compResult.h"
#include "model/parameters.h"

#include <QVector>

// The whole analysis of options.iteration: threshold and accepted set, profiles from all
// evaluated points of all iterations, summary, combinations and families. A result without
// any finite SSR, or an iteration outside the record, gives only `problem`.
identifiabilityResult analyseIdentifiability(const compResult& result, const parameters& para,
                                             const identifiabilityOptions& options = {});

// The q-quantile (0 <= q <= 1) of the finite values, interpolated linearly between order
// statistics (position q * (count - 1)); NaN when no value is finite.
double sampleQuantile(QVector<double> values, double q);

// {lower, upper}: the domain of interest in x, one entry per coordinate of `coordinates`.
// Each coordinate comes from g inverse of the parameters' domain bounds (paraSpec); where
// that is not finite, from the record's xLowerBound / xUpperBound; then from the range of
// iteration 0 of the cluster. A coordinate with no width gets one of 1 around its value (or
// [0, 1] when nothing is known), so that it can always be binned.
QVector<QVector<double>> domainOfInterestX(const parameters& para, const compResult& result,
                                           int coordinates);

// The profile of one x coordinate over every evaluated point of every iteration (rows of X
// shorter than coordinate + 1, and points whose SSR is not finite, are skipped; points
// outside [lower, upper] fall into no bin). Parameter values come from the record's
// Parameter rows when they are complete, otherwise from g(x). Runs of at most bridgedBins
// empty or above-threshold bins between bins under the threshold do not split the interval
// into pieces (see parameterProfile::pieces).
parameterProfile profileFromCluster(const compResult& result, const parameters& para,
                                    int coordinate, double lower, double upper, int bins,
                                    double threshold, int bridgedBins = 2);

// Groups of points (rows of equal length, coordinates already scaled to the domain widths)
// that are not joined by a chain of steps each at most max(gap, gapFactor * median step of
// the minimal spanning tree). Each group lists row indices in ascending order; groups are in
// the order of their first row. No points give no groups.
QVector<QVector<int>> separateGroups(const QVector<QVector<double>>& points, double gap,
                                     double gapFactor);

// The identified combinations of the accepted points (rows of x): eigenvectors of their
// covariance whose relative 5-95 % spread is at most spreadLimit and that weigh at least two
// coordinates whose own relative range exceeds spreadLimit. With n coordinates, 2n points
// or fewer give none (their covariance has directions of no spread by chance). Weights are
// simplified for reading (see identifiedCombination::weights); directions that simplify to
// the same weights are reported once.
QVector<identifiedCombination> identifiedCombinations(const QVector<QVector<double>>& acceptedX,
                                                      const QVector<double>& lower,
                                                      const QVector<double>& upper,
                                                      double spreadLimit, const parameters& para);

// The sums of two parameters that the accepted points determine: rows of parameter values
// (one row per point, in parameter order) and, per parameter, its x coordinate (-1 for a
// fixed one, which never takes part). A sum p_i + p_j is reported when its relative 5-95 %
// range (range / |median|) is at most spreadLimit while that of p_i and of p_j alone exceed
// it. Fewer than 3 points, or a median of 0, give none; rows holding a non-finite value of
// the pair are left out of that pair.
QVector<identifiedCombination> identifiedSums(const QVector<QVector<double>>& acceptedParameters,
                                              const QVector<int>& coordinateOfParameter,
                                              int coordinates, double spreadLimit,
                                              const parameters& para);

// The pairs of parameters that trade off across the accepted points (rows of x, rows of
// parameter values, per parameter its x coordinate or -1): both coordinates spread over
// more than spreadLimit of their domain width (5-95 %), and the rank correlation of the two
// is at most -minimumCorrelation. Fewer than 5 points give none; rows are paired as given.
QVector<identifiedCombination>
identifiedTradeOffs(const QVector<QVector<double>>& acceptedX,
                    const QVector<QVector<double>>& acceptedParameters,
                    const QVector<int>& coordinateOfParameter, const QVector<double>& lower,
                    const QVector<double>& upper, double spreadLimit, double minimumCorrelation,
                    const parameters& para);
