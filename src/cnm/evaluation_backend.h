// The interface through which the engine has cluster points evaluated, whoever does the
// work (the threads of this process, or other processes over MPI). The engine's algorithm
// only asks "evaluate these points" and reads the results in point order.
#pragma once

#include "cnm/point_evaluation.h"
#include "model/model_ode.h"

#include <QList>
#include <QVector>

#include <atomic>
#include <functional>

class evaluation_backend {
public:
    virtual ~evaluation_backend() = default;

    // Evaluates, for every i, the x row cluster[points[i]] with evaluator models[i] (on a
    // copy: the evaluators are not changed) and returns one entry per listed point, in the
    // order of `points`. A point index outside the cluster evaluates an empty row (NaN
    // observations); an evaluator missing from `models` leaves its entry empty. When `stop`
    // becomes true the pass may end early: the points not evaluated have empty entries.
    // `progress`, when set, is called on the calling thread with the number of points
    // finished so far. A back end that cannot complete the pass (a lost process, an
    // evaluation that hangs) throws std::runtime_error with a message for the user.
    virtual QVector<point_evaluation> evaluate(const QList<model_ode>& models,
                                               const QVector<QVector<double>>& cluster,
                                               const QVector<int>& points,
                                               const std::atomic<bool>& stop,
                                               const std::function<void(int)>& progress) = 0;

    // The x row of a point; empty for an index outside the cluster.
    static QVector<double> rowOf(const QVector<QVector<double>>& cluster, int point) {
        return point >= 0 && point < cluster.size() ? cluster[point] : QVector<double>();
    }
};
