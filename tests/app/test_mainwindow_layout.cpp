// The window's wiring at start-up: what the constructor hides and disables, the work done on
// entering steps 3 and 6, locking the model during a run, the show/hide toggles, closing
// while the worker thread runs, and the screenshot run.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include "cnm/cluster_newton_method.h"
#include "screenshots.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBox>

namespace {

// Whether a cell editor is open in the table.
bool editorOpen(QTableWidget* t) {
    for (QLineEdit* editor : t->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) return true;
    return false;
}

// What locking the model during a run disables, makes read-only or stops from editing.
const QStringList lockedWidgets =
    QString("comboBox_ODE_text_replace lineEdit_ODEs_replace_to pushButton pushButton_4 "
            "pushButton_6 pushButton_increaseObsRows pushButton_ODEsReplace pushButton_ODEs_undo "
            "spinBox_numTotIter spinBox_numWeightIter spinBox_numS2_iter lineEdit_initialLambda "
            "lineEdit_odeRelTol lineEdit_odeAbsTol lineEdit_seed pushButton_importInitCluster "
            "spinBox_numInitICluster")
        .split(' ');
const char* const readOnlyEditors[] = {"textEdit_ODEExpression", "textEdit_paraDefinition",
                                       "textEdit_paraDefInverse", "textEdit_weights"};
const char* const lockedTables[] = {"tableWidget_doseEvents", "tableWidget_initialCluster",
                                    "tableWidget_observations", "tableWidget_parametersSpec"};

} // namespace

class TestMainWindowLayout : public WindowTest {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void startUpState();
    void enteringStep3AndStep6();
    void lockAndUnlock();
    void toggles();
    void closingStopsRunningWorkerThread();
    void screenshotsOfACompleteModel();
};

void TestMainWindowLayout::startUpState() {
    for (const char* name : {"textEdit_error", "groupBox_copyVariable", "lab_variableNames",
                             "lab_parameterNames", "tableWidget_jacobian", "frame_weights"})
        QVERIFY2(find(name)->isHidden(), name);
    for (const char* name : {"pushButton_saveSimulationAsCSV", "pushButton_ODEs_undo"})
        QVERIFY2(!find(name)->isEnabled(), name);

    // The export button names what the result tab shows.
    auto* results = find<QTabWidget>("tabWidget");
    auto* save = find<QPushButton>("pushButton_saveAsCSV");
    results->setCurrentIndex(2);
    QCOMPARE(save->text(), QString("save parameters as CSV"));
    results->setCurrentIndex(3);
    QCOMPARE(save->text(), QString("save plot as CSV"));
}

void TestMainWindowLayout::enteringStep3AndStep6() {
    auto* toolBox = find<QToolBox>("toolBox");
    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    auto* simulation = find<QTableWidget>("tableWidget_simulationParameters");
    auto* variables = find<QComboBox>("comboBox_ODE_plot_variable");
    // Without a model the pages stay empty.
    toolBox->setCurrentIndex(2);
    QCOMPARE(bounds->rowCount(), 0);
    toolBox->setCurrentIndex(6);
    QCOMPARE(variables->count(), 0);

    find<QTextEdit>("textEdit_ODEExpression")->setPlainText("dAdt = -k*A/V\ndBdt = k*A - c*B");
    toolBox->setCurrentIndex(2);
    QCOMPARE(bounds->rowCount(), 3);
    QCOMPARE(column(bounds, 2), QString("0|0|0"));
    QCOMPARE(w->para.simulationExpressions.size(), 3);
    QCOMPARE(simulation->rowCount(), 3);

    // Filled lower bounds are kept; an emptied one is set to 0 again.
    bounds->setItem(0, 2, new QTableWidgetItem("nb"));
    bounds->setItem(1, 2, new QTableWidgetItem(""));
    toolBox->setCurrentIndex(0);
    toolBox->setCurrentIndex(2);
    QCOMPARE(column(bounds, 2), QString("nb|0|0"));

    toolBox->setCurrentIndex(6);
    QCOMPARE(variables->count(), 2);
    QCOMPARE(variables->itemText(1), QString("B"));
}

void TestMainWindowLayout::lockAndUnlock() {
    auto* doses = find<QTableWidget>("tableWidget_doseEvents");
    auto* untouched = find("pushButton_saveAsCSV"); // outside the model: keeps its state
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    find<QToolBox>("toolBox")->setCurrentIndex(1);
    for (const bool enable : {false, true}) {
        w->enable_model_related_UI(enable);
        for (const QString& name : lockedWidgets)
            QVERIFY2(find(qPrintable(name))->isEnabled() == enable, qPrintable(name));
        for (const char* name : readOnlyEditors)
            QVERIFY2(find<QTextEdit>(name)->isReadOnly() == !enable, name);
        for (const char* name : lockedTables)
            QVERIFY2(find<QTableWidget>(name)->editTriggers() ==
                         (enable ? QAbstractItemView::CurrentChanged
                                 : QAbstractItemView::NoEditTriggers),
                     name);
        QVERIFY(untouched->isEnabled());
        // The run button stays usable: during a run it is the way to stop.
        QVERIFY(find("pushButton_runCNmethod")->isEnabled());
        if (!enable) {
            // A locked table does not open an editor on a double click.
            const QRect cell = doses->visualRect(doses->model()->index(0, 0));
            QTest::mouseDClick(doses->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QVERIFY(!editorOpen(doses));
        }
    }
    doses->setCurrentCell(1, 1);
    QVERIFY(editorOpen(doses));
}

void TestMainWindowLayout::toggles() {
    const struct {
        QAction* action;
        const char* widget;
    } toggles[] = {{w->showHideCopyVariableAct, "groupBox_copyVariable"},
                   {w->showHideStructJacobianAct, "tableWidget_jacobian"},
                   {w->showHideWeightsAct, "frame_weights"}};
    auto* weightIterations = find<QSpinBox>("spinBox_numWeightIter");
    for (const auto& t : toggles) {
        // Showing and hiding the weights both reset the weighted iterations.
        for (const bool shown : {true, false}) {
            weightIterations->setValue(7);
            t.action->trigger();
            QVERIFY2(find(t.widget)->isHidden() == !shown, t.widget);
            if (t.widget == QLatin1String("frame_weights")) QCOMPARE(weightIterations->value(), 0);
        }
    }
}

void TestMainWindowLayout::closingStopsRunningWorkerThread() {
    // Destroying a running QThread aborts the process, so surviving this is the check.
    w->CNmethod->moveToThread(w->CNthread);
    w->CNthread->start();
    QVERIFY(w->CNthread->isRunning());
    QSignalSpy finished(w->CNthread, &QThread::finished);
    delete w;
    w = nullptr;
    QCOMPARE(finished.count(), 1);
}

// The screenshot run fills the 13-compartment model as a user would and writes one picture
// per page and result tab; the model it leaves is complete and free of errors.
void TestMainWindowLayout::screenshotsOfACompleteModel() {
    QTemporaryDir dir;
    QCOMPARE(renderScreenshots(*w, dir.filePath("shots")), 0);
    const QStringList files = QDir(dir.filePath("shots")).entryList({"*.png"}, QDir::Files);
    QCOMPARE(files.size(), 15);
    for (const QString& file : files) {
        const QImage image(dir.filePath("shots/" + file));
        QVERIFY2(image.width() >= 1280 && image.height() >= 720, qPrintable(file));
    }
    QVERIFY(files.contains("step1_ode.png")); // a picture the README shows
    QCOMPARE(w->para.xNames.size(), 6);
    QCOMPARE(w->para.initialCluster.size(), 1000); // the example's saved cluster
    QVERIFY(errorPane->isHidden());
}

QTEST_MAIN(TestMainWindowLayout)
#include "test_mainwindow_layout.moc"
