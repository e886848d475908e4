// Writing and reading message bodies.
#include "mpi/mpi_buffer.h"

#include <cstring>

void mpi_buffer::putInt(qint64 value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void mpi_buffer::putDouble(double value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void mpi_buffer::putRow(const QVector<double>& row) {
    putInt(row.size());
    bytes.append(reinterpret_cast<const char*>(row.constData()),
                 static_cast<int>(row.size() * sizeof(double)));
}

void mpi_buffer::putText(const QString& text) {
    putBytes(text.toUtf8());
}

void mpi_buffer::putBytes(const QByteArray& data) {
    putInt(data.size());
    bytes.append(data);
}

void mpi_buffer::putEvaluation(const point_evaluation& evaluation) {
    putInt(evaluation.states.size());
    for (const QVector<double>& row : evaluation.states)
        putRow(row);
    putRow(evaluation.observed);
}

bool mpi_buffer::take(void* out, int size) {
    if (!ok || size < 0 || size > bytes.size() - position) {
        ok = false;
        return false;
    }
    std::memcpy(out, bytes.constData() + position, static_cast<size_t>(size));
    position += size;
    return true;
}

qint64 mpi_buffer::takeInt() {
    qint64 value = 0;
    return take(&value, sizeof value) ? value : 0;
}

double mpi_buffer::takeDouble() {
    double value = 0.0;
    return take(&value, sizeof value) ? value : 0.0;
}

QVector<double> mpi_buffer::takeRow() {
    const qint64 size = takeInt();
    if (!ok || size < 0 || size > (bytes.size() - position) / qint64(sizeof(double))) {
        ok = false;
        return {};
    }
    QVector<double> row(static_cast<int>(size));
    take(row.data(), static_cast<int>(size * sizeof(double)));
    return row;
}

QString mpi_buffer::takeText() {
    return QString::fromUtf8(takeBytes());
}

QByteArray mpi_buffer::takeBytes() {
    const qint64 size = takeInt();
    if (!ok || size < 0 || size > bytes.size() - position) {
        ok = false;
        return {};
    }
    const QByteArray data = bytes.mid(position, static_cast<int>(size));
    position += static_cast<int>(size);
    return data;
}

point_evaluation mpi_buffer::takeEvaluation() {
    point_evaluation evaluation;
    const qint64 rows = takeInt();
    if (!ok || rows < 0 || rows > bytes.size() - position) {
        ok = false;
        return evaluation;
    }
    evaluation.states.reserve(static_cast<int>(rows));
    for (qint64 r = 0; r < rows && ok; ++r)
        evaluation.states.append(takeRow());
    evaluation.observed = takeRow();
    return evaluation;
}
