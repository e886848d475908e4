// What rank 0 sends to the other ranks of an MPI run so that they can evaluate points: the
// files of the model folder as rank 0 read them, and the evaluator settings of the run.
// The ranks rebuild the evaluator from these files with the same loader as the batch
// runner, in a private temporary directory. Rank 0 sends the model rather than letting every
// rank read the directory because the ranks of a cluster need not share a file system, the
// run's options (tolerances) exist only on rank 0, and rank 0 writes into the directory
// while the others start, so only what rank 0 read is sure to be the model of the run.
#pragma once

#include "model/model_ode.h"

#include <QByteArray>
#include <QMap>
#include <QString>

class model_package {
public:
    // File name inside the "model" folder -> contents.
    QMap<QString, QByteArray> files;
    double relativeTolerance = 0.1;
    double absoluteTolerance = 1.0;
    qint64 evaluationLimitMilliseconds = 10000;
    // How long a rank waits without a word from rank 0 before it takes rank 0 as gone.
    qint64 silenceMilliseconds = 15000;

    // Every file of dir/model; false with a message when the folder cannot be read.
    bool readDirectory(const QString& dir, QString& message);

    QByteArray toBytes() const;
    // False for bytes that are not a whole package.
    bool fromBytes(const QByteArray& bytes);

    // The evaluator of one point, built from the files as the batch runner builds it, with
    // the package's tolerances and time limit. False with a message when the files cannot
    // be written to a temporary directory or the model has no ODE or no observation.
    bool buildEvaluator(model_ode& evaluator, QString& message) const;
};
