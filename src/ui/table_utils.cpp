// Table widget helpers: CSV files of cell texts, and matrices shown in or read from tables.
#include "ui/table_utils.h"

#include <QDebug>
#include <QFile>
#include <QRegExp>
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
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug() << "Error, unable to open";
        return;
    }
    QTextStream out(&f);
    writeRows(out, t, false);
}

void csvwriteWithHeader(QString file, QTableWidget* t) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug() << "Error, unable to open";
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
    QFile f(file);
    if (!f.exists() || !f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    QTextStream in(&f);
    QVector<QStringList> lines;
    while (!in.atEnd())
        lines << in.readLine().split(",");

    t->clearContents();
    t->setRowCount(lines.size());
    if (lines.isEmpty()) return;
    int columns = lines.last().size();
    t->setColumnCount(columns);
    for (int r = 0; r < lines.size(); ++r) {
        if (lines[r].size() > columns) {
            columns = lines[r].size();
            t->setColumnCount(columns);
        }
        for (int c = 0; c < columns; ++c) {
            const QString text = c < lines[r].size() ? lines[r][c] : QStringLiteral("NA");
            t->setItem(r, c, new QTableWidgetItem(text));
        }
    }
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
    const double nan = std::numeric_limits<double>::quiet_NaN();
    static const QRegExp blanks("\\s");
    QVector<QVector<double>> M(t->rowCount(), QVector<double>(t->columnCount(), nan));
    for (int r = 0; r < t->rowCount(); ++r) {
        for (int c = 0; c < t->columnCount(); ++c) {
            const QTableWidgetItem* item = t->item(r, c);
            if (!item) continue;
            QString text = item->text();
            const QString upper = text.toUpper();
            if (text.isEmpty() || upper == " " || upper == "NA" || upper == "NAN") continue;
            text.remove(blanks);
            bool ok = false;
            const double value = text.toDouble(&ok);
            if (ok) M[r][c] = value;
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
