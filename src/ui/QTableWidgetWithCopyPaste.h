// The table class of the window's editable tables: blocks of cells travel to and from a
// spreadsheet through the clipboard as tab-separated, newline-ended lines; Delete clears
// the selected cells; a context menu inserts and deletes rows and clears the selection.
// Every change of a cell goes through the items, so the itemChanged handlers of the
// window see each one.
#pragma once

#include <QList>
#include <QTableWidget>

class QContextMenuEvent;
class QKeyEvent;

class QTableWidgetWithCopyPaste : public QTableWidget {
    Q_OBJECT
    // Whether rows may be inserted and deleted (false for tables with one row per
    // parameter, whose rows are named).
    Q_PROPERTY(bool rowEditing READ rowEditing WRITE setRowEditing)
public:
    explicit QTableWidgetWithCopyPaste(QWidget* parent = nullptr);
    QTableWidgetWithCopyPaste(int rows, int columns, QWidget* parent = nullptr);

    // Puts the selected cells on the clipboard, one line per row; an empty selection
    // leaves the clipboard untouched.
    void copy();
    // Replaces all rows by the clipboard block, which must have as many columns as the
    // table; a malformed block (a text without newline included) is refused with a message
    // box and changes nothing.
    void paste();

    // Empties the text of every selected cell that has any.
    void clearSelectedCells();
    // A new empty row at row (0..rowCount()); the rows from there on move down one.
    void insertEmptyRow(int row);
    // Removes the rows; the rows below move up. Rows outside the table are ignored.
    void deleteRows(QList<int> rows);
    // Rows holding at least one selected cell, ascending.
    QList<int> selectedRows() const;

    bool rowEditing() const { return rowEditingAllowed; }
    void setRowEditing(bool allowed) { rowEditingAllowed = allowed; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool rowEditingAllowed = true;

    void setCellText(int row, int column, const QString& text);
    QString cellText(int row, int column) const;
    void showFullHeaderTexts(Qt::Orientation orientation, int first, int last);
};
