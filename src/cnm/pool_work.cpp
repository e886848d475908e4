// Tasks shared between the calling thread and helpers from the global thread pool.
#include "cnm/pool_work.h"

#include <QRunnable>
#include <QThreadPool>

#include <algorithm>
#include <memory>
#include <vector>

class pool_work::helper : public QRunnable {
public:
    // The owner is published with release and read with acquire, so that everything the
    // caller wrote before starting the helper is visible to it.
    explicit helper(pool_work* owner) { this->owner.store(owner, std::memory_order_release); }
    void run() override {
        pool_work* work = owner.load(std::memory_order_acquire);
        work->drainGuarded();
        std::lock_guard<std::mutex> lock(work->mutex);
        --work->running;
        work->finished.notify_all(); // under the lock: the owner cannot be gone yet
    }

private:
    std::atomic<pool_work*> owner{nullptr};
};

pool_work::pool_work(int count, std::function<void(int)> work)
    : count(count), work(std::move(work)) {}

void pool_work::run() {
    QThreadPool* pool = QThreadPool::globalInstance();
    const int helpersWanted = std::min(pool->maxThreadCount(), count) - 1;
    std::vector<std::unique_ptr<helper>> helpers;
    next.store(0, std::memory_order_release);
    for (int h = 0; h < helpersWanted; ++h) {
        helpers.emplace_back(new helper(this));
        helpers.back()->setAutoDelete(false);
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++running;
        }
        if (!pool->tryStart(helpers.back().get())) {
            std::lock_guard<std::mutex> lock(mutex);
            --running;
            break;
        }
    }
    drainGuarded();
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return running == 0; });
    if (error) std::rethrow_exception(error);
}

void pool_work::drainGuarded() {
    for (int c; (c = next.fetch_add(1, std::memory_order_acq_rel)) < count;) {
        try {
            work(c);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!error) error = std::current_exception();
        }
    }
}
