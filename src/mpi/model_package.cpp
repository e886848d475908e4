// Packing the model folder, and rebuilding the evaluator from it on another rank.
#include "mpi/model_package.h"

#include "io/model_directory.h"
#include "model/model_definition.h"
#include "mpi/mpi_buffer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {
const qint64 packageMark = 0x56454c4d4f44454cLL; // identifies a package
}

bool model_package::readDirectory(const QString& dir, QString& message) {
    files.clear();
    const QDir folder(dir + "/model");
    if (!folder.exists()) {
        message = folder.path() + ": no such folder";
        return false;
    }
    for (const QFileInfo& info : folder.entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly)) {
            message = info.filePath() + ": cannot be read";
            return false;
        }
        files.insert(info.fileName(), f.readAll());
    }
    return true;
}

QByteArray model_package::toBytes() const {
    mpi_buffer out;
    out.putInt(packageMark);
    out.putDouble(relativeTolerance);
    out.putDouble(absoluteTolerance);
    out.putInt(evaluationLimitMilliseconds);
    out.putInt(silenceMilliseconds);
    out.putInt(files.size());
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        out.putText(it.key());
        out.putBytes(it.value());
    }
    return out.bytes;
}

bool model_package::fromBytes(const QByteArray& bytes) {
    mpi_buffer in(bytes);
    if (in.takeInt() != packageMark) return false;
    relativeTolerance = in.takeDouble();
    absoluteTolerance = in.takeDouble();
    evaluationLimitMilliseconds = in.takeInt();
    silenceMilliseconds = in.takeInt();
    const qint64 count = in.takeInt();
    files.clear();
    for (qint64 i = 0; i < count && in.ok; ++i) {
        const QString name = in.takeText();
        files.insert(name, in.takeBytes());
    }
    return in.ok && in.atEnd();
}

bool model_package::buildEvaluator(model_ode& evaluator, QString& message) const {
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir(dir.path()).mkdir("model")) {
        message = "cannot create a temporary model directory";
        return false;
    }
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        // Only plain names: a package never writes outside its temporary folder.
        if (it.key().contains('/') || it.key().startsWith('.')) continue;
        QFile f(dir.path() + "/model/" + it.key());
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size()) {
            message = f.fileName() + ": cannot be written";
            return false;
        }
    }
    model_directory loaded;
    if (!loaded.load(dir.path())) {
        message = "the model package holds no ODE text";
        return false;
    }
    model_definition model;
    model.numInitCluster = 1; // the points come from rank 0; the drawn cluster is not used
    model.load(loaded);
    const QList<model_ode> built = model.buildModels(1, relativeTolerance, absoluteTolerance);
    if (built.isEmpty() || built.first().stateCount == 0 || built.first().observations.isEmpty()) {
        message = "the model package gives no evaluable model";
        return false;
    }
    evaluator = built.first();
    evaluator.timeLimitMilliseconds = evaluationLimitMilliseconds;
    return true;
}
