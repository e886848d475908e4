// A message body: integers, doubles, rows of doubles, point results and texts written one
// after the other in the machine's own byte order (all ranks of a run are the same
// program), and read back in the same order. Reading past the end sets `ok` false and gives
// zeros and empty values, so a truncated message is detected, never read out of bounds.
#pragma once

#include "cnm/point_evaluation.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class mpi_buffer {
public:
    QByteArray bytes;
    bool ok = true;

    mpi_buffer() = default;
    explicit mpi_buffer(QByteArray data) : bytes(std::move(data)) {}

    void putInt(qint64 value);
    void putDouble(double value);
    void putRow(const QVector<double>& row);
    void putText(const QString& text);
    void putBytes(const QByteArray& data);
    void putEvaluation(const point_evaluation& evaluation);

    qint64 takeInt();
    double takeDouble();
    QVector<double> takeRow();
    QString takeText();
    QByteArray takeBytes();
    point_evaluation takeEvaluation();

    bool atEnd() const { return position >= bytes.size(); }

private:
    bool take(void* out, int size);
    int position = 0;
};
