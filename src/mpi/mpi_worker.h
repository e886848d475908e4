// A serving rank of an MPI run (every rank but 0): receives the model package, builds its
// evaluator, then evaluates the chunks rank 0 sends, on its own threads, and sends the
// results back, until rank 0 says the run is over. While a chunk is being evaluated it
// keeps answering: a heartbeat every half second, and a message when the chunk runs far
// beyond the evaluator's time limit (a hung evaluation), so rank 0 never waits blindly.
#pragma once

#include <QString>

class mpi_session;

class mpi_worker {
public:
    explicit mpi_worker(mpi_session& session) : session(session) {}

    // Serves until rank 0 finishes the run: 0; 1 when the model package cannot be read or
    // built (rank 0 is told why, and `message` says it too).
    int serve(QString& message);

    // Set when the run ended while an evaluation of this rank still hung: its thread cannot
    // be joined, so the process has to end without waiting for its threads (std::_Exit
    // after the session has ended).
    bool evaluationAbandoned = false;

private:
    mpi_session& session;
};
