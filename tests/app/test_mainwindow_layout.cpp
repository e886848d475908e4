// The window as built at start-up: every page, widget, object name, text and default,
// the menus and actions, the charts, page and tab switching, locking the model, the
// show/hide toggles, and closing while the worker thread runs.
#include "mainwindow.h"

#include "cnm/cluster_newton_method.h"

#include "ui/Chart.h"
#include "ui/ChartView.h"
#include "ui/QTableWidgetWithCopyPaste.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QThread>
#include <QToolBar>
#include <QToolBox>
#include <QtTest>

namespace {

// The text a widget shows: button and label texts, a group box's title, a line edit's
// content.
QString shownText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return QString();
}

QStringList headerTexts(QTableWidget* t) {
    QStringList texts;
    for (int c = 0; c < t->columnCount(); ++c)
        texts << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString());
    return texts;
}

QStringList tabTitles(QTabWidget* t) {
    QStringList titles;
    for (int i = 0; i < t->count(); ++i)
        titles << t->tabText(i);
    return titles;
}

// Whether a cell editor is open in the table.
bool editorOpen(QTableWidget* t) {
    for (QLineEdit* editor : t->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) return true;
    return false;
}

const QStringList doseHeaders{"Time", "Compartment", "Dosage", "Duration (set 0 if bolus)",
                              "Note (optional):"};

} // namespace

class TestMainWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void init() { w = new MainWindow; }
    void cleanup() { delete w; }

    void windowFrame();
    void toolBoxPages();
    void widgetsAndTexts_data();
    void widgetsAndTexts();
    void startState();
    void spinBoxDefaults_data();
    void spinBoxDefaults();
    void tables();
    void tabs();
    void menusAndActions();
    void chartsInPlaceholders();
    void enteringStep3AndStep6WithoutModel();
    void enteringStep3KeepsFilledLowerBounds();
    void resultTabSetsExportButtonText();
    void lockAndUnlock();
    void toggles();
    void closingStopsRunningWorkerThread();

private:
    MainWindow* w = nullptr;
    template <typename T> T* find(const char* name) {
        T* widget = w->findChild<T*>(QLatin1String(name));
        if (!widget) qWarning("missing widget %s", name);
        return widget;
    }
};

void TestMainWindowLayout::windowFrame() {
    QCOMPARE(w->size(), QSize(1280, 720));
    QCOMPARE(w->windowTitle(), QString("MainWindow"));
    QCOMPARE(w->version, QString("alpha 3.1.4"));
    QCOMPARE(w->numInitCluster, 250);
    QVERIFY(find<QMenuBar>("menuBar"));
    QVERIFY(find<QStatusBar>("statusBar"));
    QToolBar* toolBar = find<QToolBar>("mainToolBar");
    QVERIFY(toolBar);
    QCOMPARE(w->toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(find<QTextEdit>("textEdit_error")->maximumHeight(), 40);
    QCOMPARE(find<QGroupBox>("groupBox")->maximumHeight(), 70);
    QVERIFY(find<QLabel>("lab_variableNames")->font().bold());
    QVERIFY(find<QLabel>("lab_parameterNames")->font().italic());
    QCOMPARE(find<QFrame>("frame_algorithmSetting")->maximumWidth(), 300);
}

void TestMainWindowLayout::toolBoxPages() {
    const QStringList pages{"page",   "page_7", "page_2", "page_4",
                            "page_5", "page_8", "page_6", "page_3"};
    const QStringList titles{
        "Step1: Define the model using a system of ODEs",
        "Step2: Define dose events",
        "Step3: Define Parameter Domain of Interest and Theoretical Upper and Lower Bounds",
        "Step3-2 (Optional): Inspect and Edit parameter transformation",
        "Step4: Define observation events and input data",
        "Step5: Run Cluster Newton method",
        "Step6: Inspect Modelfit and Found Parameters",
        "Step7: Simulate using the Found Parameters"};
    QToolBox* toolBox = find<QToolBox>("toolBox");
    QVERIFY(toolBox);
    QCOMPARE(toolBox->count(), 8);
    QCOMPARE(toolBox->currentIndex(), 0);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(toolBox->widget(i)->objectName(), pages[i]);
        QCOMPARE(toolBox->itemText(i), titles[i]);
    }
}

void TestMainWindowLayout::widgetsAndTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    // Page 1 and the frame.
    QTest::newRow("textEdit_ODEExpression") << "textEdit_ODEExpression"
                                            << "QTextEdit"
                                            << "";
    QTest::newRow("tableWidget_jacobian") << "tableWidget_jacobian"
                                          << "QTableWidget"
                                          << "";
    QTest::newRow("groupBox") << "groupBox"
                              << "QGroupBox"
                              << "Replace";
    QTest::newRow("comboBox_ODE_text_replace") << "comboBox_ODE_text_replace"
                                               << "QComboBox"
                                               << "";
    QTest::newRow("label_4") << "label_4"
                             << "QLabel"
                             << "to";
    QTest::newRow("lineEdit_ODEs_replace_to") << "lineEdit_ODEs_replace_to"
                                              << "QLineEdit"
                                              << "";
    QTest::newRow("pushButton_findODEText") << "pushButton_findODEText"
                                            << "QPushButton"
                                            << "Find";
    QTest::newRow("pushButton_ODEsReplace") << "pushButton_ODEsReplace"
                                            << "QPushButton"
                                            << "Replace";
    QTest::newRow("pushButton_ODEs_undo") << "pushButton_ODEs_undo"
                                          << "QPushButton"
                                          << "undo";
    QTest::newRow("pushButton") << "pushButton"
                                << "QPushButton"
                                << "update Highlights";
    QTest::newRow("groupBox_copyVariable") << "groupBox_copyVariable"
                                           << "QGroupBox"
                                           << "";
    QTest::newRow("label_17")
        << "label_17"
        << "QLabel"
        << "Copy variable and parameter name (by selecting the following drop-down "
           "menu you can copy variable and parameter names)";
    QTest::newRow("comboBox_copyVPnames") << "comboBox_copyVPnames"
                                          << "QComboBox"
                                          << "";
    QTest::newRow("lab_variableNames") << "lab_variableNames"
                                       << "QLabel"
                                       << "Variables: ";
    QTest::newRow("lab_parameterNames") << "lab_parameterNames"
                                        << "QLabel"
                                        << "Parameters:";
    QTest::newRow("textEdit_error") << "textEdit_error"
                                    << "QTextEdit"
                                    << "";
    // Page 2.
    QTest::newRow("tableWidget_doseEvents") << "tableWidget_doseEvents"
                                            << "QTableWidgetWithCopyPaste"
                                            << "";
    QTest::newRow("pushButton_6") << "pushButton_6"
                                  << "QPushButton"
                                  << "increase dose rows";
    // Page 3 and 3-2.
    QTest::newRow("tableWidget_parametersSpec") << "tableWidget_parametersSpec"
                                                << "QTableWidgetWithCopyPaste"
                                                << "";
    QTest::newRow("label") << "label"
                           << "QLabel"
                           << "g(x)";
    QTest::newRow("textEdit_paraDefinition") << "textEdit_paraDefinition"
                                             << "QTextEdit"
                                             << "";
    QTest::newRow("label_2") << "label_2"
                             << "QLabel"
                             << "g inverse";
    QTest::newRow("textEdit_paraDefInverse") << "textEdit_paraDefInverse"
                                             << "QTextEdit"
                                             << "";
    QTest::newRow("label_3") << "label_3"
                             << "QLabel"
                             << "Initial Cluster";
    QTest::newRow("tableWidget_initialCluster") << "tableWidget_initialCluster"
                                                << "QTableWidgetWithCopyPaste"
                                                << "";
    QTest::newRow("pushButton_importInitCluster") << "pushButton_importInitCluster"
                                                  << "QPushButton"
                                                  << "Import initial X";
    QTest::newRow("pushButton_4") << "pushButton_4"
                                  << "QPushButton"
                                  << "Generate Parameters";
    QTest::newRow("spinBox_numInitICluster") << "spinBox_numInitICluster"
                                             << "QSpinBox"
                                             << "";
    // Page 4.
    QTest::newRow("tableWidget_observations") << "tableWidget_observations"
                                              << "QTableWidgetWithCopyPaste"
                                              << "";
    QTest::newRow("pushButton_increaseObsRows") << "pushButton_increaseObsRows"
                                                << "QPushButton"
                                                << "increase observation rows";
    // Page 5.
    QTest::newRow("tabWidget_2") << "tabWidget_2"
                                 << "QTabWidget"
                                 << "";
    QTest::newRow("textEdi_compLog") << "textEdi_compLog"
                                     << "QTextEdit"
                                     << "";
    QTest::newRow("spinBox_numTotIter") << "spinBox_numTotIter"
                                        << "QSpinBox"
                                        << "";
    QTest::newRow("spinBox_numS2_iter") << "spinBox_numS2_iter"
                                        << "QSpinBox"
                                        << "";
    QTest::newRow("lineEdit_odeRelTol") << "lineEdit_odeRelTol"
                                        << "QLineEdit"
                                        << "0.1";
    QTest::newRow("lineEdit_initialLambda") << "lineEdit_initialLambda"
                                            << "QLineEdit"
                                            << "1.00";
    QTest::newRow("frame_weights") << "frame_weights"
                                   << "QFrame"
                                   << "";
    QTest::newRow("spinBox_numWeightIter") << "spinBox_numWeightIter"
                                           << "QSpinBox"
                                           << "";
    QTest::newRow("textEdit_weights") << "textEdit_weights"
                                      << "QTextEdit"
                                      << "";
    QTest::newRow("pushButton_runCNmethod") << "pushButton_runCNmethod"
                                            << "QPushButton"
                                            << "Start Cluster Newton method computation";
    QTest::newRow("progressBar_CN") << "progressBar_CN"
                                    << "QProgressBar"
                                    << "";
    // Page 6.
    QTest::newRow("pushButton_saveAsCSV") << "pushButton_saveAsCSV"
                                          << "QPushButton"
                                          << "save plot as CSV";
    QTest::newRow("pushButton_saveAsPDF") << "pushButton_saveAsPDF"
                                          << "QPushButton"
                                          << "save plot as PDF";
    QTest::newRow("label_tolerence") << "label_tolerence"
                                     << "QLabel"
                                     << "";
    QTest::newRow("label_8") << "label_8"
                             << "QLabel"
                             << "Percentile";
    QTest::newRow("spinBox_percentile") << "spinBox_percentile"
                                        << "QSpinBox"
                                        << "";
    QTest::newRow("label_7") << "label_7"
                             << "QLabel"
                             << "Iteration";
    QTest::newRow("spinBox_iterationNumber") << "spinBox_iterationNumber"
                                             << "QSpinBox"
                                             << "";
    QTest::newRow("tabWidget") << "tabWidget"
                               << "QTabWidget"
                               << "";
    QTest::newRow("widget_ODE_sol_plot") << "widget_ODE_sol_plot"
                                         << "QWidget"
                                         << "";
    QTest::newRow("comboBox_ODE_plot_variable") << "comboBox_ODE_plot_variable"
                                                << "QComboBox"
                                                << "";
    QTest::newRow("checkBox_ode_sol_y_log") << "checkBox_ode_sol_y_log"
                                            << "QCheckBox"
                                            << "y-axis log-scale";
    QTest::newRow("widget_plot_observation_simulation") << "widget_plot_observation_simulation"
                                                        << "QWidget"
                                                        << "";
    QTest::newRow("textBrowser_y_names") << "textBrowser_y_names"
                                         << "QTextBrowser"
                                         << "";
    QTest::newRow("tableWidget_resultPara") << "tableWidget_resultPara"
                                            << "QTableWidget"
                                            << "";
    QTest::newRow("widget_parameterRangePlot") << "widget_parameterRangePlot"
                                               << "QWidget"
                                               << "";
    QTest::newRow("textBrowser_x_names") << "textBrowser_x_names"
                                         << "QTextBrowser"
                                         << "";
    QTest::newRow("pushButton_SSR_para_prev") << "pushButton_SSR_para_prev"
                                              << "QPushButton"
                                              << "<";
    QTest::newRow("comboBox_SSRpara_index") << "comboBox_SSRpara_index"
                                            << "QComboBox"
                                            << "";
    QTest::newRow("pushButton_SSR_para_next") << "pushButton_SSR_para_next"
                                              << "QPushButton"
                                              << ">";
    QTest::newRow("checkBox_SSRpara_Plot_fixaxis") << "checkBox_SSRpara_Plot_fixaxis"
                                                   << "QCheckBox"
                                                   << "Fix Axis";
    QTest::newRow("widget_SSRpara") << "widget_SSRpara"
                                    << "QWidget"
                                    << "";
    QTest::newRow("widget_plot") << "widget_plot"
                                 << "QWidget"
                                 << "";
    QTest::newRow("label_13") << "label_13"
                              << "QLabel"
                              << "X-axis:";
    QTest::newRow("comboBox_plot_x_axis") << "comboBox_plot_x_axis"
                                          << "QComboBox"
                                          << "";
    QTest::newRow("label_14") << "label_14"
                              << "QLabel"
                              << "Y-axis:";
    QTest::newRow("comboBox_plot_y_axis") << "comboBox_plot_y_axis"
                                          << "QComboBox"
                                          << "";
    QTest::newRow("checkBox_scatterPlot_fixaxis") << "checkBox_scatterPlot_fixaxis"
                                                  << "QCheckBox"
                                                  << "fix axis";
    QTest::newRow("checkBox_showInitClusterSP") << "checkBox_showInitClusterSP"
                                                << "QCheckBox"
                                                << "show initial cluster";
    QTest::newRow("label_9") << "label_9"
                             << "QLabel"
                             << "Sample Correlation Matrix of X";
    QTest::newRow("tableWidget_X_corr") << "tableWidget_X_corr"
                                        << "QTableWidget"
                                        << "";
    // Page 7.
    QTest::newRow("tabWidget_3") << "tabWidget_3"
                                 << "QTabWidget"
                                 << "";
    QTest::newRow("tableWidget_simulationParameters") << "tableWidget_simulationParameters"
                                                      << "QTableWidgetWithCopyPaste"
                                                      << "";
    QTest::newRow("tableWidget_simulationDoseEvents") << "tableWidget_simulationDoseEvents"
                                                      << "QTableWidgetWithCopyPaste"
                                                      << "";
    QTest::newRow("pushButton_increaseSimulationDose") << "pushButton_increaseSimulationDose"
                                                       << "QPushButton"
                                                       << "increase dose rows";
    QTest::newRow("widget_ODE_sol_plot_simulation") << "widget_ODE_sol_plot_simulation"
                                                    << "QWidget"
                                                    << "";
    QTest::newRow("label_15") << "label_15"
                              << "QLabel"
                              << "Simulation time (e.g., 1,2,3,4,5   or   0:1:10 => "
                                 "0,1,2,3,4,5,6,7,8,9,10):";
    QTest::newRow("lineEdit_simulationTimePoints") << "lineEdit_simulationTimePoints"
                                                   << "QLineEdit"
                                                   << "";
    QTest::newRow("pushButton_computeSimulation") << "pushButton_computeSimulation"
                                                  << "QPushButton"
                                                  << "Compute simulation";
    QTest::newRow("pushButton_saveSimulationAsCSV") << "pushButton_saveSimulationAsCSV"
                                                    << "QPushButton"
                                                    << "save SimulationResult as .csv";
    QTest::newRow("label_16") << "label_16"
                              << "QLabel"
                              << "Simulation variable (any expression involving  time (t), ODE "
                                 "variables, and parameters) ";
    QTest::newRow("lineEdit_simulationVariable") << "lineEdit_simulationVariable"
                                                 << "QLineEdit"
                                                 << "";
    QTest::newRow("checkBox_ode_simulation_sol_y_log") << "checkBox_ode_simulation_sol_y_log"
                                                       << "QCheckBox"
                                                       << "y-axis log-scale";
}

void TestMainWindowLayout::widgetsAndTexts() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QWidget* widget = w->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable("missing " + name));
    QVERIFY2(widget->inherits(qPrintable(className)),
             qPrintable(name + " is a " + widget->metaObject()->className()));
    QCOMPARE(shownText(widget), text);
}

void TestMainWindowLayout::startState() {
    for (const char* hidden : {"textEdit_error", "groupBox_copyVariable", "lab_variableNames",
                               "lab_parameterNames", "tableWidget_jacobian", "frame_weights"})
        QVERIFY2(find<QWidget>(hidden)->isHidden(), hidden);
    for (const char* disabled : {"pushButton_saveAsPDF", "spinBox_percentile",
                                 "spinBox_iterationNumber", "pushButton_saveSimulationAsCSV"})
        QVERIFY2(!find<QWidget>(disabled)->isEnabled(), disabled);
    for (const char* enabled : {"pushButton_runCNmethod", "pushButton_saveAsCSV", "pushButton"})
        QVERIFY2(find<QWidget>(enabled)->isEnabled(), enabled);

    QCOMPARE(find<QTableWidget>("tableWidget_X_corr")->editTriggers(),
             QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
    QVERIFY(find<QTextEdit>("textEdit_ODEExpression")->toPlainText().isEmpty());
    QComboBox* search = find<QComboBox>("comboBox_ODE_text_replace");
    QVERIFY(search->isEditable());
    QCOMPARE(search->insertPolicy(), QComboBox::InsertAtTop);
    QVERIFY(find<QCheckBox>("checkBox_showInitClusterSP")->isChecked());
    QCOMPARE(find<QProgressBar>("progressBar_CN")->value(), 0);
}

void TestMainWindowLayout::spinBoxDefaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("value");
    QTest::newRow("initial cluster") << "spinBox_numInitICluster" << 0 << 10000 << 10 << 250;
    QTest::newRow("stage 1") << "spinBox_numTotIter" << 0 << 99 << 1 << 0;
    QTest::newRow("stage 2") << "spinBox_numS2_iter" << 0 << 99 << 1 << 20;
    QTest::newRow("weights") << "spinBox_numWeightIter" << 0 << 30 << 1 << 0;
    QTest::newRow("percentile") << "spinBox_percentile" << 1 << 100 << 1 << 25;
}

void TestMainWindowLayout::spinBoxDefaults() {
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, step);
    QFETCH(int, value);
    QSpinBox* box = w->findChild<QSpinBox*>(name);
    QVERIFY(box);
    QCOMPARE(box->minimum(), minimum);
    QCOMPARE(box->maximum(), maximum);
    QCOMPARE(box->singleStep(), step);
    QCOMPARE(box->value(), value);
}

void TestMainWindowLayout::tables() {
    QTableWidget* doses = find<QTableWidget>("tableWidget_doseEvents");
    QCOMPARE(headerTexts(doses), doseHeaders);
    QCOMPARE(doses->rowCount(), 5);
    QCOMPARE(doses->horizontalHeader()->defaultSectionSize(), 200);
    QVERIFY(doses->horizontalHeader()->stretchLastSection());

    QTableWidget* spec = find<QTableWidget>("tableWidget_parametersSpec");
    QCOMPARE(headerTexts(spec),
             (QStringList{"Parameter Domain of Interest LB", "Parameter Domain of Interest UB",
                          "Theoretical LB (by default 0, set to 'nb' if no bound)",
                          "Theoretical UB (if applicable)", "Note (optional):"}));
    QCOMPARE(spec->rowCount(), 0);
    QCOMPARE(spec->horizontalHeader()->defaultSectionSize(), 200);
    QVERIFY(spec->horizontalHeader()->stretchLastSection());

    QTableWidget* observations = find<QTableWidget>("tableWidget_observations");
    QCOMPARE(headerTexts(observations),
             (QStringList{"Time", "Observation variable", "Value", "Note (optional):"}));
    QCOMPARE(observations->rowCount(), 10);
    QCOMPARE(observations->horizontalHeader()->defaultSectionSize(), 200);
    QVERIFY(observations->horizontalHeader()->stretchLastSection());

    QTableWidget* simulationParameters = find<QTableWidget>("tableWidget_simulationParameters");
    QCOMPARE(headerTexts(simulationParameters),
             QStringList{"Parameters to use for the simulation"});
    QVERIFY(simulationParameters->horizontalHeader()->stretchLastSection());

    QTableWidget* simulationDoses = find<QTableWidget>("tableWidget_simulationDoseEvents");
    QCOMPARE(headerTexts(simulationDoses), doseHeaders);
    QCOMPARE(simulationDoses->rowCount(), 5);

    // The structure Jacobian is a grid of narrow columns: the header must allow 20 pixels.
    QTableWidget* jacobian = find<QTableWidget>("tableWidget_jacobian");
    jacobian->setColumnCount(3);
    QCOMPARE(jacobian->horizontalHeader()->sectionSize(0), 20);
    QVERIFY(jacobian->horizontalHeader()->minimumSectionSize() <= 20);
}

void TestMainWindowLayout::tabs() {
    QTabWidget* computation = find<QTabWidget>("tabWidget_2");
    QCOMPARE(tabTitles(computation), (QStringList{"Computation Log", "Algorithm Setting"}));
    QCOMPARE(computation->currentIndex(), 0);

    QTabWidget* results = find<QTabWidget>("tabWidget");
    QCOMPARE(tabTitles(results),
             (QStringList{"ODE solutions", "Observation-Simulation", "Parameters",
                          "Parameter Range", "SSR-Parameter", "Parameter-Parameter distribution"}));
    QCOMPARE(results->currentIndex(), 0);

    QTabWidget* simulation = find<QTabWidget>("tabWidget_3");
    QCOMPARE(tabTitles(simulation), (QStringList{"Simulation Parameters", "Simulation Dose Events",
                                                 "Simulation Results"}));
    QCOMPARE(simulation->currentIndex(), 2);

    // Each widget sits on the tab the page list puts it on.
    const struct {
        const char* widget;
        QTabWidget* tabs;
        int index;
    } placement[] = {{"textEdi_compLog", computation, 0},
                     {"spinBox_numTotIter", computation, 1},
                     {"frame_weights", computation, 1},
                     {"widget_ODE_sol_plot", results, 0},
                     {"textBrowser_y_names", results, 1},
                     {"tableWidget_resultPara", results, 2},
                     {"textBrowser_x_names", results, 3},
                     {"widget_SSRpara", results, 4},
                     {"tableWidget_X_corr", results, 5},
                     {"tableWidget_simulationParameters", simulation, 0},
                     {"pushButton_increaseSimulationDose", simulation, 1},
                     {"lineEdit_simulationVariable", simulation, 2}};
    for (const auto& p : placement)
        QVERIFY2(p.tabs->widget(p.index)->isAncestorOf(find<QWidget>(p.widget)), p.widget);
}

void TestMainWindowLayout::menusAndActions() {
    const QList<QAction*> menus = w->menuBar()->actions();
    QStringList menuTitles;
    for (QAction* m : menus)
        menuTitles << m->text();
    QCOMPARE(menuTitles, (QStringList{"&File", "&Computation", "&Observation", "&View"}));

    struct item {
        const char* text;
        const char* statusTip;
    };
    const QVector<QVector<item>> expected{
        {{"&Open...", "Open previously saved model"},
         {"&Save...", "Save current model and computation result"}},
        {{"&Start CN method computation", "Start the CN method computation."},
         {"&Stop current CN method computation",
          "Stop current CN method computation and save the result."}},
        {{"&undo", "Undo changes made using the menues below"},
         {"&Paste Observation Time", "Paste observation time that is in the clipboard, either "
                                     "as comma or space separated values."},
         {"&Paste Observation Variable Expression",
          "Paste observation Variables that is in the clipboard, either as comma or space "
          "separated values."},
         {"&Paste Observation Value", "Paste observation value that is in the clipboard, "
                                      "either as comma or space separated values."},
         {"&Fill Observation Variables Expression",
          "Copy and paste observation variables from the first row to all the rows."},
         {"&Log10 transform observation values", "Log10 transform all observation values."}},
        {{"&Show/Hide Copy variable dropdown menu", "Show/Hide Copy variable dropdown menu"},
         {"&Show/Hide Structure Jacobian", "Show/Hide Structure Jacobian"},
         {"&Show/Hide Weights", "Show/Hide Weights"}}};
    int count = 0;
    for (int m = 0; m < menus.size(); ++m) {
        const QList<QAction*> actions = menus[m]->menu()->actions();
        QCOMPARE(actions.size(), expected[m].size());
        for (int a = 0; a < actions.size(); ++a) {
            QCOMPARE(actions[a]->text(), QString(expected[m][a].text));
            QCOMPARE(actions[a]->statusTip(), QString(expected[m][a].statusTip));
            ++count;
        }
    }
    QCOMPARE(count, 13);

    QCOMPARE(w->openAct->shortcuts(), QKeySequence::keyBindings(QKeySequence::Open));
    QCOMPARE(w->saveAct->shortcuts(), QKeySequence::keyBindings(QKeySequence::Save));
    QVERIFY(w->runAct->shortcut().isEmpty());
    QVERIFY(!w->abortAct->isEnabled());
    QVERIFY(w->runAct->isEnabled());
}

void TestMainWindowLayout::chartsInPlaceholders() {
    using namespace QtCharts;
    const struct {
        const char* placeholder;
        QVector<QAbstractSeries::SeriesType> series;
    } charts[] = {
        {"widget_plot", {QAbstractSeries::SeriesTypeScatter}},
        {"widget_parameterRangePlot", {QAbstractSeries::SeriesTypeLine}},
        {"widget_SSRpara", {QAbstractSeries::SeriesTypeScatter}},
        {"widget_plot_observation_simulation",
         {QAbstractSeries::SeriesTypeLine, QAbstractSeries::SeriesTypeScatter}},
        {"widget_ODE_sol_plot", {QAbstractSeries::SeriesTypeLine}},
        {"widget_ODE_sol_plot_simulation", {QAbstractSeries::SeriesTypeLine}},
    };
    for (const auto& c : charts) {
        QWidget* placeholder = find<QWidget>(c.placeholder);
        QVERIFY2(qobject_cast<QGridLayout*>(placeholder->layout()), c.placeholder);
        ChartView* view = placeholder->findChild<ChartView*>();
        QVERIFY2(view, c.placeholder);
        QVERIFY(view->renderHints().testFlag(QPainter::Antialiasing));
        QVERIFY(qobject_cast<Chart*>(view->chart()));
        QVERIFY(!view->chart()->legend()->isVisible());
        QVector<QAbstractSeries::SeriesType> types;
        for (QAbstractSeries* s : view->chart()->series())
            types << s->type();
        QCOMPARE(types, c.series);
    }
}

void TestMainWindowLayout::enteringStep3AndStep6WithoutModel() {
    QToolBox* toolBox = find<QToolBox>("toolBox");
    toolBox->setCurrentIndex(2);
    QCOMPARE(find<QTableWidget>("tableWidget_parametersSpec")->rowCount(), 0);
    QCOMPARE(find<QTableWidget>("tableWidget_simulationParameters")->rowCount(), 0);
    toolBox->setCurrentIndex(6);
    QCOMPARE(find<QComboBox>("comboBox_ODE_plot_variable")->count(), 0);
}

void TestMainWindowLayout::enteringStep3KeepsFilledLowerBounds() {
    QTextEdit* editor = find<QTextEdit>("textEdit_ODEExpression");
    editor->setPlainText("dAdt = -k*A/V\ndBdt = k*A - c*B");
    QCOMPARE(w->para.parameterNames, (QStringList{"V", "c", "k"}));

    QToolBox* toolBox = find<QToolBox>("toolBox");
    toolBox->setCurrentIndex(2);
    QTableWidget* spec = find<QTableWidget>("tableWidget_parametersSpec");
    QCOMPARE(spec->rowCount(), 3);
    QCOMPARE(spec->verticalHeaderItem(1)->text(), QString("c"));
    for (int r = 0; r < 3; ++r)
        QCOMPARE(spec->item(r, 2)->text(), QString("0"));
    QCOMPARE(w->para.simulationExpressions.size(), 3);
    QTableWidget* simulation = find<QTableWidget>("tableWidget_simulationParameters");
    QCOMPARE(simulation->rowCount(), 3);
    QCOMPARE(simulation->verticalHeaderItem(2)->text(), QString("k"));

    spec->setItem(0, 2, new QTableWidgetItem("nb"));
    spec->setItem(1, 2, new QTableWidgetItem(""));
    toolBox->setCurrentIndex(0);
    toolBox->setCurrentIndex(2);
    QCOMPARE(spec->item(0, 2)->text(), QString("nb"));
    QCOMPARE(spec->item(1, 2)->text(), QString("0"));

    toolBox->setCurrentIndex(6);
    QComboBox* variables = find<QComboBox>("comboBox_ODE_plot_variable");
    QCOMPARE(variables->count(), 2);
    QCOMPARE(variables->itemText(1), QString("B"));
}

void TestMainWindowLayout::resultTabSetsExportButtonText() {
    QTabWidget* results = find<QTabWidget>("tabWidget");
    QPushButton* save = find<QPushButton>("pushButton_saveAsCSV");
    results->setCurrentIndex(2);
    QCOMPARE(save->text(), QString("save parameters as CSV"));
    results->setCurrentIndex(3);
    QCOMPARE(save->text(), QString("save plot as CSV"));
}

void TestMainWindowLayout::lockAndUnlock() {
    const QStringList lockedWidgets{"comboBox_ODE_text_replace",
                                    "lineEdit_ODEs_replace_to",
                                    "pushButton",
                                    "pushButton_4",
                                    "pushButton_6",
                                    "pushButton_increaseObsRows",
                                    "pushButton_ODEsReplace",
                                    "pushButton_ODEs_undo",
                                    "spinBox_numTotIter",
                                    "spinBox_numWeightIter",
                                    "spinBox_numS2_iter",
                                    "lineEdit_initialLambda",
                                    "lineEdit_odeRelTol",
                                    "pushButton_importInitCluster",
                                    "spinBox_numInitICluster",
                                    "pushButton_runCNmethod"};
    const QStringList tables{"tableWidget_doseEvents", "tableWidget_initialCluster",
                             "tableWidget_observations", "tableWidget_parametersSpec"};
    const QStringList editors{"textEdit_ODEExpression", "textEdit_paraDefinition",
                              "textEdit_paraDefInverse", "textEdit_weights"};

    w->enable_model_related_UI(false);
    for (const QString& name : lockedWidgets)
        QVERIFY2(!w->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    for (const QString& name : tables)
        QCOMPARE(w->findChild<QTableWidget*>(name)->editTriggers(),
                 QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
    for (const QString& name : editors)
        QVERIFY2(w->findChild<QTextEdit*>(name)->isReadOnly(), qPrintable(name));
    // Widgets outside the model stay usable during a run.
    QVERIFY(find<QWidget>("pushButton_saveAsCSV")->isEnabled());

    // A locked table does not open an editor on a double click.
    QTableWidget* doses = find<QTableWidget>("tableWidget_doseEvents");
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    find<QToolBox>("toolBox")->setCurrentIndex(1);
    const QRect cell = doses->visualRect(doses->model()->index(0, 0));
    QTest::mouseDClick(doses->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY(!editorOpen(doses));

    w->enable_model_related_UI(true);
    for (const QString& name : lockedWidgets)
        QVERIFY2(w->findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    for (const QString& name : tables)
        QCOMPARE(w->findChild<QTableWidget*>(name)->editTriggers(),
                 QAbstractItemView::EditTriggers(QAbstractItemView::CurrentChanged));
    for (const QString& name : editors)
        QVERIFY2(!w->findChild<QTextEdit*>(name)->isReadOnly(), qPrintable(name));
    doses->setCurrentCell(1, 1);
    QVERIFY(editorOpen(doses));
}

void TestMainWindowLayout::toggles() {
    QWidget* copyVariable = find<QWidget>("groupBox_copyVariable");
    w->showHideCopyVariableAct->trigger();
    QVERIFY(!copyVariable->isHidden());
    w->showHideCopyVariableAct->trigger();
    QVERIFY(copyVariable->isHidden());

    QWidget* jacobian = find<QWidget>("tableWidget_jacobian");
    w->showHideStructJacobianAct->trigger();
    QVERIFY(!jacobian->isHidden());
    w->showHideStructJacobianAct->trigger();
    QVERIFY(jacobian->isHidden());

    QWidget* weights = find<QWidget>("frame_weights");
    QSpinBox* weightIterations = find<QSpinBox>("spinBox_numWeightIter");
    w->showHideWeightsAct->trigger();
    QVERIFY(!weights->isHidden());
    QCOMPARE(weightIterations->value(), 0);
    weightIterations->setValue(7);
    w->showHideWeightsAct->trigger();
    QVERIFY(weights->isHidden());
    QCOMPARE(weightIterations->value(), 0);
    weightIterations->setValue(5);
    w->showHideWeightsAct->trigger();
    QVERIFY(!weights->isHidden());
    QCOMPARE(weightIterations->value(), 0);
}

void TestMainWindowLayout::closingStopsRunningWorkerThread() {
    // Destroying a running QThread aborts the process, so surviving this is the check.
    QVERIFY(w->CNthread);
    QCOMPARE(w->CNthread->parent(), static_cast<QObject*>(w));
    QVERIFY(w->CNmethod);
    QVERIFY(!w->CNmethod->parent());
    // As a computation does: the engine works on the thread.
    w->CNmethod->moveToThread(w->CNthread);
    w->CNthread->start();
    QVERIFY(w->CNthread->isRunning());
    QThread* thread = w->CNthread;
    QSignalSpy finished(thread, &QThread::finished);
    delete w;
    w = nullptr;
    QCOMPARE(finished.count(), 1);
}

QTEST_MAIN(TestMainWindowLayout)
#include "test_mainwindow_layout.moc"
