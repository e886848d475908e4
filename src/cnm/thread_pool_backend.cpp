// Evaluation of cluster points on this process's threads.
#include "cnm/thread_pool_backend.h"

#include <QtConcurrent>

#include <algorithm>

namespace {

// One task of a parallel pass: which evaluator and row, and where its result goes.
struct point_task {
    const model_ode* evaluator;
    QVector<double> x;
    point_evaluation result;
};

} // namespace

QVector<point_evaluation> thread_pool_backend::evaluate(const QList<model_ode>& models,
                                                        const QVector<QVector<double>>& cluster,
                                                        const QVector<int>& points,
                                                        const std::atomic<bool>& stop,
                                                        const std::function<void(int)>& progress) {
    const int count = std::min(models.size(), points.size());
    QVector<point_evaluation> results(points.size());
    if (parallel) {
        QVector<point_task> tasks(count);
        for (int i = 0; i < count; ++i) {
            tasks[i].evaluator = &models.at(i);
            tasks[i].x = rowOf(cluster, points[i]);
        }
        QtConcurrent::blockingMap(tasks, [](point_task& task) {
            task.result = point_evaluation::of(*task.evaluator, task.x);
        });
        for (int i = 0; i < count; ++i)
            results[i] = tasks[i].result;
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
