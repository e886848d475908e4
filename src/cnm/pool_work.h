// The engine's one way of spreading work over Qt's global thread pool: `count` tasks taken
// one at a time by the calling thread and by helpers from the pool, which the caller waits
// for. The hand-over uses std::atomic and std::mutex, which the thread sanitizer sees (Qt's
// own mutexes are invisible to it), so everything the caller wrote before run() is visible
// to every task and everything the tasks wrote is visible to the caller after it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

class pool_work {
public:
    // work(i) is called once for every i in 0 .. count-1, in any order and thread.
    pool_work(int count, std::function<void(int)> work);

    // Returns when every task is done; an exception from any task is rethrown here (the
    // other tasks still run).
    void run();

private:
    class helper;
    void drainGuarded();

    const int count;
    const std::function<void(int)> work;
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::exception_ptr error;
};
