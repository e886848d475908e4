// The process's part in an MPI run: starts MPI (only the main thread calls it), knows the
// rank, the number of ranks and the threads this rank evaluates with, and carries the
// messages of mpi_protocol. Sends never block: each message is kept until MPI has taken it,
// so a rank that stopped receiving cannot hold up the sender. Receives only take messages
// that have arrived. One session per process; MPI ends with it.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <list>
#include <memory>

class mpi_session {
public:
    // Starts MPI. `threads` > 0 fixes this rank's evaluating threads; 0 shares the cores of
    // the machine between the ranks running on it (at least one thread each). The global
    // thread pool is limited to that number.
    mpi_session(int& argc, char**& argv, int threads = 0);
    // Ends MPI (after `abortAll` nothing is left to end).
    ~mpi_session();
    mpi_session(const mpi_session&) = delete;
    mpi_session& operator=(const mpi_session&) = delete;

    int rank() const { return rankIndex; }
    int size() const { return rankCount; }
    int threads() const { return threadCount; }

    // Queues a message to `rank`; returns at once.
    void send(int rank, int tag, const QByteArray& body);
    // Takes one message that has arrived (from `source`, or from any rank for -1): false
    // when there is none. Also moves queued sends along.
    bool receive(int& source, int& tag, QByteArray& body, int fromRank = -1);
    // Sends still queued.
    int sendsPending();

    // Ends every rank of the run at once with this status (a rank is lost or hangs, and
    // waiting for it in the normal end could last for ever).
    [[noreturn]] void abortAll(int status);

private:
    struct pending;
    std::list<std::unique_ptr<pending>> sends;
    int rankIndex = 0;
    int rankCount = 1;
    int threadCount = 1;
};
