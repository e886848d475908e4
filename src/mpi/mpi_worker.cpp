// The serving loop of ranks 1 .. K-1.
#include "mpi/mpi_worker.h"

#include "mpi/chunk_runner.h"
#include "mpi/model_package.h"
#include "mpi/mpi_buffer.h"
#include "mpi/mpi_protocol.h"
#include "mpi/mpi_session.h"

#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <algorithm>
#include <deque>

namespace {

struct chunk_task {
    qint64 pass;
    qint64 id;
    QVector<QVector<double>> rows;
};

} // namespace

int mpi_worker::serve(QString& message) {
    int source = 0, tag = 0;
    QByteArray body;
    model_package package;
    QElapsedTimer fromRankZero;
    fromRankZero.start();
    // Rank 0 is gone (killed, crashed) when even its heartbeat stays away that long.
    const auto rankZeroGone = [&] {
        const qint64 limit =
            std::max(package.silenceMilliseconds, 4 * mpi_protocol::heartbeatMilliseconds);
        if (!session.rankZeroBeats() || fromRankZero.elapsed() <= limit) return false;
        message = QString("rank 0 has sent nothing for %1 s; it is taken as lost")
                      .arg(fromRankZero.elapsed() / 1000);
        session.markLost(0);
        return true;
    };
    // The model package comes first.
    while (true) {
        if (session.receive(source, tag, body, 0)) {
            fromRankZero.restart();
            if (tag == mpi_protocol::model) break;
            if (tag == mpi_protocol::finish) {
                if (mpi_buffer(body).takeInt() != 0) session.markLost(-1);
                return 0;
            }
        } else if (rankZeroGone()) {
            return 1;
        } else {
            QThread::usleep(1000);
        }
    }
    model_ode evaluator;
    if (!package.fromBytes(body)) message = "the model package is incomplete";
    session.messageMilliseconds =
        std::max(package.silenceMilliseconds, 4 * mpi_protocol::heartbeatMilliseconds);
    if (message.isEmpty()) package.buildEvaluator(evaluator, message);
    if (!message.isEmpty()) {
        mpi_buffer out;
        out.putText(message);
        session.send(0, mpi_protocol::failed, out.bytes); // delivered as the session ends
        return 1;
    }
    chunk_runner runner(session.threads());
    {
        mpi_buffer out;
        out.putInt(runner.threads);
        session.send(0, mpi_protocol::ready, out.bytes);
    }

    std::deque<chunk_task> queue;
    chunk_task current{-1, -1, {}};
    qint64 cancelledPass = -1;
    bool hangReported = false;
    QElapsedTimer sinceHeartbeat;
    sinceHeartbeat.start();
    while (true) {
        bool busy = false;
        while (session.receive(source, tag, body, 0)) {
            busy = true;
            fromRankZero.restart();
            mpi_buffer in(body);
            if (tag == mpi_protocol::finish) {
                if (in.takeInt() != 0) session.markLost(-1);
                if (!runner.idle() && !runner.finished()) {
                    runner.abandon();
                    evaluationAbandoned = true;
                }
                return 0;
            }
            if (tag == mpi_protocol::cancel) {
                cancelledPass = in.takeInt();
                while (!queue.empty() && queue.front().pass <= cancelledPass)
                    queue.pop_front();
            } else if (tag == mpi_protocol::task) {
                chunk_task t;
                t.pass = in.takeInt();
                t.id = in.takeInt();
                const qint64 count = in.takeInt();
                for (qint64 i = 0; i < count && in.ok; ++i)
                    t.rows.append(in.takeRow());
                if (in.ok && t.pass > cancelledPass) queue.push_back(t);
            }
        }
        if (rankZeroGone()) {
            if (!runner.idle() && !runner.finished()) {
                runner.abandon();
                evaluationAbandoned = true;
            }
            return 1;
        }
        if (runner.finished()) {
            const QVector<point_evaluation> results = runner.take();
            if (current.pass > cancelledPass) {
                mpi_buffer out;
                out.putInt(current.pass);
                out.putInt(current.id);
                out.putInt(results.size());
                for (const point_evaluation& r : results)
                    out.putEvaluation(r);
                session.send(0, mpi_protocol::result, out.bytes);
                sinceHeartbeat.restart();
            }
            busy = true;
        }
        if (runner.idle() && !queue.empty()) {
            current = queue.front();
            queue.pop_front();
            QList<model_ode> evaluators;
            for (int i = 0; i < current.rows.size(); ++i)
                evaluators.append(evaluator);
            runner.start(evaluators, current.rows);
            hangReported = false;
            busy = true;
        }
        const qint64 running = runner.runningMilliseconds();
        if (!hangReported &&
            running > mpi_protocol::hangMilliseconds(current.rows.size(), runner.threads,
                                                     evaluator.timeLimitMilliseconds)) {
            mpi_buffer out;
            out.putText(QString("a model evaluation on rank %1 has run for %2 s (%3 points "
                                "in its chunk); it is taken as hung")
                            .arg(session.rank())
                            .arg(running / 1000)
                            .arg(current.rows.size()));
            session.send(0, mpi_protocol::hung, out.bytes);
            hangReported = true;
        }
        // Rank 0 listens for heartbeats only while this rank holds chunks of its pass.
        const bool holdsWork = !runner.idle() || !queue.empty();
        if (holdsWork && sinceHeartbeat.elapsed() >= mpi_protocol::heartbeatMilliseconds) {
            session.send(0, mpi_protocol::heartbeat, QByteArray());
            sinceHeartbeat.restart();
        }
        if (!busy) {
            if (runner.runningMilliseconds() > 0)
                runner.waitForFinish(1);
            else
                QThread::usleep(runner.idle() && queue.empty() ? 1000 : 200);
        }
    }
}
