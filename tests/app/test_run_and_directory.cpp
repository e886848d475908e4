// The window's run and model directory wiring: an opened example runs to the end with the
// progress bar at its maximum and the result files written, the run button stops a run
// keeping its finished iterations, a save opened again gives every table and text back, a
// cancelled dialog writes nothing, and a launch after random edits runs exactly as
// velmora-batch does on the directory the launch saved.
#include "mainwindow.h"

#include "app/window_test_support.h"
#include "batch/batch_runner.h"
#include "batch/example_copy.h"
#include "cnm/cluster_newton_method.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBox>

#include <random>

class TestRunAndDirectory : public WindowTest {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void openedExampleRunsAndStops();
    void savedModelOpensIdentical();
    void cancelledDialogWritesNothing();
    void launchAfterEditsMatchesTheBatchRunner();

private:
    QTemporaryDir tmp;

    // Starts a run with the button and waits until the window has taken its end (a spy on
    // the engine would count in the worker thread, before the window's slot runs).
    void runToTheEnd() {
        click("pushButton_runCNmethod");
        QVERIFY2(!w->runAct->isEnabled(), qPrintable(w->statusBar()->currentMessage()));
        QTRY_VERIFY_WITH_TIMEOUT(w->runAct->isEnabled(), 300000);
    }
    QString readFile(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : "<missing>";
    }
    // Every table and editable text of the window.
    QStringList pages() const {
        QStringList all;
        for (QTableWidget* t : w->findChildren<QTableWidget*>())
            if (t->objectName() != "tableWidget_X_corr") all << t->objectName() + cells(t);
        for (QTextEdit* e : w->findChildren<QTextEdit*>())
            if (!e->isReadOnly() && e->objectName() != "textEdi_compLog")
                all << e->objectName() + e->toPlainText();
        for (QLineEdit* e : w->findChildren<QLineEdit*>())
            all << e->objectName() + e->text();
        for (QSpinBox* s : w->findChildren<QSpinBox*>())
            all << s->objectName() + QString::number(s->value());
        return all;
    }
};

void TestRunAndDirectory::openedExampleRunsAndStops() {
    const QString dir = tmp.filePath("oral");
    copyExample("oral_multiple_dose", dir);
    QVERIFY(w->loadFrom(dir));
    QCOMPARE(w->windowTitle(), "Velmora - " + dir);
    find<QSpinBox>("spinBox_numS2_iter")->setValue(2);
    auto* progress = find<QProgressBar>("progressBar_CN");
    runToTheEnd();
    QCOMPARE(progress->value(), progress->maximum());
    QVERIFY(w->runAct->isEnabled() && w->openAct->isEnabled() && !w->abortAct->isEnabled());
    QCOMPARE(w->computationResult.X.size(), 2);
    QVERIFY(QFile::exists(dir + "/compResult/Y_1.csv"));
    QVERIFY(readFile(dir + "/model/run_settings.txt").contains("stage2_iterations=2"));

    // The button stops a long run once its first iteration is saved.
    find<QSpinBox>("spinBox_numS2_iter")->setValue(99);
    QSignalSpy iterations(w->CNmethod, &cluster_newton_method::current_computation_result);
    click("pushButton_runCNmethod");
    QVERIFY(!w->runAct->isEnabled() && w->abortAct->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(iterations.count() >= 1, 300000);
    click("pushButton_runCNmethod");
    QTRY_VERIFY_WITH_TIMEOUT(w->runAct->isEnabled(), 300000);
    const int kept = w->computationResult.X.size();
    QVERIFY(kept >= 1 && kept < 99);
    QVERIFY(QFile::exists(dir + QString("/compResult/X_%1.csv").arg(kept - 1)));
}

void TestRunAndDirectory::savedModelOpensIdentical() {
    const QString dir = tmp.filePath("saved");
    copyExample("oral_multiple_dose", tmp.filePath("source"));
    QVERIFY(w->loadFrom(tmp.filePath("source")));
    find<QLineEdit>("lineEdit_odeAbsTol")->setText("1e-3");
    find<QLineEdit>("lineEdit_seed")->setText("42");
    find<QTextEdit>("textEdit_weights")->setPlainText("1,0\n0,1");
    auto* gText = find<QTextEdit>("textEdit_paraDefinition");
    gText->setPlainText(gText->toPlainText().replace("CL=10^(x1)", "CL=1*10^(x1)"));
    find<QTableWidget>("tableWidget_initialCluster")->item(3, 1)->setText("1.25");
    w->askDirectory = [&](const QString&) { return dir; };
    w->saveAsAct->trigger();
    QCOMPARE(w->modelDirectory, dir);
    const QStringList before = pages();

    // Another model first, so that rows left behind would show.
    copyExample("pbpk13", tmp.filePath("other"));
    QVERIFY(w->loadFrom(tmp.filePath("other")));
    w->askDirectory = [&](const QString&) { return dir; };
    w->openAct->trigger();
    QCOMPARE(pages(), before);
}

void TestRunAndDirectory::cancelledDialogWritesNothing() {
    QTemporaryDir empty;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(empty.path());
    w->askDirectory = [](const QString&) { return QString(); };
    typeModel("dAdt=-k*A");
    w->saveAct->trigger();
    w->openAct->trigger();
    QDir::setCurrent(cwd);
    QVERIFY(w->modelDirectory.isEmpty());
    QCOMPARE(QDir(empty.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    QCOMPARE(find<QTextEdit>("textEdit_ODEExpression")->toPlainText(), QString("dAdt=-k*A"));
}

void TestRunAndDirectory::launchAfterEditsMatchesTheBatchRunner() {
    auto* editor = find<QTextEdit>("textEdit_ODEExpression");
    auto* doses = find<QTableWidget>("tableWidget_doseEvents");
    auto* observations = find<QTableWidget>("tableWidget_observations");
    auto* bounds = find<QTableWidget>("tableWidget_parametersSpec");
    auto* toolBox = find<QToolBox>("toolBox");
    const auto setCell = [](QTableWidget* t, int r, int c, const QString& text) {
        t->setItem(r, c, new QTableWidgetItem(text));
    };
    QStringList equations{"dAdt = -k*A", "dBdt = k*A - c*B/V"};
    editor->setPlainText(equations.join('\n'));
    for (int c = 0; c < 4; ++c)
        setCell(doses, 0, c, QStringList{"0", "A", "100", "0"}[c]);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            setCell(observations, r, c, QStringList{QString::number(r + 1), "B/V", "3"}[c]);
    find<QSpinBox>("spinBox_numInitICluster")->setValue(20);
    find<QSpinBox>("spinBox_numS2_iter")->setValue(2);
    find<QLineEdit>("lineEdit_seed")->setText("3");

    std::mt19937 random(8);
    for (int trial = 0; trial < 3; ++trial) {
        for (int edit = 0; edit < 3; ++edit) {
            switch (random() % 5) {
            case 0: // reorder the equations
                std::swap(equations[0], equations[1]);
                break;
            case 1: // rename a parameter
                equations.replaceInStrings("c*", "cz*");
                break;
            case 2: // a parameter that sorts before the others
                equations[1] += QString(" - 0.0%1*Aa%1*B").arg(trial);
                break;
            case 3: // a dose into the other compartment
                setCell(doses, 0, 1, random() % 2 ? "B" : "A");
                setCell(doses, 0, 2, QString::number(50 + random() % 100));
                break;
            default: // another observed expression
                setCell(observations, random() % 4, 1, random() % 2 ? "A+B/V" : "B/V");
            }
            editor->setPlainText(equations.join('\n'));
        }
        // Every parameter gets bounds; leaving the last cell regenerates g(x) and the cluster.
        toolBox->setCurrentIndex(0);
        toolBox->setCurrentIndex(2);
        for (int r = 0; r < bounds->rowCount(); ++r) {
            setCell(bounds, r, 0, "0.1");
            setCell(bounds, r, 1, "10");
        }
        bounds->setCurrentCell(0, 3);
        bounds->setCurrentCell(0, 0);

        const QString dir = tmp.filePath(QString("trial%1").arg(trial));
        QDir().mkpath(dir);
        w->modelDirectory.clear();
        w->askDirectory = [&](const QString&) { return dir; };
        runToTheEnd();
        QVERIFY2(w->computationResult.Y.size() == 2, qPrintable(errorPane->toPlainText()));

        const QString copy = dir + "-batch";
        QDir().mkpath(copy + "/model");
        for (const QString& f : QDir(dir + "/model").entryList(QDir::Files))
            QFile::copy(dir + "/model/" + f, copy + "/model/" + f);
        batch_runner batch;
        QString message;
        QVERIFY(batch.parseArguments({copy}, message) == batch_runner::parsed::run);
        batch.print = [](const QString&) {};
        QCOMPARE(batch.run(message), 0);
        // With the saved seed the whole run repeats: every result file is the same.
        const QStringList results = QDir(dir + "/compResult").entryList({"*.csv"}, QDir::Files);
        QVERIFY(results.contains("Y_1.csv"));
        for (const QString& f : results)
            QCOMPARE(readFile(copy + "/compResult/" + f), readFile(dir + "/compResult/" + f));
    }
}

QTEST_MAIN(TestRunAndDirectory)
#include "test_run_and_directory.moc"
