// Page 7 wiring: the tables and the time text reach the simulation core, one curve is
// drawn per displayed parameter set, the band checkbox switches to the band, the measured
// values of the plotted expression are overlaid, the CSV file holds the core's numbers,
// velmora-batch simulate writes the same file from the saved directory, and a dose edit
// mirrored into the simulation keeps the dose table's message.
#include "window_test_support.h"

#include "batch/batch_simulate.h"
#include "cnm/result_plots.h"
#include "io/csv.h"
#include "screenshots.h"
#include "simulation/simulation_figure.h"
#include "simulation/simulation_time_text.h"
#include "ui/plot_painter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>

class TestSimulationPage : public WindowTest {
    Q_OBJECT
    QTemporaryDir dir;

    QByteArray readAll(const QString& name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    }
    int layersOf(plot_figure::layer::kind type, plot_figure::layer::role what) const {
        int n = 0;
        for (const plot_figure::layer& l : w->painter_simulation->figure().layers)
            if (l.type == type && l.what == what) n += l.curves.size();
        return n;
    }
private slots:
    void init() {
        openWindow();
        QVERIFY(showExampleResult(*w, "oral_multiple_dose", dir.filePath("run"), 2));
        QVERIFY(w->loadFrom(dir.filePath("run")));
    }
    void cleanup() { closeWindow(); }
    void computeDrawsExportsAndSwitchesToTheBand();
    void batchWritesTheWindowsFile();
    void missingInputsDisableSaving();
    void aDoseEditIsMirroredUnderItsOwnMessage();
};

void TestSimulationPage::computeDrawsExportsAndSwitchesToTheBand() {
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

    // The core run on the same inputs, independent of the window's state.
    simulation_setup setup;
    setup.ode = w->odeParser;
    setup.parameterRecord = w->para;
    setup.doses = w->simulationDoseEvents;
    setup.timePoints = parseSimulationTimeText("0:2:24").points;
    const int k = find<QSpinBox>("spinBox_iterationNumber")->value();
    const QVector<int> shown = plotDisplayIndex(w->computationResult, k, 10);
    const simulation_view core =
        simulationView(runSimulation(setup, w->computationResult, k, shown), "Ac/V");
    QCOMPARE(core.curves.size(), shown.size() + 1);

    QCOMPARE(layersOf(plot_figure::layer::lines, plot_figure::layer::cluster), shown.size());
    // Ac/V is observed: its measured values are drawn.
    QCOMPARE(layersOf(plot_figure::layer::points, plot_figure::layer::measured), 1);
    QVERIFY(find<QPushButton>("pushButton_saveSimulationAsCSV")->isEnabled());
    QVERIFY(w->saveSimulationAsCSV(dir.filePath("curves.csv")));
    csvwriteWithHeader(dir.filePath("expected.csv"), core.curves, core.curveRowLabels,
                       core.columnLabels);
    QCOMPARE(readAll("curves.csv"), readAll("expected.csv"));

    find<QCheckBox>("checkBox_simulationBand")->setChecked(true);
    QCOMPARE(layersOf(plot_figure::layer::lines, plot_figure::layer::cluster), 0);
    QCOMPARE(layersOf(plot_figure::layer::band, plot_figure::layer::statistic), 4);
}

void TestSimulationPage::missingInputsDisableSaving() {
    const struct {
        const char* times;
        const char* status;
    } cases[] = {
        {"", "No simulation time points"},
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

void TestSimulationPage::aDoseEditIsMirroredUnderItsOwnMessage() {
    find<QTableWidget>("tableWidget_doseEvents")->setItem(0, 1, new QTableWidgetItem("Gut"));
    QVERIFY(paneShows("Error in Dosing Table (1th row Compartment)"));
    auto* simulation = find<QTableWidget>("tableWidget_simulationDoseEvents");
    QCOMPARE(simulation->item(0, 1)->text(), QString("Gut"));
    QCOMPARE(textColour(simulation, 0, 1), QColor(Qt::red));
    QCOMPARE(w->simulationDoseEvents.value(0).compartment, QString("Gut"));
}

void TestSimulationPage::batchWritesTheWindowsFile() {
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
    QCOMPARE(readAll("batch.csv"), readAll("window.csv"));
    // Nothing to simulate is an error with the reason, not an empty file.
    batch.times = "0:0:1";
    QCOMPARE(batch.run(message), 2);
    QVERIFY2(message.contains("No simulation time points"), qPrintable(message));
}

QTEST_MAIN(TestSimulationPage)
#include "test_simulation_page.moc"
