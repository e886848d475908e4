// MPI start and end, and the non-blocking message transport.
#include "mpi/mpi_session.h"

#include "mpi/mpi_protocol.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

const int partingMilliseconds = 5000;   // for the last messages to leave
const int finalizeMilliseconds = 10000; // for the collective end of MPI

[[noreturn]] void leaveNow(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace

struct mpi_session::pending {
    int rank;
    QByteArray body;
    MPI_Request request;
    int tag;
    QElapsedTimer since; // for a message being received
};

mpi_session::mpi_session(int& argc, char**& argv, int threads) {
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_MULTIPLE, &provided);
    beatsAtAll = provided >= MPI_THREAD_MULTIPLE;
    beating = beatsAtAll;
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    MPI_Comm_rank(MPI_COMM_WORLD, &rankIndex);
    MPI_Comm_size(MPI_COMM_WORLD, &rankCount);
    gone.assign(size_t(std::max(rankCount, 1)), false);
    if (threads > 0) {
        threadCount = threads;
    } else {
        MPI_Comm node;
        int onNode = 1;
        if (MPI_Comm_split_type(MPI_COMM_WORLD, MPI_COMM_TYPE_SHARED, rankIndex, MPI_INFO_NULL,
                                &node) == MPI_SUCCESS) {
            MPI_Comm_size(node, &onNode);
            MPI_Comm_free(&node);
        }
        threadCount = std::max(1, QThread::idealThreadCount() / std::max(1, onNode));
    }
    QThreadPool::globalInstance()->setMaxThreadCount(threadCount);
    if (beating && rankIndex == 0 && rankCount > 1) {
        // Rank 0's main thread may be busy for long between passes; this thread is not.
        beat = std::thread([this] {
            std::unique_lock<std::mutex> lock(beatMutex);
            while (!beatWake.wait_for(
                lock, std::chrono::milliseconds(mpi_protocol::heartbeatMilliseconds),
                [this] { return !beating; })) {
                for (int r = 1; r < rankCount; ++r) {
                    MPI_Request request;
                    if (MPI_Isend(nullptr, 0, MPI_BYTE, r, mpi_protocol::heartbeat, MPI_COMM_WORLD,
                                  &request) == MPI_SUCCESS)
                        MPI_Request_free(&request);
                }
            }
        });
    }
}

mpi_session::~mpi_session() {
    end(1);
}

void mpi_session::end(int status) {
    if (ended) return;
    ended = true;
    if (beat.joinable()) {
        {
            std::lock_guard<std::mutex> lock(beatMutex);
            beating = false;
        }
        beatWake.notify_all();
        beat.join();
    }
    // Every rank takes what still comes (results of a stopped pass, heartbeats), so that the
    // messages of the others can leave; a serving rank whose messages are out says it is
    // leaving, and rank 0 ends MPI collectively only when every other rank has said so.
    QElapsedTimer waited;
    waited.start();
    bool told = rankIndex == 0 || lost;
    int leaving = 0;
    int source = 0, tag = 0;
    QByteArray body;
    while (waited.elapsed() < partingMilliseconds) {
        while (receive(source, tag, body))
            if (tag == mpi_protocol::leaving) ++leaving;
        if (sendsPending() == 0) {
            if (!told) {
                send(0, mpi_protocol::leaving, QByteArray());
                told = true;
                continue;
            }
            if (rankIndex != 0 || lost || leaving >= rankCount - 1) break;
        }
        QThread::usleep(1000);
    }
    if (lost || !sends.empty() || (rankIndex == 0 && leaving < rankCount - 1)) leaveNow(status);
    std::mutex mutex;
    std::condition_variable wake;
    bool finalized = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!wake.wait_for(lock, std::chrono::milliseconds(finalizeMilliseconds),
                           [&] { return finalized; }))
            leaveNow(status);
    });
    MPI_Finalize();
    {
        std::lock_guard<std::mutex> lock(mutex);
        finalized = true;
    }
    wake.notify_all();
    watchdog.join();
}

void mpi_session::markLost(int rank) {
    lost = true;
    if (rank >= 0 && rank < rankCount) gone[size_t(rank)] = true;
    for (auto it = arriving.begin(); it != arriving.end();) {
        if ((*it)->rank == rank || rank < 0) {
            abandoned.push_back(std::move(*it));
            it = arriving.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = sends.begin(); it != sends.end();) {
        if ((*it)->rank == rank || rank < 0) {
            abandoned.push_back(std::move(*it));
            it = sends.erase(it);
        } else {
            ++it;
        }
    }
}

void mpi_session::send(int rank, int tag, const QByteArray& body) {
    if (rank >= 0 && rank < static_cast<int>(gone.size()) && gone[size_t(rank)]) return;
    std::unique_ptr<pending> p(new pending{rank, body, MPI_REQUEST_NULL, tag, QElapsedTimer()});
    MPI_Isend(p->body.constData(), p->body.size(), MPI_BYTE, rank, tag, MPI_COMM_WORLD,
              &p->request);
    sends.push_back(std::move(p));
}

int mpi_session::sendsPending() {
    for (auto it = sends.begin(); it != sends.end();) {
        int done = 0;
        // A send that fails (the rank is gone) is over as well.
        if (MPI_Test(&(*it)->request, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS) done = 1;
        it = done ? sends.erase(it) : std::next(it);
    }
    return static_cast<int>(sends.size());
}

bool mpi_session::receive(int& source, int& tag, QByteArray& body, int fromRank) {
    sendsPending();
    // Messages still arriving, oldest first.
    for (auto it = arriving.begin(); it != arriving.end();) {
        pending& in = **it;
        int done = 0;
        const bool failed = MPI_Test(&in.request, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS;
        if (failed || (!done && in.since.elapsed() > messageMilliseconds)) {
            // The buffer stays with MPI, which may still write into it.
            const int rank = in.rank;
            abandoned.push_back(std::move(*it));
            it = arriving.erase(it);
            markLost(rank);
            continue;
        }
        if (done && (fromRank < 0 || in.rank == fromRank)) {
            source = in.rank;
            tag = in.tag;
            body = in.body;
            arriving.erase(it);
            return true;
        }
        ++it;
    }
    // New messages, rank by rank: a rank with a message still arriving waits its turn, so
    // that each rank's messages are taken in the order it sent them.
    for (int r = 0; r < rankCount; ++r) {
        if (r == rankIndex || (fromRank >= 0 && r != fromRank) || gone[size_t(r)]) continue;
        if (std::any_of(arriving.begin(), arriving.end(),
                        [r](const std::unique_ptr<pending>& p) { return p->rank == r; }))
            continue;
        int arrived = 0;
        MPI_Status status;
        MPI_Iprobe(r, MPI_ANY_TAG, MPI_COMM_WORLD, &arrived, &status);
        if (!arrived) continue;
        int count = 0;
        MPI_Get_count(&status, MPI_BYTE, &count);
        std::unique_ptr<pending> in(new pending{r, QByteArray(count, '\0'), MPI_REQUEST_NULL,
                                                status.MPI_TAG, QElapsedTimer()});
        in->since.start();
        MPI_Irecv(in->body.data(), count, MPI_BYTE, r, status.MPI_TAG, MPI_COMM_WORLD,
                  &in->request);
        int done = 0;
        if (MPI_Test(&in->request, &done, MPI_STATUS_IGNORE) == MPI_SUCCESS && done) {
            source = r;
            tag = in->tag;
            body = in->body;
            return true;
        }
        arriving.push_back(std::move(in));
    }
    return false;
}
