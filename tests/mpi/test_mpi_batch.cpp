// velmora-batch --mpi as the user starts it, through mpirun: on three ranks it writes the
// threaded run's result files byte for byte (same seed); a rank killed during the run ends
// it with a message naming the rank, and the finished iterations stay readable on disk.
#include "batch/example_copy.h"
#include "cnm/compResult.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

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

// SIGKILL to the process of `rank` among the children of mpirun; false when none is found.
bool killRank(qint64 mpirun, int rank) {
    const QByteArray mark = "OMPI_COMM_WORLD_RANK=" + QByteArray::number(rank);
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat"), environment("/proc/" + pid + "/environ");
        if (!stat.open(QIODevice::ReadOnly) || !environment.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll(); // "pid (name) state ppid ..."
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toLongLong() == mpirun &&
            environment.readAll().split('\0').contains(mark))
            return ::kill(pid.toInt(), SIGKILL) == 0;
    }
    return false;
}

// A long run of the example in dir; `rank` is killed once iteration 1 is on disk. What the
// run printed on stderr by the time mpirun ended.
QString runAndKill(const QString& dir, int rank) {
    copyExample("oral_multiple_dose", dir);
    QProcess p;
    p.start(MPIEXEC, mpirun + QStringList{dir, "--mpi", "--seed", "7", "--stage2", "300",
                                          "--points", "1000", "--mpi-timeout", "2"});
    while (!QFile::exists(dir + "/compResult/X_1.csv") && p.state() != QProcess::NotRunning)
        p.waitForFinished(20);
    if (!killRank(p.processId(), rank)) return "(no such rank)";
    if (!p.waitForFinished(120000)) return "(the run did not end)";
    return p.readAllStandardError();
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

TEST(MpiBatch, ARankKilledMidRunEndsItWithItsNameAndKeepsTheFinishedIterations) {
    QTemporaryDir dir;
    const QString errors = runAndKill(dir.path(), 2);
    const QRegularExpressionMatch said =
        QRegularExpression("the run ended early: rank 2 has sent nothing for .*; it is taken as "
                           "lost; (\\d+) finished iterations are saved")
            .match(errors);
    ASSERT_TRUE(said.hasMatch()) << errors.toStdString();
    const int kept = said.captured(1).toInt();
    EXPECT_GE(kept, 2);
    compResult record;
    ASSERT_TRUE(record.readIn(dir.path()));
    EXPECT_EQ(record.X.size(), kept);
    EXPECT_EQ(record.X.value(kept - 1).size(), 1000);
    const QByteArray log = contents(dir.path() + "/compResult/computation_log.txt");
    EXPECT_TRUE(log.contains("CN iteration failed\nrank 2 has sent nothing"))
        << log.right(300).toStdString();
}

TEST(MpiBatch, WhenRankZeroIsKilledTheOtherRanksSaySoAndEnd) {
    QTemporaryDir dir;
    const QString errors = runAndKill(dir.path(), 0);
    for (int rank : {1, 2})
        EXPECT_TRUE(errors.contains(
            QString("velmora-batch (rank %1): rank 0 has sent nothing for").arg(rank)))
            << errors.toStdString();
}

} // namespace
