// Page 6 wiring: a short run of the oral example is shown, every tab draws what the core
// computes for the chosen iteration and percentile and exports exactly that; zoom keys,
// a click on a point and the picture exports reach the charts and files; the Identifiability
// tab has a row per parameter and draws the selected profile, and the report is a PDF.
// Page 7: the tables and the time text reach the simulation, one curve is drawn per shown
// parameter set or the band, the measured values of the plotted expression are overlaid,
// velmora-batch simulate writes the window's file from the saved directory, and a dose edit
// mirrored into the simulation keeps the dose table's message.
#include "window_test_support.h"

#include "analysis/identifiability_text.h"
#include "batch/batch_simulate.h"
#include "cnm/result_plots.h"
#include "io/csv.h"
#include "screenshots.h"
#include "ui/Chart.h"
#include "ui/ChartView.h"
#include "ui/plot_painter.h"

#include <QAbstractSeries>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBox>
#include <QValueAxis>

#include <functional>

class TestResultPages : public WindowTest {
    Q_OBJECT
    QTemporaryDir dir;
    QTabWidget* tabs = nullptr;

    QByteArray readAll(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    }
    // Curves of the simulation figure's layers of that type and role.
    int layersOf(plot_figure::layer::kind type, plot_figure::layer::role what) const {
        int n = 0;
        for (const plot_figure::layer& l : w->painter_simulation->figure().layers)
            if (l.type == type && l.what == what) n += l.curves.size();
        return n;
    }
    void showTab(const QString& title) {
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->tabText(t) == title) tabs->setCurrentIndex(t);
        QCOMPARE(tabs->tabText(tabs->currentIndex()), title);
    }
private slots:
    void init() {
        openWindow();
        QVERIFY(showExampleResult(*w, "oral_multiple_dose", dir.filePath("run"), 4));
        find<QToolBox>("toolBox")->setCurrentIndex(6);
        tabs = find<QTabWidget>("tabWidget");
        w->resize(1280, 1000);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() { closeWindow(); }
    void everyTabDrawsAndExportsTheCoreFigure();
    void zoomKeysAndResetChangeTheAxes();
    void aClickedPointIsHighlightedEverywhere();
    void picturesAreWritten();
    void identifiabilityTabAndReport();
    void simulationDrawsAndSwitchesToTheBand();
    void simulationBatchWritesTheWindowsFile();
    void simulationInputsMissingDisableSaving();
    void aDoseEditIsMirroredUnderItsOwnMessage();
};

// Cluster points drawn by the figure: curves of a lines layer, points of a points layer.
static int clusterCount(const plot_figure& f) {
    int n = 0;
    for (const plot_figure::layer& l : f.layers)
        if (l.what == plot_figure::layer::cluster)
            n += l.type == plot_figure::layer::lines ? l.curves.size() : l.curves.value(0).size();
    return n;
}

void TestResultPages::everyTabDrawsAndExportsTheCoreFigure() {
    const compResult& r = w->computationResult;
    QCOMPARE(find<QSpinBox>("spinBox_iterationNumber")->value(), 3);
    find<QSpinBox>("spinBox_iterationNumber")->setValue(2);
    find<QSpinBox>("spinBox_percentile")->setValue(40);
    const QVector<int> shown = plotDisplayIndex(r, 2, 40);
    QCOMPARE(w->displayIndex, shown);
    find<QComboBox>("comboBox_SSRpara_index")->setCurrentIndex(1);
    find<QComboBox>("comboBox_plot_x_axis")->setCurrentIndex(2);
    const parameters& p = w->para;
    QVector<double> measured;
    for (const observation_event& e : w->observationEvents)
        if (e.isValid) measured << e.value;
    const QString variable = w->odeParser.variable_name.value(0);
    struct row {
        QString tab;
        plot_painter* painter;
        plot_figure core;
        QString file;
        int clusterDrawn;
    };
    const row rows[] = {
        {"ODE solutions", w->painter_ODE_sol, odeSolutionPlot(r, 2, shown, 0, variable, false),
         "CNM_" + variable + "_plot.csv", shown.size()},
        {"Observation-Simulation", w->painter_observationSimulation,
         observationSimulationPlot(r, 2, shown, measured), "CNM_observation_simulation.csv",
         shown.size()},
        {"Parameter Range", w->painter_parameterRange,
         parameterRangePlot(r, 2, shown, p.xLowerBound, p.xUpperBound),
         "CNM_parameter_range_plot.csv", shown.size()},
        {"SSR-Parameter", w->painter_SSRpara, ssrParameterPlot(r, 2, shown, 1),
         "CNM_SSR_x2_plot.csv", shown.size()},
        {"Parameter-Parameter distribution", w->painter_scatterPlot,
         parameterScatterPlot(r, 2, shown, 2, 1, p.xLowerBound, p.xUpperBound, true),
         "parameter_parameter_plot_x3_x2.csv", shown.size()},
        {"SSR per iteration", w->painter_SSRperIteration, ssrPerIterationPlot(r),
         "CNM_SSR_per_iteration.csv", 0},
    };
    for (const row& c : rows) {
        showTab(c.tab);
        QCOMPARE(clusterCount(c.painter->figure()), c.clusterDrawn);
        QString fileName;
        QStringList rowLabels, columnLabels;
        QVector<QVector<double>> data;
        QVERIFY(w->currentExport(fileName, rowLabels, columnLabels, data));
        QCOMPARE(fileName, c.file);
        QCOMPARE(rowLabels.size(), c.core.plotData.size());
        w->saveCurrentTabAsCSV(dir.filePath(c.file));
        csvwriteWithHeader(dir.filePath("expected.csv"), c.core.plotData, rowLabels, columnLabels);
        QCOMPARE(readAll(dir.filePath(c.file)), readAll(dir.filePath("expected.csv")));
    }
    // The parameter table: a header line and one row per finite SSR of the iteration.
    showTab("Parameters");
    w->saveCurrentTabAsCSV(dir.filePath("parameters.csv"));
    QCOMPARE(readAll(dir.filePath("parameters.csv")).count('\n'), r.R_sorted[2].size());
}

void TestResultPages::zoomKeysAndResetChangeTheAxes() {
    showTab("Parameter Range");
    ChartView* view = w->chartView_parameterRange;
    auto* y = qobject_cast<QtCharts::QValueAxis*>(view->chart()->axes(Qt::Vertical).value(0));
    QVERIFY(y);
    const double span = y->max() - y->min();
    QTest::keyClick(view, Qt::Key_Plus);
    QCOMPARE(y->max() - y->min(), span / 2);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(y->max() - y->min(), span);
    QTest::keyClick(view, Qt::Key_Minus);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton);
    QCOMPARE(y->max() - y->min(), span);
}

void TestResultPages::aClickedPointIsHighlightedEverywhere() {
    showTab("SSR-Parameter");
    const plot_figure& f = w->painter_SSRpara->figure();
    const int p = f.layers[0].pointIndex.last();
    const QPointF at = w->painter_SSRpara->toChart(f.layers[0].curves[0].last());
    ChartView* view = w->chartView_SSRpara;
    const QPoint click = view->mapFromScene(view->chart()->mapToScene(at));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, click);
    QCOMPARE(w->selectedPoint, p);
    // The table lists the sorted cluster: the selected row is the rank of point p.
    const int rank = w->computationResult.sortIndex.last().indexOf(p);
    const QList<QTableWidgetItem*> selected =
        find<QTableWidget>("tableWidget_resultPara")->selectedItems();
    QVERIFY(!selected.isEmpty());
    QCOMPARE(selected.first()->row(), rank);
    // And back: a row of the table selects its point.
    auto* table = find<QTableWidget>("tableWidget_resultPara");
    showTab("Parameters");
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->item(0, 0)).center());
    QCOMPARE(w->selectedPoint, w->computationResult.sortIndex.last().first());
}

void TestResultPages::picturesAreWritten() {
    showTab("Parameter Range");
    const QPair<QString, QByteArray> files[] = {
        {"range.pdf", "%PDF"}, {"range.png", "\x89PNG"}, {"range.svg", "<?xml"}};
    for (const auto& f : files) {
        QVERIFY(w->saveCurrentPlotAsImage(dir.filePath(f.first)));
        QVERIFY2(readAll(dir.filePath(f.first)).startsWith(f.second), qPrintable(f.first));
    }
    QVERIFY(!w->saveCurrentPlotAsImage(dir.filePath("no/such/folder/range.pdf")));
    QDir().mkpath(dir.filePath("all"));
    QCOMPARE(w->exportAllPlots(dir.filePath("all")), 7);
    QVERIFY(QFile::exists(dir.filePath("all/CNM_parameter_range_plot.pdf")));
    QCOMPARE(tabs->tabText(tabs->currentIndex()), QString("Parameter Range"));
}

void TestResultPages::identifiabilityTabAndReport() {
    showTab("Identifiability");
    auto* table = find<QTableWidget>("tableWidget_identifiability");
    QCOMPARE(table->rowCount(), w->para.parameterNames.size());
    QVERIFY(w->identifiability.problem.isEmpty());
    QVERIFY(!find<QLabel>("label_identifiabilityRule")->text().isEmpty());
    QVERIFY(find<QTextBrowser>("textBrowser_identifiability")
                ->toPlainText()
                .contains(familyCountText(w->identifiability)));
    // A row of an estimated parameter draws its profile and the threshold line.
    const int row = w->identifiability.summary.size() - 1;
    table->setCurrentCell(row, 0);
    const int coordinate = w->identifiability.summary.at(row).coordinate;
    QVERIFY(coordinate >= 0);
    QVERIFY(w->painter_identifiability->figure().x.title.startsWith(
        w->identifiability.xNames.at(coordinate)));
    QStringList names;
    for (QtCharts::QAbstractSeries* s : w->chart_identifiability->series())
        names << s->name();
    QVERIFY(names.contains("threshold") && names.contains("lowest SSR"));

    QVERIFY(w->exportReport(dir.filePath("report.pdf")));
    QVERIFY(readAll(dir.filePath("report.pdf")).startsWith("%PDF"));
    QVERIFY(!w->exportReport(dir.filePath("missing/folder/report.pdf")));
}

void TestResultPages::simulationDrawsAndSwitchesToTheBand() {
    auto* doses = find<QTableWidget>("tableWidget_simulationDoseEvents");
    const QStringList dose{"0", "Ag", "1000", "0"};
    for (int c = 0; c < dose.size(); ++c)
        doses->setItem(0, c, new QTableWidgetItem(dose[c]));
    find<QTableWidget>("tableWidget_simulationParameters")
        ->setItem(w->para.parameterNames.indexOf("ka"), 0, new QTableWidgetItem("ka*2"));
    find<QLineEdit>("lineEdit_simulationTimePoints")->setText("0:2:24");
    find<QLineEdit>("lineEdit_simulationVariable")->setText("Ac / V");
    find<QSpinBox>("spinBox_percentile")->setValue(10);
    click("pushButton_computeSimulation");

    const QVector<int> shown = plotDisplayIndex(
        w->computationResult, find<QSpinBox>("spinBox_iterationNumber")->value(), 10);
    QCOMPARE(layersOf(plot_figure::layer::lines, plot_figure::layer::cluster), shown.size());
    // Ac/V is observed: its measured values are drawn.
    QCOMPARE(layersOf(plot_figure::layer::points, plot_figure::layer::measured), 1);
    QVERIFY(find<QPushButton>("pushButton_saveSimulationAsCSV")->isEnabled());

    find<QCheckBox>("checkBox_simulationBand")->setChecked(true);
    QCOMPARE(layersOf(plot_figure::layer::lines, plot_figure::layer::cluster), 0);
    QCOMPARE(layersOf(plot_figure::layer::band, plot_figure::layer::statistic), 4);
}

void TestResultPages::simulationInputsMissingDisableSaving() {
    const struct {
        const char* times;
        const char* status;
    } cases[] = {
        {"0:0:10", "the step (the middle number) cannot be 0"},
        {"1,2", ""},
    };
    auto* save = find<QPushButton>("pushButton_saveSimulationAsCSV");
    find<QLineEdit>("lineEdit_simulationVariable")->setText("Ac");
    for (const auto& c : cases) {
        find<QLineEdit>("lineEdit_simulationTimePoints")->setText(c.times);
        click("pushButton_computeSimulation");
        const QString status = w->statusBar()->currentMessage();
        QVERIFY2(status.contains(c.status), qPrintable(status));
        QCOMPARE(save->isEnabled(), QString(c.status).isEmpty());
    }
    // Without a result nothing is simulated.
    w->update_computation_result(compResult());
    click("pushButton_computeSimulation");
    QVERIFY(w->statusBar()->currentMessage().contains("No computation result"));
    QVERIFY(!save->isEnabled());
}

void TestResultPages::aDoseEditIsMirroredUnderItsOwnMessage() {
    find<QTableWidget>("tableWidget_doseEvents")->setItem(0, 1, new QTableWidgetItem("Gut"));
    QVERIFY(paneShows("Error in Dosing Table (1th row Compartment)"));
    auto* simulation = find<QTableWidget>("tableWidget_simulationDoseEvents");
    QCOMPARE(simulation->item(0, 1)->text(), QString("Gut"));
    QCOMPARE(textColour(simulation, 0, 1), QColor(Qt::red));
    QCOMPARE(w->simulationDoseEvents.value(0).compartment, QString("Gut"));
}

void TestResultPages::simulationBatchWritesTheWindowsFile() {
    // The window's inputs, saved with the model as the user saves them.
    find<QTableWidget>("tableWidget_simulationDoseEvents")
        ->setItem(1, 2, new QTableWidgetItem("250"));
    find<QTableWidget>("tableWidget_simulationParameters")
        ->setItem(w->para.parameterNames.indexOf("CL"), 0, new QTableWidgetItem("CL/2"));
    find<QLineEdit>("lineEdit_simulationTimePoints")->setText("0:1.5:36");
    find<QLineEdit>("lineEdit_simulationVariable")->setText("Ac/V");
    find<QCheckBox>("checkBox_simulationBand")->setChecked(true);
    click("pushButton_computeSimulation");
    QVERIFY(w->saveSimulationAsCSV(dir.filePath("window.csv")));
    QVERIFY(w->saveTo(dir.filePath("run")));

    batch_simulate batch;
    QString message;
    QCOMPARE(batch.parseArguments({dir.filePath("run"), "--band", "--expression", "Ac/V", "--out",
                                   dir.filePath("batch.csv")},
                                  message),
             batch_simulate::parsed::run);
    batch.print = [](const QString&) {};
    QCOMPARE(batch.run(message), 0);
    QCOMPARE(readAll(dir.filePath("batch.csv")), readAll(dir.filePath("window.csv")));
    // Nothing to simulate is an error with the reason, not an empty file.
    batch.times = "0:0:1";
    QCOMPARE(batch.run(message), 2);
    QVERIFY2(message.contains("No simulation time points"), qPrintable(message));
}

QTEST_MAIN(TestResultPages)
#include "test_result_pages.moc"
