// The exported scripts in the programs they are written for: a two-compartment model with a
// bolus is exported, its marked lines are edited as a user would, and Rscript (deSolve) and
// GNU Octave (ode15s) solve it; their solutions must match model_ode::evaluate (checked
// against analytic solutions on its own). Skipped where Rscript or octave is not installed.
#include "model/script_export.h"

#include "io/csv.h"
#include "model/model_fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace fixtures;

const char* const kModelText = "dA1dt = -k12*A1 + k21*A2 - kel*A1\n"
                               "dA2dt = k12*A1 - k21*A2\n";
const double kBolus = 100.0;

// A user's edit of one generated line: the line must be there exactly once.
::testing::AssertionResult editLine(QString& script, const QString& from, const QString& to) {
    if (script.count(from) != 1)
        return ::testing::AssertionFailure() << "expected one line \"" << from.toStdString()
                                             << "\", found " << script.count(from);
    script.replace(from, to);
    return ::testing::AssertionSuccess();
}

class ScriptExportClients : public ::testing::Test {
protected:
    const std::vector<double> times{0.25, 0.5, 1, 2, 4, 8, 12, 24};
    QTemporaryDir tmp;
    QString dir; // the model directory the scripts are saved in
    odeTextParser ode;
    parameters para;
    QVector<double> p; // the parameters the scripts see (from the 6-digit X file)
    QVector<QVector<double>> reference;

    void SetUp() override {
        // A blank in the path: the scripts must quote the directory.
        dir = tmp.path() + "/two compartments";
        ASSERT_TRUE(QDir().mkpath(dir + "/model") && QDir().mkpath(dir + "/compResult"));
        ode = parsedOde(kModelText);
        // k12 between theoretical bounds (logistic with EXP), k21 above 0 (10^x), kel free.
        const QVector<QVector<double>> table{
            {0.1, 1, 0, 2}, {0.05, 0.5, 0, std::nan("")}, {0.1, 0.5, std::nan(""), std::nan("")}};
        para = parameterRecord(table, ode.parameter_name);
        ASSERT_TRUE(para.errors.isEmpty()) << para.errors.join('|').toStdString();
        ASSERT_TRUE(para.gText.join('\n').contains("EXP(")) << "the translation goes untested";

        // One point of a saved result, written as the result files are (6 digits); the
        // scripts read these digits, so the reference uses them too.
        const QString xFile = dir + "/compResult/X_0.csv";
        csvwrite(xFile, {para.parameter_to_x({0.5, 0.2, 0.3})});
        p = para.x_to_parameter(csvReadToDouble(xFile).value(0));
        model_ode model(ode, {dose(0, 0, kBolus)}, observationsAt(times), para);
        model.relativeTolerance = 1e-10;
        model.absoluteTolerance = 1e-10;
        reference = model.evaluate(p);
        ASSERT_EQ(reference.size(), int(times.size()));
    }

    QString timesJoined() const {
        QStringList items;
        for (double t : times)
            items << QString::number(t, 'g', 17);
        return items.join(',');
    }

    // Writes the script into model/, runs the program on it there and reads the solution
    // file, rows (t, A1, A2) at 0 and at every observation time, which must match the bolus
    // and model_ode.
    void runAndCompare(const QString& program, QStringList arguments, const QString& script,
                       const QString& scriptName, const QString& outFile) {
        const QString scriptFile = dir + "/model/" + scriptName;
        QFile f(scriptFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write(script.toUtf8());
        f.close();
        QProcess process;
        process.setWorkingDirectory(dir + "/model");
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments << scriptFile);
        // A guard against a hung interpreter, not a speed requirement.
        const bool finished = process.waitForFinished(300000);
        const std::string output = process.readAll().toStdString();
        ASSERT_TRUE(finished && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0)
            << output;
        QFile out(outFile);
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << output;
        QString text = QString::fromUtf8(out.readAll());
        if (text.startsWith("\"time\",\"A1\",\"A2\"\n")) text = text.section('\n', 1);
        const QVector<QVector<double>> solution = csvTextReadToDouble(text);
        ASSERT_EQ(solution.size(), int(times.size()) + 1) << output;
        for (int r = 0; r < solution.size(); ++r) {
            ASSERT_EQ(solution[r].size(), 3) << "row " << r;
            const QVector<double> expected =
                r == 0 ? QVector<double>{kBolus, 0.0} : reference[r - 1];
            EXPECT_NEAR(solution[r][0], r == 0 ? 0.0 : times[r - 1], 1e-12);
            for (int c = 0; c < 2; ++c)
                EXPECT_NEAR(solution[r][c + 1], expected[c],
                            expected[c] == 0 ? 1e-9 : 1e-5 * std::fabs(expected[c]))
                    << "row " << r << " A" << c + 1;
        }
    }
};

TEST_F(ScriptExportClients, RscriptSolvesTheExportedModel) {
    const QString rscript = QStandardPaths::findExecutable("Rscript");
    if (rscript.isEmpty()) GTEST_SKIP() << "Rscript is not on PATH (scripts/install-deps)";
    QString script = script_export::rscriptODE(ode, para, dir);
    ASSERT_TRUE(editLine(script, "state <- c(A1=0, A2=0)\n", "state <- c(A1=100, A2=0)\n"));
    ASSERT_TRUE(
        editLine(script, "times <- c(0)  #MODIFY", "times <- c(0," + timesJoined() + ")  #MODIFY"));
    ASSERT_TRUE(editLine(script, "parms = parameters_infRate)\n",
                         "parms = parameters_infRate, rtol=1e-10, atol=1e-10)\n"));
    const QString outFile = dir + "/r_solution.csv";
    script += "\nwrite.csv(out, \"" + outFile + "\", row.names=FALSE)\n";
    runAndCompare(rscript, {}, script, "rscript_ODE.R", outFile);
}

TEST_F(ScriptExportClients, OctaveSolvesTheExportedModel) {
    const QString octave = QStandardPaths::findExecutable("octave");
    if (octave.isEmpty()) GTEST_SKIP() << "octave is not on PATH (scripts/install-deps)";
    QString script = script_export::matlabODE(ode, para, dir);
    ASSERT_TRUE(editLine(script, "u_init =[0,0];", "u_init =[100,0];"));
    ASSERT_TRUE(editLine(script, "obsTime=[1,2];", "obsTime=[" + timesJoined() + "];"));
    // Tight tolerances; Octave's ode15s starts from a zero slope unless it is given one,
    // which fails the first error test at such tolerances, so the user passes RHS there.
    const QString outFile = dir + "/octave_solution.csv";
    ASSERT_TRUE(editLine(script,
                         "[t,u] = ode15s(@RHS, [doseTime obsTime],u_init );  %SOLVING ODE\n",
                         "[t,u] = ode15s(@RHS, [doseTime obsTime],u_init, odeset('RelTol',1e-10,"
                         "'AbsTol',1e-10,'InitialSlope',RHS(doseTime,u_init)) );  %SOLVING ODE\n"
                         "dlmwrite('" +
                             outFile + "', [t,u], 'precision', '%.17g');\n"));
    runAndCompare(octave, {"--no-gui", "--quiet", "--no-window-system"}, script, "matlab_ODE.m",
                  outFile);
}

// Linear transfers are solid edges, the binding term dotted; the diagonal never appears.
TEST(ScriptExportDiagram, MentionsEveryEdge) {
    const odeTextParser ode = parsedOde(QString(kModelText) + "dCdt = kon*A2*B - koff*C\n"
                                                              "dBdt = koff*C - kon*A2*B\n");
    const QString diagram = script_export::compartmentDiagram(ode);
    EXPECT_TRUE(diagram.startsWith("library(DiagrammeR)\n") && diagram.endsWith("}')"));
    for (const char* line : {" A1->A2\n", " A2->A1\n", " C->B\n", " A2->C [style=dotted]\n",
                             " B->C [style=dotted]\n", " A2->B [style=dotted]\n"})
        EXPECT_TRUE(diagram.contains(line)) << line << "\n" << diagram.toStdString();
    EXPECT_EQ(diagram.count("->"), 6);
}

} // namespace
