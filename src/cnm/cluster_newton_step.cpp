// The Cluster Newton step. Each local fit minimises sum_k (w_k ((x_k - x_i) a - (y_k - y_i)))^2
// for the m observations at once: the weighted normal matrix (n x n) and the n x m right-hand
// sides are accumulated in one pass over the cluster, and conjugate gradients run on them
// column by column with the same recurrence, iteration cap and exact-zero stopping tests as
// the row-by-row solver. Points are handled in chunks by the calling thread and helpers from
// the global thread pool; each chunk owns its scratch memory, so nothing is allocated per
// point.
#include "cnm/cluster_newton_step.h"

#include "cnm/pool_work.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Per-point random numbers for the perturbed targets (splitmix64), uniform on [0, 1).
class point_random {
public:
    point_random(std::uint64_t seed, int point)
        : state(seed ^ (0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(point) + 1))) {}

    double uniform() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state;
};

// The cluster in flat row-major storage, and what every point's solve reads.
struct step_problem {
    int N = 0;
    int n = 0;
    int m = 0;
    std::vector<double> X;        // N x n
    std::vector<double> Y;        // N x m
    std::vector<char> usable;     // N
    std::vector<double> lambda;   // N
    std::vector<double> invRange; // n
    std::vector<double> Yobs;     // m
    double noise = 0.0;
    bool stage1 = true;
    std::uint64_t seed = 0;
    // Global fit: slopes A0 (m x n), intercepts c0 (m) and the undamped A0^T A0 (n x n).
    std::vector<double> A0;
    std::vector<double> c0;
    std::vector<double> M0;
    std::vector<double> step; // N x n
    // Stage 1 (all weights 1): the usable points' moments about their mean, from which every
    // point's normal equations follow in O(n (n + m)). centre = [mean x | mean y] (wp),
    // sums = [sum of x - mean x | sum of y - mean y] (wp, zero up to rounding), moments =
    // [upper triangle of sum dx dx^T | sum dx dy^T] (n x wp), count = number of usable points.
    std::vector<double> centre;
    std::vector<double> sums;
    std::vector<double> moments;
    double count = 0.0;
};

// Rows of the n x m blocks are padded to a multiple of four doubles, so that the inner loops
// run in whole groups of four, which the compiler turns into vector instructions.
inline int padded(int count) {
    return (count + 3) & ~3;
}

// y[0 .. len) += a * x[0 .. len), len a multiple of four.
inline void addScaled(double* __restrict y, double a, const double* __restrict x, int len) {
    for (int b = 0; b < len; b += 4) {
        y[b] += a * x[b];
        y[b + 1] += a * x[b + 1];
        y[b + 2] += a * x[b + 2];
        y[b + 3] += a * x[b + 3];
    }
}

// y[0 .. len) += a1 * x1[0 .. len) + a2 * x2[0 .. len), len a multiple of four.
inline void addScaled2(double* __restrict y, double a1, const double* __restrict x1, double a2,
                       const double* __restrict x2, int len) {
    for (int b = 0; b < len; b += 4) {
        y[b] += a1 * x1[b] + a2 * x2[b];
        y[b + 1] += a1 * x1[b + 1] + a2 * x2[b + 1];
        y[b + 2] += a1 * x1[b + 2] + a2 * x2[b + 2];
        y[b + 3] += a1 * x1[b + 3] + a2 * x2[b + 3];
    }
}

// Scratch memory of one worker chunk, for systems of n unknowns and m right-hand sides.
struct step_workspace {
    int n;
    int mp;                      // m padded
    int wp;                      // n + m padded
    std::vector<double> C;       // n x wp: upper triangle of the normal matrix | right-hand sides
    std::vector<double> G;       // n x n, full symmetric normal matrix
    std::vector<double> B;       // n x mp right-hand sides
    std::vector<double> sol;     // n x mp solutions
    std::vector<double> R, P, Q; // n x mp
    std::vector<double> rr, d, alpha, beta; // mp
    std::vector<char> active;               // mp
    std::vector<double> v;                  // 2 x wp: two scaled rows [z | t | 0 ...]
    std::vector<double> M;                  // n x n damped matrix
    std::vector<double> r, p, Mp, rhs;      // n
    std::vector<double> res;                // m

    step_workspace(int n_, int m)
        : n(n_), mp(padded(m)), wp(padded(n_ + m)), C(std::size_t(n) * wp), G(std::size_t(n) * n),
          B(std::size_t(n) * mp), sol(B.size()), R(B.size()), P(B.size()), Q(B.size()), rr(mp),
          d(mp), alpha(mp), beta(mp), active(mp), v(2 * std::size_t(wp)), M(std::size_t(n) * n),
          r(n), p(n), Mp(n), rhs(n), res(m) {}
};

// Conjugate gradients on G S = B for the m columns of B (G: n x n; B and S: n x mp, padded
// columns zero), from S = 0, at most maxIter iterations. A column stops when its step
// denominator p^T G p or its new residual norm is exactly zero, as in the single right-hand
// side solver; a stopped column keeps step length zero (all its entries are finite then).
void solveNormalColumns(const double* G, const double* B, int n, int m, int maxIter, double* S,
                        step_workspace& ws) {
    const int mp = ws.mp;
    const std::size_t size = std::size_t(n) * mp;
    double* R = ws.R.data();
    double* P = ws.P.data();
    double* Q = ws.Q.data();
    double* rr = ws.rr.data();
    double* d = ws.d.data();
    double* alpha = ws.alpha.data();
    double* beta = ws.beta.data();
    std::fill(S, S + size, 0.0);
    std::copy(B, B + size, R);
    std::copy(B, B + size, P);
    std::fill(rr, rr + mp, 0.0);
    for (int a = 0; a < n; ++a) {
        const double* ra = R + std::size_t(a) * mp;
        for (int j = 0; j < mp; ++j)
            rr[j] += ra[j] * ra[j];
    }
    int activeCount = m;
    for (int j = 0; j < mp; ++j)
        ws.active[j] = j < m;
    for (int it = 1; it <= maxIter && activeCount > 0; ++it) {
        std::fill(Q, Q + size, 0.0);
        for (int a = 0; a < n; ++a) {
            double* qa = Q + std::size_t(a) * mp;
            const double* ga = G + std::size_t(a) * n;
            int b = 0;
            for (; b + 1 < n; b += 2)
                addScaled2(qa, ga[b], P + std::size_t(b) * mp, ga[b + 1],
                           P + std::size_t(b + 1) * mp, mp);
            if (b < n) addScaled(qa, ga[b], P + std::size_t(b) * mp, mp);
        }
        std::fill(d, d + mp, 0.0);
        for (int a = 0; a < n; ++a) {
            const double* pa = P + std::size_t(a) * mp;
            const double* qa = Q + std::size_t(a) * mp;
            for (int j = 0; j < mp; ++j)
                d[j] += pa[j] * qa[j];
        }
        for (int j = 0; j < mp; ++j) {
            if (ws.active[j] && d[j] == 0.0) {
                ws.active[j] = 0;
                --activeCount;
            }
            alpha[j] = ws.active[j] ? rr[j] / d[j] : 0.0;
        }
        std::fill(d, d + mp, 0.0); // now the new residual norms
        for (int a = 0; a < n; ++a) {
            double* sa = S + std::size_t(a) * mp;
            double* ra = R + std::size_t(a) * mp;
            const double* pa = P + std::size_t(a) * mp;
            const double* qa = Q + std::size_t(a) * mp;
            for (int j = 0; j < mp; ++j) {
                sa[j] += alpha[j] * pa[j];
                ra[j] -= alpha[j] * qa[j];
                d[j] += ra[j] * ra[j];
            }
        }
        for (int j = 0; j < mp; ++j) {
            beta[j] = 0.0;
            if (!ws.active[j]) continue;
            if (d[j] == 0.0) {
                ws.active[j] = 0;
                --activeCount;
                continue;
            }
            beta[j] = d[j] / rr[j];
            rr[j] = d[j];
        }
        for (int a = 0; a < n; ++a) {
            const double* ra = R + std::size_t(a) * mp;
            double* pa = P + std::size_t(a) * mp;
            for (int j = 0; j < mp; ++j)
                pa[j] = ra[j] + beta[j] * pa[j];
        }
    }
}

// Solves (M0 with damped diagonal) x = rhs by conjugate gradients, at most maxIter iterations:
// a diagonal entry above 1 is multiplied by (1 + lambda), any other gets lambda added.
void solveDamped(const double* M0, const double* rhs, int n, double lambda, int maxIter, double* x,
                 step_workspace& ws) {
    double* M = ws.M.data();
    std::copy(M0, M0 + std::size_t(n) * n, M);
    for (int a = 0; a < n; ++a) {
        double& diag = M[a * n + a];
        if (diag > 1.0) {
            diag *= 1.0 + lambda;
        } else {
            diag += lambda;
        }
    }
    double* r = ws.r.data();
    double* p = ws.p.data();
    double* Mp = ws.Mp.data();
    double rr = 0.0;
    for (int a = 0; a < n; ++a) {
        x[a] = 0.0;
        r[a] = rhs[a];
        p[a] = rhs[a];
        rr += r[a] * r[a];
    }
    for (int it = 1; it <= maxIter; ++it) {
        double d = 0.0;
        for (int a = 0; a < n; ++a) {
            const double* row = M + std::size_t(a) * n;
            double s = 0.0;
            for (int b = 0; b < n; ++b)
                s += row[b] * p[b];
            Mp[a] = s;
            d += p[a] * s;
        }
        if (d == 0.0) break;
        const double alpha = rr / d;
        double rrNew = 0.0;
        for (int a = 0; a < n; ++a) {
            x[a] += alpha * p[a];
            r[a] -= alpha * Mp[a];
            rrNew += r[a] * r[a];
        }
        const double beta = rrNew / rr;
        if (rrNew == 0.0) break;
        rr = rrNew;
        for (int a = 0; a < n; ++a)
            p[a] = r[a] + beta * p[a];
    }
}

// Adds the scaled row v = [z | t | 0 ...] (z: n entries) to C = [upper triangle of G | B]:
// row a of C from column a (rounded down to a group of four) to the padded end.
inline void accumulateRow(double* C, const double* v, int n, int wp) {
    for (int a = 0; a < n; ++a) {
        const double za = v[a];
        if (za == 0.0) continue;
        const int from = a & ~3;
        addScaled(C + std::size_t(a) * wp + from, za, v + from, wp - from);
    }
}

// The same for two rows v1 and v2 at once (half the passes over C).
inline void accumulateRows(double* C, const double* v1, const double* v2, int n, int wp) {
    for (int a = 0; a < n; ++a) {
        const double z1 = v1[a];
        const double z2 = v2[a];
        if (z1 == 0.0 && z2 == 0.0) continue;
        const int from = a & ~3;
        addScaled2(C + std::size_t(a) * wp + from, z1, v1 + from, z2, v2 + from, wp - from);
    }
}

// Splits C into the full symmetric G (n x n) and B (n x mp).
void splitNormal(const double* C, int n, int m, int wp, int mp, double* G, double* B) {
    for (int a = 0; a < n; ++a) {
        const double* row = C + std::size_t(a) * wp;
        for (int b = a; b < n; ++b) {
            G[a * n + b] = row[b];
            G[b * n + a] = row[b];
        }
        double* brow = B + std::size_t(a) * mp;
        std::copy(row + n, row + n + m, brow);
        std::fill(brow + m, brow + mp, 0.0);
    }
}

// The global fit with intercept over the alive points: slopes, intercepts, A0^T A0. An alive
// point with an infinite observation is left out too: one such row would turn every slope
// into NaN and with it the step of every unusable point.
void globalFit(step_problem& pb, const QVector<bool>& alive) {
    const int n1 = pb.n + 1;
    const int m = pb.m;
    step_workspace ws(n1, m);
    std::fill(ws.C.begin(), ws.C.end(), 0.0);
    for (int k = 0; k < pb.N; ++k) {
        if (k >= alive.size() || !alive[k] || !pb.usable[k]) continue;
        std::copy(&pb.X[std::size_t(k) * pb.n], &pb.X[std::size_t(k) * pb.n] + pb.n, ws.v.begin());
        ws.v[pb.n] = 1.0;
        std::copy(&pb.Y[std::size_t(k) * m], &pb.Y[std::size_t(k) * m] + m, ws.v.begin() + n1);
        accumulateRow(ws.C.data(), ws.v.data(), n1, ws.wp);
    }
    splitNormal(ws.C.data(), n1, m, ws.wp, ws.mp, ws.G.data(), ws.B.data());
    solveNormalColumns(ws.G.data(), ws.B.data(), n1, m, n1, ws.sol.data(), ws);

    pb.A0.assign(std::size_t(m) * pb.n, 0.0);
    pb.c0.assign(m, 0.0);
    for (int j = 0; j < m; ++j) {
        for (int a = 0; a < pb.n; ++a)
            pb.A0[std::size_t(j) * pb.n + a] = ws.sol[std::size_t(a) * ws.mp + j];
        pb.c0[j] = ws.sol[std::size_t(pb.n) * ws.mp + j];
    }
    pb.M0.assign(std::size_t(pb.n) * pb.n, 0.0);
    for (int j = 0; j < m; ++j) {
        const double* row = &pb.A0[std::size_t(j) * pb.n];
        for (int a = 0; a < pb.n; ++a)
            for (int b = 0; b < pb.n; ++b)
                pb.M0[a * pb.n + b] += row[a] * row[b];
    }
}

// Step of an unusable point: the global model aimed at a random target near Y_obs.
void globalStep(step_problem& pb, int i, step_workspace& ws) {
    const int n = pb.n;
    const int m = pb.m;
    point_random random(pb.seed, i);
    const double* xi = &pb.X[std::size_t(i) * n];
    for (int j = 0; j < m; ++j) {
        const double u = random.uniform();
        const double target = pb.Yobs[j] * (1.0 + 2.0 * (u - 0.5) * pb.noise);
        const double* a0 = &pb.A0[std::size_t(j) * n];
        double model = 0.0;
        for (int a = 0; a < n; ++a)
            model += a0[a] * xi[a];
        ws.res[j] = target - (model + pb.c0[j]);
    }
    double* rhs = ws.rhs.data(); // A0^T r
    for (int a = 0; a < n; ++a)
        rhs[a] = 0.0;
    for (int j = 0; j < m; ++j) {
        const double* a0 = &pb.A0[std::size_t(j) * n];
        for (int a = 0; a < n; ++a)
            rhs[a] += a0[a] * ws.res[j];
    }
    solveDamped(pb.M0.data(), rhs, n, pb.lambda[i], m, &pb.step[std::size_t(i) * n], ws);
}

// The moments of the usable points for stage 1.
void stage1Moments(step_problem& pb) {
    const int n = pb.n;
    const int m = pb.m;
    const int wp = padded(n + m);
    pb.centre.assign(wp, 0.0);
    pb.sums.assign(wp, 0.0);
    pb.moments.assign(std::size_t(n) * wp, 0.0);
    pb.count = 0.0;
    for (int k = 0; k < pb.N; ++k) {
        if (!pb.usable[k]) continue;
        pb.count += 1.0;
        for (int a = 0; a < n; ++a)
            pb.centre[a] += pb.X[std::size_t(k) * n + a];
        for (int j = 0; j < m; ++j)
            pb.centre[n + j] += pb.Y[std::size_t(k) * m + j];
    }
    if (pb.count == 0.0) return;
    for (double& c : pb.centre)
        c /= pb.count;
    std::vector<double> v(wp, 0.0);
    for (int k = 0; k < pb.N; ++k) {
        if (!pb.usable[k]) continue;
        for (int a = 0; a < n; ++a)
            v[a] = pb.X[std::size_t(k) * n + a] - pb.centre[a];
        for (int j = 0; j < m; ++j)
            v[n + j] = pb.Y[std::size_t(k) * m + j] - pb.centre[n + j];
        for (int b = 0; b < n + m; ++b)
            pb.sums[b] += v[b];
        accumulateRow(pb.moments.data(), v.data(), n, wp);
    }
}

// Stage 1 normal equations of point i from the moments: with dx_i, dy_i the point's offsets
// from the mean, sum_k (dx_k - dx_i)(dx_k - dx_i, dy_k - dy_i)^T
//   = moments + (count dx_i - sums_x) (dx_i, dy_i)^T - dx_i (sums_x, sums_y)^T.
// The point's own term is zero, so summing over all usable points is the same as over the
// others.
void stage1Normal(const step_problem& pb, int i, step_workspace& ws) {
    const int n = pb.n;
    const int m = pb.m;
    const int wp = ws.wp;
    double* vi = ws.v.data();
    for (int a = 0; a < n; ++a)
        vi[a] = pb.X[std::size_t(i) * n + a] - pb.centre[a];
    for (int j = 0; j < m; ++j)
        vi[n + j] = pb.Y[std::size_t(i) * m + j] - pb.centre[n + j];
    const double* sums = pb.sums.data();
    for (int a = 0; a < n; ++a) {
        const int from = a & ~3;
        double* row = ws.C.data() + std::size_t(a) * wp;
        const double* base = pb.moments.data() + std::size_t(a) * wp;
        std::copy(base + from, base + wp, row + from);
        addScaled2(row + from, pb.count * vi[a] - sums[a], vi + from, -vi[a], sums + from,
                   wp - from);
    }
}

// Stage 2 normal equations of point i: every other usable point k enters scaled by the
// inverse squared normalised distance.
void stage2Normal(const step_problem& pb, int i, step_workspace& ws) {
    const int N = pb.N;
    const int n = pb.n;
    const int m = pb.m;
    const double* xi = &pb.X[std::size_t(i) * n];
    const double* yi = &pb.Y[std::size_t(i) * m];
    std::fill(ws.C.begin(), ws.C.end(), 0.0);
    // Scaled rows are collected in pairs and added to C two at a time.
    double* const pair = ws.v.data();
    double* v = pair;
    for (int k = 0; k < N; ++k) {
        if (k == i || !pb.usable[k]) continue;
        const double* xk = &pb.X[std::size_t(k) * n];
        double d = 0.0;
        for (int a = 0; a < n; ++a) {
            const double e = (xi[a] - xk[a]) * pb.invRange[a];
            d += e * e;
        }
        const double w = 1.0 / d;
        // A point at the same place (or with a distance too small to invert) carries no
        // slope information: leave it out rather than weigh it infinitely.
        if (!(d > 0.0) || !std::isfinite(w)) continue;
        for (int a = 0; a < n; ++a)
            v[a] = w * (xk[a] - xi[a]);
        const double* yk = &pb.Y[std::size_t(k) * m];
        for (int j = 0; j < m; ++j)
            v[n + j] = w * (yk[j] - yi[j]);
        if (v == pair) {
            v = pair + ws.wp;
        } else {
            accumulateRows(ws.C.data(), pair, v, n, ws.wp);
            v = pair;
        }
    }
    if (v != pair) accumulateRow(ws.C.data(), pair, n, ws.wp);
}

// Step of a usable point: its own weighted local fit, then the damped solve.
void localStep(step_problem& pb, int i, step_workspace& ws) {
    const int n = pb.n;
    const int m = pb.m;
    const double* yi = &pb.Y[std::size_t(i) * m];
    if (pb.stage1) {
        stage1Normal(pb, i, ws);
    } else {
        stage2Normal(pb, i, ws);
    }
    splitNormal(ws.C.data(), n, m, ws.wp, ws.mp, ws.G.data(), ws.B.data());
    solveNormalColumns(ws.G.data(), ws.B.data(), n, m, n, ws.sol.data(), ws);

    // A_i (m x n) has row j = column j of sol; M := A_i^T A_i, rhs := A_i^T (Y_obs - y_i).
    const int mp = ws.mp;
    const double* S = ws.sol.data();
    double* M = ws.G.data();
    for (int a = 0; a < n; ++a) {
        const double* sa = S + std::size_t(a) * mp;
        for (int b = a; b < n; ++b) {
            const double* sb = S + std::size_t(b) * mp;
            double s = 0.0;
            for (int j = 0; j < m; ++j)
                s += sa[j] * sb[j];
            M[a * n + b] = s;
            M[b * n + a] = s;
        }
    }
    for (int j = 0; j < m; ++j)
        ws.res[j] = pb.Yobs[j] - yi[j];
    double* rhs = ws.rhs.data();
    for (int a = 0; a < n; ++a) {
        const double* sa = S + std::size_t(a) * mp;
        double s = 0.0;
        for (int j = 0; j < m; ++j)
            s += sa[j] * ws.res[j];
        rhs[a] = s;
    }
    solveDamped(M, rhs, n, pb.lambda[i], m, &pb.step[std::size_t(i) * n], ws);
}

} // namespace

QVector<QVector<double>>
cluster_newton_step(const QVector<QVector<double>>& X, const QVector<QVector<double>>& Y,
                    const QVector<bool>& alive, const QVector<double>& lambdaVector,
                    const QVector<double>& Y_obs, const QVector<double>& x_lowerBound,
                    const QVector<double>& x_upperBound, double Y_star_noise, bool stage1,
                    std::uint64_t seed) {
    step_problem pb;
    pb.N = X.size();
    pb.n = pb.N > 0 ? X[0].size() : 0;
    pb.m = Y_obs.size();
    pb.noise = Y_star_noise;
    pb.stage1 = stage1;
    pb.seed = seed;
    const int N = pb.N;
    const int n = pb.n;
    const int m = pb.m;

    pb.X.assign(std::size_t(N) * n, 0.0);
    pb.Y.assign(std::size_t(N) * m, 0.0);
    pb.usable.assign(N, 0);
    pb.lambda.assign(N, 0.0);
    for (int i = 0; i < N; ++i) {
        const QVector<double>& xr = X[i];
        std::copy(xr.constBegin(), xr.constBegin() + std::min(n, xr.size()),
                  pb.X.begin() + std::size_t(i) * n);
        bool ok = i < Y.size() && Y[i].size() == m;
        if (i < Y.size()) {
            const QVector<double>& yr = Y[i];
            const int len = std::min(m, yr.size());
            for (int j = 0; j < len; ++j) {
                pb.Y[std::size_t(i) * m + j] = yr[j];
                if (!std::isfinite(yr[j])) ok = false;
            }
        }
        pb.usable[i] = ok;
        if (i < lambdaVector.size()) pb.lambda[i] = lambdaVector[i];
    }
    pb.invRange.assign(n, 1.0);
    for (int a = 0; a < n; ++a)
        if (a < x_lowerBound.size() && a < x_upperBound.size())
            pb.invRange[a] = 1.0 / (x_upperBound[a] - x_lowerBound[a]);
    pb.Yobs.assign(Y_obs.constBegin(), Y_obs.constEnd());
    pb.step.assign(std::size_t(N) * n, 0.0);

    globalFit(pb, alive);
    if (stage1) stage1Moments(pb);

    // A few chunks per thread keep every thread busy when the points' costs differ.
    const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    const int chunk = std::max(1, (N + 4 * threads - 1) / (4 * threads));
    const int chunks = (N + chunk - 1) / chunk;
    pool_work(chunks, [&pb, chunk](int c) {
        step_workspace ws(pb.n, pb.m);
        const int end = std::min(pb.N, (c + 1) * chunk);
        for (int i = c * chunk; i < end; ++i) {
            if (pb.usable[i]) {
                localStep(pb, i, ws);
            } else {
                globalStep(pb, i, ws);
            }
        }
    }).run();

    QVector<QVector<double>> result(N);
    for (int i = 0; i < N; ++i) {
        const double* s = &pb.step[std::size_t(i) * n];
        result[i] = QVector<double>(s, s + n);
    }
    return result;
}

QVector<double> weighted_observation(const QVector<double>& y,
                                     const QVector<QVector<double>>& weightRows) {
    QVector<double> out(weightRows.size(), NaN);
    for (int k = 0; k < weightRows.size(); ++k) {
        const QVector<double>& w = weightRows[k];
        if (w.size() != y.size()) continue;
        double s = 0.0;
        for (int j = 0; j < y.size(); ++j)
            s += w[j] * y[j];
        out[k] = s;
    }
    return out;
}

QVector<QVector<double>> weighted_observations(const QVector<QVector<double>>& Y,
                                               const QVector<QVector<double>>& weightRows) {
    QVector<QVector<double>> out;
    out.reserve(Y.size());
    for (const QVector<double>& y : Y)
        out.append(weighted_observation(y, weightRows));
    return out;
}
