// The Cluster Newton step written out literally, as the oracle for the fast step: a global
// fit with intercept over the alive points (one plain solve per observation), the N x N
// proximity weights, and for every point and every observation one weighted solve of the
// whole centred cluster, then the damped solve. Coincident points in stage 2 get weight 0,
// as in the fast step, and the global fit keeps only alive points with finite observations.
// Unusable points draw their targets from rand().
#pragma once

#include "linalg/cgne.h"
#include "linalg/conversions.h"

#include <QVector>

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/matrix_proxy.hpp>
#include <boost/numeric/ublas/vector.hpp>

#include <cmath>
#include <cstdlib>

inline QVector<QVector<double>>
literal_step(const QVector<QVector<double>>& X, const QVector<QVector<double>>& Y,
             const QVector<bool>& alive, const QVector<double>& lambdaVector,
             const QVector<double>& Y_obs, const QVector<double>& x_lowerBound,
             const QVector<double>& x_upperBound, double Y_star_noise, bool stage1) {
    namespace ublas = boost::numeric::ublas;
    const int N = X.size();
    const int n = N > 0 ? X[0].size() : 0;
    const int m = Y_obs.size();

    QVector<bool> usable(N, true);
    for (int i = 0; i < N; ++i)
        for (double v : Y[i])
            if (!std::isfinite(v)) usable[i] = false;

    // Global fit.
    QVector<bool> fitted(N, false);
    for (int i = 0; i < N && i < alive.size(); ++i)
        fitted[i] = alive[i] && usable[i];
    const ublas::matrix<double> Xa = convertQVectortoboostMatrix(X, fitted);
    const ublas::matrix<double> Ya = convertQVectortoboostMatrix(Y, fitted);
    const int Na = Xa.size1();
    ublas::matrix<double> Xa1(Na, n + 1);
    for (int k = 0; k < Na; ++k) {
        for (int j = 0; j < n; ++j)
            Xa1(k, j) = Xa(k, j);
        Xa1(k, n) = 1.0;
    }
    ublas::matrix<double> A0(m, n);
    ublas::vector<double> c0(m);
    for (int j = 0; j < m; ++j) {
        ublas::vector<double> col(Na);
        for (int k = 0; k < Na; ++k)
            col(k) = Ya(k, j);
        const ublas::vector<double> c = cgne_ATAx_ATb(Xa1, col);
        for (int a = 0; a < n; ++a)
            A0(j, a) = c(a);
        c0(j) = c(n);
    }

    // Proximity weights.
    ublas::matrix<double> omega(N, N, 0.0);
    for (int i = 0; i < N; ++i) {
        for (int k = 0; k < i; ++k) {
            double d = 0.0;
            for (int j = 0; j < n; ++j) {
                const double e = (X[i][j] - X[k][j]) / (x_upperBound[j] - x_lowerBound[j]);
                d += e * e;
            }
            double w = 0.0;
            if (usable[i] && usable[k]) {
                w = stage1 ? 1.0 : 1.0 / d;
                if (!stage1 && (!(d > 0.0) || !std::isfinite(w))) w = 0.0;
            }
            omega(i, k) = w;
            omega(k, i) = w;
        }
    }

    QVector<QVector<double>> steps(N);
    for (int i = 0; i < N; ++i) {
        ublas::matrix<double> Xc(N, n);
        for (int k = 0; k < N; ++k)
            for (int j = 0; j < n; ++j)
                Xc(k, j) = X[k][j] - X[i][j];
        const ublas::vector<double> w = ublas::row(omega, i);
        ublas::matrix<double> Ai(m, n);
        for (int j = 0; j < m; ++j) {
            ublas::vector<double> yc(N);
            for (int k = 0; k < N; ++k)
                yc(k) = Y[k][j] - Y[i][j];
            const ublas::vector<double> row = cgne_ATAx_ATb_with_weight(Xc, yc, w);
            for (int a = 0; a < n; ++a)
                Ai(j, a) = row(a);
        }
        ublas::vector<double> r(m);
        ublas::vector<double> dx;
        if (usable[i]) {
            for (int j = 0; j < m; ++j)
                r(j) = Y_obs[j] - Y[i][j];
            dx = cgne_ATAx_ATb_with_reg(Ai, r, lambdaVector[i]);
        } else {
            const ublas::vector<double> xi = convertQVectortoboostVector(X[i]);
            const ublas::vector<double> model = ublas::prod(A0, xi) + c0;
            for (int j = 0; j < m; ++j) {
                const double u = std::rand() / 2147483647.0;
                r(j) = Y_obs[j] * (1.0 + 2.0 * (u - 0.5) * Y_star_noise) - model(j);
            }
            dx = cgne_ATAx_ATb_with_reg(A0, r, lambdaVector[i]);
        }
        steps[i] = convertBoostVectortoQVector(dx);
    }
    return steps;
}
