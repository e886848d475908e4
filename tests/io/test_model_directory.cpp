// The model folder: the cell-table dialect (missing cells, last-row rules, "NA" filling,
// cells with separators, quotes and line breaks surviving a round trip, a file without quotes
// split as plain lines and commas), a save followed by a load giving back what defines the
// model, and the history copy.
#include "io/model_directory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

QString readAll(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return QString::fromUtf8(f.readAll());
}

TEST(CellTable, WritesMissingCellsAndTheLastRowLikeTheTable) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/t.csv";
    // a, (no item) / b, c: a missing last cell of a non-final row is " \n".
    writeCellTable(file, {{"a", QString()}, {"b", "c"}}, 2);
    EXPECT_EQ(readAll(file), "a, \nb,c");
    // Missing cells elsewhere; the last row writes a missing cell as nothing.
    writeCellTable(file, {{QString(), "x", ""}, {QString(), "y", QString()}}, 3);
    EXPECT_EQ(readAll(file), " ,x,\n,y,");
}

TEST(CellTable, ReadsRowsWithNAForShortLines) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/t.csv";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1,2\n3\n4,5,6\n7,8");
    f.close();
    cell_table cells;
    ASSERT_TRUE(readCellTable(file, cells));
    ASSERT_EQ(cells.size(), 4);
    // The column count starts at the last line's two fields and grows at the third line.
    EXPECT_EQ(cells[0], (QVector<QString>{"1", "2", QString()}));
    EXPECT_EQ(cells[1], (QVector<QString>{"3", "NA", QString()}));
    EXPECT_EQ(cells[2], (QVector<QString>{"4", "5", "6"}));
    EXPECT_EQ(cells[3], (QVector<QString>{"7", "8", "NA"}));
    EXPECT_FALSE(readCellTable(tmp.path() + "/missing.csv", cells));
    EXPECT_EQ(cells.size(), 4); // untouched
}

TEST(CellTable, CellTextTreatsBlankAndMissingAlike) {
    const cell_table cells{{"A", " ", ""}, {QString()}};
    EXPECT_EQ(cellText(cells, 0, 0), "A");
    EXPECT_EQ(cellText(cells, 0, 1) + cellText(cells, 0, 2) + cellText(cells, 1, 0) +
                  cellText(cells, 5, 5),
              "");
}

model_directory sampleModel() {
    model_directory m;
    m.odeText = "dAdt = -k*A ; elimination, in µg/h\n\ndBdt = k*A";
    m.parameterSpecification = {{"0.1", "10", "0", QString(), "note, with comma?"}};
    m.xLowerBound = {-1};
    m.xUpperBound = {1};
    m.parameterNames = QStringList{"k"};
    m.gText = "k=10^(x1)";
    m.gInverseText = "x1=LOG10(k)";
    m.variableNames = QStringList{"A", "B"};
    m.initialCluster = {{"0.5"}, {"-0.25"}};
    m.doseEvents = {{"0", "A", "100", "0", QString()}, {"12", "A", "2*50", "1", "infusion"}};
    m.observations = {{"1", "A", "5", QString()}, {"2", "LOG10(A)", "0.3", QString()}};
    m.simulationParameters = {{""}};
    m.simulationDoseEvents = m.doseEvents;
    m.simulationTimePoints = "0:1:10";
    m.jacobianStructure = {{1, 0}, {1, 0}};
    return m;
}

TEST(ModelDirectory, SaveThenLoadGivesBackTheModel) {
    QTemporaryDir tmp;
    const model_directory saved = sampleModel();
    ASSERT_TRUE(saved.save(tmp.path()));
    EXPECT_TRUE(QDir(tmp.path() + "/compResult").exists());
    EXPECT_EQ(readAll(tmp.path() + "/model/variableNames.txt"), "A\nB");
    EXPECT_EQ(readAll(tmp.path() + "/model/ODE_RHS_Jacobian_Structure.csv"), "1,0\n1,0\n");
    EXPECT_EQ(readAll(tmp.path() + "/model/x_ul.csv"), "-1\n1\n");
    // Scripts only when asked for.
    EXPECT_FALSE(QFile::exists(tmp.path() + "/model/rscript_ODE.R"));
    model_directory withScripts = saved;
    withScripts.writeScripts = true;
    withScripts.rScript = "library('deSolve')\n\n";
    withScripts.matlabScript = "function matlab_ODE()\n";
    const QString other = tmp.path() + "/with scripts";
    ASSERT_TRUE(withScripts.save(other));
    EXPECT_EQ(readAll(other + "/model/rscript_ODE.R"), withScripts.rScript);
    EXPECT_EQ(readAll(other + "/model/matlab_ODE.m"), withScripts.matlabScript);

    model_directory loaded;
    ASSERT_TRUE(loaded.load(tmp.path()));
    EXPECT_EQ(loaded.odeText, saved.odeText);
    EXPECT_EQ(loaded.gText, saved.gText);
    EXPECT_EQ(loaded.gInverseText, saved.gInverseText);
    ASSERT_EQ(loaded.doseEvents.size(), 2);
    EXPECT_EQ(loaded.doseEvents[1], saved.doseEvents[1]);
    EXPECT_EQ(cellText(loaded.doseEvents, 0, 4), ""); // the missing note reads as blank
    EXPECT_EQ(loaded.observations[1][1], "LOG10(A)");
    EXPECT_EQ(loaded.initialCluster.size(), 2);
    EXPECT_TRUE(loaded.hasParameterSpecification);
    // A comma inside a note survives: the cell is quoted.
    EXPECT_EQ(loaded.parameterSpecification[0][4], "note, with comma?");

    // The seven files that define the model are copied into the history; a second save
    // within the same second keeps its own copies in a folder of its own.
    ASSERT_TRUE(saved.save(tmp.path()));
    const QStringList folders =
        QDir(tmp.path() + "/history").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 2);
    for (const QString& folder : folders) {
        EXPECT_TRUE(folder.startsWith("model "));
        const QStringList files = QDir(tmp.path() + "/history/" + folder).entryList(QDir::Files);
        EXPECT_EQ(files.size(), 7);
        EXPECT_TRUE(files.contains("ODE_expression.txt") && files.contains("observations.txt"));
    }
}

TEST(ModelDirectory, RunSettingsAreKeptAndOldDirectoriesGetTheDefaults) {
    QTemporaryDir tmp;
    model_directory m = sampleModel();
    m.runSettings.relativeTolerance = "1e-4";
    m.runSettings.weights = "1,0\n0,1\\n\n"; // a backslash and line breaks
    m.runSettings.initialLambda = "a = b";
    ASSERT_TRUE(m.save(tmp.path()));
    model_directory loaded;
    ASSERT_TRUE(loaded.load(tmp.path()));
    EXPECT_TRUE(loaded.hasRunSettings);
    EXPECT_EQ(loaded.runSettings, m.runSettings);
    ASSERT_TRUE(QFile::remove(model_directory::runSettingsFile(tmp.path())));
    ASSERT_TRUE(loaded.load(tmp.path()));
    EXPECT_FALSE(loaded.hasRunSettings);
    EXPECT_EQ(loaded.runSettings, run_settings());
}

TEST(ModelDirectory, FilesThatCannotBeWrittenAreNamedAndTheOldOnesKept) {
    QTemporaryDir tmp;
    ASSERT_TRUE(sampleModel().save(tmp.path()));
    // A folder where a file belongs cannot be replaced; the other files are still written.
    const QString blocked = tmp.path() + "/model/observations.txt";
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkdir(blocked));
    model_directory changed = sampleModel();
    changed.odeText = "dAdt = -2*k*A";
    QStringList failed;
    EXPECT_FALSE(changed.save(tmp.path(), &failed));
    EXPECT_EQ(failed, QStringList{blocked});
    EXPECT_EQ(readAll(model_directory::odeTextFile(tmp.path())), changed.odeText);
}

TEST(ModelDirectory, MissingDirectoryOrFiles) {
    model_directory m;
    EXPECT_FALSE(m.load("/nonexistent/velmora"));
    EXPECT_FALSE(m.hasDoseEvents);
    EXPECT_FALSE(m.hasComputationLog);
    EXPECT_FALSE(sampleModel().save("/proc/velmora-cannot-write"));
}

QString randomText(std::mt19937& rng, const QString& alphabet, int maxLength) {
    QString s(""); // an empty cell, not a missing one
    const int length = std::uniform_int_distribution<int>(0, maxLength)(rng);
    for (int i = 0; i < length; ++i)
        s += alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(rng)];
    return s;
}

} // namespace

TEST(CellTableDialect, RandomCellsRoundTrip) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/t.csv";
    const QString alphabet = QString::fromUtf8("ab1 ,\"\n\r\xC2\xB5;");
    std::mt19937 rng(7);
    for (int trial = 0; trial < 300; ++trial) {
        const int rows = std::uniform_int_distribution<int>(0, 4)(rng);
        const int columns = std::uniform_int_distribution<int>(1, 4)(rng);
        cell_table cells(rows, QVector<QString>(columns));
        for (auto& row : cells)
            for (QString& cell : row)
                cell = randomText(rng, alphabet, 6);
        writeCellTable(file, cells, columns);
        cell_table back;
        ASSERT_TRUE(readCellTable(file, back));
        ASSERT_EQ(back, cells) << "trial " << trial;
    }
}

TEST(CellTableDialect, TextWithoutQuotesSplitsAtLinesAndCommas) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 5000; ++trial) {
        const QString text = randomText(rng, "ab ,\n", 12);
        // The plain reading: one row per line (a final line break opens none), split at ",".
        QStringList lines = text.split('\n');
        if (text.endsWith('\n') || text.isEmpty()) lines.removeLast();
        QVector<QStringList> expected;
        for (const QString& line : lines)
            expected << line.split(',');
        ASSERT_EQ(splitCellRows(text), expected) << text.toStdString();
    }
}

TEST(CellTableDialect, QuotedCellsAreWrittenOnlyWhenNeeded) {
    QTemporaryDir tmp;
    const QString file = tmp.path() + "/t.csv";
    writeCellTable(file, {{"liver, male", "say \"hi\"", "plain"}, {""}}, 3);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "\"liver, male\",\"say \"\"hi\"\"\",plain\n,,");
}
