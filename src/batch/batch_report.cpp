// The report command of the batch runner and the analysis at the end of a run.
#include "batch/batch_report.h"

#include "analysis/identifiability.h"
#include "analysis/identifiability_files.h"
#include "analysis/identifiability_text.h"
#include "analysis/reportContent.h"
#include "io/model_directory.h"
#include "model/model_definition.h"
#ifdef VELMORA_HAVE_REPORT_PDF
#include "ui/report_writer.h"
#endif

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

identifiabilityResult analyse(const compResult& result, const model_definition& model) {
    identifiabilityOptions options;
    const int m = model.observedValues().size();
    if (m > 0) options.observations = m;
    return analyseIdentifiability(result, model.para, options);
}

QStringList printAndSave(const identifiabilityResult& analysis, const QString& directory,
                         const std::function<void(const QString&)>& print) {
    print(identifiabilityText(analysis));
    return saveIdentifiability(analysis, directory);
}

} // namespace

QStringList reportIdentifiability(const compResult& result, const model_definition& model,
                                  const QString& directory,
                                  const std::function<void(const QString&)>& print) {
    return printAndSave(analyse(result, model), directory, print);
}

batch_runner::parsed batch_report::parseArguments(const QStringList& arguments, QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints what the data determine in the saved result of a model directory and writes "
        "compResult/identifiability.csv, compResult/profile_<parameter>.csv and "
        "compResult/families.csv; with --pdf also the report of model and result.");
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument("model-dir", "The model directory.");
    const QCommandLineOption pdf("pdf", "Write the report as PDF into FILE.", "FILE");
    parser.addOption(pdf);
    if (!parser.parse(QStringList{"velmora-batch report"} + arguments)) {
        message = parser.errorText();
        return batch_runner::parsed::error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return batch_runner::parsed::exit;
    }
    if (!batch_runner::modelDirectoryArgument(parser, "report: ", "report --help", directory,
                                              message))
        return batch_runner::parsed::error;
    while (directory.size() > 1 && directory.endsWith('/'))
        directory.chop(1);
    pdfFile = parser.value(pdf);
    return batch_runner::parsed::run;
}

int batch_report::run(QString& message) {
    if (!print)
        print = [](const QString& text) {
            std::fputs(text.toLocal8Bit().constData(), stdout);
            std::fflush(stdout);
        };
    model_directory files;
    if (!QDir(directory).exists() || !files.load(directory)) {
        message = model_directory::odeTextFile(directory) + ": cannot be read";
        return 2;
    }
    compResult result;
    if (!result.readIn(directory)) {
        message = directory + "/compResult: no saved result";
        return 2;
    }
    model_definition model;
    model.load(files);
    const identifiabilityResult analysis = analyse(result, model);
    QStringList problems = printAndSave(analysis, directory, print);
    if (!analysis.problem.isEmpty()) problems << "Identifiability: " + analysis.problem;
    if (!pdfFile.isEmpty()) {
#ifdef VELMORA_HAVE_REPORT_PDF
        const reportInput input =
            reportInputOf(files, QFileInfo(directory).fileName(), model.observedValues());
        const QString problem =
            writeReportPdf(buildReport(input, model.para, result, analysis), pdfFile);
        if (problem.isEmpty())
            print("report written to " + pdfFile + "\n");
        else
            problems << problem;
#else
        problems << "This velmora-batch was built without the window's libraries and cannot "
                    "write PDF reports.";
#endif
    }
    if (problems.isEmpty()) return 0;
    message = problems.join(" ");
    return 1;
}
