// Table widget helpers: CSV files of cell texts, and matrices shown in or read from tables.
#include "ui/table_utils.h"

#include "io/cell_table.h"
#include "io/log_categories.h"

#include <QDebug>
#include <QFile>
#include <QTableWidget>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <limits>

namespace {

QString cellText(QTableWidget* t, int row, int column, bool* present) {
    const QTableWidgetItem* item = t->item(row, column);
    *present = item != nullptr;
    return item ? item->text() : QString();
}

// Rows before the last: a missing cell is " " and the row ends with "\n". The last row: a
// missing cell is empty and nothing follows it.
void writeRows(QTextStream& out, QTableWidget* t, bool withVerticalHeader) {
    const int rows = t->rowCount();
    const int columns = t->columnCount();
    for (int r = 0; r < rows; ++r) {
        const bool last = r == rows - 1;
        if (withVerticalHeader) {
            if (const QTableWidgetItem* header = t->verticalHeaderItem(r))
                out << header->text() << ",";
        }
        QStringList cells;
        for (int c = 0; c < columns; ++c) {
            bool present = false;
            const QString text = cellText(t, r, c, &present);
            cells << (present ? text : (last ? QString() : QStringLiteral(" ")));
        }
        out << cells.join(",");
        if (!last) out << "\n";
    }
}

// Shared by the tableDisplay overloads: the column count starts at the last row's length
// and grows whenever a longer row is met; cells past the end of a short row show "NaN".
template <typename T>
void displayRows(QTableWidget* t, const QVector<QVector<T>>& M,
                 const std::function<QString(const T&)>& format) {
    t->clearContents();
    t->setRowCount(M.size());
    if (M.isEmpty()) return;
    int columns = M.last().size();
    t->setColumnCount(columns);
    for (int r = 0; r < M.size(); ++r) {
        if (M[r].size() > columns) {
            columns = M[r].size();
            t->setColumnCount(columns);
        }
        for (int c = 0; c < columns; ++c) {
            const QString text = c < M[r].size() ? format(M[r][c]) : QStringLiteral("NaN");
            t->setItem(r, c, new QTableWidgetItem(text));
        }
    }
}

} // namespace

void csvwrite(QString file, QTableWidget* t) {
    // A cell without an item is a null text, written as the table dialect says.
    cell_table cells(t->rowCount(), QVector<QString>(t->columnCount()));
    for (int r = 0; r < t->rowCount(); ++r)
        for (int c = 0; c < t->columnCount(); ++c)
            if (const QTableWidgetItem* item = t->item(r, c)) cells[r][c] = item->text();
    writeCellTable(file, cells, t->columnCount());
}

void csvwriteWithHeader(QString file, QTableWidget* t) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qCDebug(lcApp) << "Error, unable to open";
        return;
    }
    QTextStream out(&f);
    out << " ,";
    const int columns = t->columnCount();
    for (int c = 0; c < columns; ++c) {
        const QTableWidgetItem* header = t->horizontalHeaderItem(c);
        out << (header ? header->text() : QStringLiteral(" "));
        out << (c + 1 < columns ? "," : "\n");
    }
    writeRows(out, t, true);
}

void csvReadToTable(QString file, QTableWidget* t) {
    cell_table cells;
    if (!readCellTable(file, cells)) return;
    t->clearContents();
    t->setRowCount(cells.size());
    if (cells.isEmpty()) return;
    t->setColumnCount(cells.first().size());
    // Cells are set row by row, as the file is read, so the tables' cell handlers see the
    // same sequence of edits as when the user types them.
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c)
            if (!cells[r][c].isNull()) t->setItem(r, c, new QTableWidgetItem(cells[r][c]));
}

void tableDisplay(QTableWidget* t, QVector<QVector<double>> M) {
    displayRows<double>(t, M, [](const double& v) {
        return std::isnan(v) ? QStringLiteral("NaN") : QString::number(v, 'g', 6);
    });
}

void tableDisplay(QTableWidget* t, QVector<QVector<QString>> M) {
    displayRows<QString>(t, M, [](const QString& v) { return v; });
}

void tableDisplay(QTableWidget* t, QVector<QVector<int>> M) {
    displayRows<int>(t, M, [](const int& v) { return QString::number(v); });
}

void tableDisplayHHeader(QTableWidget* t, QVector<QVector<double>> M, QStringList header) {
    tableDisplay(t, M);
    if (t->columnCount() < header.size()) t->setColumnCount(header.size());
    for (int c = 0; c < header.size(); ++c)
        t->setHorizontalHeaderItem(c, new QTableWidgetItem(header[c]));
}

QVector<QVector<double>> tableReadDouble(QTableWidget* t) {
    QVector<QVector<double>> M(t->rowCount(), QVector<double>(t->columnCount()));
    for (int r = 0; r < t->rowCount(); ++r) {
        for (int c = 0; c < t->columnCount(); ++c) {
            const QTableWidgetItem* item = t->item(r, c);
            M[r][c] = cellNumber(item ? item->text() : QString());
        }
    }
    return M;
}

QVector<QVector<QString>> tableReadString(QTableWidget* t) {
    QVector<QVector<QString>> M(t->rowCount(), QVector<QString>(t->columnCount()));
    for (int r = 0; r < t->rowCount(); ++r) {
        for (int c = 0; c < t->columnCount(); ++c) {
            const QTableWidgetItem* item = t->item(r, c);
            if (item && item->text() != " ") M[r][c] = item->text();
        }
    }
    return M;
}
