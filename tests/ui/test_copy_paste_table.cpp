// Clipboard blocks in and out of the editable table: the pasted block, both refusals
// with their messages, copy of rectangular and ragged selections by Ctrl+C, row
// insertion and deletion through the cells, the context menu and the header texts.
#include "ui/QTableWidgetWithCopyPaste.h"

#include "ui/table_test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QtTest>

class TestCopyPasteTable : public QObject {
    Q_OBJECT
private slots:
    void pasteBlock_data();
    void pasteBlock();
    void pasteRefusals_data();
    void pasteRefusals();
    void copySelection();
    void rowEdits_data();
    void rowEdits();
    void deleteKeyAndContextMenu();
    void headersShareTheWidth();
};

void TestCopyPasteTable::pasteBlock_data() {
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
    // Only the empty entry after the final newline is trimmed, not empty cells of the block.
    row("empty cell ends a line", 1, 2, "a\t\nc\td\n", "a,|c,d");
    row("empty last cell", 1, 3, "0\tA\tnote\n12\tB\t\n", "0,A,note|12,B,");
}

void TestCopyPasteTable::pasteBlock() {
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

void TestCopyPasteTable::pasteRefusals_data() {
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

void TestCopyPasteTable::pasteRefusals() {
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

void TestCopyPasteTable::copySelection() {
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

void TestCopyPasteTable::rowEdits_data() {
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

void TestCopyPasteTable::rowEdits() {
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

void TestCopyPasteTable::deleteKeyAndContextMenu() {
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

void TestCopyPasteTable::headersShareTheWidth() {
    QTableWidgetWithCopyPaste t(1, 3);
    t.setHorizontalHeaderLabels({"Time", "Duration (set 0 if bolus)", "Note (optional):"});
    QCOMPARE(t.horizontalHeaderItem(1)->toolTip(), QString("Duration (set 0 if bolus)"));
}

QTEST_MAIN(TestCopyPasteTable)
#include "test_copy_paste_table.moc"
