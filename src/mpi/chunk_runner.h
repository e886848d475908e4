// Evaluates one chunk of points at a time in a thread of its own (spread over the rank's
// threads), so that the rank's main thread stays free for messages while the points are
// being evaluated: it answers, watches for hung evaluations and hands out more work.
#pragma once

#include "cnm/point_evaluation.h"
#include "model/model_ode.h"

#include <QList>
#include <QVector>

#include <memory>

class chunk_runner {
public:
    // `threads` > 1 spreads a chunk over the global thread pool; 1 evaluates point after point.
    explicit chunk_runner(int threads);
    // Waits for a chunk still being evaluated, unless the runner was abandoned.
    ~chunk_runner();
    chunk_runner(const chunk_runner&) = delete;
    chunk_runner& operator=(const chunk_runner&) = delete;

    // Starts evaluating rows[i] with evaluators[i]; ignored unless the runner is idle.
    void start(const QList<model_ode>& evaluators, const QVector<QVector<double>>& rows);
    // No chunk started, or the last one's results taken.
    bool idle() const;
    bool finished() const;
    // The results of the finished chunk, one per row; the runner is idle again.
    QVector<point_evaluation> take();
    // Waits until the running chunk is finished, at most `milliseconds`; returns at once when
    // no chunk is running. The rank's main thread sleeps here instead of polling.
    void waitForFinish(int milliseconds) const;
    // How long the current chunk has been running (0 when none is).
    qint64 runningMilliseconds() const;
    // For a chunk that hangs: the runner's thread is left to itself (the process is about
    // to end), so the destructor does not wait for it.
    void abandon();

    const int threads;

private:
    struct state;
    std::shared_ptr<state> shared;
};
