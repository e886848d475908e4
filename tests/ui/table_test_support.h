// Test helpers shared by the table and window tests: the cells of a table as one text, and a
// guard that closes every modal message box and keeps its title and text.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>

// A cell's text, or "~" when the cell has no item.
inline QString cell(const QTableWidget* t, int r, int c) {
    return t->item(r, c) ? t->item(r, c)->text() : QStringLiteral("~");
}

// Every cell of the table: cells joined by ",", rows by "|", "~" for a cell without an item.
inline QString cells(const QTableWidget* t) {
    QStringList rows;
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < t->columnCount(); ++c)
            row << cell(t, r, c);
        rows << row.join(',');
    }
    return rows.join('|');
}

// One column of the table, rows joined by "|".
inline QString column(const QTableWidget* t, int c) {
    QStringList texts;
    for (int r = 0; r < t->rowCount(); ++r)
        texts << cell(t, r, c);
    return texts.join('|');
}

// Closes every modal message box as soon as it appears and keeps what it said, so that a
// test can check the box and a test that meets an unexpected box fails instead of waiting
// for a click.
class ModalBoxGuard : public QObject {
public:
    QStringList texts;
    QStringList titles;

    ModalBoxGuard() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                titles << box->windowTitle();
                box->accept();
            }
        });
        timer.start();
    }

private:
    QTimer timer;
};
