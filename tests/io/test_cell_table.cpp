// The cell-table dialect: cells with separators, quotes and line breaks survive a round trip,
// and a file without quotes splits exactly as the plain line-and-comma reading did.
#include "io/cell_table.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

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
