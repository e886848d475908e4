// `velmora-batch report <model-dir> [--pdf FILE]`: the identifiability analysis of a saved
// result, printed as a table and written as compResult/identifiability.csv,
// compResult/profile_<parameter>.csv and compResult/families.csv, and, with --pdf, the
// report of the model and the result as one PDF. The end of a batch run does the same
// analysis through reportIdentifiability.
#pragma once

#include "batch/batch_runner.h"
#include "cnm/compResult.h"

#include <QString>
#include <QStringList>

#include <functional>

class model_definition;

// Analyses the last iteration of `result` with m = the model's valid observations, prints
// the summary table (or "Identifiability: " and why there is none) and writes the three kinds
// of files into "<directory>/compResult". Returns one message per file that could not be
// written; empty when all were, or when there was nothing to analyse.
QStringList reportIdentifiability(const compResult& result, const model_definition& model,
                                  const QString& directory,
                                  const std::function<void(const QString&)>& print);

class batch_report {
public:
    QString directory;
    // Empty: no PDF.
    QString pdfFile;

    // Reads the arguments that follow "report". --help puts its text into message and gives
    // exit; arguments that do not read give error with a one-line message.
    batch_runner::parsed parseArguments(const QStringList& arguments, QString& message);

    // Loads the model directory and its saved result and reports. Returns 2 with a one-line
    // message when the directory holds no model or no result, 1 when the result cannot be
    // analysed or a file could not be written, 0 otherwise. Writing the PDF needs a
    // QApplication.
    int run(QString& message);

    // Where the table goes (standard output by default).
    std::function<void(const QString&)> print;
};
