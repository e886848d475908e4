// A test cluster: N random points in [-1, 1]^n with the observations of a smooth, mildly
// nonlinear model of m outputs, random damping factors in [0, 1], and the observed values of
// the model at x = (0.3, ..., 0.3).
#pragma once

#include <QVector>

#include <cmath>
#include <random>

struct smooth_cluster {
    QVector<QVector<double>> X;
    QVector<QVector<double>> Y;
    QVector<bool> alive;
    QVector<double> lambda;
    QVector<double> Yobs;
    QVector<double> lb;
    QVector<double> ub;

    smooth_cluster() = default;

    smooth_cluster(int N, int n, int m, unsigned seed) {
        std::mt19937 gen(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        QVector<QVector<double>> coef(m, QVector<double>(n));
        for (auto& row : coef)
            for (double& c : row)
                c = u(gen);
        auto model = [&](const QVector<double>& x) {
            QVector<double> y(m);
            for (int j = 0; j < m; ++j) {
                double s = 0.5 * j;
                for (int a = 0; a < n; ++a)
                    s += coef[j][a] * x[a] + 0.2 * std::sin(x[a] * (j + 1));
                y[j] = s;
            }
            return y;
        };
        for (int i = 0; i < N; ++i) {
            QVector<double> x(n);
            for (double& v : x)
                v = u(gen);
            X.append(x);
            Y.append(model(x));
            alive.append(true);
            lambda.append(0.5 * (u(gen) + 1.0));
        }
        Yobs = model(QVector<double>(n, 0.3));
        lb = QVector<double>(n, -1.0);
        ub = QVector<double>(n, 1.0);
    }
};
