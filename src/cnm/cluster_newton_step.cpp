// The Cluster Newton step. Each local fit minimises sum_k (w_k ((x_k - x_i) a - (y_k - y_i)))^2
// for the m observations at once: the weighted normal matrix (n x n) and the n x m right-hand
// sides are accumulated in one pass over the cluster, and conjugate gradients run on them
// column by column with the same recurrence, iteration cap and exact-zero stopping tests as
// the row-by-row solver. Points are handled in chunks by the calling thread and helpers from
// the global thread pool; each chunk owns its scratch memory, so nothing is allocated per
// point.
//
// Stage 2 costs N^2 weighted rows per step, the largest share of an iteration for large
// clusters. Its pass over the cluster reads the coordinates transposed and handles the other
// points eight at a time, in tiles whose scaled rows stay in the first-level cache while the
// sums run in registers. The pass is built for AVX-512, AVX2 and SSE2 and the widest the
// processor runs is taken. Every one of the eight lanes sums its own points in point order,
// the lanes are added in a fixed order, and this file is built without contracting a * b + c
// into fused multiply-adds, so the sums, and with them the steps, are the same bit for bit
// whichever instruction set runs.
#include "cnm/cluster_newton_step.h"

#include "cnm/pool_work.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <vector>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Stage 2 handles the other points eight at a time: a block of eight points is one `lanes8`
// per coordinate or observation, and every lane sums its own points in point order.
constexpr int lanes = 8;
struct alignas(64) lanes8 {
    double d[lanes];
};

// Stage 2 takes the other points in tiles of this many blocks: their scaled rows stay in the
// first-level cache while the sums over the tile run in registers.
constexpr int tileBlocks = 16;

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

struct step_workspace;

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
    // Stage 2: the coordinates and observations transposed into blocks of eight points
    // (XT: n rows, YT: m rows, each `blocks` lanes8 long); per point (padding included)
    // whether it enters the fits, and per block whether all eight do. Points that do not
    // enter (unusable, at a non-finite place, padding) are stored as zeros, so that every
    // difference the pass forms is finite.
    int blocks = 0;
    std::vector<lanes8> XT;
    std::vector<lanes8> YT;
    std::vector<char> entersFit; // blocks x 8
    std::vector<char> wholeBlock;
    // The kernel of this step, taken once so that every point uses the same.
    void (*stage2)(const step_problem&, int, step_workspace&) = nullptr;
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
    std::vector<double> v;                  // wp: one scaled row [z | t | 0 ...]
    std::vector<double> M;                  // n x n damped matrix
    std::vector<double> r, p, Mp, rhs;      // n
    std::vector<double> res;                // m
    // Stage 2: per lane, the sums of the upper triangle of G and of B, and the scaled rows of
    // one tile of blocks (row c of block t at c * tileBlocks + t).
    // The rows are n + m rounded up to a multiple of eight (the extra ones stay zero); the
    // entries are the pairs (a, c), a < n, c from a rounded down to a multiple of eight to
    // the last row, row by row.
    int rowCount;
    std::vector<lanes8> acc;
    std::vector<lanes8> rows; // rowCount x tileBlocks

    step_workspace(int n_, int m)
        : n(n_), mp(padded(m)), wp(padded(n_ + m)), C(std::size_t(n) * wp), G(std::size_t(n) * n),
          B(std::size_t(n) * mp), sol(B.size()), R(B.size()), P(B.size()), Q(B.size()), rr(mp),
          d(mp), alpha(mp), beta(mp), active(mp), v(wp), M(std::size_t(n) * n), r(n), p(n), Mp(n),
          rhs(n), res(m), rowCount((n_ + m + 7) & ~7), rows(tileBlocks * std::size_t(rowCount)) {
        std::size_t entries = 0;
        for (int a = 0; a < n; ++a)
            entries += rowCount - (a & ~7);
        acc.resize(entries);
    }
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

// The transposed blocks of the cluster for stage 2.
void stage2Blocks(step_problem& pb) {
    const int n = pb.n;
    const int m = pb.m;
    pb.blocks = (pb.N + lanes - 1) / lanes;
    const std::size_t nb = pb.blocks;
    pb.XT.assign(n * nb, lanes8{});
    pb.YT.assign(m * nb, lanes8{});
    pb.entersFit.assign(nb * lanes, 0);
    for (int k = 0; k < pb.N; ++k) {
        // A point at a non-finite place is at no finite distance: it enters no fit.
        const double* xk = &pb.X[std::size_t(k) * n];
        if (!pb.usable[k] || !std::all_of(xk, xk + n, [](double v) { return std::isfinite(v); }))
            continue;
        const std::size_t b = k / lanes;
        const int l = k % lanes;
        for (int a = 0; a < n; ++a)
            pb.XT[a * nb + b].d[l] = xk[a];
        for (int j = 0; j < m; ++j)
            pb.YT[j * nb + b].d[l] = pb.Y[std::size_t(k) * m + j];
        pb.entersFit[k] = 1;
    }
    pb.wholeBlock.assign(nb, 0);
    for (std::size_t b = 0; b < nb; ++b)
        pb.wholeBlock[b] = std::all_of(&pb.entersFit[b * lanes], &pb.entersFit[b * lanes] + lanes,
                                       [](char c) { return c != 0; });
}

// The stage-2 kernel is written once for a native vector type V of W = 8 / P doubles: a
// block of eight points is P vectors. It is built for AVX-512 (P = 1), AVX2 (P = 2) and SSE2
// (P = 4); every operation acts lane by lane, so the three give the same sums. The vectors
// never cross a function boundary that is not inlined (the functions below are internal to
// this file), so the ABI notes on wide vector arguments do not concern them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double vec2 __attribute__((vector_size(16)));
typedef double vec4 __attribute__((vector_size(32)));
typedef double vec8 __attribute__((vector_size(64)));

template <typename V> [[gnu::always_inline]] inline V loadPart(const lanes8& x, int p) {
    V v;
    std::memcpy(&v, x.d + p * (sizeof(V) / sizeof(double)), sizeof(V));
    return v;
}

template <typename V> [[gnu::always_inline]] inline void storePart(lanes8& x, int p, V v) {
    std::memcpy(x.d + p * (sizeof(V) / sizeof(double)), &v, sizeof(V));
}

// The scaled rows w (x_k - x_i, y_k - y_i) of the eight points of block b, w the inverse
// squared normalised distance; a point at the same place as x_i (the point itself, a twin)
// or too close for its weight to be finite carries no slope information and, like a point
// that enters no fit, gives a zero row rather than an infinite one. Row c goes to
// out[c * tileBlocks]. Weights are checked lane by lane only where `careful`: in blocks with
// points that enter no fit, in the point's own block, and everywhere when a pass without
// the check came out non-finite (two points at the same place); elsewhere every weight is
// finite and taken as it is.
template <typename V>
[[gnu::always_inline]] inline void scaledRows(const step_problem& pb, const double* xi,
                                              const double* yi, int b, bool careful, lanes8* out) {
    constexpr int W = sizeof(V) / sizeof(double);
    const int n = pb.n;
    const int m = pb.m;
    const std::size_t nb = pb.blocks;
    for (int p = 0; p < lanes / W; ++p) {
        V d = V{};
        for (int a = 0; a < n; ++a) {
            const V e = (xi[a] - loadPart<V>(pb.XT[a * nb + b], p)) * pb.invRange[a];
            d += e * e;
        }
        V weight = 1.0 / d;
        if (careful) {
            for (int l = 0; l < W; ++l)
                if (!pb.entersFit[std::size_t(b) * lanes + p * W + l] || !std::isfinite(weight[l]))
                    weight[l] = 0.0;
        }
        for (int a = 0; a < n; ++a)
            storePart<V>(out[a * tileBlocks], p,
                         weight * (loadPart<V>(pb.XT[a * nb + b], p) - xi[a]));
        for (int j = 0; j < m; ++j)
            storePart<V>(out[(n + j) * tileBlocks], p,
                         weight * (loadPart<V>(pb.YT[j * nb + b], p) - yi[j]));
    }
}

// acc[q] += sum over the tile's blocks t of ra[t] * rc[q * tileBlocks + t], q < R, summed in
// registers in block order. R only sets how many entries share a pass over the tile (as many
// as the registers hold); every entry's sum is the same for any R.
template <typename V, int R>
[[gnu::always_inline]] inline void tileSums(const lanes8* ra, const lanes8* rc, int tb,
                                            lanes8* acc) {
    constexpr int P = lanes / (sizeof(V) / sizeof(double));
    V s[R][P];
#pragma GCC unroll 8
    for (int q = 0; q < R; ++q)
#pragma GCC unroll 8
        for (int p = 0; p < P; ++p)
            s[q][p] = V{};
    for (int t = 0; t < tb; ++t) {
#pragma GCC unroll 8
        for (int p = 0; p < P; ++p) {
            const V x = loadPart<V>(ra[t], p);
#pragma GCC unroll 8
            for (int q = 0; q < R; ++q)
                s[q][p] += x * loadPart<V>(rc[q * tileBlocks + t], p);
        }
    }
#pragma GCC unroll 8
    for (int q = 0; q < R; ++q)
#pragma GCC unroll 8
        for (int p = 0; p < P; ++p)
            storePart<V>(acc[q], p, loadPart<V>(acc[q], p) + s[q][p]);
}

// The lane sums of point i's stage-2 normal equations into ws.acc; false when one of them is
// not finite.
template <typename V, int R>
[[gnu::always_inline]] inline bool stage2Sums(const step_problem& pb, int i, bool careful,
                                              step_workspace& ws) {
    const int n = pb.n;
    const double* xi = &pb.X[std::size_t(i) * pb.n];
    const double* yi = &pb.Y[std::size_t(i) * pb.m];
    lanes8* acc = ws.acc.data();
    lanes8* rows = ws.rows.data();
    std::fill(ws.acc.begin(), ws.acc.end(), lanes8{});
    // A point at a non-finite place has no finite distance to any other: an empty fit.
    if (!std::all_of(xi, xi + n, [](double v) { return std::isfinite(v); })) return true;
    const int ownBlock = i / lanes;
    for (int b0 = 0; b0 < pb.blocks; b0 += tileBlocks) {
        const int tb = std::min(tileBlocks, pb.blocks - b0);
        for (int t = 0; t < tb; ++t) {
            const int b = b0 + t;
            scaledRows<V>(pb, xi, yi, b, careful || b == ownBlock || !pb.wholeBlock[b], rows + t);
        }
        // Entry (a, c) sums row a times row c over the tile, for c in whole groups of eight
        // from the group that holds a (the few entries below the diagonal cost less than
        // handling ragged ends).
        std::size_t e = 0;
        for (int a = 0; a < n; ++a) {
            const lanes8* ra = rows + std::size_t(a) * tileBlocks;
            for (int c = a & ~7; c < ws.rowCount; c += R, e += R)
                tileSums<V, R>(ra, rows + std::size_t(c) * tileBlocks, tb, acc + e);
        }
    }
    return std::all_of(ws.acc.begin(), ws.acc.end(), [](const lanes8& x) {
        return std::all_of(x.d, x.d + lanes, [](double v) { return std::isfinite(v); });
    });
}

// Stage 2 normal equations of point i into ws.G (full) and ws.B: every other usable point k
// enters scaled by the inverse squared normalised distance.
template <typename V, int R>
[[gnu::always_inline]] inline void stage2NormalWith(const step_problem& pb, int i,
                                                    step_workspace& ws) {
    const int n = pb.n;
    const int m = pb.m;
    const int w = n + m;
    if (!stage2Sums<V, R>(pb, i, false, ws)) stage2Sums<V, R>(pb, i, true, ws);
    // Lanes are added pairwise in a fixed order.
    std::size_t e = 0;
    for (int a = 0; a < n; ++a) {
        for (int c = a & ~7; c < ws.rowCount; ++c, ++e) {
            if (c < a || c >= w) continue;
            const double* s = ws.acc[e].d;
            const double sum = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
            if (c < n) {
                ws.G[a * n + c] = sum;
                ws.G[c * n + a] = sum;
            } else {
                ws.B[std::size_t(a) * ws.mp + (c - n)] = sum;
            }
        }
        std::fill(ws.B.begin() + std::size_t(a) * ws.mp + m,
                  ws.B.begin() + std::size_t(a + 1) * ws.mp, 0.0);
    }
}

// One build per instruction set, each with as many entries per pass as its registers hold;
// the widest the processor runs is taken once.
__attribute__((target("avx512f"))) void stage2NormalAvx512(const step_problem& pb, int i,
                                                           step_workspace& ws) {
    stage2NormalWith<vec8, 8>(pb, i, ws);
}

__attribute__((target("avx2"))) void stage2NormalAvx2(const step_problem& pb, int i,
                                                      step_workspace& ws) {
    stage2NormalWith<vec4, 4>(pb, i, ws);
}

void stage2NormalPlain(const step_problem& pb, int i, step_workspace& ws) {
    stage2NormalWith<vec2, 2>(pb, i, ws);
}
#pragma GCC diagnostic pop

using stage2Function = void (*)(const step_problem&, int, step_workspace&);

struct stage2Kernel {
    const char* name;
    stage2Function function;
    bool runs;
};

// Widest first; `runs` says whether this processor has the instruction set.
const std::vector<stage2Kernel>& stage2Kernels() {
    static const std::vector<stage2Kernel> kernels = [] {
        __builtin_cpu_init();
        return std::vector<stage2Kernel>{
            {"avx512", stage2NormalAvx512, __builtin_cpu_supports("avx512f") != 0},
            {"avx2", stage2NormalAvx2, __builtin_cpu_supports("avx2") != 0},
            {"sse2", stage2NormalPlain, true}};
    }();
    return kernels;
}

std::atomic<stage2Function> chosenStage2{nullptr};

stage2Function stage2Normal() {
    stage2Function f = chosenStage2.load(std::memory_order_relaxed);
    if (f) return f;
    for (const stage2Kernel& k : stage2Kernels())
        if (k.runs) {
            chosenStage2.store(k.function);
            return k.function;
        }
    return stage2NormalPlain;
}

// Step of a usable point: its own weighted local fit, then the damped solve.
void localStep(step_problem& pb, int i, step_workspace& ws) {
    const int n = pb.n;
    const int m = pb.m;
    const double* yi = &pb.Y[std::size_t(i) * m];
    if (pb.stage1) {
        stage1Normal(pb, i, ws);
        splitNormal(ws.C.data(), n, m, ws.wp, ws.mp, ws.G.data(), ws.B.data());
    } else {
        pb.stage2(pb, i, ws);
    }
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
                    std::uint64_t seed, const QVector<int>& only) {
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
    if (stage1) {
        stage1Moments(pb);
    } else {
        stage2Blocks(pb);
        pb.stage2 = stage2Normal();
    }

    // The points to step, in order; a few chunks per thread keep every thread busy when the
    // points' costs differ.
    QVector<int> points;
    for (int i : only)
        if (i >= 0 && i < N) points.append(i);
    if (only.isEmpty()) {
        points.resize(N);
        std::iota(points.begin(), points.end(), 0);
    }
    const int count = points.size();
    const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    const int chunk = std::max(1, (count + 4 * threads - 1) / (4 * threads));
    const int chunks = (count + chunk - 1) / chunk;
    pool_work(chunks, [&pb, &points, count, chunk](int c) {
        step_workspace ws(pb.n, pb.m);
        const int end = std::min(count, (c + 1) * chunk);
        for (int at = c * chunk; at < end; ++at) {
            const int i = points[at];
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

QStringList stage2Instructions() {
    QStringList names;
    for (const stage2Kernel& k : stage2Kernels())
        if (k.runs) names.append(QString::fromLatin1(k.name));
    return names;
}

bool useStage2Instructions(const QString& name) {
    for (const stage2Kernel& k : stage2Kernels()) {
        if (k.runs && (name.isEmpty() ? true : name == QLatin1String(k.name))) {
            chosenStage2.store(k.function);
            return true;
        }
    }
    return false;
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
