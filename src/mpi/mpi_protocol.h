// The messages between rank 0 (which runs the engine) and the ranks that evaluate points for
// it, and the rules both sides share: how large a chunk of points is and when an
// evaluation counts as hung. Every message is a byte buffer written with mpi_buffer.
#pragma once

#include <QtGlobal>

#include <algorithm>

namespace mpi_protocol {

enum tag : int {
    model = 1,     // rank 0 -> worker: the model package (once, first)
    ready = 2,     // worker -> rank 0: int threads (the evaluator is built)
    failed = 3,    // worker -> rank 0: string message (the model did not load)
    task = 4,      // rank 0 -> worker: int pass, int chunk, int count, count x rows
    result = 5,    // worker -> rank 0: int pass, int chunk, int count, count x point results
    hung = 6,      // worker -> rank 0: string message (an evaluation has run far too long)
    heartbeat = 7, // either way: nothing (the rank is alive)
    cancel = 8,    // rank 0 -> worker: int pass (drop what is left of it)
    finish = 9,    // rank 0 -> worker: int lost (the run is over; exit; 1: a rank was lost,
                   // so MPI cannot end collectively)
    leaving = 10   // worker -> rank 0: nothing (its messages are out; it ends MPI)
};

// How often a rank says it is alive: a serving rank while it holds work, rank 0 always.
constexpr qint64 heartbeatMilliseconds = 500;

// The points of a chunk for a rank with `threads` threads, when `remaining` points of the
// pass are not yet handed out and all ranks together have `totalThreads` threads: a third of
// the rank's share of what is left, so chunks shrink towards the end of the pass and a slow
// rank holds the last chunks of nobody; at least one point per thread.
inline int chunkSize(int remaining, int threads, int totalThreads) {
    const int share = static_cast<int>(qint64(remaining) * threads / (3 * qMax(1, totalThreads)));
    return std::min(remaining, std::max(qMax(1, threads), share));
}

// How long a chunk of `count` points may take on `threads` threads before it counts as
// hung: every point one after the other within one and a half times the evaluator's own
// time limit, plus two seconds each for starting and stopping.
inline qint64 hangMilliseconds(int count, int threads, qint64 evaluationLimitMilliseconds) {
    const qint64 rounds = (count + qMax(1, threads) - 1) / qMax(1, threads);
    return rounds * (evaluationLimitMilliseconds * 3 / 2 + 2000);
}

} // namespace mpi_protocol
