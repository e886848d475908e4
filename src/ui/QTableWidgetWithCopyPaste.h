// The table class of the window's editable tables: blocks of cells travel to and from a
// spreadsheet through the clipboard as tab-separated, newline-ended lines.
#pragma once

#include <QTableWidget>

class QKeyEvent;

class QTableWidgetWithCopyPaste : public QTableWidget {
    Q_OBJECT
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

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
