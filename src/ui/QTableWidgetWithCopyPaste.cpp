// Clipboard copy and paste of cell blocks, clearing, and row insertion and deletion for
// the editable tables.
#include "ui/QTableWidgetWithCopyPaste.h"

#include "io/clipboard_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

QTableWidgetWithCopyPaste::QTableWidgetWithCopyPaste(QWidget* parent)
    : QTableWidgetWithCopyPaste(0, 0, parent) {}

QTableWidgetWithCopyPaste::QTableWidgetWithCopyPaste(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
    // The columns share the width: a free-text last column does not take what is left.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // A header too long for its column keeps both ends ("Parameter Do…terest LB"); the
    // tooltip holds it whole.
    horizontalHeader()->setTextElideMode(Qt::ElideMiddle);
    connect(model(), &QAbstractItemModel::headerDataChanged, this,
            &QTableWidgetWithCopyPaste::showFullHeaderTexts);
}

void QTableWidgetWithCopyPaste::copy() {
    QModelIndexList indexes = selectionModel()->selectedIndexes();
    if (indexes.isEmpty()) return;
    std::sort(indexes.begin(), indexes.end());

    QString text;
    for (int i = 0; i < indexes.size(); ++i) {
        text += indexes[i].data(Qt::DisplayRole).toString();
        const bool sameRowFollows =
            i + 1 < indexes.size() && indexes[i + 1].row() == indexes[i].row();
        text += sameRowFollows ? QStringLiteral("\t") : QStringLiteral("\n");
    }
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void QTableWidgetWithCopyPaste::paste() {
    const QString text = QApplication::clipboard()->text(QClipboard::Clipboard);
    // An empty last cell of the block (an unused note column, say) is a cell like any other.
    const QStringList cells = clipboard_text::cells(text, false);

    // Each line of the block ends with a newline, so the newlines count the rows; a text
    // without any newline is not a block.
    const int rows = text.count(QLatin1Char('\n'));
    if (rows == 0 || cells.size() % rows != 0) {
        QMessageBox::critical(this, tr("Error"),
                              tr("Invalid clipboard data, unable to perform paste operation."));
        return;
    }
    const int columns = cells.size() / rows;
    if (columns != columnCount()) {
        QMessageBox::critical(this, tr("Error"),
                              tr("Invalid clipboard data, incorrect number of columns."));
        return;
    }

    setRowCount(rows);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j)
            setItem(i, j, new QTableWidgetItem(cells[i * columns + j]));
}

QString QTableWidgetWithCopyPaste::cellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

// Only a real change touches the item, so that every itemChanged is a change of the cell.
void QTableWidgetWithCopyPaste::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column)) {
        if (cell->text() != text) cell->setText(text);
    } else if (!text.isEmpty()) {
        setItem(row, column, new QTableWidgetItem(text));
    }
}

void QTableWidgetWithCopyPaste::clearSelectedCells() {
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        setCellText(index.row(), index.column(), QString());
}

QList<int> QTableWidgetWithCopyPaste::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (!rows.contains(index.row())) rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Rows move by their texts, cell by cell, so the records the window keeps per row follow.
void QTableWidgetWithCopyPaste::insertEmptyRow(int row) {
    const int count = rowCount();
    row = std::max(0, std::min(row, count));
    setRowCount(count + 1);
    for (int r = count; r > row; --r)
        for (int c = 0; c < columnCount(); ++c)
            setCellText(r, c, cellText(r - 1, c));
    for (int c = 0; c < columnCount(); ++c)
        setCellText(row, c, QString());
}

void QTableWidgetWithCopyPaste::deleteRows(QList<int> rows) {
    const int count = rowCount();
    QList<int> remaining;
    for (int r = 0; r < count; ++r)
        if (!rows.contains(r)) remaining << r;
    const int kept = remaining.size();
    if (kept == count) return;
    for (int r = 0; r < kept; ++r) {
        if (remaining[r] == r) continue;
        for (int c = 0; c < columnCount(); ++c)
            setCellText(r, c, cellText(remaining[r], c));
    }
    // The rows that go are emptied first, so that nothing the window built from them stays.
    for (int r = kept; r < count; ++r)
        for (int c = 0; c < columnCount(); ++c)
            setCellText(r, c, QString());
    setRowCount(kept);
}

void QTableWidgetWithCopyPaste::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::Paste))
        paste();
    else if (event->matches(QKeySequence::Delete) && editTriggers() != NoEditTriggers)
        clearSelectedCells();
    else
        QTableWidget::keyPressEvent(event);
}

void QTableWidgetWithCopyPaste::contextMenuEvent(QContextMenuEvent* event) {
    // A locked table (during a run) offers nothing that changes it.
    if (editTriggers() == NoEditTriggers) return;
    // The menu key opens it at the current cell, the mouse at the row under the pointer.
    int row = event->reason() == QContextMenuEvent::Mouse ? rowAt(event->pos().y()) : -1;
    if (row < 0) row = currentRow();
    QList<int> rows = selectedRows();
    if (rows.isEmpty() && row >= 0) rows << row;

    QMenu menu(this);
    QAction* above = menu.addAction(tr("Insert row above"));
    QAction* below = menu.addAction(tr("Insert row below"));
    QAction* remove = menu.addAction(tr("Delete selected rows"));
    menu.addSeparator();
    QAction* clear = menu.addAction(tr("Clear selected cells"));
    above->setEnabled(rowEditingAllowed);
    below->setEnabled(rowEditingAllowed);
    remove->setEnabled(rowEditingAllowed && !rows.isEmpty());
    clear->setEnabled(!selectionModel()->selectedIndexes().isEmpty());

    const int at = row < 0 ? rowCount() : row;
    connect(above, &QAction::triggered, this, [this, at] { insertEmptyRow(at); });
    connect(below, &QAction::triggered, this,
            [this, at, row] { insertEmptyRow(row < 0 ? at : row + 1); });
    connect(remove, &QAction::triggered, this, [this, rows] { deleteRows(rows); });
    connect(clear, &QAction::triggered, this, &QTableWidgetWithCopyPaste::clearSelectedCells);
    menu.exec(event->globalPos());
}

// Header texts are often cut short by the column width; the tooltip holds them whole.
void QTableWidgetWithCopyPaste::showFullHeaderTexts(Qt::Orientation orientation, int first,
                                                    int last) {
    if (orientation != Qt::Horizontal) return;
    for (int c = first; c <= last && c < columnCount(); ++c) {
        QTableWidgetItem* header = horizontalHeaderItem(c);
        if (header && header->toolTip() != header->text()) header->setToolTip(header->text());
    }
}
