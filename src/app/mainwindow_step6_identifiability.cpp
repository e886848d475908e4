// Page 6, the "Identifiability" tab: which parameters the data determine, from the shown
// iteration of the result (core: analysis/identifiability.h), with the profile of the
// selected parameter drawn by the plot painter; and File > Export report, which writes the
// report built in the core (analysis/reportContent.h) as a PDF.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "analysis/identifiability.h"
#include "analysis/identifiability_text.h"
#include "analysis/profile_plot.h"
#include "analysis/reportContent.h"
#include "ui/Chart.h"
#include "ui/ChartView.h"
#include "ui/plot_painter.h"
#include "ui/report_writer.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {

QColor verdictColour(parameterProfile::Verdict verdict) {
    switch (verdict) {
    case parameterProfile::Identified:
        return QColor(200, 240, 200);
    case parameterProfile::BoundedOnOneSide:
    case parameterProfile::SeparateRanges:
        return QColor(250, 235, 180);
    case parameterProfile::NotIdentified:
        return QColor(245, 200, 200);
    case parameterProfile::Fixed:
        break;
    }
    return QColor(225, 225, 225);
}

int validObservations(const QVector<observation_event>& events) {
    int m = 0;
    for (const observation_event& e : events)
        m += e.isValid ? 1 : 0;
    return m;
}

} // namespace

void MainWindow::setupIdentifiabilityTab() {
    chart_identifiability = new Chart;
    chart_identifiability->legend()->setAlignment(Qt::AlignBottom);
    chartView_identifiability =
        new ChartView(chart_identifiability, ui->widget_identifiabilityProfile);
    chartView_identifiability->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QGridLayout(ui->widget_identifiabilityProfile);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chartView_identifiability, 0, 0);
    painter_identifiability = new plot_painter(chart_identifiability, chartView_identifiability);
    ui->tableWidget_identifiability->setColumnCount(6);
    ui->tableWidget_identifiability->setHorizontalHeaderLabels(
        {tr("Verdict"), tr("Best"), tr("Median"), tr("5–95 %"), tr("Relative range"),
         tr("Profile interval")});
    ui->tableWidget_identifiability->horizontalHeader()->setStretchLastSection(true);

    exportReportAct = new QAction(tr("Export &report..."), this);
    exportReportAct->setObjectName(QStringLiteral("exportReportAct"));
    exportReportAct->setStatusTip(tr("Write the model, the result and what the data determine "
                                     "into one PDF report."));
    connect(exportReportAct, &QAction::triggered, this, &MainWindow::menu_exportReport);
    fileMenu->addAction(exportReportAct);
}

void MainWindow::redrawIdentifiabilityTab() {
    const int k = ui->spinBox_iterationNumber->value();
    const int percentile = ui->spinBox_percentile->value();
    // The analysis of up to a thousand points of thirty iterations takes a fraction of a
    // second: keep it while nothing it depends on changed.
    if (k != identifiabilityOfIteration || percentile != identifiabilityOfPercentile ||
        identifiabilityOfR != computationResult.R) {
        identifiabilityOptions options;
        options.iteration = k;
        options.percentile = percentile;
        const int m = validObservations(observationEvents);
        if (m > 0) options.observations = m;
        identifiability = analyseIdentifiability(computationResult, para, options);
        identifiabilityOfIteration = k;
        identifiabilityOfPercentile = percentile;
        identifiabilityOfR = computationResult.R;
    }
    const identifiabilityResult& a = identifiability;
    ui->label_identifiabilityRule->setText(
        acceptedSetSentence(a, computationResult.R.value(a.iteration).size()));

    QTableWidget* table = ui->tableWidget_identifiability;
    const int selected = std::max(0, table->currentRow());
    {
        const QSignalBlocker blocker(table);
        table->setRowCount(a.summary.size());
        const QVector<QStringList> cells = summaryCells(a);
        QStringList names;
        for (int r = 0; r < a.summary.size(); ++r) {
            names << a.summary.at(r).name;
            for (int c = 0; c < cells.at(r).size(); ++c) {
                auto* item = new QTableWidgetItem(cells.at(r).at(c));
                if (c == 0) item->setBackground(verdictColour(a.summary.at(r).verdict));
                table->setItem(r, c, item);
            }
        }
        table->setVerticalHeaderLabels(names);
        table->resizeColumnsToContents();
        if (selected < table->rowCount()) table->setCurrentCell(selected, 0);
    }
    ui->textBrowser_identifiability->setHtml(combinationsAndFamiliesHtml(a));
    showIdentifiabilityProfile(table->currentRow());
}

void MainWindow::showIdentifiabilityProfile(int row) {
    const int coordinate = identifiability.summary.value(row).coordinate;
    plot_figure figure;
    for (const parameterProfile& p : identifiability.profiles)
        if (p.coordinate == coordinate && coordinate >= 0) figure = profilePlot(p);
    painter_identifiability->draw(figure);
    if (!figure.message.isEmpty()) statusBar()->showMessage(figure.message, 5000);
}

void MainWindow::on_tableWidget_identifiability_currentCellChanged(int row, int column,
                                                                   int previousRow,
                                                                   int previousColumn) {
    Q_UNUSED(column);
    Q_UNUSED(previousColumn);
    if (row != previousRow) showIdentifiabilityProfile(row);
}

reportInput MainWindow::currentReportInput() const {
    QVector<double> measured;
    for (const observation_event& e : observationEvents)
        if (e.isValid) measured.append(e.value);
    return reportInputOf(
        currentFiles(modelDirectory),
        modelDirectory.isEmpty() ? QString() : QFileInfo(modelDirectory).fileName(), measured);
}

bool MainWindow::exportReport(const QString& file) {
    if (computationResult.R.isEmpty()) {
        statusBar()->showMessage(tr("Error, no result to report"), 5000);
        return false;
    }
    identifiabilityOptions options;
    options.iteration = ui->spinBox_iterationNumber->value();
    options.percentile = ui->spinBox_percentile->value();
    const int m = validObservations(observationEvents);
    if (m > 0) options.observations = m;
    const QString problem =
        writeReportPdf(buildReport(currentReportInput(), para, computationResult,
                                   analyseIdentifiability(computationResult, para, options)),
                       file);
    statusBar()->showMessage(problem.isEmpty() ? tr("Saved %1").arg(file) : problem, 5000);
    return problem.isEmpty();
}

void MainWindow::menu_exportReport() {
    const QString proposed = modelDirectory.isEmpty()
                                 ? QStringLiteral("report.pdf")
                                 : QDir(modelDirectory).filePath(QStringLiteral("report.pdf"));
    QString file =
        QFileDialog::getSaveFileName(this, tr("Export report"), proposed, tr("PDF file (*.pdf)"));
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
    exportReport(file);
}
