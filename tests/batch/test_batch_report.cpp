// The identifiability table and files at the end of a run, and `velmora-batch report`: a saved
// result gives the table on standard output, the three kinds of identifiability files and,
// with --pdf, a PDF; a directory without a result or a model gives status 2 and one line.
#include "batch/example_copy.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct outcome {
    int status = -1;
    QString out, err;
};

outcome velmoraBatch(const QStringList& args) {
    QProcess p;
    p.start(QString(VELMORA_BINARY_DIR) + "/src/velmora-batch", args);
    outcome o;
    if (!p.waitForFinished(120000)) return o;
    o.status = p.exitCode();
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return o;
}

TEST(BatchReport, SavedResultGivesTableFilesAndPdf) {
    if (!QFile::exists(QString(VELMORA_BINARY_DIR) + "/src/velmora-batch"))
        GTEST_SKIP() << "velmora-batch not built";
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("oral");
    copyExample("oral_multiple_dose", dir);

    const outcome noResult = velmoraBatch({"report", dir});
    EXPECT_EQ(noResult.status, 2);
    EXPECT_EQ(noResult.err.toStdString(),
              ("velmora-batch: " + dir + "/compResult: no saved result").toStdString());
    EXPECT_EQ(velmoraBatch({"report", tmp.filePath("none")}).status, 2);

    // A run ends with the table and the files; the report command writes them again.
    const outcome run = velmoraBatch({dir, "--stage2", "3"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Families of fits"));
    EXPECT_TRUE(QFile::remove(dir + "/compResult/identifiability.csv"));
    const outcome report = velmoraBatch({"report", dir + "/", "--pdf", tmp.filePath("r.pdf")});
    ASSERT_EQ(report.status, 0) << report.err.toStdString();
    for (const char* name : {"CL", "V", "ka", "Families of fits"})
        EXPECT_TRUE(report.out.contains(name)) << name;
    for (const char* file : {"identifiability.csv", "profile_ka.csv", "families.csv"})
        EXPECT_TRUE(QFile::exists(dir + "/compResult/" + file)) << file;
    QFile pdf(tmp.filePath("r.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));

    const outcome unwritable =
        velmoraBatch({"report", dir, "--pdf", tmp.filePath("no/such/folder/r.pdf")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("Could not write")) << unwritable.err.toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
