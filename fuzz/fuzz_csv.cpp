// libFuzzer harness for the CSV readers: the input as text for csvTextReadToDouble, and the
// same bytes as a file for csvReadToDouble. Both must return without crashing; the text
// reader must give one row per line.
#include "io/csv.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const QString text = QString::fromUtf8(bytes);

    const QVector<QVector<double>> fromText = csvTextReadToDouble(text);
    const int lines = text.isEmpty() ? 0 : text.count(QLatin1Char('\n')) + !text.endsWith('\n');
    if (fromText.size() != lines) std::abort();
    for (const QVector<double>& row : fromText) {
        if (row.isEmpty()) std::abort();
    }

    // Created once (and removed at exit); each input is written over it.
    static QTemporaryFile file;
    if (file.fileName().isEmpty() && !file.open()) return 0;
    QFile out(file.fileName());
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write(bytes);
        out.close();
        const QVector<QVector<double>> fromFile = csvReadToDouble(out.fileName());
        for (const QVector<double>& row : fromFile) {
            if (row.isEmpty()) std::abort();
        }
    }
    return 0;
}
