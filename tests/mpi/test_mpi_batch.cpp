// velmora-batch --mpi as the user starts it, through mpirun: on three ranks it writes the
// threaded run's result files byte for byte (same seed). A rank that dies is tested on the
// back end, and the engine keeps the finished iterations of a failed run.
#include "batch/example_copy.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
