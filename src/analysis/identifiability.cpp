// Accepted set, summary, profiles, combinations and families of one result.
#include "analysis/identifiability.h"

#include "linalg/eigen_decomposition.h"

#include <boost/numeric/ublas/matrix.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace ublas = boost::numeric::ublas;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The model parameter whose g(x) reads x coordinate c; -1 when none does.
int parameterOfCoordinate(const parameters& para, int c) {
    for (int j = 0; j < para.xIndex.size(); ++j)
        if (para.xIndex.at(j) == c + 1) return j;
    return -1;
}

QString coordinateName(const parameters& para, int c) {
    const int j = parameterOfCoordinate(para, c);
    if (j >= 0 && j < para.parameterNames.size()) return para.parameterNames.at(j);
    if (c < para.xNames.size()) return para.xNames.at(c);
    return QString("x%1").arg(c + 1);
}

// The value of parameter j (the one read by coordinate c) at x; x itself when no parameter
// reads c.
double parameterAt(const parameters& para, int j, double x) {
    if (j < 0 || j >= para.g.size()) return x;
    return para.g.at(j).evaluate(&x, 1);
}

// How parameter j depends on its coordinate: log10 (p = 10^x), identity, or neither.
enum class transform { Log10, Identity, Other };

transform transformOf(const parameters& para, int j) {
    if (j < 0) return transform::Other;
    const double p0 = parameterAt(para, j, 0.0);
    const double p1 = parameterAt(para, j, 1.0);
    const double pm = parameterAt(para, j, -1.0);
    if (std::fabs(p0 - 1) < 1e-9 && std::fabs(p1 - 10) < 1e-8 && std::fabs(pm - 0.1) < 1e-10)
        return transform::Log10;
    if (std::fabs(p0) < 1e-12 && std::fabs(p1 - 1) < 1e-12 && std::fabs(pm + 1) < 1e-12)
        return transform::Identity;
    return transform::Other;
}

// Parameter values of point p of iteration k: the record's row when it is complete,
// otherwise g of the point's x.
QVector<double> parameterRow(const compResult& r, const parameters& para, int k, int p) {
    if (k < r.Parameter.size() && p < r.Parameter.at(k).size() &&
        r.Parameter.at(k).at(p).size() == para.parameterNames.size())
        return r.Parameter.at(k).at(p);
    return para.x_to_parameter(r.X.at(k).at(p));
}

bool finiteRow(const QVector<double>& row, int n) {
    if (row.size() < n) return false;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(row.at(i))) return false;
    return true;
}

// The last iteration with a finite SSR and an X row for it; -1 when there is none.
int lastAnalysableIteration(const compResult& r) {
    for (int k = std::min(r.R.size(), r.X.size()) - 1; k >= 0; --k)
        for (int p = 0; p < r.R.at(k).size() && p < r.X.at(k).size(); ++p)
            if (std::isfinite(r.R.at(k).at(p))) return k;
    return -1;
}

QString formatNumber(double v) {
    return QString::number(v, 'g', 4);
}

} // namespace

QString parameterProfile::verdictText(Verdict v) {
    switch (v) {
    case Identified:
        return "identified";
    case BoundedOnOneSide:
        return "bounded on one side";
    case NotIdentified:
        return "not identified";
    case Fixed:
        return "fixed";
    case SeparateRanges:
        return "separate ranges";
    }
    return QString();
}

double sampleQuantile(QVector<double> values, double q) {
    values.erase(
        std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
        values.end());
    if (values.isEmpty()) return kNaN;
    std::sort(values.begin(), values.end());
    const double position = q * (values.size() - 1);
    const int below = std::clamp(int(std::floor(position)), 0, values.size() - 1);
    const int above = std::min(below + 1, values.size() - 1);
    const double fraction = position - below;
    return values.at(below) + fraction * (values.at(above) - values.at(below));
}

QVector<QVector<double>> domainOfInterestX(const parameters& para, const compResult& result,
                                           int coordinates) {
    QVector<double> lowP(para.parameterNames.size(), kNaN);
    QVector<double> highP(para.parameterNames.size(), kNaN);
    for (int i = 0; i < lowP.size() && i < para.paraSpec.size(); ++i) {
        if (para.paraSpec.at(i).size() > 0) lowP[i] = para.paraSpec.at(i).at(0);
        if (para.paraSpec.at(i).size() > 1) highP[i] = para.paraSpec.at(i).at(1);
    }
    const QVector<double> a = para.parameter_to_x(lowP);
    const QVector<double> b = para.parameter_to_x(highP);
    QVector<double> lower(coordinates, kNaN);
    QVector<double> upper(coordinates, kNaN);
    for (int c = 0; c < coordinates; ++c) {
        double lo = c < a.size() ? a.at(c) : kNaN;
        double hi = c < b.size() ? b.at(c) : kNaN;
        if (!(std::isfinite(lo) && std::isfinite(hi)) && c < para.xLowerBound.size() &&
            c < para.xUpperBound.size()) {
            lo = para.xLowerBound.at(c);
            hi = para.xUpperBound.at(c);
        }
        if (!(std::isfinite(lo) && std::isfinite(hi)) && !result.X.isEmpty()) {
            lo = std::numeric_limits<double>::infinity();
            hi = -lo;
            for (const QVector<double>& row : result.X.first())
                if (c < row.size() && std::isfinite(row.at(c))) {
                    lo = std::min(lo, row.at(c));
                    hi = std::max(hi, row.at(c));
                }
        }
        if (!(std::isfinite(lo) && std::isfinite(hi))) lo = hi = 0.5;
        if (lo > hi) std::swap(lo, hi);
        if (!(hi > lo)) {
            lo -= 0.5;
            hi += 0.5;
        }
        lower[c] = lo;
        upper[c] = hi;
    }
    return {lower, upper};
}

parameterProfile profileFromCluster(const compResult& result, const parameters& para,
                                    int coordinate, double lower, double upper, int bins,
                                    double threshold, int bridgedBins) {
    parameterProfile profile;
    profile.coordinate = coordinate;
    profile.parameterName = coordinateName(para, coordinate);
    profile.xName = coordinate < para.xNames.size() ? para.xNames.at(coordinate)
                                                    : QString("x%1").arg(coordinate + 1);
    profile.threshold = threshold;
    bins = std::max(bins, 1);
    const double width = (upper - lower) / bins;
    for (int b = 0; b < bins; ++b) {
        profile.binLower.append(lower + b * width);
        profile.binUpper.append(b + 1 == bins ? upper : lower + (b + 1) * width);
    }
    profile.x.fill(kNaN, bins);
    profile.parameterValue.fill(kNaN, bins);
    profile.ssr.fill(kNaN, bins);
    QVector<int> fromIteration(bins, -1);
    QVector<int> fromPoint(bins, -1);
    // Per bin, the outermost points under the threshold: an interval ends beyond them, not
    // at the bin's best point.
    QVector<double> lowestUnder(bins, kNaN), lowestUnderSsr(bins, kNaN);
    QVector<double> highestUnder(bins, kNaN), highestUnderSsr(bins, kNaN);

    for (int k = 0; k < result.R.size() && k < result.X.size(); ++k) {
        const QVector<double>& ssr = result.R.at(k);
        const QVector<QVector<double>>& X = result.X.at(k);
        for (int p = 0; p < ssr.size() && p < X.size(); ++p) {
            const double s = ssr.at(p);
            if (!std::isfinite(s) || X.at(p).size() <= coordinate) continue;
            const double x = X.at(p).at(coordinate);
            if (!(x >= lower && x <= upper)) continue;
            const int b = std::min(int((x - lower) / width), bins - 1);
            if (s <= threshold) {
                if (std::isnan(lowestUnder.at(b)) || x < lowestUnder.at(b))
                    lowestUnder[b] = x, lowestUnderSsr[b] = s;
                if (std::isnan(highestUnder.at(b)) || x > highestUnder.at(b))
                    highestUnder[b] = x, highestUnderSsr[b] = s;
            }
            if (fromIteration.at(b) < 0 || s < profile.ssr.at(b)) {
                profile.ssr[b] = s;
                profile.x[b] = x;
                fromIteration[b] = k;
                fromPoint[b] = p;
            }
        }
    }
    const int j = parameterOfCoordinate(para, coordinate);
    for (int b = 0; b < bins; ++b) {
        if (fromIteration.at(b) < 0) continue;
        profile.parameterValue[b] =
            j >= 0 ? parameterRow(result, para, fromIteration.at(b), fromPoint.at(b)).value(j, kNaN)
                   : profile.x.at(b);
    }

    // The outermost bins under the threshold, and the nearest filled bin beyond each.
    int first = -1;
    int last = -1;
    for (int b = 0; b < bins; ++b)
        if (profile.ssr.at(b) <= threshold) {
            if (first < 0) first = b;
            last = b;
        }
    if (first < 0) {
        profile.verdict = parameterProfile::NotIdentified;
        return profile;
    }
    auto crossing = [&](int outside, double xu, double su) {
        const double xa = profile.x.at(outside);
        const double sa = profile.ssr.at(outside);
        return xa + (threshold - sa) * (xu - xa) / (su - sa);
    };
    int below = -1;
    for (int b = first - 1; b >= 0 && below < 0; --b)
        if (fromIteration.at(b) >= 0) below = b;
    int above = -1;
    for (int b = last + 1; b < bins && above < 0; ++b)
        if (fromIteration.at(b) >= 0) above = b;
    // A gap between bins under the threshold separates two pieces only when it holds a
    // filled bin above the threshold and is wider than bridgedBins: sparse sampling leaves
    // single empty or high bins inside one valley.
    profile.pieces = 1;
    int gapStart = -1;
    bool gapFilled = false;
    for (int b = first; b <= last; ++b) {
        if (profile.ssr.at(b) <= threshold) {
            if (gapStart >= 0 && gapFilled && b - gapStart > bridgedBins) ++profile.pieces;
            gapStart = -1;
            gapFilled = false;
            continue;
        }
        if (gapStart < 0) gapStart = b;
        gapFilled = gapFilled || fromIteration.at(b) >= 0;
    }
    profile.boundedBelow = below >= 0;
    profile.boundedAbove = above >= 0;
    profile.intervalLowerX = profile.boundedBelow
                                 ? crossing(below, lowestUnder.at(first), lowestUnderSsr.at(first))
                                 : lower;
    profile.intervalUpperX = profile.boundedAbove
                                 ? crossing(above, highestUnder.at(last), highestUnderSsr.at(last))
                                 : upper;
    const double pa = parameterAt(para, j, profile.intervalLowerX);
    const double pb = parameterAt(para, j, profile.intervalUpperX);
    profile.intervalLower = std::min(pa, pb);
    profile.intervalUpper = std::max(pa, pb);
    if (profile.boundedBelow && profile.boundedAbove)
        profile.verdict =
            profile.pieces > 1 ? parameterProfile::SeparateRanges : parameterProfile::Identified;
    else if (profile.boundedBelow || profile.boundedAbove)
        profile.verdict = parameterProfile::BoundedOnOneSide;
    else
        profile.verdict = parameterProfile::NotIdentified;
    return profile;
}

QVector<QVector<int>> separateGroups(const QVector<QVector<double>>& points, double gap,
                                     double gapFactor) {
    const int N = points.size();
    if (N == 0) return {};
    // Prim's minimal spanning tree on the complete graph of Euclidean distances.
    QVector<double> distance(N, std::numeric_limits<double>::infinity());
    QVector<int> parent(N, -1);
    QVector<char> inTree(N, 0);
    QVector<double> edgeLength;
    edgeLength.reserve(N);
    int current = 0;
    inTree[0] = 1;
    for (int added = 1; added < N; ++added) {
        const double* a = points.at(current).constData();
        const int dims = points.at(current).size();
        int next = -1;
        for (int q = 0; q < N; ++q) {
            if (inTree.at(q)) continue;
            const double* b = points.at(q).constData();
            double d2 = 0;
            for (int i = 0; i < dims; ++i)
                d2 += (a[i] - b[i]) * (a[i] - b[i]);
            if (d2 < distance.at(q)) {
                distance[q] = d2;
                parent[q] = current;
            }
            if (next < 0 || distance.at(q) < distance.at(next)) next = q;
        }
        inTree[next] = 1;
        edgeLength.append(std::sqrt(distance.at(next)));
        current = next;
    }
    double limit = gap;
    if (!edgeLength.isEmpty()) limit = std::max(gap, gapFactor * sampleQuantile(edgeLength, 0.5));

    // Union of the points joined by edges no longer than the limit.
    QVector<int> root(N);
    std::iota(root.begin(), root.end(), 0);
    auto find = [&root](int i) {
        while (root.at(i) != i)
            i = root[i] = root.at(root.at(i));
        return i;
    };
    for (int q = 0; q < N; ++q) {
        if (parent.at(q) < 0) continue;
        if (std::sqrt(distance.at(q)) <= limit) root[find(q)] = find(parent.at(q));
    }
    QVector<QVector<int>> groups;
    QVector<int> groupOfRoot(N, -1);
    for (int q = 0; q < N; ++q) {
        const int r = find(q);
        if (groupOfRoot.at(r) < 0) {
            groupOfRoot[r] = groups.size();
            groups.append(QVector<int>());
        }
        groups[groupOfRoot.at(r)].append(q);
    }
    return groups;
}

QVector<identifiedCombination> identifiedCombinations(const QVector<QVector<double>>& acceptedX,
                                                      const QVector<double>& lower,
                                                      const QVector<double>& upper,
                                                      double spreadLimit, const parameters& para) {
    const int N = acceptedX.size();
    const int n = lower.size();
    if (N <= 2 * n || n < 2) return {};
    QVector<double> mean(n, 0.0);
    for (const QVector<double>& x : acceptedX)
        for (int i = 0; i < n; ++i)
            mean[i] += x.at(i) / N;
    ublas::matrix<double> covariance(n, n, 0.0);
    for (const QVector<double>& x : acceptedX)
        for (int i = 0; i < n; ++i)
            for (int l = 0; l <= i; ++l)
                covariance(i, l) += (x.at(i) - mean.at(i)) * (x.at(l) - mean.at(l)) / (N - 1);
    double scale = 0;
    for (int i = 0; i < n; ++i) {
        for (int l = 0; l < i; ++l)
            covariance(l, i) = covariance(i, l);
        scale = std::max(scale, covariance(i, i));
    }
    // All accepted points equal: every coordinate is determined on its own.
    if (!(scale > 0) || !std::isfinite(scale)) return {};
    // The solver's stopping test is absolute; scaled entries make it relative.
    const QVector<ublas::matrix<double>> decomposition = eigenDecomposition(covariance / scale);
    if (decomposition.size() != 2) return {};
    const ublas::matrix<double>& V = decomposition.at(1);

    QVector<double> width(n);
    QVector<double> ownRange(n);
    QVector<double> column(N);
    for (int i = 0; i < n; ++i) {
        width[i] = upper.at(i) - lower.at(i);
        for (int p = 0; p < N; ++p)
            column[p] = acceptedX.at(p).at(i);
        ownRange[i] = (sampleQuantile(column, 0.95) - sampleQuantile(column, 0.05)) / width.at(i);
    }
    // The relative 5-95 % spread of w.x over the accepted points; fills `sums`.
    QVector<double> sums(N);
    auto relativeSpread = [&](const QVector<double>& w) {
        double extent = 0;
        for (int i = 0; i < n; ++i)
            extent += std::fabs(w.at(i)) * width.at(i);
        for (int p = 0; p < N; ++p) {
            double s = 0;
            for (int i = 0; i < n; ++i)
                s += w.at(i) * acceptedX.at(p).at(i);
            sums[p] = s;
        }
        return (sampleQuantile(sums, 0.95) - sampleQuantile(sums, 0.05)) / extent;
    };

    QVector<identifiedCombination> out;
    // Adds the combination of weights w with its value, spread and readable text.
    auto append = [&](const QVector<double>& w) {
        identifiedCombination combination;
        combination.weights = w;
        combination.relativeSpread = relativeSpread(w);
        combination.value = sampleQuantile(sums, 0.5);

        bool allLog10 = true;
        bool allIdentity = true;
        for (int i = 0; i < n; ++i) {
            if (w.at(i) == 0) continue;
            const transform t = transformOf(para, parameterOfCoordinate(para, i));
            allLog10 = allLog10 && t == transform::Log10;
            allIdentity = allIdentity && t == transform::Identity;
        }
        QStringList terms;
        for (int i = 0; i < n; ++i) {
            if (w.at(i) == 0) continue;
            if (allLog10) {
                terms << coordinateName(para, i) + "^" + formatNumber(w.at(i));
                continue;
            }
            const QString name = allIdentity              ? coordinateName(para, i)
                                 : i < para.xNames.size() ? para.xNames.at(i)
                                                          : QString("x%1").arg(i + 1);
            const double a = std::fabs(w.at(i));
            const QString term = (a == 1 ? QString() : formatNumber(a) + "*") + name;
            if (terms.isEmpty())
                terms << (w.at(i) < 0 ? "-" + term : term);
            else
                terms << (w.at(i) < 0 ? "- " : "+ ") + term;
        }
        const double shown = allLog10 ? std::pow(10.0, combination.value) : combination.value;
        combination.text = terms.join(allLog10 ? " * " : " ") + " = " + formatNumber(shown);
        out.append(combination);
    };
    for (int e = 0; e < n; ++e) {
        QVector<double> w(n);
        int largest = 0;
        for (int i = 0; i < n; ++i) {
            w[i] = V(e, i);
            if (std::fabs(w.at(i)) > std::fabs(w.at(largest))) largest = i;
        }
        if (!(relativeSpread(w) <= spreadLimit)) continue;
        const double pivot = w.at(largest);
        QVector<double> zeroed(n);
        int undetermined = 0;
        for (int i = 0; i < n; ++i) {
            w[i] /= pivot;
            zeroed[i] = std::fabs(w.at(i)) < 0.1 ? 0.0 : w.at(i);
            if (zeroed.at(i) != 0 && ownRange.at(i) > spreadLimit) ++undetermined;
        }
        if (undetermined < 2) continue;
        // Readable exponents: small weights set to 0, the weights rounded to halves (else
        // quarters), then the smallest terms dropped one at a time, each step taken only
        // when the combination stays within spreadLimit and still weighs two coordinates
        // that are not determined alone.
        auto acceptable = [&](const QVector<double>& v) {
            int open = 0;
            for (int i = 0; i < n; ++i)
                if (v.at(i) != 0 && ownRange.at(i) > spreadLimit) ++open;
            return open >= 2 && relativeSpread(v) <= spreadLimit;
        };
        if (acceptable(zeroed)) w = zeroed;
        for (double step : {0.5, 0.25}) {
            QVector<double> rounded(n);
            for (int i = 0; i < n; ++i)
                rounded[i] = std::round(w.at(i) / step) * step;
            if (acceptable(rounded)) {
                w = rounded;
                break;
            }
        }
        for (bool dropped = true; dropped;) {
            int smallest = -1;
            for (int i = 0; i < n; ++i)
                if (w.at(i) != 0 &&
                    (smallest < 0 || std::fabs(w.at(i)) < std::fabs(w.at(smallest))))
                    smallest = i;
            QVector<double> fewer = w;
            fewer[smallest] = 0;
            dropped = acceptable(fewer);
            if (dropped) w = fewer;
        }
        largest = 0;
        for (int i = 0; i < n; ++i)
            if (std::fabs(w.at(i)) > std::fabs(w.at(largest))) largest = i;
        const double sign = w.at(largest) / std::fabs(w.at(largest));
        const double magnitude = std::fabs(w.at(largest));
        for (int i = 0; i < n; ++i)
            w[i] = w.at(i) * sign / magnitude;
        // Two eigen directions can simplify to the same combination.
        if (std::any_of(out.begin(), out.end(),
                        [&](const identifiedCombination& c) { return c.weights == w; }))
            continue;
        append(w);
    }
    // The ratio or product of two coordinates that are not determined alone, when it is
    // itself determined: the readable statement a modeller looks for ("CLint^1 * KpLI^-1"),
    // which an eigen direction mixing in further coordinates can hide. When both the ratio
    // and the product are, the two are about as well determined alone, and neither is shown.
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            if (!(ownRange.at(i) > spreadLimit && ownRange.at(j) > spreadLimit)) continue;
            QVector<QVector<double>> determined;
            for (double sign : {-1.0, 1.0}) {
                QVector<double> w(n, 0.0);
                w[i] = 1;
                w[j] = sign;
                if (relativeSpread(w) <= spreadLimit) determined.append(w);
            }
            if (determined.size() != 1) continue;
            const QVector<double>& w = determined.first();
            if (std::none_of(out.begin(), out.end(),
                             [&](const identifiedCombination& c) { return c.weights == w; }))
                append(w);
        }
    return out;
}

QVector<identifiedCombination> identifiedSums(const QVector<QVector<double>>& acceptedParameters,
                                              const QVector<int>& coordinateOfParameter,
                                              int coordinates, double spreadLimit,
                                              const parameters& para) {
    QVector<identifiedCombination> out;
    const int count = coordinateOfParameter.size();
    // Relative 5-95 % range of the finite values; NaN when there are too few of them.
    auto relativeRange = [](const QVector<double>& v) {
        int finite = 0;
        for (double x : v)
            finite += std::isfinite(x) ? 1 : 0;
        const double median = sampleQuantile(v, 0.5);
        if (finite < 3 || !(std::fabs(median) > 0)) return kNaN;
        return (sampleQuantile(v, 0.95) - sampleQuantile(v, 0.05)) / std::fabs(median);
    };
    QVector<double> a, b, sum;
    for (int i = 0; i < count; ++i) {
        if (coordinateOfParameter.at(i) < 0) continue;
        for (int j = i + 1; j < count; ++j) {
            if (coordinateOfParameter.at(j) < 0) continue;
            a.clear(), b.clear(), sum.clear();
            for (const QVector<double>& row : acceptedParameters) {
                const double pi = row.value(i, kNaN);
                const double pj = row.value(j, kNaN);
                if (!std::isfinite(pi) || !std::isfinite(pj)) continue;
                a << pi, b << pj, sum << pi + pj;
            }
            const double spread = relativeRange(sum);
            if (!(spread <= spreadLimit && relativeRange(a) > spreadLimit &&
                  relativeRange(b) > spreadLimit))
                continue;
            identifiedCombination combination;
            combination.sumOfParameters = true;
            combination.weights.fill(0.0, coordinates);
            combination.weights[coordinateOfParameter.at(i)] = 1;
            combination.weights[coordinateOfParameter.at(j)] = 1;
            combination.value = sampleQuantile(sum, 0.5);
            combination.relativeSpread = spread;
            combination.text = para.parameterNames.value(i) + " + " + para.parameterNames.value(j) +
                               " = " + formatNumber(combination.value);
            out.append(combination);
        }
    }
    return out;
}

namespace {

// Ranks 0 .. N-1 of the values (ties in the order met).
QVector<double> ranks(const QVector<double>& v) {
    QVector<int> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return v.at(a) < v.at(b); });
    QVector<double> rank(v.size());
    for (int r = 0; r < order.size(); ++r)
        rank[order.at(r)] = r;
    return rank;
}

// Pearson correlation of a and b (same length, at least 2 values); NaN without variation.
double correlation(const QVector<double>& a, const QVector<double>& b) {
    const int N = a.size();
    double ma = 0, mb = 0;
    for (int p = 0; p < N; ++p)
        ma += a.at(p) / N, mb += b.at(p) / N;
    double ab = 0, aa = 0, bb = 0;
    for (int p = 0; p < N; ++p) {
        ab += (a.at(p) - ma) * (b.at(p) - mb);
        aa += (a.at(p) - ma) * (a.at(p) - ma);
        bb += (b.at(p) - mb) * (b.at(p) - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : kNaN;
}

// The x coordinates a combination weighs.
QVector<int> termsOf(const identifiedCombination& c) {
    QVector<int> terms;
    for (int i = 0; i < c.weights.size(); ++i)
        if (c.weights.at(i) != 0) terms.append(i);
    return terms;
}

// The combinations of one family a modeller can read: pairs first (a sum, a trade-off or a
// two-term product), one per pair of parameters; then a longer combination only when its
// terms are not already tied to one another by the pairs. The points of a curved valley
// hold many directions of small spread; once the parameters along it are tied pair by pair,
// a longer product over them says nothing more.
QVector<identifiedCombination> readableCombinations(QVector<identifiedCombination> found,
                                                    int coordinates) {
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return termsOf(a).size() < termsOf(b).size();
    });
    QVector<int> root(coordinates);
    std::iota(root.begin(), root.end(), 0);
    auto find = [&root](int i) {
        while (root.at(i) != i)
            i = root[i] = root.at(root.at(i));
        return i;
    };
    QVector<identifiedCombination> out;
    for (const identifiedCombination& c : found) {
        const QVector<int> terms = termsOf(c);
        if (terms.size() == 2) {
            auto same = std::find_if(out.begin(), out.end(),
                                     [&](const auto& o) { return termsOf(o) == terms; });
            if (same == out.end()) {
                root[find(terms.at(0))] = find(terms.at(1));
                out.append(c);
            } else if (!same->sumOfParameters && !same->tradeOff &&
                       (c.sumOfParameters || c.relativeSpread < same->relativeSpread)) {
                // A sum, or a tighter product of the same pair, replaces a product.
                *same = c;
            }
            continue;
        }
        const bool tied = std::all_of(terms.begin(), terms.end(),
                                      [&](int i) { return find(i) == find(terms.first()); });
        if (!tied) out.append(c);
    }
    return out;
}

} // namespace

QVector<identifiedCombination>
identifiedTradeOffs(const QVector<QVector<double>>& acceptedX,
                    const QVector<QVector<double>>& acceptedParameters,
                    const QVector<int>& coordinateOfParameter, const QVector<double>& lower,
                    const QVector<double>& upper, double spreadLimit, double minimumCorrelation,
                    const parameters& para) {
    QVector<identifiedCombination> out;
    const int N = std::min(acceptedX.size(), acceptedParameters.size());
    const int n = lower.size();
    if (N < 5) return out;
    QVector<QVector<double>> rankOf(coordinateOfParameter.size());
    QVector<double> column(N);
    for (int j = 0; j < coordinateOfParameter.size(); ++j) {
        const int c = coordinateOfParameter.at(j);
        if (c < 0 || c >= n) continue;
        for (int p = 0; p < N; ++p)
            column[p] = acceptedX.at(p).value(c, kNaN);
        const double range = sampleQuantile(column, 0.95) - sampleQuantile(column, 0.05);
        if (range > spreadLimit * (upper.at(c) - lower.at(c))) rankOf[j] = ranks(column);
    }
    // The 5-95 % range of parameter j as "low .. high", or "high .. low".
    auto range = [&](int j, bool falling) {
        for (int p = 0; p < N; ++p)
            column[p] = acceptedParameters.at(p).value(j, kNaN);
        const double low = sampleQuantile(column, 0.05), high = sampleQuantile(column, 0.95);
        return formatNumber(falling ? high : low) + " .. " + formatNumber(falling ? low : high);
    };
    for (int i = 0; i < rankOf.size(); ++i)
        for (int j = i + 1; j < rankOf.size(); ++j) {
            if (rankOf.at(i).isEmpty() || rankOf.at(j).isEmpty()) continue;
            const double r = correlation(rankOf.at(i), rankOf.at(j));
            if (!(r <= -minimumCorrelation)) continue;
            identifiedCombination c;
            c.tradeOff = true;
            c.weights.fill(0.0, n);
            c.weights[coordinateOfParameter.at(i)] = 1;
            c.weights[coordinateOfParameter.at(j)] = 1;
            c.value = r;
            c.text = para.parameterNames.value(i) + " and " + para.parameterNames.value(j) +
                     " trade off: " + range(i, false) + " against " + range(j, true);
            out.append(c);
        }
    return out;
}

identifiabilityResult analyseIdentifiability(const compResult& result, const parameters& para,
                                             const identifiabilityOptions& options) {
    identifiabilityResult out;
    const int k = options.iteration < 0 ? lastAnalysableIteration(result) : options.iteration;
    if (k < 0) {
        out.problem = "No iteration has a finite SSR.";
        return out;
    }
    if (k >= result.R.size() || k >= result.X.size()) {
        out.problem = QString("Iteration %1 is not in the result.").arg(k);
        return out;
    }
    const QVector<double>& ssr = result.R.at(k);
    const QVector<QVector<double>>& X = result.X.at(k);
    int n = 0;
    for (const QVector<double>& row : X)
        n = std::max(n, int(row.size()));
    int m = options.observations;
    if (m < 0 && k < result.Y.size())
        for (const QVector<double>& row : result.Y.at(k))
            m = std::max(m, int(row.size()));

    out.iteration = k;
    out.parameterNames = para.parameterNames;
    for (int c = 0; c < n; ++c)
        out.xNames << (c < para.xNames.size() ? para.xNames.at(c) : QString("x%1").arg(c + 1));
    out.threshold = chooseAcceptanceThreshold(ssr, m, n, options.level, options.percentile,
                                              options.preferPercentile);
    // Points without a complete x row cannot be placed and are never accepted.
    for (int p : acceptedPoints(ssr, out.threshold))
        if (p < X.size() && finiteRow(X.at(p), n)) out.accepted.append(p);

    QVector<double> lower = options.xLower;
    QVector<double> upper = options.xUpper;
    if (lower.size() != n || upper.size() != n) {
        const QVector<QVector<double>> domain = domainOfInterestX(para, result, n);
        lower = domain.at(0);
        upper = domain.at(1);
    }
    for (int c = 0; c < n; ++c)
        out.profiles.append(profileFromCluster(result, para, c, lower.at(c), upper.at(c),
                                               options.bins, out.threshold.value));

    // Accepted points: their x, their parameters, the best of them.
    QVector<QVector<double>> acceptedX;
    QVector<QVector<double>> acceptedParameters;
    int best = -1;
    for (int p : out.accepted) {
        acceptedX.append(X.at(p).mid(0, n));
        acceptedParameters.append(parameterRow(result, para, k, p));
        if (best < 0 || ssr.at(p) < ssr.at(out.accepted.at(best))) best = acceptedX.size() - 1;
    }

    const int parameterCount = para.parameterNames.size();
    QVector<double> values(acceptedX.size());
    for (int j = 0; j < parameterCount; ++j) {
        parameterSummary line;
        line.name = para.parameterNames.at(j);
        const int c = j < para.xIndex.size() ? para.xIndex.at(j) - 1 : -1;
        line.coordinate = c < n ? c : -1;
        if (j < para.paraSpec.size()) {
            line.domainLower = para.paraSpec.at(j).value(0, kNaN);
            line.domainUpper = para.paraSpec.at(j).value(1, kNaN);
        }
        for (int a = 0; a < acceptedParameters.size(); ++a)
            values[a] = acceptedParameters.at(a).value(j, kNaN);
        if (best >= 0) line.best = values.at(best);
        line.median = sampleQuantile(values, 0.5);
        line.low = sampleQuantile(values, 0.05);
        line.high = sampleQuantile(values, 0.95);
        if (line.coordinate < 0) {
            line.verdict = parameterProfile::Fixed;
            line.relativeRange = 0;
        } else {
            for (int a = 0; a < acceptedX.size(); ++a)
                values[a] = acceptedX.at(a).at(line.coordinate);
            line.relativeRange = (sampleQuantile(values, 0.95) - sampleQuantile(values, 0.05)) /
                                 (upper.at(line.coordinate) - lower.at(line.coordinate));
            const parameterProfile& profile = out.profiles.at(line.coordinate);
            line.verdict = profile.verdict;
            line.intervalLower = profile.intervalLower;
            line.intervalUpper = profile.intervalUpper;
            line.pieces = profile.pieces;
        }
        out.summary.append(line);
    }

    // Each coordinate in units of its domain width, or of the accepted points' extent where
    // that is wider: a valley that runs past a narrow domain of interest is still one family,
    // not cut by the sampling gaps along its length.
    QVector<QVector<double>> scaled = acceptedX;
    for (int c = 0; c < n; ++c) {
        double low = lower.at(c), high = upper.at(c);
        for (const QVector<double>& row : acceptedX)
            low = std::min(low, row.at(c)), high = std::max(high, row.at(c));
        const double unit = std::max(upper.at(c) - lower.at(c), high - low);
        for (QVector<double>& row : scaled)
            row[c] = (row.at(c) - lower.at(c)) / unit;
    }
    QVector<QVector<int>> groups =
        separateGroups(scaled, options.familyGap, options.familyGapFactor);
    const int minimumSize =
        std::max(options.familyMinimumSize,
                 int(std::ceil(options.familyMinimumFraction * acceptedX.size())));
    int largest = 0;
    for (int g = 1; g < groups.size(); ++g)
        if (groups.at(g).size() > groups.at(largest).size()) largest = g;
    for (int g = 0; g < groups.size(); ++g) {
        const QVector<int>& group = groups.at(g);
        if (g != largest && group.size() < minimumSize) {
            for (int a : group)
                out.isolatedPoints.append(out.accepted.at(a));
            continue;
        }
        fitFamily family;
        for (int a : group) {
            const int p = out.accepted.at(a);
            family.points.append(p);
            if (family.bestPoint < 0 || ssr.at(p) < family.bestSsr) {
                family.bestPoint = p;
                family.bestSsr = ssr.at(p);
            }
        }
        QVector<double> column(group.size());
        for (int j = 0; j < parameterCount; ++j) {
            for (int r = 0; r < group.size(); ++r)
                column[r] = acceptedParameters.at(group.at(r)).value(j, kNaN);
            family.medianParameters.append(sampleQuantile(column, 0.5));
        }
        out.families.append(family);
    }
    std::sort(out.isolatedPoints.begin(), out.isolatedPoints.end());
    std::stable_sort(out.families.begin(), out.families.end(),
                     [](const fitFamily& a, const fitFamily& b) { return a.bestSsr < b.bestSsr; });

    // Combinations within each family: a line joining two families, or a straggler off the
    // family's valley, is nothing the data determine.
    QVector<int> coordinateOfParameter;
    for (const parameterSummary& line : out.summary)
        coordinateOfParameter.append(line.coordinate);
    QVector<int> rowOfPoint(X.size(), -1);
    for (int a = 0; a < out.accepted.size(); ++a)
        rowOfPoint[out.accepted.at(a)] = a;
    for (int f = 0; f < out.families.size(); ++f) {
        QVector<QVector<double>> familyX;
        QVector<QVector<double>> familyParameters;
        for (int p : out.families.at(f).points) {
            familyX.append(acceptedX.at(rowOfPoint.at(p)));
            familyParameters.append(acceptedParameters.at(rowOfPoint.at(p)));
        }
        QVector<identifiedCombination> found =
            identifiedCombinations(familyX, lower, upper, options.spreadLimit, para);
        // A sum of two plain (untransformed) coordinates is already an eigen direction. An
        // eigen direction of the same two log coordinates is the sum's curve seen bent, and
        // only a local stretch of it: readableCombinations keeps the sum.
        for (const identifiedCombination& sum : identifiedSums(
                 familyParameters, coordinateOfParameter, n, options.sumSpreadLimit, para)) {
            const bool known = std::any_of(found.begin(), found.end(), [&](const auto& c) {
                for (int i = 0; i < n; ++i)
                    if (std::fabs(c.weights.at(i) - sum.weights.at(i)) > 0.05) return false;
                return true;
            });
            if (!known) found.append(sum);
        }
        found += identifiedTradeOffs(familyX, familyParameters, coordinateOfParameter, lower, upper,
                                     options.spreadLimit, options.tradeOffCorrelation, para);
        for (identifiedCombination c : readableCombinations(found, n)) {
            c.family = out.families.size() > 1 ? f + 1 : 0;
            out.combinations.append(c);
        }
    }
    return out;
}
