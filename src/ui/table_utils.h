// Moving cell texts and numbers between QTableWidgets, CSV files and matrices. The CSV
// dialect is the system's one: "," between fields, "\n" after a row, no quoting. Numbers
// shown in a table keep six significant digits; missing or unreadable cells are NaN.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QTableWidget;

// The table's display texts. Rows before the last end with "\n" and write a missing cell
// as " "; the last row writes a missing cell as nothing and has no "\n" after it.
void csvwrite(QString file, QTableWidget* t);
// The same, preceded by a line of horizontal header texts and with each row starting
// with its vertical header text.
void csvwriteWithHeader(QString file, QTableWidget* t);
// One table row per file line; fields beyond the end of a short line show "NA".
void csvReadToTable(QString file, QTableWidget* t);

// One row per matrix row; cells beyond the end of a short row show "NaN". The column
// count starts at the length of the last row and grows with longer rows.
void tableDisplay(QTableWidget* t, QVector<QVector<double>> M);
void tableDisplay(QTableWidget* t, QVector<QVector<QString>> M);
void tableDisplay(QTableWidget* t, QVector<QVector<int>> M);
// tableDisplay, then the header texts as horizontal header labels.
void tableDisplayHHeader(QTableWidget* t, QVector<QVector<double>> M, QStringList header);

// rowCount x columnCount numbers; a cell without item, empty, " ", "NA" or "NaN" (any
// case) or not a number reads as NaN; blanks inside a number are ignored.
QVector<QVector<double>> tableReadDouble(QTableWidget* t);
// rowCount x columnCount texts; a cell without item or holding " " reads as "".
QVector<QVector<QString>> tableReadString(QTableWidget* t);
