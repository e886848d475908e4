// Exact output of the table helpers: CSV files of cell texts, matrices shown in tables,
// tables read back as numbers or texts.
#include "ui/table_utils.h"

#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

void writeAll(const QString& path, const QString& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

// A cell's text, or "<none>" when the cell has no item.
QString cell(QTableWidget& t, int r, int c) {
    return t.item(r, c) ? t.item(r, c)->text() : QStringLiteral("<none>");
}

void put(QTableWidget& t, int r, int c, const QString& text) {
    t.setItem(r, c, new QTableWidgetItem(text));
}

} // namespace

class TestTableUtils : public QObject {
    Q_OBJECT
private slots:
    void csvwriteTable_data();
    void csvwriteTable();
    void csvwriteWithHeaderTable();
    void csvwriteWithHeaderMissingHeaders();
    void csvwriteUnwritablePathLeavesNothing();
    void csvReadToTableFillsShortLinesWithNA();
    void csvReadToTableMissingFileLeavesTable();
    void tableDisplayGrowsColumns();
    void tableDisplayEmptyMatrix();
    void tableDisplayTextAndIntegers();
    void tableDisplayReplacesOldCells();
    void tableDisplayHHeaderWidensForHeader();
    void tableReadDouble_data();
    void tableReadDouble();
    void tableReadDoubleShape();
    void tableReadString();
    void displayAndReadRoundTrip();

private:
    QTemporaryDir dir;
};

// Each row: the cells of a table ("~" = no item), rows separated by "|", and the file.
void TestTableUtils::csvwriteTable_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("expected");

    QTest::newRow("full 2x2") << 2 << 2 << "a,b|c,d"
                              << "a,b\nc,d";
    QTest::newRow("missing last cell of a middle row") << 2 << 2 << "a,~|b,c"
                                                       << "a, \nb,c";
    QTest::newRow("missing first cell of a middle row") << 2 << 2 << "~,a|b,c"
                                                        << " ,a\nb,c";
    QTest::newRow("missing cells of the last row") << 2 << 3 << "a,b,c|~,e,~"
                                                   << "a,b,c\n,e,";
    QTest::newRow("single row has no newline") << 1 << 3 << "1,2,3"
                                               << "1,2,3";
    QTest::newRow("empty table gives empty file") << 0 << 3 << ""
                                                  << "";
    QTest::newRow("texts are written unchanged") << 2 << 1 << "LOG10(5)|NaN"
                                                 << "LOG10(5)\nNaN";
}

void TestTableUtils::csvwriteTable() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QString, cells);
    QFETCH(QString, expected);

    QTableWidget t(rows, columns);
    const QStringList lines = cells.isEmpty() ? QStringList() : cells.split('|');
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList parts = lines[r].split(',');
        for (int c = 0; c < parts.size(); ++c)
            if (parts[c] != "~") put(t, r, c, parts[c]);
    }
    const QString path = dir.filePath("table.csv");
    csvwrite(path, &t);
    QCOMPARE(readAll(path), expected);
}

void TestTableUtils::csvwriteWithHeaderTable() {
    QTableWidget t(2, 2);
    t.setHorizontalHeaderLabels({"Time", "Value"});
    t.setVerticalHeaderLabels({"K", "V"});
    put(t, 0, 0, "1");
    put(t, 1, 0, "3");
    put(t, 1, 1, "4");
    const QString path = dir.filePath("header.csv");
    csvwriteWithHeader(path, &t);
    QCOMPARE(readAll(path), QString(" ,Time,Value\nK,1, \nV,3,4"));
}

void TestTableUtils::csvwriteWithHeaderMissingHeaders() {
    // No header items at all: the header line has blanks and the rows start with their
    // first cell.
    QTableWidget t(2, 2);
    put(t, 0, 0, "a");
    put(t, 0, 1, "b");
    put(t, 1, 0, "c");
    const QString path = dir.filePath("noheader.csv");
    csvwriteWithHeader(path, &t);
    QCOMPARE(readAll(path), QString(" , , \na,b\nc,"));
}

void TestTableUtils::csvwriteUnwritablePathLeavesNothing() {
    QTableWidget t(1, 1);
    put(t, 0, 0, "x");
    const QString path = dir.filePath("no/such/folder/t.csv");
    QTest::ignoreMessage(QtDebugMsg, "Error, unable to open");
    csvwrite(path, &t);
    QVERIFY(!QFile::exists(path));
}

void TestTableUtils::csvReadToTableFillsShortLinesWithNA() {
    const QString path = dir.filePath("read.csv");
    writeAll(path, "1,2\n3,4,5,6\n7,,8\n");
    QTableWidget t;
    csvReadToTable(path, &t);
    QCOMPARE(t.rowCount(), 3);
    QCOMPARE(t.columnCount(), 4);
    // Column count starts at the last line's 3 fields, so row 0's fourth cell is never set.
    QCOMPARE(cell(t, 0, 0), QString("1"));
    QCOMPARE(cell(t, 0, 1), QString("2"));
    QCOMPARE(cell(t, 0, 2), QString("NA"));
    QCOMPARE(cell(t, 0, 3), QString("<none>"));
    QCOMPARE(cell(t, 1, 3), QString("6"));
    QCOMPARE(cell(t, 2, 1), QString(""));
    QCOMPARE(cell(t, 2, 2), QString("8"));
    QCOMPARE(cell(t, 2, 3), QString("NA"));
}

void TestTableUtils::csvReadToTableMissingFileLeavesTable() {
    QTableWidget t(2, 2);
    put(t, 1, 1, "keep");
    csvReadToTable(dir.filePath("absent.csv"), &t);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(cell(t, 1, 1), QString("keep"));
}

void TestTableUtils::tableDisplayGrowsColumns() {
    QTableWidget t;
    tableDisplay(&t, QVector<QVector<double>>{{1}, {2, 3, 4}, {5}});
    QCOMPARE(t.rowCount(), 3);
    QCOMPARE(t.columnCount(), 3);
    QCOMPARE(cell(t, 0, 0), QString("1"));
    QCOMPARE(cell(t, 0, 1), QString("<none>"));
    QCOMPARE(cell(t, 0, 2), QString("<none>"));
    QCOMPARE(cell(t, 1, 2), QString("4"));
    QCOMPARE(cell(t, 2, 0), QString("5"));
    QCOMPARE(cell(t, 2, 1), QString("NaN"));
    QCOMPARE(cell(t, 2, 2), QString("NaN"));
}

void TestTableUtils::tableDisplayEmptyMatrix() {
    QTableWidget t(4, 2);
    tableDisplay(&t, QVector<QVector<double>>());
    QCOMPARE(t.rowCount(), 0);
}

void TestTableUtils::tableDisplayTextAndIntegers() {
    QTableWidget t;
    tableDisplay(&t, QVector<QVector<double>>{{1.0 / 3.0, 1234567.0, kNaN, 3e-7}});
    QCOMPARE(cell(t, 0, 0), QString("0.333333"));
    QCOMPARE(cell(t, 0, 1), QString("1.23457e+06"));
    QCOMPARE(cell(t, 0, 2), QString("NaN"));
    QCOMPARE(cell(t, 0, 3), QString("3e-07"));

    QTableWidget s;
    tableDisplay(&s, QVector<QVector<QString>>{{"a", " "}, {"c"}});
    QCOMPARE(s.columnCount(), 2);
    QCOMPARE(cell(s, 0, 1), QString(" "));
    QCOMPARE(cell(s, 1, 1), QString("NaN"));

    QTableWidget i;
    tableDisplay(&i, QVector<QVector<int>>{{-1, 0, 1}, {1, 1, 0}});
    QCOMPARE(cell(i, 0, 0), QString("-1"));
    QCOMPARE(cell(i, 1, 1), QString("1"));
}

void TestTableUtils::tableDisplayReplacesOldCells() {
    QTableWidget t(3, 3);
    put(t, 0, 2, "stale");
    tableDisplay(&t, QVector<QVector<double>>{{1}, {2, 3, 4}, {5}});
    QCOMPARE(cell(t, 0, 2), QString("<none>"));
}

void TestTableUtils::tableDisplayHHeaderWidensForHeader() {
    QTableWidget t;
    tableDisplayHHeader(&t, QVector<QVector<double>>{{1}, {2}}, QStringList{"x1", "x2", "x3"});
    QCOMPARE(t.columnCount(), 3);
    QCOMPARE(t.horizontalHeaderItem(0)->text(), QString("x1"));
    QCOMPARE(t.horizontalHeaderItem(2)->text(), QString("x3"));
    QCOMPARE(cell(t, 1, 0), QString("2"));
    QCOMPARE(cell(t, 1, 1), QString("<none>"));
}

void TestTableUtils::tableReadDouble_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "2.5" << 2.5;
    QTest::newRow("exponent") << "1e-3" << 1e-3;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("blank around") << " 7 " << 7.0;
    QTest::newRow("na lower") << "na" << kNaN;
    QTest::newRow("NA") << "NA" << kNaN;
    QTest::newRow("NaN") << "NaN" << kNaN;
    QTest::newRow("blank") << " " << kNaN;
    QTest::newRow("empty") << "" << kNaN;
    QTest::newRow("no bound") << "nb" << kNaN;
    QTest::newRow("expression is not a number") << "2*3" << kNaN;
}

void TestTableUtils::tableReadDouble() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QTableWidget t(1, 1);
    put(t, 0, 0, text);
    const double value = ::tableReadDouble(&t)[0][0];
    if (std::isnan(expected))
        QVERIFY2(std::isnan(value), qPrintable(QString::number(value)));
    else
        QCOMPARE(value, expected);
}

void TestTableUtils::tableReadDoubleShape() {
    QTableWidget t(3, 2);
    put(t, 2, 1, "9");
    const QVector<QVector<double>> M = ::tableReadDouble(&t);
    QCOMPARE(M.size(), 3);
    for (const QVector<double>& row : M)
        QCOMPARE(row.size(), 2);
    QVERIFY(std::isnan(M[0][0]));
    QCOMPARE(M[2][1], 9.0);
}

void TestTableUtils::tableReadString() {
    QTableWidget t(2, 3);
    put(t, 0, 0, "a b");
    put(t, 0, 1, " ");
    put(t, 1, 2, "  ");
    const QVector<QVector<QString>> M = ::tableReadString(&t);
    QCOMPARE(M.size(), 2);
    QCOMPARE(M[0], (QVector<QString>{"a b", "", ""}));
    QCOMPARE(M[1], (QVector<QString>{"", "", "  "}));
}

void TestTableUtils::displayAndReadRoundTrip() {
    const QVector<QVector<double>> M{{1.5, -2}, {1e-7, 123456}};
    QTableWidget t;
    tableDisplay(&t, M);
    QCOMPARE(::tableReadDouble(&t), M);
    // Six significant digits: a third does not survive exactly.
    tableDisplay(&t, QVector<QVector<double>>{{1.0 / 3.0}});
    QCOMPARE(::tableReadDouble(&t)[0][0], 0.333333);
}

QTEST_MAIN(TestTableUtils)
#include "test_table_utils.moc"
