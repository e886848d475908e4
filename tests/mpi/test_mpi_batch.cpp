// velmora-batch --mpi as the user starts it, through mpirun: on three ranks it writes the
// threaded run's result files byte for byte (same seed), and a worker rank killed mid-run
// ends the run with a message naming it, the finished iterations kept on disk.
#include "batch/example_copy.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString batch = QString(VELMORA_BINARY_DIR) + "/src/velmora-batch";
const QStringList mpirun{
    "--allow-run-as-root", "--oversubscribe", "--enable-recovery", "-np", "3", batch};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// The log without the lines that hold the date or the elapsed time.
QByteArray timeless(QByteArray log) {
    QByteArray out;
    for (const QByteArray& line : log.split('\n'))
        if (!line.contains("started at") && !line.contains("time so far")) out += line + '\n';
    return out;
}

int run(const QString& program, const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(600000);
    if (errors) *errors = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(MpiBatch, ThreeRanksWriteTheThreadedRunsFilesByteForByte) {
    QTemporaryDir threaded, overMpi;
    copyExample("oral_multiple_dose", threaded.path());
    copyExample("oral_multiple_dose", overMpi.path());
    const QStringList options{"--seed", "7", "--stage2", "6", "--points", "120"};
    ASSERT_EQ(run(batch, QStringList{threaded.path()} + options), 0);
    QByteArray errors;
    ASSERT_EQ(run(MPIEXEC, mpirun + QStringList{overMpi.path(), "--mpi"} + options, &errors), 0)
        << errors.toStdString();

    const QDir a(threaded.path() + "/compResult");
    const QStringList files = a.entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(QDir(overMpi.path() + "/compResult").entryList(QDir::Files, QDir::Name), files);
    EXPECT_GT(files.size(), 30);
    for (const QString& name : files) {
        const QByteArray mine = contents(a.filePath(name));
        const QByteArray theirs = contents(overMpi.path() + "/compResult/" + name);
        if (name == "computation_log.txt")
            EXPECT_EQ(timeless(mine), timeless(theirs));
        else
            EXPECT_TRUE(mine == theirs) << name.toStdString();
    }
}

// The process of rank `rank` among the children of mpirun.
qint64 rankProcess(qint64 mpirunPid, int rank) {
    const QByteArray wanted = "OMPI_COMM_WORLD_RANK=" + QByteArray::number(rank);
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        const QList<QByteArray> stat = contents("/proc/" + pid + "/stat").split(' ');
        if (stat.size() < 4 || stat[3].toLongLong() != mpirunPid) continue;
        if (contents("/proc/" + pid + "/environ").split('\0').contains(wanted))
            return pid.toLongLong();
    }
    return -1;
}

TEST(MpiBatch, AKilledRankEndsTheRunWithItsMessageAndTheFinishedIterations) {
    QTemporaryDir dir;
    copyExample("pbpk13", dir.path());
    QProcess p;
    p.start(MPIEXEC, mpirun + QStringList{dir.path(), "--mpi", "--mpi-timeout", "2", "--seed", "3",
                                          "--points", "400", "--stage2", "60"});
    ASSERT_TRUE(p.waitForStarted());
    const QString second = dir.path() + "/compResult/X_1.csv";
    for (int i = 0; i < 1200 && !QFile::exists(second); ++i)
        QThread::msleep(100);
    ASSERT_TRUE(QFile::exists(second));
    const qint64 victim = rankProcess(p.processId(), 2);
    ASSERT_GT(victim, 0);
    ::kill(static_cast<pid_t>(victim), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString errors = p.readAllStandardError();
    // mpirun in recovery mode ends with status 0 whatever the ranks return: the message
    // is what tells the user.
    EXPECT_TRUE(errors.contains("the run ended early: rank 2 has sent nothing"))
        << errors.toStdString();
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_TRUE(contents(dir.path() + "/compResult/computation_log.txt").contains("rank 2"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/compResult/X_59.csv"));
}

} // namespace
