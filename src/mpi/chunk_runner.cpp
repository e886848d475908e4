// The evaluating thread of a rank.
#include "mpi/chunk_runner.h"

#include "cnm/thread_pool_backend.h"

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
enum phase : int { idlePhase, runningPhase, finishedPhase };
}

struct chunk_runner::state {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    bool quit = false;
    std::atomic<int> phase{idlePhase};
    QList<model_ode> evaluators;
    QVector<QVector<double>> rows;
    QVector<point_evaluation> results;
    QElapsedTimer timer;
    std::thread thread;
};

chunk_runner::chunk_runner(int threads) : threads(threads), shared(std::make_shared<state>()) {
    std::shared_ptr<state> s = shared;
    const bool parallel = threads > 1;
    s->thread = std::thread([s, parallel] {
        thread_pool_backend backend;
        backend.parallel = parallel;
        const std::atomic<bool> never{false};
        std::unique_lock<std::mutex> lock(s->mutex);
        while (true) {
            s->wake.wait(lock, [&] { return s->quit || s->phase == runningPhase; });
            if (s->phase != runningPhase) return;
            const QList<model_ode> evaluators = s->evaluators;
            const QVector<QVector<double>> rows = s->rows;
            lock.unlock();
            QVector<int> points(rows.size());
            for (int i = 0; i < points.size(); ++i)
                points[i] = i;
            QVector<point_evaluation> results =
                backend.evaluate(evaluators, rows, points, never, {});
            lock.lock();
            s->results = results;
            s->phase = finishedPhase;
            s->done.notify_all();
        }
    });
}

chunk_runner::~chunk_runner() {
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->quit = true;
    }
    shared->wake.notify_all();
    if (shared->thread.joinable()) shared->thread.join();
}

void chunk_runner::abandon() {
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->quit = true;
    if (shared->thread.joinable()) shared->thread.detach();
}

void chunk_runner::start(const QList<model_ode>& evaluators, const QVector<QVector<double>>& rows) {
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->phase != idlePhase) return;
        shared->evaluators = evaluators;
        shared->rows = rows;
        shared->timer.start();
        shared->phase = runningPhase;
    }
    shared->wake.notify_all();
}

bool chunk_runner::idle() const {
    return shared->phase == idlePhase;
}

bool chunk_runner::finished() const {
    return shared->phase == finishedPhase;
}

QVector<point_evaluation> chunk_runner::take() {
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->phase != finishedPhase) return {};
    QVector<point_evaluation> results;
    results.swap(shared->results);
    shared->evaluators.clear();
    shared->rows.clear();
    shared->phase = idlePhase;
    return results;
}

void chunk_runner::waitForFinish(int milliseconds) const {
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->done.wait_for(lock, std::chrono::milliseconds(milliseconds),
                          [this] { return shared->phase != runningPhase || shared->quit; });
}

qint64 chunk_runner::runningMilliseconds() const {
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->phase == runningPhase ? shared->timer.elapsed() : 0;
}
