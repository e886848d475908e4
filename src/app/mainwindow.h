// The main window: eight step pages in a tool box that lead from the ODE text through
// doses, parameter bounds, transformation and observations to the computation, the results
// and the simulation. It owns the model being edited (ODE parser, parameter record, dose
// and observation records, all in one model_definition), the charts of the result pages and
// the computation's worker. The slots are thin: they read widgets, call the model core and
// show what it returns. Their bodies are split by page over mainwindow_step*.cpp.
#pragma once

#include "analysis/identifiabilityResult.h"
#include "analysis/reportInput.h"
#include "cnm/compResult.h"
#include "cnm/run_settings.h"
#include "io/cell_table.h"
#include "io/model_directory.h"
#include "model/dose_event.h"
#include "model/model_definition.h"
#include "model/observation_event.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Chart;
class ChartView;
class plot_painter;
class QAction;
class QCloseEvent;
class QMenu;
class QTableWidget;
class QTableWidgetItem;
class QThread;
class QWidget;
class cluster_newton_method;
struct event_cell_result;

namespace Ui {
class MainWindow;
}

// A table's cells as the model directory keeps them (a null text for a cell without item),
// and showing such cells in a table (its row count becomes theirs).
cell_table tableCells(const QTableWidget* table);
void showCells(QTableWidget* table, const cell_table& cells);

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The version printed by the computation log.
    QString version;
    // The model being edited; the page slots change it through its per-cell functions.
    model_definition model;
    // The parts of the model by the names the pages use.
    // The ODE system as typed on page 1.
    odeTextParser& odeParser;
    // Parameter names and order, bounds, transformation and initial cluster.
    parameters& para;
    // Number of points of the initial cluster to draw.
    int& numInitCluster;
    // One record per row of the dose and observation tables.
    QVector<dose_event>& doseEvents;
    QVector<observation_event>& observationEvents;
    // Names that dose expressions use besides the ODE parameters.
    QStringList& doseParameterNames;
    // The editor's HTML before the last find or replace (one undo step).
    QString ODEtextUndo;
    // The observation table's texts before the last Observation-menu action.
    QVector<QVector<QString>> observationTableSnapshot;

    // The result of the last computation, shown on page 6.
    compResult computationResult;

    // The model directory last opened or saved; empty until then.
    QString modelDirectory;
    // Asks for a directory (the file dialog; tests answer it themselves). An empty answer
    // means the user cancelled.
    std::function<QString(const QString& title)> askDirectory;

    // The six charts of the result and simulation pages and their views.
    Chart* chart_scatterPlot;
    Chart* chart_parameterRange;
    Chart* chart_SSRpara;
    Chart* chart_observationSimulation;
    Chart* chart_ODE_sol;
    Chart* chart_ODE_sol_simulation;
    ChartView* chartView_scatterPlot;
    ChartView* chartView_parameterRange;
    ChartView* chartView_SSRpara;
    ChartView* chartView_observationSimulation;
    ChartView* chartView_ODE_sol;
    ChartView* chartView_ODE_sol_simulation;

    // The computation engine, created without a parent, and the thread it runs on.
    cluster_newton_method* CNmethod;
    QThread* CNthread;

    // Menus in menu-bar order and their actions.
    QMenu* fileMenu;
    QMenu* computationMenu;
    QMenu* observationMenu;
    QMenu* viewMenu;
    QAction* openAct;
    QAction* saveAct;
    QAction* saveAsAct;
    QAction* runAct;
    QAction* abortAct;
    QAction* undoObservationAct;
    QAction* pasteObservationTimeAct;
    QAction* pasteObservationVariableAct;
    QAction* pasteObservationValueAct;
    QAction* fillObservationVariableAct;
    QAction* log10ValueAct;
    QAction* showHideCopyVariableAct;
    QAction* showHideStructJacobianAct;
    QAction* showHideWeightsAct;

    // Regenerates the parameter record, the g(x) and inverse texts and the initial cluster
    // from the bound table. Runs when the bound table's current cell changes and when a
    // model is loaded (there is no button for it).
    void on_pushButton_makePara_clicked();
    // Rebuilds the parameter-name list from the ODE parameters and the dose expressions
    // and gives the bound and simulation tables one row per parameter. Runs after every
    // dose cell edit and when a model is loaded.
    void on_pushButton_raed_in_dose_events_clicked();
    // Reads an initial cluster from a CSV file (the import button asks for the file).
    void importInitialCluster(const QString& file);

    // Writes the model into dir and makes it the current directory; false, with one message
    // box naming every file that could not be written, when the save failed.
    bool saveTo(const QString& dir);
    // Opens the model directory dir: empties every page, then fills them from its files.
    // False, with a message box and the window unchanged, when dir holds no model.
    bool loadFrom(const QString& dir);
    // The page-5 settings as typed, and showing saved ones.
    run_settings currentRunSettings() const;
    void showRunSettings(const run_settings& settings);

public slots:
    // Page 1: the ODE editor.
    void on_pushButton_clicked();
    void on_textEdit_ODEExpression_textChanged();
    void on_textEdit_ODEExpression_undoAvailable(bool available);
    void displayError();
    void on_pushButton_ODEsReplace_clicked();
    void replace_ODEtext(QString replaceThis, QString replaceTo, bool putRedcolour);
    void on_pushButton_ODEs_undo_clicked();
    void on_comboBox_ODE_text_replace_currentIndexChanged(const QString& text);
    void on_comboBox_copyVPnames_highlighted(const QString& text);
    void on_pushButton_findODEText_clicked();

    // Page 3 and 3-2: bounds, transformation, initial cluster.
    void on_textEdit_paraDefinition_textChanged();
    void on_tableWidget_parametersSpec_currentItemChanged(QTableWidgetItem* current,
                                                          QTableWidgetItem* previous);
    void on_textEdit_paraDefInverse_textChanged();
    void on_pushButton_4_clicked();
    void on_pushButton_importInitCluster_clicked();
    void on_spinBox_numInitICluster_valueChanged(int n);

    // Pages 2 and 4: dose and observation tables and the Observation menu.
    void on_pushButton_increaseObsRows_clicked();
    void on_tableWidget_doseEvents_itemChanged(QTableWidgetItem* item);
    void on_tableWidget_observations_itemChanged(QTableWidgetItem* item);
    void on_pushButton_6_clicked();
    void menu_pasteObservationTime();
    void menu_pasteObservationVariable();
    void menu_pasteObservationValue();
    void menu_fillObservationVariable();
    void menu_log10Value();
    void menu_undoObservation();

    // Page 5: the computation.
    void CNmethod_computation_completed();
    void on_spinBox_numTotIter_valueChanged(int n);
    void on_spinBox_numWeightIter_valueChanged(int n);
    void menu_run();
    void menu_abort();
    void on_pushButton_runCNmethod_clicked();
    // Launches a run: checks the model and settings, saves the model directory, prepares
    // the engine with the model as it is now and starts it in the worker thread.
    void run_CNmethod();
    // The engine's statistics of an iteration, shown in the status bar.
    void showIterationStatistics(int iteration, double bestSSR, double medianSSR);

    // The model directory.
    void menu_save();
    void menu_open();
    void menu_saveAs();
    // Save into the current directory (asking for one when there is none or it cannot be
    // written) and Open (asking for the directory); a cancelled dialog changes nothing.
    void save();
    void load();

    // Page 6: the result plots and their export.
    void update_computation_result(compResult result);
    void on_comboBox_plot_x_axis_currentIndexChanged(int index);
    void on_comboBox_plot_y_axis_currentIndexChanged(int index);
    void on_spinBox_iterationNumber_valueChanged(int n);
    void on_checkBox_scatterPlot_fixaxis_stateChanged(int state);
    void on_pushButton_SSR_para_next_clicked();
    void on_pushButton_SSR_para_prev_clicked();
    void on_comboBox_SSRpara_index_currentIndexChanged(int index);
    void on_spinBox_percentile_valueChanged(int n);
    void on_comboBox_ODE_plot_variable_currentIndexChanged(int index);
    void on_checkBox_ode_sol_y_log_stateChanged(int state);
    void on_tableWidget_X_corr_cellClicked(int row, int column);
    void on_tableWidget_X_corr_cellChanged(int row, int column);
    void on_checkBox_showInitClusterSP_clicked();
    void on_pushButton_saveAsCSV_clicked();
    // Saves the current plot as PDF, PNG or SVG (the file dialog's choice).
    void on_pushButton_saveAsPDF_clicked();
    // Saves every plot of the result page as a PDF into a chosen folder.
    void menu_exportAllPlots();
    // A row of the parameter table highlights its point in every plot.
    void on_tableWidget_resultPara_cellClicked(int row, int column);

public:
    // Page 6 state: the shown points of the chosen iteration, the painters of the result
    // charts (the "SSR per iteration" chart is page 6's own) and the highlighted point.
    QVector<int> displayIndex;
    Chart* chart_SSRperIteration = nullptr;
    ChartView* chartView_SSRperIteration = nullptr;
    plot_painter* painter_scatterPlot = nullptr;
    plot_painter* painter_parameterRange = nullptr;
    plot_painter* painter_SSRpara = nullptr;
    plot_painter* painter_observationSimulation = nullptr;
    plot_painter* painter_ODE_sol = nullptr;
    plot_painter* painter_SSRperIteration = nullptr;
    int selectedPoint = -1;
    QAction* exportAllPlotsAct = nullptr;

    void updatePlotDisplayIndex();
    void redrawParaRangePlot();
    void redrawSSRparaPlot();
    void redrawScatterPlot();
    void updateParameterTable();
    void updateIterNumberOfParameterTable();
    void redraw_obs_sim_Plot();
    void redraw_ODE_variable_Plot();
    void redrawSSRperIterationPlot();
    // The redraw of the current tab; the parameter table only when asked (not after a
    // percentile change, which does not limit it).
    void redrawCurrentTab(bool withParameterTable);
    // What the current tab exports: false when it has nothing to write. The parameter
    // table leaves data empty and is written from the table itself.
    bool currentExport(QString& fileName, QStringList& rowLabels, QStringList& columnLabels,
                       QVector<QVector<double>>& data) const;
    // Writes the current tab's CSV to the file chosen for it.
    void saveCurrentTabAsCSV(const QString& file);
    // Writes the current tab's chart as a picture; false when there is no chart or the
    // file could not be written.
    bool saveCurrentPlotAsImage(const QString& file);
    // Writes one PDF per plot tab into the folder; returns the number of files written.
    int exportAllPlots(const QString& directory);
    // Highlights the cluster point in every plot and its rows in the parameter table.
    void selectPoint(int point);

    // Page 6, the "Identifiability" tab: the analysis of the shown iteration (redone when
    // the tab is shown after the result, the iteration or the percentile changed), the
    // summary table, the profile of the selected parameter, combinations and families; and
    // File > Export report.
    identifiabilityResult identifiability;
    Chart* chart_identifiability = nullptr;
    ChartView* chartView_identifiability = nullptr;
    plot_painter* painter_identifiability = nullptr;
    QAction* exportReportAct = nullptr;
    void redrawIdentifiabilityTab();
    // Draws the profile of the parameter in row `row` of the summary table; a fixed
    // parameter or no row clears the chart.
    void showIdentifiabilityProfile(int row);
    // The model as the pages show it, for the report.
    reportInput currentReportInput() const;
    // Writes the report of the current result; false, with the reason in the status bar,
    // when there is no result or the file could not be written.
    bool exportReport(const QString& file);

public slots:
    void on_tableWidget_identifiability_currentCellChanged(int row, int column, int previousRow,
                                                           int previousColumn);
    void menu_exportReport();

private:
    void setupIdentifiabilityTab();
    // What `identifiability` was computed from; a change of any of them redoes it.
    QVector<QVector<double>> identifiabilityOfR;
    int identifiabilityOfIteration = -1;
    int identifiabilityOfPercentile = -1;

private:
    void setupResultPage();
    ChartView* currentChartView() const;

public slots:
    // Page 7: the simulation.
    void on_pushButton_computeSimulation_clicked();
    void on_lineEdit_simulationTimePoints_editingFinished();
    void on_checkBox_ode_simulation_sol_y_log_stateChanged(int state);
    void on_pushButton_increaseSimulationDose_clicked();
    void on_tableWidget_simulationDoseEvents_itemChanged(QTableWidgetItem* item);
    void on_tableWidget_simulationParameters_itemChanged(QTableWidgetItem* item);
    void on_pushButton_saveSimulationAsCSV_clicked();
    void on_lineEdit_simulationVariable_editingFinished();

    // The window as a whole.
    void on_tabWidget_currentChanged(int index);
    void on_toolBox_currentChanged(int index);
    void enable_model_related_UI(bool enable);
    void menu_showHideStructJacobian();
    void menu_showHide_copyVariable();
    void menu_showHideWeights();

protected:
    // Closing during a run asks whether to stop it; the finished iterations stay saved.
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::MainWindow* ui;

    void createActions();
    void createMenus();
    void createCharts();
    ChartView* placeChart(Chart* chart, QWidget* placeholder);

    // Page 1 helpers.
    void reparseODEText();
    void refillNameComboBoxes();
    void showJacobianStructure();

    // Pages 2 and 4: colour the edited cell and update the error pane as the core asks.
    void showCellResult(QTableWidgetItem* item, const event_cell_result& result);
    void pasteIntoObservationColumn(int column);

    // Page 3-2: draws the initial cluster from the bound table and shows it.
    void drawInitialCluster();
    void showInitialCluster();

    // The model directory: the files as the pages hold them now, the window title, a
    // writable current directory (asking when needed) and emptying every page.
    model_directory currentFiles(const QString& dir) const;
    void updateWindowTitle();
    bool chooseWritableDirectory(const QString& why);
    void clearPages();
    // Locks the model and switches the run actions for a running (or idle) computation.
    void setRunning(bool running);
};
