// The window as built at start-up: every page, widget, object name, text and default,
// the menus and actions, the charts, page and tab switching, locking the model, the
// show/hide toggles, and closing while the worker thread runs.
#include "mainwindow.h"

#include "app/window_test_support.h"

#include "cnm/cluster_newton_method.h"

#include "ui/Chart.h"
#include "ui/ChartView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QToolBar>
#include <QToolBox>

namespace {

// What a widget shows: button, label and line edit texts (a check box's tick as [x] or [ ]),
// a group box's title, an editor's text, a spin box's range, step and value, a table's row
// count and header texts, a tab widget's tab titles and current tab, a progress bar's value.
QString shownText(QWidget* w) {
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->text() + (c->isChecked() ? " [x]" : " [ ]");
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* e = qobject_cast<QTextEdit*>(w)) return e->toPlainText();
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return QString::asprintf("%d..%d step %d: %d", s->minimum(), s->maximum(), s->singleStep(),
                                 s->value());
    if (auto* p = qobject_cast<QProgressBar*>(w)) return QString::number(p->value());
    QStringList texts;
    if (auto* t = qobject_cast<QTableWidget*>(w)) {
        for (int c = 0; c < t->columnCount(); ++c)
            texts << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : "");
        return QString("%1 rows: %2").arg(t->rowCount()).arg(texts.join(';'));
    }
    if (auto* t = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < t->count(); ++i)
            texts << t->tabText(i);
        return QString("%1 (tab %2)").arg(texts.join(';')).arg(t->currentIndex());
    }
    return QString();
}

// Whether a cell editor is open in the table.
bool editorOpen(QTableWidget* t) {
    for (QLineEdit* editor : t->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) return true;
    return false;
}

// Every named widget of the window: class, shown text and state flags. At start-up it is
// hidden (h) or disabled (d); locking the model disables it (L), makes it read-only (R) or
// takes its edit triggers (T).
struct WidgetRow {
    const char* name;
    const char* className;
    const char* text;
    const char* state;
};
const char doseTable[] =
    "5 rows: Time;Compartment;Dosage;Duration (set 0 if bolus);Note (optional):";
const WidgetRow widgetRows[] = {
    // Page 1 and the frame.
    {"textEdit_ODEExpression", "QTextEdit", "", "R"},
    {"tableWidget_jacobian", "QTableWidget", "0 rows: ", "h"},
    {"groupBox", "QGroupBox", "Replace", ""},
    {"comboBox_ODE_text_replace", "QComboBox", "", "L"},
    {"label_4", "QLabel", "to", ""},
    {"lineEdit_ODEs_replace_to", "QLineEdit", "", "L"},
    {"pushButton_findODEText", "QPushButton", "Find", ""},
    {"pushButton_ODEsReplace", "QPushButton", "Replace", "L"},
    {"pushButton_ODEs_undo", "QPushButton", "undo", "dL"},
    {"pushButton", "QPushButton", "update Highlights", "L"},
    {"groupBox_copyVariable", "QGroupBox", "", "h"},
    {"label_17", "QLabel",
     "Copy variable and parameter name (by selecting the following drop-down menu you can copy "
     "variable and parameter names)",
     ""},
    {"comboBox_copyVPnames", "QComboBox", "", ""},
    {"lab_variableNames", "QLabel", "Variables: ", "h"},
    {"lab_parameterNames", "QLabel", "Parameters:", "h"},
    {"textEdit_error", "QTextEdit", "", "h"},
    // Page 2.
    {"tableWidget_doseEvents", "QTableWidgetWithCopyPaste", doseTable, "T"},
    {"pushButton_6", "QPushButton", "increase dose rows", "L"},
    // Pages 3 and 3-2.
    {"tableWidget_parametersSpec", "QTableWidgetWithCopyPaste",
     "0 rows: Parameter Domain of Interest LB;Parameter Domain of Interest UB;Theoretical LB (by "
     "default 0, set to 'nb' if no bound);Theoretical UB (if applicable);Note (optional):",
     "T"},
    {"label", "QLabel", "g(x)", ""},
    {"textEdit_paraDefinition", "QTextEdit", "", "R"},
    {"label_2", "QLabel", "g inverse", ""},
    {"textEdit_paraDefInverse", "QTextEdit", "", "R"},
    {"label_3", "QLabel", "Initial Cluster", ""},
    {"tableWidget_initialCluster", "QTableWidgetWithCopyPaste", "0 rows: ", "T"},
    {"pushButton_importInitCluster", "QPushButton", "Import initial X", "L"},
    {"pushButton_4", "QPushButton", "Generate Parameters", "L"},
    {"spinBox_numInitICluster", "QSpinBox", "0..10000 step 10: 250", "L"},
    // Page 4.
    {"tableWidget_observations", "QTableWidgetWithCopyPaste",
     "10 rows: Time;Observation variable;Value;Note (optional):", "T"},
    {"pushButton_increaseObsRows", "QPushButton", "increase observation rows", "L"},
    // Page 5.
    {"tabWidget_2", "QTabWidget", "Computation Log;Algorithm Setting (tab 0)", ""},
    {"textEdi_compLog", "QTextEdit", "", ""},
    {"spinBox_numTotIter", "QSpinBox", "0..99 step 1: 0", "L"},
    {"spinBox_numS2_iter", "QSpinBox", "0..99 step 1: 20", "L"},
    {"lineEdit_odeRelTol", "QLineEdit", "0.1", "L"},
    {"lineEdit_initialLambda", "QLineEdit", "1.00", "L"},
    {"frame_weights", "QFrame", "", "h"},
    {"spinBox_numWeightIter", "QSpinBox", "0..30 step 1: 0", "L"},
    {"textEdit_weights", "QTextEdit", "", "R"},
    {"pushButton_runCNmethod", "QPushButton", "Start Cluster Newton method computation", ""},
    {"progressBar_CN", "QProgressBar", "0", ""},
    // Page 6.
    {"pushButton_saveAsCSV", "QPushButton", "save plot as CSV", ""},
    {"pushButton_saveAsPDF", "QPushButton", "save plot as PDF", ""},
    {"label_tolerence", "QLabel", "", ""},
    {"label_8", "QLabel", "Percentile", ""},
    {"spinBox_percentile", "QSpinBox", "1..100 step 1: 25", "d"},
    {"label_7", "QLabel", "Iteration", ""},
    {"spinBox_iterationNumber", "QSpinBox", "0..99 step 1: 0", "d"},
    {"tabWidget", "QTabWidget",
     "ODE solutions;Observation-Simulation;Parameters;Parameter "
     "Range;SSR-Parameter;Parameter-Parameter distribution;SSR per iteration (tab 0)",
     ""},
    {"widget_ODE_sol_plot", "QWidget", "", ""},
    {"comboBox_ODE_plot_variable", "QComboBox", "", ""},
    {"checkBox_ode_sol_y_log", "QCheckBox", "y-axis log-scale [ ]", ""},
    {"widget_plot_observation_simulation", "QWidget", "", ""},
    {"textBrowser_y_names", "QTextBrowser", "", ""},
    {"tableWidget_resultPara", "QTableWidget", "0 rows: ", ""},
    {"widget_parameterRangePlot", "QWidget", "", ""},
    {"textBrowser_x_names", "QTextBrowser", "", ""},
    {"pushButton_SSR_para_prev", "QPushButton", "<", ""},
    {"comboBox_SSRpara_index", "QComboBox", "", ""},
    {"pushButton_SSR_para_next", "QPushButton", ">", ""},
    {"checkBox_SSRpara_Plot_fixaxis", "QCheckBox", "Fix Axis [ ]", ""},
    {"widget_SSRpara", "QWidget", "", ""},
    {"widget_plot", "QWidget", "", ""},
    {"label_13", "QLabel", "X-axis:", ""},
    {"comboBox_plot_x_axis", "QComboBox", "", ""},
    {"label_14", "QLabel", "Y-axis:", ""},
    {"comboBox_plot_y_axis", "QComboBox", "", ""},
    {"checkBox_scatterPlot_fixaxis", "QCheckBox", "fix axis [ ]", ""},
    {"checkBox_showInitClusterSP", "QCheckBox", "show initial cluster [x]", ""},
    {"label_9", "QLabel", "Sample Correlation Matrix of X", ""},
    {"tableWidget_X_corr", "QTableWidget", "0 rows: ", ""},
    // Page 7.
    {"tabWidget_3", "QTabWidget",
     "Simulation Parameters;Simulation Dose Events;Simulation Results (tab 2)", ""},
    {"tableWidget_simulationParameters", "QTableWidgetWithCopyPaste",
     "0 rows: Parameters to use for the simulation", ""},
    {"tableWidget_simulationDoseEvents", "QTableWidgetWithCopyPaste", doseTable, ""},
    {"pushButton_increaseSimulationDose", "QPushButton", "increase dose rows", ""},
    {"widget_ODE_sol_plot_simulation", "QWidget", "", ""},
    {"label_15", "QLabel",
     "Simulation time (e.g., 1,2,3,4,5   or   0:1:10 => 0,1,2,3,4,5,6,7,8,9,10):", ""},
    {"lineEdit_simulationTimePoints", "QLineEdit", "", ""},
    {"pushButton_computeSimulation", "QPushButton", "Compute simulation", ""},
    {"pushButton_saveSimulationAsCSV", "QPushButton", "save SimulationResult as .csv", "d"},
    {"label_16", "QLabel",
     "Simulation variable (any expression involving  time (t), ODE variables, and parameters) ",
     ""},
    {"lineEdit_simulationVariable", "QLineEdit", "", ""},
    {"checkBox_ode_simulation_sol_y_log", "QCheckBox", "y-axis log-scale [ ]", ""},
};

} // namespace

class TestMainWindowLayout : public WindowTest {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void windowFrame();
    void toolBoxPages();
    void widgetsTextsAndStates();
    void tablesAndBoxes();
    void widgetsOnTheirTabs();
    void menusAndActions();
    void chartsInPlaceholders();
    void enteringStep3AndStep6();
    void resultTabSetsExportButtonText();
    void lockAndUnlock();
    void toggles();
    void closingStopsRunningWorkerThread();
};

void TestMainWindowLayout::windowFrame() {
    QCOMPARE(w->size(), QSize(1280, 720));
    QCOMPARE(w->windowTitle(), QString("Velmora"));
    QCOMPARE(w->version, QString("alpha 3.1.4"));
    QCOMPARE(w->numInitCluster, 250);
    find<QMenuBar>("menuBar");
    find<QStatusBar>("statusBar");
    QCOMPARE(w->toolBarArea(find<QToolBar>("mainToolBar")), Qt::TopToolBarArea);
    QCOMPARE(find<QTextEdit>("textEdit_error")->maximumHeight(), 40);
    QCOMPARE(find<QGroupBox>("groupBox")->maximumHeight(), 70);
    QVERIFY(find<QLabel>("lab_variableNames")->font().bold());
    QVERIFY(find<QLabel>("lab_parameterNames")->font().italic());
    QCOMPARE(find<QFrame>("frame_algorithmSetting")->maximumWidth(), 300);
}

void TestMainWindowLayout::toolBoxPages() {
    const char* const pages[][2] = {
        {"page", "Step1: Define the model using a system of ODEs"},
        {"page_7", "Step2: Define dose events"},
        {"page_2", "Step3: Define Parameter Domain of Interest and Theoretical Upper and Lower "
                   "Bounds"},
        {"page_4", "Step3-2 (Optional): Inspect and Edit parameter transformation"},
        {"page_5", "Step4: Define observation events and input data"},
        {"page_8", "Step5: Run Cluster Newton method"},
        {"page_6", "Step6: Inspect Modelfit and Found Parameters"},
        {"page_3", "Step7: Simulate using the Found Parameters"}};
    auto* toolBox = find<QToolBox>("toolBox");
    QCOMPARE(toolBox->count(), 8);
    QCOMPARE(toolBox->currentIndex(), 0);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(toolBox->widget(i)->objectName(), QString(pages[i][0]));
        QCOMPARE(toolBox->itemText(i), QString(pages[i][1]));
    }
}

void TestMainWindowLayout::widgetsTextsAndStates() {
    for (const WidgetRow& row : widgetRows) {
        QWidget* widget = find(row.name);
        QVERIFY2(
            widget->inherits(row.className),
            qPrintable(QString("%1 is a %2").arg(row.name, widget->metaObject()->className())));
        const QString name = row.name;
        QCOMPARE(name + ": " + shownText(widget), name + ": " + row.text);
        const QString state = row.state;
        QVERIFY2(widget->isHidden() == state.contains('h'), row.name);
        QVERIFY2(widget->isEnabled() == !state.contains('d'), row.name);
    }
}

void TestMainWindowLayout::tablesAndBoxes() {
    // Wide columns, the last one stretched, in the tables the user fills.
    for (const char* name :
         {"tableWidget_doseEvents", "tableWidget_parametersSpec", "tableWidget_observations",
          "tableWidget_simulationDoseEvents", "tableWidget_simulationParameters"}) {
        QHeaderView* header = find<QTableWidget>(name)->horizontalHeader();
        QVERIFY2(header->stretchLastSection(), name);
        if (name != QLatin1String("tableWidget_simulationParameters"))
            QCOMPARE(header->defaultSectionSize(), 200);
    }
    // The structure Jacobian is a grid of narrow columns: the header must allow 20 pixels.
    auto* jacobian = find<QTableWidget>("tableWidget_jacobian");
    jacobian->setColumnCount(3);
    QCOMPARE(jacobian->horizontalHeader()->sectionSize(0), 20);
    QVERIFY(jacobian->horizontalHeader()->minimumSectionSize() <= 20);
    QCOMPARE(find<QTableWidget>("tableWidget_X_corr")->editTriggers(),
             QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
    auto* search = find<QComboBox>("comboBox_ODE_text_replace");
    QVERIFY(search->isEditable());
    QCOMPARE(search->insertPolicy(), QComboBox::InsertAtTop);
}

void TestMainWindowLayout::widgetsOnTheirTabs() {
    // Each widget sits on the tab the page list puts it on.
    const struct {
        const char* widget;
        const char* tabs;
        int index;
    } placement[] = {{"textEdi_compLog", "tabWidget_2", 0},
                     {"spinBox_numTotIter", "tabWidget_2", 1},
                     {"frame_weights", "tabWidget_2", 1},
                     {"widget_ODE_sol_plot", "tabWidget", 0},
                     {"textBrowser_y_names", "tabWidget", 1},
                     {"tableWidget_resultPara", "tabWidget", 2},
                     {"textBrowser_x_names", "tabWidget", 3},
                     {"widget_SSRpara", "tabWidget", 4},
                     {"tableWidget_X_corr", "tabWidget", 5},
                     {"tableWidget_simulationParameters", "tabWidget_3", 0},
                     {"pushButton_increaseSimulationDose", "tabWidget_3", 1},
                     {"lineEdit_simulationVariable", "tabWidget_3", 2}};
    for (const auto& p : placement)
        QVERIFY2(find<QTabWidget>(p.tabs)->widget(p.index)->isAncestorOf(find(p.widget)), p.widget);
}

void TestMainWindowLayout::menusAndActions() {
    // Each menu's title, then its actions' texts and status tips.
    const QVector<QStringList> menus{
        {"&File", "&Open...", "Open previously saved model", "&Save...",
         "Save current model and computation result", "Save As...",
         "Save current model into another directory and continue there",
         "&Export all plots...",
         "Save every plot of the result page as a PDF file into a folder."},
        {"&Computation", "&Start CN method computation", "Start the CN method computation.",
         "&Stop current CN method computation",
         "Stop current CN method computation and save the result."},
        {"&Observation", "&undo", "Undo changes made using the menues below",
         "&Paste Observation Time",
         "Paste observation time that is in the clipboard, either as comma or space separated "
         "values.",
         "&Paste Observation Variable Expression",
         "Paste observation Variables that is in the clipboard, either as comma or space "
         "separated values.",
         "&Paste Observation Value",
         "Paste observation value that is in the clipboard, either as comma or space separated "
         "values.",
         "&Fill Observation Variables Expression",
         "Copy and paste observation variables from the first row to all the rows.",
         "&Log10 transform observation values", "Log10 transform all observation values."},
        {"&View", "&Show/Hide Copy variable dropdown menu", "Show/Hide Copy variable dropdown menu",
         "&Show/Hide Structure Jacobian", "Show/Hide Structure Jacobian", "&Show/Hide Weights",
         "Show/Hide Weights"}};
    QVector<QStringList> actual;
    for (QAction* menu : w->menuBar()->actions()) {
        QStringList texts{menu->text()};
        for (QAction* action : menu->menu()->actions())
            texts << action->text() << action->statusTip();
        actual << texts;
    }
    QCOMPARE(actual, menus);

    QCOMPARE(w->openAct->shortcuts(), QKeySequence::keyBindings(QKeySequence::Open));
    QCOMPARE(w->saveAct->shortcuts(), QKeySequence::keyBindings(QKeySequence::Save));
    QVERIFY(w->runAct->shortcut().isEmpty());
    QVERIFY(!w->abortAct->isEnabled());
    QVERIFY(w->runAct->isEnabled());
}

void TestMainWindowLayout::chartsInPlaceholders() {
    using namespace QtCharts;
    const auto line = QAbstractSeries::SeriesTypeLine;
    const auto scatter = QAbstractSeries::SeriesTypeScatter;
    const struct {
        const char* placeholder;
        QVector<QAbstractSeries::SeriesType> series;
    } charts[] = {
        {"widget_plot", {scatter}},      {"widget_parameterRangePlot", {line}},
        {"widget_SSRpara", {scatter}},   {"widget_plot_observation_simulation", {line, scatter}},
        {"widget_ODE_sol_plot", {line}}, {"widget_ODE_sol_plot_simulation", {line}}};
    for (const auto& c : charts) {
        QWidget* placeholder = find(c.placeholder);
        QVERIFY2(qobject_cast<QGridLayout*>(placeholder->layout()), c.placeholder);
        auto* view = placeholder->findChild<ChartView*>();
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

void TestMainWindowLayout::enteringStep3AndStep6() {
    auto* toolBox = find<QToolBox>("toolBox");
    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    auto* simulation = find<QTableWidget>("tableWidget_simulationParameters");
    auto* variables = find<QComboBox>("comboBox_ODE_plot_variable");
    // Without a model the pages stay empty.
    toolBox->setCurrentIndex(2);
    QCOMPARE(bounds->rowCount(), 0);
    QCOMPARE(simulation->rowCount(), 0);
    toolBox->setCurrentIndex(6);
    QCOMPARE(variables->count(), 0);

    find<QTextEdit>("textEdit_ODEExpression")->setPlainText("dAdt = -k*A/V\ndBdt = k*A - c*B");
    QCOMPARE(w->para.parameterNames, (QStringList{"V", "c", "k"}));
    toolBox->setCurrentIndex(2);
    QCOMPARE(bounds->rowCount(), 3);
    QCOMPARE(bounds->verticalHeaderItem(1)->text(), QString("c"));
    QCOMPARE(column(bounds, 2), QString("0|0|0"));
    QCOMPARE(w->para.simulationExpressions.size(), 3);
    QCOMPARE(simulation->rowCount(), 3);
    QCOMPARE(simulation->verticalHeaderItem(2)->text(), QString("k"));

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

void TestMainWindowLayout::resultTabSetsExportButtonText() {
    auto* results = find<QTabWidget>("tabWidget");
    auto* save = find<QPushButton>("pushButton_saveAsCSV");
    results->setCurrentIndex(2);
    QCOMPARE(save->text(), QString("save parameters as CSV"));
    results->setCurrentIndex(3);
    QCOMPARE(save->text(), QString("save plot as CSV"));
}

void TestMainWindowLayout::lockAndUnlock() {
    auto* doses = find<QTableWidget>("tableWidget_doseEvents");
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    find<QToolBox>("toolBox")->setCurrentIndex(1);
    for (const bool enable : {false, true}) {
        w->enable_model_related_UI(enable);
        // Widgets outside the model keep their state during a run.
        for (const WidgetRow& row : widgetRows) {
            const QString state = row.state;
            QWidget* widget = find(row.name);
            const bool enabled = state.contains('L') ? enable : !state.contains('d');
            QVERIFY2(widget->isEnabled() == enabled, row.name);
            if (state.contains('R'))
                QVERIFY2(static_cast<QTextEdit*>(widget)->isReadOnly() == !enable, row.name);
            if (state.contains('T'))
                QCOMPARE(static_cast<QTableWidget*>(widget)->editTriggers(),
                         QAbstractItemView::EditTriggers(enable
                                                             ? QAbstractItemView::CurrentChanged
                                                             : QAbstractItemView::NoEditTriggers));
        }
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
        for (const bool shown : {true, false, true}) {
            weightIterations->setValue(7);
            t.action->trigger();
            QVERIFY2(find(t.widget)->isHidden() == !shown, t.widget);
            if (t.widget == QLatin1String("frame_weights")) QCOMPARE(weightIterations->value(), 0);
        }
    }
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
    QSignalSpy finished(w->CNthread, &QThread::finished);
    delete w;
    w = nullptr;
    QCOMPARE(finished.count(), 1);
}

QTEST_MAIN(TestMainWindowLayout)
#include "test_mainwindow_layout.moc"
