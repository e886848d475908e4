// The evaluation back end of one process: the points spread over Qt's global thread pool
// (each on its own copy of its evaluator), or one after the other in the calling thread,
// which then honours a stop after every point and reports progress point by point.
#pragma once

#include "cnm/evaluation_backend.h"

class thread_pool_backend : public evaluation_backend {
public:
    // False: one point after the other in the calling thread.
    bool parallel = true;

    QVector<point_evaluation> evaluate(const QList<model_ode>& models,
                                       const QVector<QVector<double>>& cluster,
                                       const QVector<int>& points, const std::atomic<bool>& stop,
                                       const std::function<void(int)>& progress) override;
};
