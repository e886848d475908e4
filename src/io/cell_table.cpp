// Reading and writing tables of cell texts in the table dialect of the model directory.
#include "io/cell_table.h"

#include "io/log_categories.h"

#include <QDebug>
#include <QRegularExpression>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <limits>

namespace {

// A cell holding a separator, a quote or a line break is written between double quotes with
// its inner quotes doubled; every other cell is written as it stands.
QString quotedIfNeeded(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString inner = text;
    inner.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace

QVector<QStringList> splitCellRows(const QString& text) {
    QVector<QStringList> rows;
    if (text.isEmpty()) return rows;
    QStringList fields;
    // Fields are never null: an empty field is a cell whose text is empty, as when split.
    const QString empty(QLatin1String(""));
    QString field = empty;
    const int n = text.size();
    int i = 0;
    bool atFieldStart = true;
    while (i < n) {
        const QChar ch = text[i];
        if (atFieldStart && ch == QLatin1Char('"')) {
            // A quoted cell: up to the quote that is not doubled; it may hold "," and line
            // breaks. Text after the closing quote up to the separator is kept as it is.
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            atFieldStart = false;
            continue;
        }
        atFieldStart = false;
        if (ch == QLatin1Char(',')) {
            fields << field;
            field = empty;
            atFieldStart = true;
            ++i;
        } else if (ch == QLatin1Char('\n') ||
                   (ch == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))) {
            fields << field;
            rows << fields;
            fields.clear();
            field = empty;
            atFieldStart = true;
            i += ch == QLatin1Char('\r') ? 2 : 1;
        } else {
            field += ch;
            ++i;
        }
    }
    // A final line break ends the last row; it does not open an empty one.
    if (!atFieldStart || !fields.isEmpty() || !field.isEmpty() ||
        !(text.endsWith(QLatin1Char('\n'))))
        rows << (fields << field);
    return rows;
}

bool writeCellTable(const QString& file, const cell_table& cells, int columns) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qCDebug(lcIo) << "Error, unable to open";
        return false;
    }
    QTextStream out(&f);
    out.setCodec("UTF-8");
    out << cellTableText(cells, columns);
    out.flush();
    if (out.status() != QTextStream::Ok || !f.commit()) {
        qCDebug(lcIo) << "Error, unable to save" << file;
        return false;
    }
    return true;
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
                    out << quotedIfNeeded(text) << (lastColumn ? "\n" : ",");
            } else if (columns == 1 && text.isEmpty() && !text.isNull()) {
                out << "\"\""; // an empty line at the end would read back as no row
            } else {
                out << quotedIfNeeded(text); // a missing cell of the last row is written as nothing
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
    if (!f.exists() || !f.open(QIODevice::ReadOnly)) return false;
    const QVector<QStringList> lines = splitCellRows(QString::fromUtf8(f.readAll()));
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
