// The numerical core of one Cluster Newton step: from the cluster (N points of dimension n)
// and its simulated observations (N rows of m values), the damped step of every point.
// A global linear fit with intercept over the alive points with finite observations serves
// the points whose observations are unusable (NaN or infinite); every other point gets a
// local linear fit through itself, weighting the other usable points by 1 (stage 1) or by
// the inverse squared normalised distance (stage 2), and a damped solve of its residual.
//
// The local fits are solved from each point's weighted normal equations (formed once per
// point, all m right-hand sides at once) and the points are spread over the global thread
// pool; the result equals, up to rounding, the row-by-row conjugate-gradient solves of the
// weighted rows.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

// Steps of all points (N rows of n values). Y_obs holds the m observed values, the bounds
// the domain of interest in x (distances are normalised by their difference; a coordinate
// without bounds is not normalised). Unusable points aim at a target drawn around Y_obs
// with relative spread Y_star_noise, from a generator seeded by `seed` and the point index.
// Points at exactly the same x as the fitted point (zero distance in stage 2) carry no
// slope information and are left out of its fit instead of receiving an infinite weight.
// With `only` given, just the steps of the listed points are computed (each the same as in
// the whole step: every point's fit reads the whole cluster); the other rows are zero.
QVector<QVector<double>>
cluster_newton_step(const QVector<QVector<double>>& X, const QVector<QVector<double>>& Y,
                    const QVector<bool>& alive, const QVector<double>& lambdaVector,
                    const QVector<double>& Y_obs, const QVector<double>& x_lowerBound,
                    const QVector<double>& x_upperBound, double Y_star_noise, bool stage1,
                    std::uint64_t seed, const QVector<int>& only = QVector<int>());

// The instruction sets the stage-2 pass can use on this processor, widest first ("avx512",
// "avx2", "sse2"); all give the same steps, bit for bit. The widest is used unless a test or
// a benchmark picks another with useStage2Instructions (an empty name: the widest again);
// false for a name not in the list.
QStringList stage2Instructions();
bool useStage2Instructions(const QString& name);

// The K weighted combinations of one observation row: entry k is weightRows[k] . y, NaN
// when the lengths differ.
QVector<double> weighted_observation(const QVector<double>& y,
                                     const QVector<QVector<double>>& weightRows);

// weighted_observation of every row.
QVector<QVector<double>> weighted_observations(const QVector<QVector<double>>& Y,
                                               const QVector<QVector<double>>& weightRows);
