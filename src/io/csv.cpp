// Writing and reading number matrices as comma-separated text.
#include "io/csv.h"

#include "io/log_categories.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QStringRef>
#include <QTextStream>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

double toDoubleOrNaN(const QString& field) {
    bool ok = false;
    const double v = field.toDouble(&ok);
    return ok ? v : notANumber;
}

QString withoutBlanks(const QStringRef& field) {
    QString out;
    out.reserve(field.size());
    for (const QChar ch : field) {
        if (!ch.isSpace()) out.append(ch);
    }
    return out;
}

// One CSV line to one row of numbers; empty fields are kept (and read as NaN).
QVector<double> parseLine(const QString& line, bool deleteBlanks) {
    const QVector<QStringRef> fields = line.splitRef(QLatin1Char(','));
    QVector<double> row;
    row.reserve(fields.size());
    for (const QStringRef& field : fields) {
        row.append(toDoubleOrNaN(deleteBlanks ? withoutBlanks(field) : field.toString()));
    }
    return row;
}

// A number as QTextStream writes it by default (%g, 6 significant digits; "nan", "inf",
// "-inf"; zero without sign), formatted without the stream's locale machinery: the result
// files are written after every iteration and this is most of their cost.
void appendNumber(QByteArray& out, double v) {
    if (std::isnan(v)) {
        out.append("nan");
    } else if (std::isinf(v)) {
        out.append(v > 0 ? "inf" : "-inf");
    } else if (v == 0) {
        out.append('0');
    } else {
        // to_chars is printf's %g in the C locale, whatever locale the process runs in.
        char buffer[32];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
        out.append(buffer, static_cast<int>(end.ptr - buffer));
    }
}

void appendNumber(QByteArray& out, int v) {
    out.append(QByteArray::number(v));
}

template <typename T> QByteArray matrixText(const QVector<QVector<T>>& M) {
    QByteArray text;
    for (const QVector<T>& row : M) {
        for (int j = 0; j < row.size(); ++j) {
            if (j > 0) text.append(',');
            appendNumber(text, row[j]);
        }
        text.append('\n');
    }
    return text;
}

template <typename T> bool writeMatrix(const QString& file, const QVector<QVector<T>>& M) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        qCDebug(lcIo) << "Error, unable to save";
        return false;
    }
    const QByteArray text = matrixText(M);
    if (f.write(text) != text.size() || !f.commit()) {
        qCDebug(lcIo) << "Error, unable to save";
        return false;
    }
    return true;
}

} // namespace

QByteArray csvText(const QVector<QVector<double>>& M) {
    return matrixText(M);
}

QByteArray csvText(const QVector<QVector<int>>& M) {
    return matrixText(M);
}

bool csvwrite(const QString& file, const QVector<QVector<double>>& M) {
    return writeMatrix(file, M);
}

bool csvwrite(const QString& file, const QVector<QVector<int>>& M) {
    return writeMatrix(file, M);
}

bool csvwriteWithHeader(const QString& file, const QVector<QVector<double>>& M,
                        const QStringList& rowHeader, const QStringList& colHeader) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        qCDebug(lcIo) << "Error, unable to open";
        return false;
    }
    QTextStream out(&f);
    out << ',' << colHeader.join(QLatin1Char(',')) << '\n';
    for (int r = 0; r < M.size(); ++r) {
        if (r < rowHeader.size()) out << rowHeader[r];
        out << ',';
        const QVector<double>& row = M[r];
        for (int j = 0; j < row.size(); ++j) {
            if (j > 0) out << ',';
            out << QString::number(row[j], 'g', 6);
        }
        if (r + 1 < M.size()) out << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !f.commit()) {
        qCDebug(lcIo) << "Error, unable to save";
        return false;
    }
    return true;
}

QVector<QVector<double>> csvReadToDouble(const QString& file) {
    QVector<QVector<double>> M;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return M;
    QTextStream in(&f);
    QString line;
    while (in.readLineInto(&line))
        M.append(parseLine(line, true));
    return M;
}

QVector<QVector<double>> csvTextReadToDouble(const QString& text) {
    QVector<QVector<double>> M;
    QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'));
    // The piece after a final "\n" (or the whole of an empty text) is no line.
    if (lines.last().isEmpty()) lines.removeLast();
    M.reserve(lines.size());
    for (const QStringRef& line : lines)
        M.append(parseLine(line.toString(), false));
    return M;
}
