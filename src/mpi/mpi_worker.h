// A serving rank of an MPI run (every rank but 0): receives the model package, builds its
// evaluator, then evaluates the chunks rank 0 sends, on its own threads, and sends the
// results back, until rank 0 says the run is over. While a chunk is being evaluated it
// keeps answering: a heartbeat every half second, and a message when the chunk runs far
// beyond the evaluator's time limit (a hung evaluation), so rank 0 never waits blindly.
// Rank 0's heartbeat comes the other way: when it stays away, rank 0 is gone and this rank
// ends rather than wait for ever.
#pragma once

#include <QString>

class mpi_session;

class mpi_worker {
public:
    explicit mpi_worker(mpi_session& session) : session(session) {}

    // Serves until rank 0 finishes the run: 0; 1 when the model package cannot be read or
    // built (rank 0 is told why, and `message` says it too), and 1 with a message when rank 0
    // sends nothing, not even its heartbeat, for the package's silence (15 s before the
    // package comes): rank 0 is gone, and the session knows it.
    int serve(QString& message);

    // Set when the run ended while an evaluation of this rank still hung: its thread cannot
    // be joined, so the process has to end without waiting for its threads (std::_Exit
    // after the session has ended).
    bool evaluationAbandoned = false;

private:
    mpi_session& session;
};
