// Page screenshots of the window with the 13-compartment PBPK example filled in.
#include "screenshots.h"

#include "mainwindow.h"

#include "batch/batch_runner.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBox>

namespace {

const char* const pbpkText =
    "dAVEdt = 15.6*AHT/(0.33*KpHT) + 46.8*ABR/(1.45*KpBR) + 66.3*AMU/(29*KpMU) "
    "+ 19.5*AAD/(12.5*KpAD) + 19.5*ASK/(7.8*KpSK) + 19.5*ABO/(10.5*KpBO) "
    "+ 74.1*AKI/(0.31*KpKI) + 87.9*ALI/(1.8*KpLI) - 349.2*AVE/3.4\n"
    "dALUdt = 349.2*AVE/3.4 - 349.2*ALU/(1.17*KpLU)\n"
    "dAARdt = 349.2*ALU/(1.17*KpLU) - 349.2*AAR/1.7\n"
    "dAHTdt = 15.6*(AAR/1.7 - AHT/(0.33*KpHT))\n"
    "dABRdt = 46.8*(AAR/1.7 - ABR/(1.45*KpBR))\n"
    "dAMUdt = 66.3*(AAR/1.7 - AMU/(29*KpMU))\n"
    "dAADdt = 19.5*(AAR/1.7 - AAD/(12.5*KpAD))\n"
    "dASKdt = 19.5*(AAR/1.7 - ASK/(7.8*KpSK))\n"
    "dABOdt = 19.5*(AAR/1.7 - ABO/(10.5*KpBO))\n"
    "dAKIdt = 74.1*(AAR/1.7 - AKI/(0.31*KpKI)) - CLr*AKI/(0.31*KpKI)\n"
    "dAGUdt = 58.5*(AAR/1.7 - AGU/(1.2*KpGU))\n"
    "dASPdt = 3.9*(AAR/1.7 - ASP/(0.18*KpSP))\n"
    "dALIdt = 25.5*AAR/1.7 + 58.5*AGU/(1.2*KpGU) + 3.9*ASP/(0.18*KpSP) "
    "- 87.9*ALI/(1.8*KpLI) - CLint*ALI/(1.8*KpLI) ; hepatic elimination";

void typeText(QWidget* target, const QString& text) {
    target->setFocus();
    for (const QChar ch : text) {
        const int key = ch == QLatin1Char('\n') ? int(Qt::Key_Return) : int(ch.unicode());
        const QString keyText = ch == QLatin1Char('\n') ? QStringLiteral("\r") : QString(ch);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, keyText);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, keyText);
        QApplication::sendEvent(target, &release);
    }
}

void setCell(QTableWidget* table, int row, int column, const QString& text) {
    table->setCurrentCell(row, column);
    table->setItem(row, column, new QTableWidgetItem(text));
}

void fillModel(MainWindow& window) {
    QToolBox* toolBox = window.findChild<QToolBox*>("toolBox");

    // Step1: the ODE text, typed.
    toolBox->setCurrentIndex(0);
    typeText(window.findChild<QTextEdit*>("textEdit_ODEExpression")->viewport(),
             QString::fromLatin1(pbpkText));
    window.on_pushButton_clicked();

    // Step2: 100 mg infused into the venous blood over half an hour.
    QTableWidget* doses = window.findChild<QTableWidget*>("tableWidget_doseEvents");
    const QStringList dose{"0", "AVE", "100", "0.5", "IV infusion"};
    for (int c = 0; c < dose.size(); ++c)
        setCell(doses, 0, c, dose[c]);

    // Step3: four partition coefficients and both clearances are estimated, the other
    // partition coefficients are fixed at their reference values.
    toolBox->setCurrentIndex(2);
    struct bound {
        const char* name;
        const char* lower;
        const char* upper;
    };
    const bound bounds[] = {{"CLint", "1", "500"},  {"CLr", "0.1", "50"},   {"KpAD", "0.1", "20"},
                            {"KpBO", "2", "2"},     {"KpBR", "0.5", "0.5"}, {"KpGU", "1.5", "1.5"},
                            {"KpHT", "1.2", "1.2"}, {"KpKI", "1.8", "1.8"}, {"KpLI", "0.1", "20"},
                            {"KpLU", "1", "1"},     {"KpMU", "0.1", "20"},  {"KpSK", "0.1", "20"},
                            {"KpSP", "1.3", "1.3"}};
    QTableWidget* boundTable = window.findChild<QTableWidget*>("tableWidget_parametersSpec");
    for (const bound& b : bounds) {
        const int row = window.para.parameterNames.indexOf(QLatin1String(b.name));
        if (row < 0) continue;
        setCell(boundTable, row, 0, QLatin1String(b.lower));
        setCell(boundTable, row, 1, QLatin1String(b.upper));
    }
    boundTable->setCurrentCell(0, 4);

    // Step4: the venous concentration on a log scale, pasted column by column through the
    // Observation menu. The measured values are illustrative.
    toolBox->setCurrentIndex(4);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText("0.25,0.5,1,2,4,6,8,12,24");
    window.pasteObservationTimeAct->trigger();
    clipboard->setText("LOG10(AVE/3.4)");
    window.pasteObservationVariableAct->trigger();
    window.fillObservationVariableAct->trigger();
    QTableWidget* observations = window.findChild<QTableWidget*>("tableWidget_observations");
    for (int r = 9; r < observations->rowCount(); ++r)
        observations->setItem(r, 1, new QTableWidgetItem(QString()));
    clipboard->setText("1.02,0.98,0.71,0.52,0.37,0.25,0.14,-0.06,-0.55");
    window.pasteObservationValueAct->trigger();
}

// Lets the window finish a redraw: posted events, and the chart items a redraw replaced
// (deleted later), so that no old axis shows through in a picture.
void settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

} // namespace

bool showExampleResult(MainWindow& window, const QString& example, const QString& workDir,
                       int iterations) {
#ifdef VELMORA_SOURCE_DIR
    const QString from = QStringLiteral(VELMORA_SOURCE_DIR "/examples/") + example;
#else
    const QString from = QStringLiteral("examples/") + example;
#endif
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    if (!files.hasNext()) return false;
    while (files.hasNext()) {
        const QString file = files.next();
        const QString target = workDir + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
    batch_runner run;
    run.directory = workDir;
    run.options.insert(QStringLiteral("stage2"), QString::number(iterations));
    run.print = [](const QString&) {};
    run.output = [](const QString&) {};
    QString message;
    if (run.run(message) != 0) return false;
    // Opening the directory shows its model and the result the run wrote.
    if (!window.loadFrom(workDir)) return false;
    return true;
}

int renderScreenshots(MainWindow& window, const QString& dir) {
    QDir().mkpath(dir);
    window.resize(1280, 720);
    fillModel(window);
    // Page 6 shows a short run of the same model as shipped with its synthetic data.
    QTemporaryDir run;
    int status = showExampleResult(window, QStringLiteral("pbpk13"), run.path(), 8) ? 0 : 1;

    const char* const files[] = {
        "step1_ode",          "step2_doses",       "step3_parameters", "step3-2_transformation",
        "step4_observations", "step5_computation", "step6_results",    "step7_simulation"};
    QToolBox* toolBox = window.findChild<QToolBox*>("toolBox");
    window.show();
    for (int i = 0; i < toolBox->count(); ++i) {
        toolBox->setCurrentIndex(i);
        settle();
        const QString path = QDir(dir).filePath(QString::fromLatin1(files[i]) + ".png");
        if (!window.grab().save(path)) status = 1;
    }

    // Every further tab of the result page, the percentile raised so that the whole
    // cluster shows how it converged.
    const char* const tabs[] = {"step6_observation_simulation", "step6_parameters",
                                "step6_parameter_range",        "step6_ssr_parameter",
                                "step6_parameter_distribution", "step6_ssr_per_iteration",
                                "step6_identifiability"};
    // A taller window gives the plots room beside the tool box.
    window.resize(1280, 1000);
    toolBox->setCurrentIndex(6);
    QTabWidget* resultTabs = window.findChild<QTabWidget*>("tabWidget");
    for (int t = 1; t < resultTabs->count() && t <= 7; ++t) {
        resultTabs->setCurrentIndex(t);
        settle();
        const QString path = QDir(dir).filePath(QString::fromLatin1(tabs[t - 1]) + ".png");
        if (!window.grab().save(path)) status = 1;
    }
    resultTabs->setCurrentIndex(0);

    // Page 7: the band the found parameter sets predict for the observed plasma concentration.
    toolBox->setCurrentIndex(7);
    window.findChild<QLineEdit*>("lineEdit_simulationTimePoints")->setText("0:0.25:24");
    window.findChild<QLineEdit*>("lineEdit_simulationVariable")->setText("LOG10(AVE/3.4)");
    window.findChild<QCheckBox*>("checkBox_simulationBand")->setChecked(true);
    window.findChild<QPushButton*>("pushButton_computeSimulation")->click();
    settle();
    if (!window.grab().save(QDir(dir).filePath("step7_simulation.png"))) status = 1;
    window.resize(1280, 720);
    return status;
}
