// Evaluation of cluster points on this process's threads.
#include "cnm/thread_pool_backend.h"

#include "cnm/pool_work.h"

#include <algorithm>

QVector<point_evaluation> thread_pool_backend::evaluate(const QList<model_ode>& models,
                                                        const QVector<QVector<double>>& cluster,
                                                        const QVector<int>& points,
                                                        const std::atomic<bool>& stop,
                                                        const std::function<void(int)>& progress) {
    const int count = std::min(models.size(), points.size());
    QVector<point_evaluation> results(points.size());
    if (parallel) {
        // Every task evaluates its own copy of its point's evaluator into its own slot.
        point_evaluation* into = results.data();
        pool_work(count, [into, &models, &cluster, &points](int i) {
            into[i] = point_evaluation::of(models.at(i), rowOf(cluster, points.at(i)));
        }).run();
        if (progress) progress(count);
        return results;
    }
    for (int i = 0; i < count; ++i) {
        if (stop) break;
        results[i] = point_evaluation::of(models.at(i), rowOf(cluster, points[i]));
        if (progress) progress(i + 1);
    }
    return results;
}
