// The evaluation back end of rank 0 in an MPI run: the points of a pass are handed out in
// chunks, on demand, to the other ranks (two chunks each at a time, so a rank never waits
// for its next one) and to rank 0's own threads; chunks shrink towards the end of the
// pass, so a slow rank cannot hold up the iteration. Results are put back in point order,
// so the engine gets the same numbers as from the thread pool, whatever the number of ranks.
// Faults end the pass with std::runtime_error: a rank that sends nothing (not even its
// heartbeat) for `silenceMilliseconds` is taken as lost; a chunk that runs far beyond the
// evaluator's time limit counts as hung. A stop cancels the rest of the pass on every rank.
#pragma once

#include "cnm/evaluation_backend.h"
#include "mpi/chunk_runner.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QVector>

class mpi_session;

class mpi_evaluation_backend : public evaluation_backend {
public:
    explicit mpi_evaluation_backend(mpi_session& session);
    // Releases the serving ranks (they end when told the run is over).
    ~mpi_evaluation_backend() override;

    qint64 silenceMilliseconds = 15000;
    // The time limit of one model evaluation (the evaluator's), for the hang rule.
    qint64 evaluationLimitMilliseconds = 10000;

    // Sends the model package (model_package::toBytes) to every other rank and waits until
    // each has built its evaluator. False with a message naming the rank when one cannot
    // build it or does not answer within silenceMilliseconds.
    bool connect(const QByteArray& modelPackage, QString& message);

    QVector<point_evaluation> evaluate(const QList<model_ode>& models,
                                       const QVector<QVector<double>>& cluster,
                                       const QVector<int>& points, const std::atomic<bool>& stop,
                                       const std::function<void(int)>& progress) override;

    // Tells every serving rank that the run is over (also done by the destructor), and
    // whether a rank was lost.
    void finish();

private:
    struct chunk {
        int pass = 0;
        int begin = 0;
        int end = 0;
        int rank = 0;
    };
    // Takes every message that has arrived; results of the current pass go into `results`.
    int receiveAll(QVector<point_evaluation>& results);
    // Throws for a lost rank (the session is told, so MPI does not wait for it at the end)
    // or a hung chunk of rank 0's own.
    void checkAlive();

    mpi_session& session;
    chunk_runner local;
    QVector<int> threadsOf;    // per rank, its evaluating threads (0: not connected)
    QVector<int> outstanding;  // per rank, chunks handed out and not answered
    QVector<qint64> lastHeard; // per rank, when its last message came (clock below)
    QHash<int, chunk> chunks;  // handed-out chunks by id
    chunk localChunk;
    QElapsedTimer clock;
    int pass = 0;
    int nextChunkId = 0;
    bool finished = false;
};
