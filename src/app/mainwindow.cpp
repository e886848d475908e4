// The window frame: start-up of the form, menus and actions, charts, page and tab
// switching, locking the model while a computation runs, and the show/hide toggles.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"

#include "ui/Chart.h"
#include "ui/ChartView.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QThread>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), version(velmoraVersion()), odeParser(model.ode), para(model.para),
      numInitCluster(model.numInitCluster), doseEvents(model.doseEvents),
      observationEvents(model.observationEvents), doseParameterNames(model.doseParameterNames),
      CNmethod(nullptr), CNthread(nullptr), ui(new Ui::MainWindow) {
    // Results travel from the worker thread through queued signals.
    compResult::registerMetaType();
    askDirectory = [this](const QString& title) {
        return QFileDialog::getExistingDirectory(
            this, title, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    };
    ui->setupUi(this);
    resize(1280, 720);
    updateWindowTitle();

    ui->textEdit_error->hide();
    ui->groupBox_copyVariable->hide();

    createActions();
    createMenus();
    abortAct->setEnabled(false);

    createCharts();
    setupResultPage();
    setupIdentifiabilityTab();

    CNmethod = new cluster_newton_method;
    CNthread = new QThread(this);
    // Connected once; the engine's signals cross from the worker thread queued.
    connect(CNmethod, &cluster_newton_method::calculationCompleted, this,
            &MainWindow::CNmethod_computation_completed);
    connect(CNmethod, &cluster_newton_method::max_modelEval, ui->progressBar_CN,
            &QProgressBar::setMaximum);
    connect(CNmethod, &cluster_newton_method::additional_modelEval, ui->progressBar_CN,
            &QProgressBar::setValue);
    connect(CNmethod, &cluster_newton_method::current_computation_result, this,
            &MainWindow::update_computation_result);
    connect(CNmethod, &cluster_newton_method::iterationStatistics, this,
            &MainWindow::showIterationStatistics);

    ui->lab_variableNames->hide();
    ui->lab_parameterNames->hide();
    ui->tableWidget_jacobian->hide();
    ui->frame_weights->hide();
    ui->tableWidget_X_corr->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->lineEdit_initialLambda->setText(QStringLiteral("1.00"));
    ui->pushButton_saveSimulationAsCSV->setEnabled(false);
    // Nothing to undo before the first find or replace.
    ui->pushButton_ODEs_undo->setEnabled(false);
}

MainWindow::~MainWindow() {
    // A thread that is still running when it is destroyed aborts the process: ask the
    // engine to stop, end the thread's event loop and wait for the iteration to return.
    CNmethod->abortASAP = true;
    CNthread->quit();
    CNthread->wait();
    delete CNmethod;
    delete ui;
}

void MainWindow::createActions() {
    struct action_row {
        QAction** action;
        const char* objectName;
        const char* text;
        const char* statusTip;
        void (MainWindow::*slot)();
    };
    const action_row actionRows[] = {
        {&openAct, "openAct", "&Open...", "Open previously saved model", &MainWindow::menu_open},
        {&saveAct, "saveAct", "&Save...", "Save current model and computation result",
         &MainWindow::menu_save},
        {&saveAsAct, "saveAsAct", "Save As...",
         "Save current model into another directory and continue there", &MainWindow::menu_saveAs},
        {&runAct, "runAct", "&Start CN method computation", "Start the CN method computation.",
         &MainWindow::menu_run},
        {&abortAct, "abortAct", "&Stop current CN method computation",
         "Stop current CN method computation and save the result.", &MainWindow::menu_abort},
        {&undoObservationAct, "undoObservationAct", "&undo",
         "Undo changes made using the menues below", &MainWindow::menu_undoObservation},
        {&pasteObservationTimeAct, "pasteObservationTimeAct", "&Paste Observation Time",
         "Paste observation time that is in the clipboard, either as comma or space separated "
         "values.",
         &MainWindow::menu_pasteObservationTime},
        {&pasteObservationVariableAct, "pasteObservationVariableAct",
         "&Paste Observation Variable Expression",
         "Paste observation Variables that is in the clipboard, either as comma or space "
         "separated values.",
         &MainWindow::menu_pasteObservationVariable},
        {&pasteObservationValueAct, "pasteObservationValueAct", "&Paste Observation Value",
         "Paste observation value that is in the clipboard, either as comma or space separated "
         "values.",
         &MainWindow::menu_pasteObservationValue},
        {&fillObservationVariableAct, "fillObservationVariableAct",
         "&Fill Observation Variables Expression",
         "Copy and paste observation variables from the first row to all the rows.",
         &MainWindow::menu_fillObservationVariable},
        {&log10ValueAct, "log10ValueAct", "&Log10 transform observation values",
         "Log10 transform all observation values.", &MainWindow::menu_log10Value},
        {&showHideCopyVariableAct, "showHideCopyVariableAct",
         "&Show/Hide Copy variable dropdown menu", "Show/Hide Copy variable dropdown menu",
         &MainWindow::menu_showHide_copyVariable},
        {&showHideStructJacobianAct, "showHideStructJacobianAct", "&Show/Hide Structure Jacobian",
         "Show/Hide Structure Jacobian", &MainWindow::menu_showHideStructJacobian},
        {&showHideWeightsAct, "showHideWeightsAct", "&Show/Hide Weights", "Show/Hide Weights",
         &MainWindow::menu_showHideWeights},
    };
    for (const action_row& s : actionRows) {
        QAction* action = new QAction(tr(s.text), this);
        action->setObjectName(QLatin1String(s.objectName));
        action->setStatusTip(tr(s.statusTip));
        connect(action, &QAction::triggered, this, s.slot);
        *s.action = action;
    }
    exportAllPlotsAct = new QAction(tr("&Export all plots..."), this);
    exportAllPlotsAct->setObjectName(QStringLiteral("exportAllPlotsAct"));
    exportAllPlotsAct->setStatusTip(
        tr("Save every plot of the result page as a PDF file into a folder."));
    connect(exportAllPlotsAct, &QAction::triggered, this, &MainWindow::menu_exportAllPlots);
    openAct->setShortcuts(QKeySequence::Open);
    saveAct->setShortcuts(QKeySequence::Save);
}

void MainWindow::createMenus() {
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addAction(openAct);
    fileMenu->addAction(saveAct);
    fileMenu->addAction(saveAsAct);
    fileMenu->addAction(exportAllPlotsAct);

    computationMenu = menuBar()->addMenu(tr("&Computation"));
    computationMenu->setObjectName(QStringLiteral("computationMenu"));
    computationMenu->addAction(runAct);
    computationMenu->addAction(abortAct);

    observationMenu = menuBar()->addMenu(tr("&Observation"));
    observationMenu->setObjectName(QStringLiteral("observationMenu"));
    observationMenu->addAction(undoObservationAct);
    observationMenu->addAction(pasteObservationTimeAct);
    observationMenu->addAction(pasteObservationVariableAct);
    observationMenu->addAction(pasteObservationValueAct);
    observationMenu->addAction(fillObservationVariableAct);
    observationMenu->addAction(log10ValueAct);

    viewMenu = menuBar()->addMenu(tr("&View"));
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    viewMenu->addAction(showHideCopyVariableAct);
    viewMenu->addAction(showHideStructJacobianAct);
    viewMenu->addAction(showHideWeightsAct);
}

ChartView* MainWindow::placeChart(Chart* chart, QWidget* placeholder) {
    chart->legend()->hide();
    ChartView* view = new ChartView(chart, placeholder);
    view->setRenderHint(QPainter::Antialiasing);
    QGridLayout* layout = new QGridLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view, 0, 0);
    return view;
}

void MainWindow::createCharts() {
    using namespace QtCharts;
    chart_scatterPlot = new Chart;
    chart_scatterPlot->addSeries(new QScatterSeries);
    chartView_scatterPlot = placeChart(chart_scatterPlot, ui->widget_plot);

    chart_parameterRange = new Chart;
    chart_parameterRange->addSeries(new QLineSeries);
    chartView_parameterRange = placeChart(chart_parameterRange, ui->widget_parameterRangePlot);

    chart_SSRpara = new Chart;
    chart_SSRpara->addSeries(new QScatterSeries);
    chartView_SSRpara = placeChart(chart_SSRpara, ui->widget_SSRpara);

    chart_observationSimulation = new Chart;
    chart_observationSimulation->addSeries(new QLineSeries);
    chart_observationSimulation->addSeries(new QScatterSeries);
    chartView_observationSimulation =
        placeChart(chart_observationSimulation, ui->widget_plot_observation_simulation);

    chart_ODE_sol = new Chart;
    chart_ODE_sol->addSeries(new QLineSeries);
    chartView_ODE_sol = placeChart(chart_ODE_sol, ui->widget_ODE_sol_plot);

    chart_ODE_sol_simulation = new Chart;
    chart_ODE_sol_simulation->addSeries(new QLineSeries);
    chartView_ODE_sol_simulation =
        placeChart(chart_ODE_sol_simulation, ui->widget_ODE_sol_plot_simulation);

    for (QWidget* w : {ui->widget_plot, ui->widget_SSRpara}) {
        w->grabGesture(Qt::PanGesture);
        w->grabGesture(Qt::PinchGesture);
    }
}

void MainWindow::on_toolBox_currentChanged(int index) {
    if (index == 2) {
        const QStringList& names = para.parameterNames;
        QTableWidget* bounds = ui->tableWidget_parametersSpec;
        bounds->setRowCount(names.size());
        bounds->setVerticalHeaderLabels(names);
        // A parameter without a theoretical lower bound is non-negative by default.
        for (int r = 0; r < names.size(); ++r) {
            const QTableWidgetItem* lowerBound = bounds->item(r, 2);
            if (!lowerBound || lowerBound->text().isEmpty())
                bounds->setItem(r, 2, new QTableWidgetItem(QStringLiteral("0")));
        }
        para.simulationExpressions.resize(names.size());
        ui->tableWidget_simulationParameters->setRowCount(names.size());
        ui->tableWidget_simulationParameters->setVerticalHeaderLabels(names);
    } else if (index == 6) {
        const QSignalBlocker blocker(ui->comboBox_ODE_plot_variable);
        ui->comboBox_ODE_plot_variable->clear();
        ui->comboBox_ODE_plot_variable->addItems(odeParser.variable_name);
        redrawCurrentTab(false);
    }
}

void MainWindow::on_tabWidget_currentChanged(int index) {
    Q_UNUSED(index);
    redrawCurrentTab(true);
    const bool parametersTab =
        ui->tabWidget->tabText(ui->tabWidget->currentIndex()) == QLatin1String("Parameters");
    ui->pushButton_saveAsCSV->setText(parametersTab ? QStringLiteral("save parameters as CSV")
                                                    : QStringLiteral("save plot as CSV"));
    ui->pushButton_saveAsPDF->setEnabled(!parametersTab);
}

void MainWindow::enable_model_related_UI(bool enable) {
    const QList<QWidget*> widgets{ui->comboBox_ODE_text_replace,
                                  ui->lineEdit_ODEs_replace_to,
                                  ui->pushButton,
                                  ui->pushButton_4,
                                  ui->pushButton_6,
                                  ui->pushButton_increaseObsRows,
                                  ui->pushButton_ODEsReplace,
                                  ui->pushButton_ODEs_undo,
                                  ui->spinBox_numTotIter,
                                  ui->spinBox_numWeightIter,
                                  ui->spinBox_numS2_iter,
                                  ui->lineEdit_initialLambda,
                                  ui->lineEdit_odeRelTol,
                                  ui->lineEdit_odeAbsTol,
                                  ui->lineEdit_seed,
                                  ui->pushButton_importInitCluster,
                                  ui->spinBox_numInitICluster};
    // The run button stays enabled: during a run it is the way to stop.
    for (QWidget* w : widgets)
        w->setEnabled(enable);

    const QAbstractItemView::EditTriggers triggers =
        enable ? QAbstractItemView::EditTriggers(QAbstractItemView::CurrentChanged)
               : QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers);
    for (QTableWidget* t : {static_cast<QTableWidget*>(ui->tableWidget_doseEvents),
                            static_cast<QTableWidget*>(ui->tableWidget_initialCluster),
                            static_cast<QTableWidget*>(ui->tableWidget_observations),
                            static_cast<QTableWidget*>(ui->tableWidget_parametersSpec)})
        t->setEditTriggers(triggers);

    for (QTextEdit* e : {ui->textEdit_ODEExpression, ui->textEdit_paraDefinition,
                         ui->textEdit_paraDefInverse, ui->textEdit_weights})
        e->setReadOnly(!enable);
}

void MainWindow::menu_showHide_copyVariable() {
    ui->groupBox_copyVariable->setHidden(!ui->groupBox_copyVariable->isHidden());
}

void MainWindow::menu_showHideStructJacobian() {
    ui->tableWidget_jacobian->setHidden(!ui->tableWidget_jacobian->isHidden());
}

void MainWindow::menu_showHideWeights() {
    ui->frame_weights->setHidden(!ui->frame_weights->isHidden());
    ui->spinBox_numWeightIter->setValue(0);
}
