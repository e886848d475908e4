// Exact output of the table helpers: CSV files of cell texts, matrices shown in tables,
// tables read back as numbers or texts.
#include "ui/table_utils.h"

#include "ui/table_test_support.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
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

void put(QTableWidget& t, int r, int c, const QString& text) {
    t.setItem(r, c, new QTableWidgetItem(text));
}

} // namespace

class TestTableUtils : public QObject {
    Q_OBJECT
private slots:
    void csvwriteTable_data();
    void csvwriteTable();
    void csvReadToTable();
    void tableDisplay();
    void tableRead();

private:
    QTemporaryDir dir;
};

// Each row: the table's cells ("~" = no item) with rows separated by "|", its header labels
// (horizontal and vertical, separated by "|"; "-" for none), the writer and the file.
void TestTableUtils::csvwriteTable_data() {
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("headers");
    QTest::addColumn<bool>("withHeader");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, int columns, const char* cells, const char* headers,
                        bool withHeader, const char* expected) {
        QTest::newRow(name) << columns << QString(cells) << QString(headers) << withHeader
                            << QString(expected);
    };
    row("full", 2, "a,b|c,d", "-", false, "a,b\nc,d");
    row("middle row, last missing", 2, "a,~|b,c", "-", false, "a, \nb,c");
    row("middle row, first missing", 2, "~,a|b,c", "-", false, " ,a\nb,c");
    row("last row, missing", 3, "a,b,c|~,e,~", "-", false, "a,b,c\n,e,");
    row("single row, no newline", 3, "1,2,3", "-", false, "1,2,3");
    row("empty table, empty file", 3, "", "-", false, "");
    row("texts unchanged", 1, "LOG10(5)|NaN", "-", false, "LOG10(5)\nNaN");
    row("headers", 2, "1,~|3,4", "Time,Value|K,V", true, " ,Time,Value\nK,1, \nV,3,4");
    // Without header items the header line has blanks and rows start with their first cell.
    row("no header items", 2, "a,b|c,~", "-", true, " , , \na,b\nc,");
}

void TestTableUtils::csvwriteTable() {
    QFETCH(int, columns);
    QFETCH(QString, cells);
    QFETCH(QString, headers);
    QFETCH(bool, withHeader);
    QFETCH(QString, expected);
    const QStringList lines = cells.isEmpty() ? QStringList() : cells.split('|');
    QTableWidget t(lines.size(), columns);
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList parts = lines[r].split(',');
        for (int c = 0; c < parts.size(); ++c)
            if (parts[c] != "~") put(t, r, c, parts[c]);
    }
    if (headers != "-") {
        t.setHorizontalHeaderLabels(headers.section('|', 0, 0).split(','));
        t.setVerticalHeaderLabels(headers.section('|', 1, 1).split(','));
    }
    const QString path = dir.filePath("table.csv");
    withHeader ? csvwriteWithHeader(path, &t) : csvwrite(path, &t);
    QCOMPARE(readAll(path), expected);
}

void TestTableUtils::csvReadToTable() {
    const QString path = dir.filePath("read.csv");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1,2\n3,4,5,6\n7,,8\n");
    f.close();
    // An unwritable path leaves nothing behind.
    QTableWidget one(1, 1);
    put(one, 0, 0, "x");
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.*.debug=true"));
    QTest::ignoreMessage(QtDebugMsg, "Error, unable to open");
    csvwrite(dir.filePath("no/such/folder/t.csv"), &one);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(!QFile::exists(dir.filePath("no/such/folder/t.csv")));
    QTableWidget t;
    ::csvReadToTable(path, &t);
    // Column count starts at the last line's 3 fields, so row 0's fourth cell is never set.
    QCOMPARE(cells(&t), QString("1,2,NA,~|3,4,5,6|7,,8,NA"));
    // A missing file leaves the table as it was.
    ::csvReadToTable(dir.filePath("absent.csv"), &t);
    QCOMPARE(cells(&t), QString("1,2,NA,~|3,4,5,6|7,,8,NA"));
}

void TestTableUtils::tableDisplay() {
    // The column count starts at the last row's and grows; old cells go.
    QTableWidget t(3, 3);
    put(t, 0, 2, "stale");
    ::tableDisplay(&t, QVector<QVector<double>>{{1}, {2, 3, 4}, {5}});
    QCOMPARE(cells(&t), QString("1,~,~|2,3,4|5,NaN,NaN"));
    ::tableDisplay(&t, QVector<QVector<double>>{{1.0 / 3.0, 1234567.0, kNaN, 3e-7}});
    QCOMPARE(cells(&t), QString("0.333333,1.23457e+06,NaN,3e-07"));
    ::tableDisplay(&t, QVector<QVector<double>>());
    QCOMPARE(t.rowCount(), 0);

    // A header longer than the rows widens the table.
    QTableWidget h;
    tableDisplayHHeader(&h, QVector<QVector<double>>{{1}, {2}}, QStringList{"x1", "x2", "x3"});
    QCOMPARE(cells(&h), QString("1,~,~|2,~,~"));
    QCOMPARE(h.horizontalHeaderItem(0)->text(), QString("x1"));
    QCOMPARE(h.horizontalHeaderItem(2)->text(), QString("x3"));
}

void TestTableUtils::tableRead() {
    // Numbers: blanks inside are dropped; NA and NaN in any case, blanks, empty cells, cells
    // without an item, "nb" and expressions are NaN.
    const QStringList texts{"1e-3", "1 2", " 7 ", "na", "NaN", " ", "", "nb", "2*3"};
    QTableWidget t(2, texts.size());
    for (int c = 0; c < texts.size(); ++c)
        put(t, 0, c, texts[c]);
    const QVector<QVector<double>> M = ::tableReadDouble(&t);
    QStringList numbers;
    for (const QVector<double>& row : M)
        for (double v : row)
            numbers << QString::number(v);
    QCOMPARE(numbers.join(','), "0.001,12,7" + QString(",nan").repeated(2 * texts.size() - 3));

    // Texts: a cell without an item or holding one blank is "".
    QTableWidget s(2, 3);
    put(s, 0, 0, "a b");
    put(s, 0, 1, " ");
    put(s, 1, 2, "  ");
    QCOMPARE(::tableReadString(&s), (QVector<QVector<QString>>{{"a b", "", ""}, {"", "", "  "}}));
}

QTEST_MAIN(TestTableUtils)
#include "test_table_utils.moc"
