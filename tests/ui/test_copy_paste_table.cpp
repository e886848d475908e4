// Clipboard blocks in and out of the editable table: the pasted block, both refusals
// with their messages, copy of rectangular and ragged selections, and the key bindings.
#include "ui/QTableWidgetWithCopyPaste.h"

#include "ui/message_box_catcher.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

namespace {

QString cell(QTableWidget& t, int r, int c) {
    return t.item(r, c) ? t.item(r, c)->text() : QStringLiteral("<none>");
}

} // namespace

class TestCopyPasteTable : public QObject {
    Q_OBJECT
private slots:
    void pasteBlock();
    void pasteRefusals_data();
    void pasteRefusals();
    void pasteFiresItemChangedPerCell();
    void pasteKeepsEmptyCellsInsideTheBlock();
    void pasteKeepsEmptyLastCell();
    void copyRaggedSelection();
    void copyEmptySelectionLeavesClipboard();
    void keyboardShortcuts();
};

void TestCopyPasteTable::pasteBlock() {
    QTableWidgetWithCopyPaste t(5, 2);
    t.setItem(4, 1, new QTableWidgetItem("old"));
    QApplication::clipboard()->setText("a\tb\nc\td\n");
    t.paste();
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(cell(t, 0, 0), QString("a"));
    QCOMPARE(cell(t, 0, 1), QString("b"));
    QCOMPARE(cell(t, 1, 0), QString("c"));
    QCOMPARE(cell(t, 1, 1), QString("d"));
}

void TestCopyPasteTable::pasteRefusals_data() {
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong column count") << 3 << "a\tb\nc\td\n"
                                        << "Invalid clipboard data, incorrect number of columns.";
    QTest::newRow("ragged block") << 2 << "a\tb\nc\n"
                                  << "Invalid clipboard data, unable to perform paste operation.";
    QTest::newRow("no newline") << 4 << "a\tb\tc\td"
                                << "Invalid clipboard data, unable to perform paste operation.";
    QTest::newRow("empty clipboard")
        << 1 << ""
        << "Invalid clipboard data, unable to perform paste operation.";
    QTest::newRow("only newlines") << 2 << "\n\n"
                                   << "Invalid clipboard data, incorrect number of columns.";
}

void TestCopyPasteTable::pasteRefusals() {
    QFETCH(int, columns);
    QFETCH(QString, clipboard);
    QFETCH(QString, message);

    QTableWidgetWithCopyPaste t(3, columns);
    t.setItem(2, 0, new QTableWidgetItem("keep"));
    QApplication::clipboard()->setText(clipboard);
    MessageBoxCatcher catcher;
    catcher.arm();
    t.paste();
    QCOMPARE(catcher.text, message);
    QCOMPARE(catcher.title, QString("Error"));
    QCOMPARE(t.rowCount(), 3);
    QCOMPARE(cell(t, 2, 0), QString("keep"));
}

void TestCopyPasteTable::pasteFiresItemChangedPerCell() {
    QTableWidgetWithCopyPaste t(1, 3);
    int changes = 0;
    QObject::connect(&t, &QTableWidget::itemChanged, [&changes] { ++changes; });
    QApplication::clipboard()->setText("1\t2\t3\n4\t5\t6\n");
    t.paste();
    QCOMPARE(changes, 6);
}

void TestCopyPasteTable::pasteKeepsEmptyCellsInsideTheBlock() {
    // An empty cell at the end of the first line is a cell of the block; only the
    // empty entry after the final newline is trimmed.
    QTableWidgetWithCopyPaste t(1, 2);
    QApplication::clipboard()->setText("a\t\nc\td\n");
    t.paste();
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(cell(t, 0, 1), QString(""));
    QCOMPARE(cell(t, 1, 1), QString("d"));
}

void TestCopyPasteTable::pasteKeepsEmptyLastCell() {
    // A spreadsheet block whose last row leaves the last column empty.
    QTableWidgetWithCopyPaste t(1, 3);
    QApplication::clipboard()->setText("0\tA\tnote\n12\tB\t\n");
    t.paste();
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(cell(t, 1, 1), QString("B"));
    QCOMPARE(cell(t, 1, 2), QString(""));
}

void TestCopyPasteTable::copyRaggedSelection() {
    QTableWidgetWithCopyPaste t(2, 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            t.setItem(r, c, new QTableWidgetItem(QString("t%1%2").arg(r).arg(c)));
    t.setSelectionMode(QAbstractItemView::MultiSelection);
    // Selected in an order other than the table's, to check the sorting.
    t.setCurrentCell(1, 1, QItemSelectionModel::Select);
    t.setCurrentCell(0, 1, QItemSelectionModel::Select);
    t.setCurrentCell(0, 0, QItemSelectionModel::Select);
    t.copy();
    QCOMPARE(QApplication::clipboard()->text(), QString("t00\tt01\nt11\n"));
}

void TestCopyPasteTable::copyEmptySelectionLeavesClipboard() {
    QTableWidgetWithCopyPaste t(2, 2);
    t.setItem(0, 0, new QTableWidgetItem("x"));
    t.clearSelection();
    QApplication::clipboard()->setText("unchanged");
    t.copy();
    QCOMPARE(QApplication::clipboard()->text(), QString("unchanged"));
}

void TestCopyPasteTable::keyboardShortcuts() {
    QTableWidgetWithCopyPaste t(1, 2);
    t.setItem(0, 0, new QTableWidgetItem("p"));
    t.setItem(0, 1, new QTableWidgetItem("q"));
    t.selectAll();
    QKeyEvent copyKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&t, &copyKey);
    QCOMPARE(QApplication::clipboard()->text(), QString("p\tq\n"));

    QApplication::clipboard()->setText("r\ts\nu\tv\n");
    QKeyEvent pasteKey(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(&t, &pasteKey);
    QCOMPARE(t.rowCount(), 2);
    QCOMPARE(cell(t, 1, 1), QString("v"));
}

QTEST_MAIN(TestCopyPasteTable)
#include "test_copy_paste_table.moc"
