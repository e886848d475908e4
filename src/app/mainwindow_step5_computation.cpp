// Page 5, the computation: starting, following and stopping a Cluster Newton run, its
// settings and the end of a run. What a run needs is prepared by the core's run setup from
// a model built afresh from the files the launch saves, exactly as velmora-batch builds it.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QThread>

run_settings MainWindow::currentRunSettings() const {
    run_settings s;
    s.initialLambda = ui->lineEdit_initialLambda->text();
    s.relativeTolerance = ui->lineEdit_odeRelTol->text();
    s.absoluteTolerance = ui->lineEdit_odeAbsTol->text();
    s.stage1Iterations = ui->spinBox_numTotIter->value();
    s.stage2Iterations = ui->spinBox_numS2_iter->value();
    s.weightedIterations = ui->spinBox_numWeightIter->value();
    s.weights = ui->textEdit_weights->toPlainText();
    s.seed = ui->lineEdit_seed->text();
    return s;
}

void MainWindow::showRunSettings(const run_settings& s) {
    ui->lineEdit_initialLambda->setText(s.initialLambda);
    ui->lineEdit_odeRelTol->setText(s.relativeTolerance);
    ui->lineEdit_odeAbsTol->setText(s.absoluteTolerance);
    ui->spinBox_numTotIter->setValue(s.stage1Iterations);
    ui->spinBox_numS2_iter->setValue(s.stage2Iterations);
    ui->spinBox_numWeightIter->setValue(s.weightedIterations);
    ui->textEdit_weights->setPlainText(s.weights);
    ui->lineEdit_seed->setText(s.seed);
    // Saved weights are shown, so that they are seen where they act.
    if (s.weightedIterations > 0 || !s.weights.isEmpty()) ui->frame_weights->show();
}

void MainWindow::setRunning(bool running) {
    runAct->setEnabled(!running);
    saveAct->setEnabled(!running);
    saveAsAct->setEnabled(!running);
    openAct->setEnabled(!running);
    abortAct->setEnabled(running);
    enable_model_related_UI(!running);
    ui->pushButton_runCNmethod->setText(running ? tr("Stop Cluster Newton method computation")
                                                : tr("Start Cluster Newton method computation"));
}

void MainWindow::run_CNmethod() {
    if (CNmethod->isRunning) return;

    // The run's model is a load of exactly the files this launch saves: every index (the
    // order of variables and parameters, dose compartments) is taken as it is now.
    const run_settings settings = currentRunSettings();
    model_definition fresh;
    fresh.numInitCluster = numInitCluster;
    fresh.load(currentFiles(modelDirectory));
    const QStringList problems = runProblems(fresh, settings);
    if (!problems.isEmpty()) {
        QStringList html;
        for (const QString& p : problems)
            html << p.toHtmlEscaped();
        ui->textEdit_error->setHtml(QStringLiteral("<font color=red>") +
                                    html.join(QStringLiteral("<br>")) + QStringLiteral("</font>"));
        ui->textEdit_error->show();
        ui->textEdi_compLog->append(problems.join(QLatin1Char('\n')));
        ui->tabWidget_2->setCurrentIndex(0);
        statusBar()->showMessage(tr("The computation was not started: ") + problems.first());
        return;
    }
    if (!chooseWritableDirectory(tr("the computation was not started"))) return;
    // The scripts name the directory, so the files are taken again for it.
    if (!saveTo(modelDirectory)) {
        statusBar()->showMessage(
            tr("The computation was not started: the model could not be saved."));
        return;
    }

    setRunning(true);
    displayError(); // the reasons of an earlier refusal are gone
    ui->tabWidget_2->setCurrentIndex(0);
    const quint64 seed = setUpRun(*CNmethod, fresh, settings, modelDirectory);
    ui->progressBar_CN->setValue(0);
    update_computation_result(CNmethod->result);
    statusBar()->showMessage(tr("Computation started (seed %1).").arg(seed));

    // After the first run the engine stays in its running worker thread.
    if (CNmethod->thread() != CNthread) CNmethod->moveToThread(CNthread);
    CNthread->start();
    QMetaObject::invokeMethod(CNmethod, "run_3", Qt::QueuedConnection);
}

void MainWindow::CNmethod_computation_completed() {
    setRunning(false);
    ui->progressBar_CN->setValue(ui->progressBar_CN->maximum());
    update_computation_result(CNmethod->result);
    if (!CNmethod->saveProblem.isEmpty()) {
        statusBar()->showMessage(CNmethod->saveProblem);
        return;
    }
    statusBar()->showMessage(tr("Computation finished: %1 iterations saved in %2/compResult.")
                                 .arg(CNmethod->result.X.size())
                                 .arg(modelDirectory));
}

void MainWindow::showIterationStatistics(int iteration, double bestSSR, double medianSSR) {
    statusBar()->showMessage(tr("Iteration %1: best SSR %2, median SSR %3")
                                 .arg(iteration)
                                 .arg(bestSSR, 0, 'g', 6)
                                 .arg(medianSSR, 0, 'g', 6));
}

void MainWindow::on_spinBox_numTotIter_valueChanged(int n) {
    CNmethod->numTotIter = n;
}

void MainWindow::on_spinBox_numWeightIter_valueChanged(int n) {
    CNmethod->numWeightIter = n;
}

void MainWindow::menu_run() {
    run_CNmethod();
}

void MainWindow::menu_abort() {
    CNmethod->abortASAP = true;
    statusBar()->showMessage(tr("Stopping the computation after the current iteration..."));
}

void MainWindow::on_pushButton_runCNmethod_clicked() {
    if (CNmethod->isRunning)
        menu_abort();
    else
        run_CNmethod();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!CNmethod->isRunning) {
        event->accept();
        return;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Computation running"),
        tr("A Cluster Newton computation is running. Stop it and close the window? The "
           "iterations finished so far stay saved in the model directory."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    // The destructor waits for the current iteration to end and the record to be saved.
    CNmethod->abortASAP = true;
    event->accept();
}
