// MPI start and end, and the non-blocking message transport.
#include "mpi/mpi_session.h"

#include <QThread>
#include <QThreadPool>

#include <mpi.h>

#include <algorithm>
#include <cstdlib>

struct mpi_session::pending {
    QByteArray body;
    MPI_Request request;
};

mpi_session::mpi_session(int& argc, char**& argv, int threads) {
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    MPI_Comm_rank(MPI_COMM_WORLD, &rankIndex);
    MPI_Comm_size(MPI_COMM_WORLD, &rankCount);
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
}

mpi_session::~mpi_session() {
    // Messages to ranks that still listen are delivered before MPI ends.
    for (const std::unique_ptr<pending>& p : sends)
        MPI_Wait(&p->request, MPI_STATUS_IGNORE);
    sends.clear();
    MPI_Finalize();
}

void mpi_session::send(int rank, int tag, const QByteArray& body) {
    std::unique_ptr<pending> p(new pending{body, MPI_REQUEST_NULL});
    MPI_Isend(p->body.constData(), p->body.size(), MPI_BYTE, rank, tag, MPI_COMM_WORLD,
              &p->request);
    sends.push_back(std::move(p));
}

int mpi_session::sendsPending() {
    for (auto it = sends.begin(); it != sends.end();) {
        int done = 0;
        MPI_Test(&(*it)->request, &done, MPI_STATUS_IGNORE);
        it = done ? sends.erase(it) : std::next(it);
    }
    return static_cast<int>(sends.size());
}

bool mpi_session::receive(int& source, int& tag, QByteArray& body, int fromRank) {
    sendsPending();
    int arrived = 0;
    MPI_Status status;
    MPI_Iprobe(fromRank < 0 ? MPI_ANY_SOURCE : fromRank, MPI_ANY_TAG, MPI_COMM_WORLD, &arrived,
               &status);
    if (!arrived) return false;
    int count = 0;
    MPI_Get_count(&status, MPI_BYTE, &count);
    body.resize(count);
    MPI_Recv(body.data(), count, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    source = status.MPI_SOURCE;
    tag = status.MPI_TAG;
    return true;
}

void mpi_session::abortAll(int status) {
    MPI_Abort(MPI_COMM_WORLD, status);
    std::_Exit(status);
}
