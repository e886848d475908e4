// What the parts of a velmora-batch command mean for the process: help and version texts go
// to stdout with status 0, a bad option to stderr with status 2, and a failed run's message to
// stderr under the command's name with the run's own status.
#pragma once

#include "batch/batch_runner.h"

#include <QString>

#include <cstdio>

// -1 when the command is to run; otherwise the exit status, after printing what the parse
// produced.
inline int exitStatusOfParse(batch_runner::parsed parsed, const QString& message,
                             const char* command) {
    switch (parsed) {
    case batch_runner::parsed::exit:
        std::printf("%s\n", message.trimmed().toLocal8Bit().constData());
        return 0;
    case batch_runner::parsed::error:
        std::fprintf(stderr, "%s: %s\n", command, message.toLocal8Bit().constData());
        return 2;
    case batch_runner::parsed::run:
        break;
    }
    return -1;
}

// The run's status, after printing its message when it failed.
inline int reportedStatus(int status, const QString& message, const char* command) {
    if (status != 0) std::fprintf(stderr, "%s: %s\n", command, message.toLocal8Bit().constData());
    return status;
}
