// Exact output of the table helpers: CSV files of cell texts, matrices shown in tables,
// tables read back as numbers or texts. Clipboard blocks in and out of the editable table:
// the pasted block, both refusals with their messages, copy of a selection by Ctrl+C, row
// insertion and deletion through the cells, and the context menu.
#include "ui/table_utils.h"

#include "ui/QTableWidgetWithCopyPaste.h"
#include "ui/table_test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QLoggingCategory>
#include <QMenu>
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
    void pasteBlock_data();
    void pasteBlock();
    void pasteRefusals_data();
    void pasteRefusals();
    void copySelection();
    void rowEdits_data();
    void rowEdits();
    void deleteKeyAndContextMenu();

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

void TestTableUtils::pasteBlock_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, int rows, int columns, const char* clipboard,
                        const char* expected) {
        QTest::newRow(name) << rows << columns << QString(clipboard) << QString(expected);
    };
    // The block replaces all rows, the stale cell in row 5 included.
    row("block sets the rows", 5, 2, "a\tb\nc\td\n", "a,b|c,d");
    row("block grows the table", 1, 3, "1\t2\t3\n4\t5\t6\n", "1,2,3|4,5,6");
    // An empty cell of the block is set (the final line break's entry is not).
    row("empty last cell", 1, 3, "0\tA\tnote\n12\tB\t\n", "0,A,note|12,B,");
}

void TestTableUtils::pasteBlock() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QString, clipboard);
    QFETCH(QString, expected);
    QTableWidgetWithCopyPaste t(rows, columns);
    t.setItem(rows - 1, columns - 1, new QTableWidgetItem("old"));
    // The window's tables react to itemChanged, so every pasted cell must fire it.
    int changes = 0;
    QObject::connect(&t, &QTableWidget::itemChanged, [&changes] { ++changes; });
    ModalBoxGuard boxes;
    QApplication::clipboard()->setText(clipboard);
    t.paste();
    QCOMPARE(cells(&t), expected);
    QCOMPARE(changes, t.rowCount() * columns);
    QVERIFY(boxes.texts.isEmpty());
}

void TestTableUtils::pasteRefusals_data() {
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("message");
    const QString columnsMessage = "Invalid clipboard data, incorrect number of columns.";
    const QString blockMessage = "Invalid clipboard data, unable to perform paste operation.";
    QTest::newRow("wrong column count") << 3 << "a\tb\nc\td\n" << columnsMessage;
    QTest::newRow("ragged block") << 2 << "a\tb\nc\n" << blockMessage;
    QTest::newRow("no newline") << 4 << "a\tb\tc\td" << blockMessage;
    QTest::newRow("empty clipboard") << 1 << "" << blockMessage;
    QTest::newRow("only newlines") << 2 << "\n\n" << columnsMessage;
}

void TestTableUtils::pasteRefusals() {
    QFETCH(int, columns);
    QFETCH(QString, clipboard);
    QFETCH(QString, message);
    QTableWidgetWithCopyPaste t(3, columns);
    t.setItem(2, 0, new QTableWidgetItem("keep"));
    QApplication::clipboard()->setText(clipboard);
    ModalBoxGuard boxes;
    t.paste();
    QCOMPARE(boxes.texts, QStringList{message});
    QCOMPARE(boxes.titles, QStringList{"Error"});
    QCOMPARE(t.rowCount(), 3);
    QCOMPARE(cell(&t, 2, 0), QString("keep"));
}

void TestTableUtils::copySelection() {
    QTableWidgetWithCopyPaste t(2, 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            t.setItem(r, c, new QTableWidgetItem(QString("t%1%2").arg(r).arg(c)));
    // Nothing selected: the clipboard keeps its text.
    t.clearSelection();
    QApplication::clipboard()->setText("unchanged");
    t.copy();
    QCOMPARE(QApplication::clipboard()->text(), QString("unchanged"));

    // Selected in an order other than the table's, to check the sorting.
    t.setSelectionMode(QAbstractItemView::MultiSelection);
    t.setCurrentCell(1, 1, QItemSelectionModel::Select);
    t.setCurrentCell(0, 1, QItemSelectionModel::Select);
    t.setCurrentCell(0, 0, QItemSelectionModel::Select);
    // Copied with Ctrl+C (the window tests paste with Ctrl+V).
    QKeyEvent copyKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&t, &copyKey);
    QCOMPARE(QApplication::clipboard()->text(), QString("t00\tt01\nt11\n"));
}

void TestTableUtils::rowEdits_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changes");
    // From a|1, b|~, c|3 (~: no item): moved texts go through the items, one change each.
    // clang-format off
    QTest::newRow("insert above 1")    << "insert 1"   << "a,1|,~|b,|c,3" << 5;
    QTest::newRow("insert before all") << "insert -4"  << ",|a,1|b,|c,3"  << 8;
    QTest::newRow("delete first")      << "delete 0"   << "b,|c,3"        << 6;
    QTest::newRow("delete two")        << "delete 0 2" << "b,"            << 5;
    QTest::newRow("delete outside")    << "delete 7"   << "a,1|b,~|c,3"   << 0;
    // clang-format on
}

void TestTableUtils::rowEdits() {
    QFETCH(QString, operation);
    QFETCH(QString, expected);
    QFETCH(int, changes);
    QTableWidgetWithCopyPaste t(3, 2);
    const QStringList texts{"a", "1", "b", "", "c", "3"};
    for (int i = 0; i < texts.size(); ++i)
        if (!texts[i].isEmpty()) t.setItem(i / 2, i % 2, new QTableWidgetItem(texts[i]));
    int changed = 0;
    QObject::connect(&t, &QTableWidget::itemChanged, [&changed] { ++changed; });
    const QStringList words = operation.split(' ');
    QList<int> rows;
    for (const QString& w : words.mid(1))
        rows << w.toInt();
    words[0] == "insert" ? t.insertEmptyRow(rows[0]) : t.deleteRows(rows);
    QCOMPARE(cells(&t), expected);
    QCOMPARE(changed, changes);
}

void TestTableUtils::deleteKeyAndContextMenu() {
    QTableWidgetWithCopyPaste t(3, 1);
    for (int r = 0; r < 3; ++r)
        t.setItem(r, 0, new QTableWidgetItem(QString::number(r)));
    t.setCurrentCell(1, 0);
    QTest::keyClick(&t, Qt::Key_Delete);
    QCOMPARE(cells(&t), QString("0||2"));

    // The menu's third entry deletes the selected row.
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        menu->actions().at(2)->trigger();
        menu->close();
    });
    t.setCurrentCell(0, 0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), t.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(t.viewport(), &event);
    QCOMPARE(cells(&t), QString("|2"));

    // A locked table keeps its cells.
    t.setEditTriggers(QAbstractItemView::NoEditTriggers);
    t.setCurrentCell(1, 0);
    QTest::keyClick(&t, Qt::Key_Delete);
    QCOMPARE(cells(&t), QString("|2"));
}

QTEST_MAIN(TestTableUtils)
#include "test_table_utils.moc"
