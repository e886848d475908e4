// Reading and writing tables of cell texts in the table dialect of the model directory.
#include "io/cell_table.h"

#include <QDebug>
#include <QRegularExpression>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <limits>

void writeCellTable(const QString& file, const cell_table& cells, int columns) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qDebug() << "Error, unable to open";
        return;
    }
    QTextStream(&f) << cellTableText(cells, columns);
}

QString cellTableText(const cell_table& cells, int columns) {
    QString written;
    QTextStream out(&written);
    const int rows = cells.size();
    for (int r = 0; r < rows; ++r) {
        const bool lastRow = r == rows - 1;
        for (int c = 0; c < columns; ++c) {
            const bool lastColumn = c == columns - 1;
            const QString text = c < cells[r].size() ? cells[r][c] : QString();
            if (!lastRow) {
                if (text.isNull())
                    out << (lastColumn ? " \n" : " ,");
                else
                    out << text << (lastColumn ? "\n" : ",");
            } else {
                out << text; // a missing cell of the last row is written as nothing
                if (!lastColumn) out << ",";
            }
        }
        if (!lastRow && columns == 0) out << "\n";
    }
    out.flush();
    return written;
}

bool readCellTable(const QString& file, cell_table& cells) {
    QFile f(file);
    if (!f.exists() || !f.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&f);
    QVector<QStringList> lines;
    while (!in.atEnd())
        lines.append(in.readLine().split(","));
    int columns = lines.isEmpty() ? 0 : lines.last().size();
    cell_table out;
    out.reserve(lines.size());
    for (const QStringList& fields : lines) {
        if (fields.size() > columns) columns = fields.size();
        QVector<QString> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(c < fields.size() ? fields[c] : "NA");
        out.append(row);
    }
    // Rows filled before the column count grew have no items in the new columns.
    for (QVector<QString>& row : out)
        while (row.size() < columns)
            row.append(QString());
    cells = out;
    return true;
}

QString cellText(const cell_table& cells, int row, int column) {
    if (row < 0 || row >= cells.size() || column < 0 || column >= cells[row].size())
        return QString();
    const QString& text = cells[row][column];
    if (text.isEmpty() || text == " ") return QString("");
    return text;
}

double cellNumber(const QString& text) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (text.isEmpty()) return nan;
    const QString upper = text.toUpper();
    if (upper == " " || upper == "NA" || upper == "NAN") return nan;
    QString compact = text;
    compact.remove(QRegularExpression("\\s"));
    bool ok = false;
    const double v = compact.toDouble(&ok);
    return ok ? v : nan;
}

QVector<QVector<double>> cellNumbers(const cell_table& cells) {
    int columns = 0;
    for (const auto& row : cells)
        columns = std::max(columns, static_cast<int>(row.size()));
    QVector<QVector<double>> out(cells.size(), QVector<double>(columns));
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < columns; ++c)
            out[r][c] = cellNumber(c < cells[r].size() ? cells[r][c] : QString());
    return out;
}
