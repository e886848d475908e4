// The process's part in an MPI run: starts MPI (only the main thread calls it and carries
// messages; on rank 0 a thread of the session's own sends heartbeats), knows the rank, the
// number of ranks and the threads this rank evaluates with, and carries the messages of
// mpi_protocol. Sends never block: each message is kept until MPI has taken it,
// so a rank that stopped receiving cannot hold up the sender. Receives only take messages
// that have arrived. One session per process; MPI ends with it, and that end is bounded: a
// rank that is gone would make the collective end of MPI wait for it for ever.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class mpi_session {
public:
    // Starts MPI. `threads` > 0 fixes this rank's evaluating threads; 0 shares the cores of
    // the machine between the ranks running on it (at least one thread each). The global
    // thread pool is limited to that number.
    mpi_session(int& argc, char**& argv, int threads = 0);
    // Ends MPI as `end(1)` does, unless `end` was called.
    ~mpi_session();
    mpi_session(const mpi_session&) = delete;
    mpi_session& operator=(const mpi_session&) = delete;

    int rank() const { return rankIndex; }
    int size() const { return rankCount; }
    int threads() const { return threadCount; }
    // Whether rank 0 says it is there every heartbeatMilliseconds from a thread of its own
    // (when MPI lets threads send), whatever its main thread is doing, until `end`; the
    // other ranks then end when rank 0 is silent for long.
    bool rankZeroBeats() const { return beatsAtAll; }

    // Queues a message to `rank`; returns at once. Messages to a lost rank are dropped.
    void send(int rank, int tag, const QByteArray& body);
    // Takes one message that has arrived (from `source`, or from any rank for -1): false
    // when there is none. Also moves queued sends along. Never waits: a large message that
    // is still arriving stays in flight while the messages of the other ranks are taken (in
    // each rank's own order); one that is not complete within messageMilliseconds (its
    // sender died while sending it) is abandoned and its sender marked lost.
    bool receive(int& source, int& tag, QByteArray& body, int fromRank = -1);
    qint64 messageMilliseconds = 15000;
    // Sends still queued.
    int sendsPending();

    // `rank` is gone: its queued messages are abandoned and MPI will not be ended
    // collectively. -1: the run is ending without the collective end (this rank was told so,
    // or mpirun is ending every rank); every queued message is abandoned.
    void markLost(int rank);
    bool anyLost() const { return lost; }

    // Ends MPI; the caller has closed its files. For up to five seconds messages that come
    // are taken and dropped and queued ones leave; a serving rank then tells rank 0 it is
    // leaving. When a rank was lost, a message could not leave or (on rank 0) a rank did not
    // say it is leaving, the process ends here at once with `status`, without the
    // collective end of MPI (it would wait for the missing rank). Otherwise MPI ends
    // collectively, and should that take longer than ten seconds (a rank died unnoticed),
    // the process ends with `status` all the same. Idempotent.
    void end(int status);

private:
    struct pending;
    std::list<std::unique_ptr<pending>> sends;
    std::list<std::unique_ptr<pending>> arriving;  // at most one per rank
    std::list<std::unique_ptr<pending>> abandoned; // never freed: MPI may still use them
    int rankIndex = 0;
    int rankCount = 1;
    int threadCount = 1;
    std::vector<bool> gone; // per rank, known to be lost
    bool lost = false;
    bool beatsAtAll = false;
    bool beating = false; // guarded by beatMutex once the thread runs
    std::mutex beatMutex;
    std::condition_variable beatWake;
    std::thread beat;
    bool ended = false;
};
