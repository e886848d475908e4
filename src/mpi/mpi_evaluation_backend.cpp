// Rank 0's side of an MPI pass: hand out chunks, collect results, watch the other ranks.
#include "mpi/mpi_evaluation_backend.h"

#include "mpi/mpi_buffer.h"
#include "mpi/mpi_protocol.h"
#include "mpi/mpi_session.h"

#include <QThread>

#include <stdexcept>

namespace {

QString seconds(qint64 milliseconds) {
    return QString::number(milliseconds / 1000.0, 'g', 3) + " s";
}

// The points begin .. end-1 of a pass, in words.
QString pointRange(int begin, int end) {
    return end - begin == 1
               ? "point " + QString::number(begin + 1)
               : "points " + QString::number(begin + 1) + " to " + QString::number(end);
}

} // namespace

mpi_evaluation_backend::mpi_evaluation_backend(mpi_session& session)
    : session(session), local(session.threads()), threadsOf(session.size(), 0),
      outstanding(session.size(), 0), lastHeard(session.size(), 0) {
    clock.start();
    threadsOf[0] = session.threads();
}

mpi_evaluation_backend::~mpi_evaluation_backend() {
    finish();
    if (local.runningMilliseconds() > 0) local.abandon();
}

void mpi_evaluation_backend::finish() {
    if (finished) return;
    finished = true;
    mpi_buffer out;
    out.putInt(session.anyLost() ? 1 : 0);
    for (int r = 1; r < session.size(); ++r)
        session.send(r, mpi_protocol::finish, out.bytes);
}

bool mpi_evaluation_backend::connect(const QByteArray& modelPackage, QString& message) {
    session.messageMilliseconds = silenceMilliseconds;
    for (int r = 1; r < session.size(); ++r) {
        session.send(r, mpi_protocol::model, modelPackage);
        lastHeard[r] = clock.elapsed();
    }
    int waiting = session.size() - 1;
    int source = 0, tag = 0;
    QByteArray body;
    while (waiting > 0) {
        if (!session.receive(source, tag, body)) {
            for (int r = 1; r < session.size(); ++r) {
                if (threadsOf[r] == 0 && clock.elapsed() - lastHeard[r] > silenceMilliseconds) {
                    session.markLost(r);
                    message = QString("rank %1 did not answer within %2 after the model was sent")
                                  .arg(r)
                                  .arg(seconds(silenceMilliseconds));
                    return false;
                }
            }
            QThread::usleep(500);
            continue;
        }
        mpi_buffer in(body);
        if (tag == mpi_protocol::failed) {
            message = QString("rank %1 cannot build the model: %2").arg(source).arg(in.takeText());
            return false;
        }
        if (tag == mpi_protocol::ready && threadsOf[source] == 0) {
            threadsOf[source] = std::max<int>(1, static_cast<int>(in.takeInt()));
            lastHeard[source] = clock.elapsed();
            --waiting;
        }
    }
    return true;
}

int mpi_evaluation_backend::receiveAll(QVector<point_evaluation>& results) {
    int finishedPoints = 0;
    int source = 0, tag = 0;
    QByteArray body;
    while (session.receive(source, tag, body)) {
        lastHeard[source] = clock.elapsed();
        mpi_buffer in(body);
        if (tag == mpi_protocol::hung) throw std::runtime_error(in.takeText().toStdString());
        if (tag == mpi_protocol::failed)
            throw std::runtime_error(
                QString("rank %1 failed: %2").arg(source).arg(in.takeText()).toStdString());
        if (tag != mpi_protocol::result) continue;
        const int resultPass = static_cast<int>(in.takeInt());
        const int id = static_cast<int>(in.takeInt());
        const int count = static_cast<int>(in.takeInt());
        const auto it = chunks.find(id);
        if (it == chunks.end() || resultPass != pass) continue; // a cancelled pass
        const chunk c = it.value();
        chunks.erase(it);
        --outstanding[c.rank];
        QVector<point_evaluation> got;
        for (int i = 0; i < count && in.ok; ++i)
            got.append(in.takeEvaluation());
        if (!in.ok || got.size() != c.end - c.begin)
            throw std::runtime_error(QString("rank %1 sent a malformed result for %2")
                                         .arg(source)
                                         .arg(pointRange(c.begin, c.end))
                                         .toStdString());
        for (int i = 0; i < got.size(); ++i)
            results[c.begin + i] = got[i];
        finishedPoints += got.size();
    }
    return finishedPoints;
}

void mpi_evaluation_backend::checkAlive() {
    const qint64 now = clock.elapsed();
    for (int r = 1; r < session.size(); ++r) {
        if (outstanding[r] == 0 || now - lastHeard[r] <= silenceMilliseconds) continue;
        int begin = -1, end = -1;
        for (const chunk& c : chunks)
            if (c.rank == r && (begin < 0 || c.begin < begin)) {
                begin = c.begin;
                end = c.end;
            }
        session.markLost(r);
        throw std::runtime_error(QString("rank %1 has sent nothing for %2 (it was evaluating %3); "
                                         "it is taken as lost")
                                     .arg(r)
                                     .arg(seconds(now - lastHeard[r]))
                                     .arg(pointRange(begin, end))
                                     .toStdString());
    }
    const qint64 running = local.runningMilliseconds();
    const qint64 limit = mpi_protocol::hangMilliseconds(localChunk.end - localChunk.begin,
                                                        local.threads, evaluationLimitMilliseconds);
    if (running > limit)
        throw std::runtime_error(
            QString("the model evaluation of %1 on rank 0 has run for %2; it is taken as hung")
                .arg(pointRange(localChunk.begin, localChunk.end))
                .arg(seconds(running))
                .toStdString());
}

QVector<point_evaluation>
mpi_evaluation_backend::evaluate(const QList<model_ode>& models,
                                 const QVector<QVector<double>>& cluster,
                                 const QVector<int>& points, const std::atomic<bool>& stop,
                                 const std::function<void(int)>& progress) {
    ++pass;
    chunks.clear();
    for (int& o : outstanding)
        o = 0;
    const int count = std::min(models.size(), points.size());
    QVector<point_evaluation> results(points.size());
    int totalThreads = 0;
    for (int t : threadsOf)
        totalThreads += t;

    // Messages that came while rank 0 was busy between passes (heartbeats) count from now.
    receiveAll(results);
    int next = 0;
    int done = 0;
    localChunk = chunk();
    while (done < count) {
        if (stop) {
            for (int r = 1; r < session.size(); ++r) {
                mpi_buffer out;
                out.putInt(pass);
                session.send(r, mpi_protocol::cancel, out.bytes);
            }
            chunks.clear();
            for (int& o : outstanding)
                o = 0;
            break;
        }
        bool busy = false;
        // Every serving rank keeps two chunks: one being evaluated, the next one waiting.
        for (int r = 1; r < session.size() && next < count; ++r) {
            while (outstanding[r] < 2 && next < count) {
                const int size = mpi_protocol::chunkSize(count - next, threadsOf[r], totalThreads);
                mpi_buffer out;
                out.putInt(pass);
                out.putInt(nextChunkId);
                out.putInt(size);
                for (int i = next; i < next + size; ++i)
                    out.putRow(rowOf(cluster, points[i]));
                session.send(r, mpi_protocol::task, out.bytes);
                if (outstanding[r] == 0) lastHeard[r] = clock.elapsed(); // silence counts from now
                chunks.insert(nextChunkId++, chunk{pass, next, next + size, r});
                ++outstanding[r];
                next += size;
                busy = true;
            }
        }
        if (local.finished()) {
            const QVector<point_evaluation> got = local.take();
            for (int i = 0; i < got.size(); ++i)
                results[localChunk.begin + i] = got[i];
            done += got.size();
            busy = true;
            if (progress) progress(done);
        }
        if (local.idle() && next < count) {
            const int size = mpi_protocol::chunkSize(count - next, local.threads, totalThreads);
            QVector<QVector<double>> rows;
            for (int i = next; i < next + size; ++i)
                rows.append(rowOf(cluster, points[i]));
            local.start(models.mid(next, size), rows);
            localChunk = chunk{pass, next, next + size, 0};
            next += size;
            busy = true;
        }
        const int received = receiveAll(results);
        if (received > 0) {
            done += received;
            busy = true;
            if (progress) progress(done);
        }
        checkAlive();
        // Serving ranks hold a chunk in reserve, so their results may wait a millisecond;
        // rank 0's own chunk wakes it as soon as it is done.
        if (!busy) {
            if (local.runningMilliseconds() > 0)
                local.waitForFinish(1);
            else
                QThread::usleep(200);
        }
    }
    // A chunk of rank 0's own still running after a stop ends before the next pass starts.
    while (!local.idle()) {
        if (local.finished()) {
            local.take();
            break;
        }
        checkAlive();
        QThread::usleep(200);
    }
    return results;
}
