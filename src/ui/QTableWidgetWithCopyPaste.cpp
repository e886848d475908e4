// Clipboard copy and paste of cell blocks for the editable tables.
#include "ui/QTableWidgetWithCopyPaste.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QRegExp>

#include <algorithm>

QTableWidgetWithCopyPaste::QTableWidgetWithCopyPaste(QWidget* parent) : QTableWidget(parent) {}

QTableWidgetWithCopyPaste::QTableWidgetWithCopyPaste(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {}

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
    QStringList cells = text.split(QRegExp("\n|\t"));
    // The newline that ends the last line leaves one empty entry. Only that one goes: an
    // empty last cell of the block (an unused note column, say) is a cell like any other.
    if (text.endsWith(QLatin1Char('\n'))) cells.removeLast();

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

void QTableWidgetWithCopyPaste::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::Paste))
        paste();
    else
        QTableWidget::keyPressEvent(event);
}
