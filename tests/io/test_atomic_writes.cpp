// Files replaced while a process is killed at a random moment: every file left behind is
// either the version before or the version after, never a truncated mix.
#include "cnm/compResult.h"
#include "io/cell_table.h"
#include "io/model_directory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Two versions of a result record and a cell table, large enough that a kill often lands in
// the middle of a write.
struct version {
    compResult record;
    cell_table table;
    model_directory model;
};

version makeVersion(double offset) {
    version v;
    for (int k = 0; k < 3; ++k) {
        QVector<QVector<double>> X(200, QVector<double>(20));
        for (int i = 0; i < 200; ++i)
            for (int j = 0; j < 20; ++j)
                X[i][j] = offset + k + i * 0.001 + j;
        v.record.X << X;
        v.record.Y << X;
        v.record.Parameter << X;
        v.record.R << QVector<double>(200, offset + k);
    }
    v.record.computation_log = QStringList{"run " + QString::number(offset)};
    v.table = cell_table(300, QVector<QString>{"liver, male", QString::number(offset), "x"});
    v.model.odeText = QString("dAdt = -k*A ; version %1\n").arg(offset).repeated(200);
    v.model.doseEvents = v.table;
    v.model.observations = v.table;
    return v;
}

void saveVersion(const QString& dir, version& v) {
    v.model.save(dir);
    v.record.save(dir);
    writeCellTable(dir + "/table.txt", v.table, 3);
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(AtomicWrites, AKillAtAnyMomentLeavesOldOrNewFiles) {
    QTemporaryDir a, b, work;
    for (const QString& dir : {a.path(), b.path(), work.path()})
        QDir(dir).mkdir("compResult");
    version first = makeVersion(1), second = makeVersion(2);
    saveVersion(a.path(), first);
    saveVersion(b.path(), second);
    saveVersion(work.path(), first); // the state before the first kill
    QStringList files = QDir(a.path() + "/compResult").entryList(QDir::Files);
    for (QString& f : files)
        f = "/compResult/" + f;
    files << "/table.txt";

    std::mt19937 rng(3);
    for (int kill = 0; kill < 150; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                saveVersion(work.path(), first);
                saveVersion(work.path(), second);
            }
        }
        usleep(std::uniform_int_distribution<int>(1000, 30000)(rng));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        for (const QString& f : files) {
            const QByteArray now = contents(work.path() + f);
            ASSERT_TRUE(now == contents(a.path() + f) || now == contents(b.path() + f))
                << "kill " << kill << ": " << f.toStdString() << " is neither version";
        }
    }
    // Every file left must still read: the record and the table come back whole.
    compResult back;
    ASSERT_TRUE(back.readIn(work.path()));
    EXPECT_EQ(back.X.size(), 3);
    cell_table table;
    ASSERT_TRUE(readCellTable(work.path() + "/table.txt", table));
    EXPECT_EQ(table[0][0], "liver, male");
}

TEST(AtomicWrites, AWriteThatFailsIsReportedAndKeepsTheOldFile) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/t.csv";
    ASSERT_TRUE(writeCellTable(file, {{"old"}}, 1));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool written = writeCellTable(file, {{"new"}}, 1);
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (geteuid() != 0) {
        EXPECT_FALSE(written); // root writes into read-only folders
    }
    cell_table back;
    ASSERT_TRUE(readCellTable(file, back));
    EXPECT_EQ(back[0][0], written ? "new" : "old");
    EXPECT_FALSE(writeCellTable(tmp.path() + "/no/such/folder/t.csv", {{"x"}}, 1));
}
