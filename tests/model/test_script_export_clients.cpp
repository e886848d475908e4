// The exported scripts in the programs they are written for: a two-compartment model with a
// bolus is exported, its marked lines are edited as a user would, and Rscript (deSolve) and
// GNU Octave (ode15s) solve it; their solutions must match model_ode::evaluate and the
// analytic solution. Skipped where Rscript or octave is not installed.
#include "model/script_export.h"

#include "io/csv.h"
#include "model/model_fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using namespace fixtures;

const char* const kModelText = "dA1dt = -k12*A1 + k21*A2 - kel*A1\n"
                               "dA2dt = k12*A1 - k21*A2\n";
const double kBolus = 100.0;
// A guard against a hung interpreter, not a speed requirement.
const int kProcessTimeoutMs = 300000;

// Amounts after a bolus D into A1 at t = 0: A1 = D/(a-b)*((a-k21)e^-at + (k21-b)e^-bt),
// A2 = D*k12/(a-b)*(e^-bt - e^-at), with a > b the negated eigenvalues.
std::array<double, 2> analyticAmounts(double k12, double k21, double kel, double t) {
    const double s = k12 + k21 + kel;
    const double root = std::sqrt(s * s - 4.0 * k21 * kel);
    const double a = 0.5 * (s + root), b = 0.5 * (s - root);
    const double ea = std::exp(-a * t), eb = std::exp(-b * t);
    return {kBolus / (a - b) * ((a - k21) * ea + (k21 - b) * eb),
            kBolus * k12 / (a - b) * (eb - ea)};
}

QString timesJoined(const std::vector<double>& times) {
    QStringList items;
    for (double t : times)
        items << QString::number(t, 'g', 17);
    return items.join(',');
}

void writeText(const QString& file, const QString& text) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Text)) << file.toStdString();
    QTextStream(&f) << text;
}

QString readText(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
    return QTextStream(&f).readAll();
}

// A user's edit of one generated line: the line must be there exactly once.
::testing::AssertionResult editLine(QString& script, const QString& from, const QString& to) {
    const int count = script.count(from);
    if (count != 1)
        return ::testing::AssertionFailure()
               << "expected one line \"" << from.toStdString() << "\", found " << count;
    script.replace(from, to);
    return ::testing::AssertionSuccess();
}

struct process_result {
    bool finished = false;
    int exitCode = -1;
    QString output;
};

process_result runProgram(const QString& program, const QStringList& arguments,
                          const QString& workingDirectory) {
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process_result r;
    r.finished =
        process.waitForStarted(kProcessTimeoutMs) && process.waitForFinished(kProcessTimeoutMs);
    if (!r.finished) {
        process.kill();
        process.waitForFinished();
    }
    if (process.exitStatus() == QProcess::NormalExit) r.exitCode = process.exitCode();
    r.output = QString::fromLocal8Bit(process.readAll());
    return r;
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
        ASSERT_TRUE(tmp.isValid());
        // A blank in the path: the scripts must quote the directory.
        dir = tmp.path() + "/two compartments";
        ASSERT_TRUE(QDir().mkpath(dir + "/model"));
        ASSERT_TRUE(QDir().mkpath(dir + "/compResult"));

        ode = parsedOde(kModelText);
        ASSERT_TRUE(ode.error_list.isEmpty()) << ode.error_list.join('|').toStdString();
        ASSERT_EQ(ode.parameter_name, QStringList({"k12", "k21", "kel"}));

        // k12 between theoretical bounds (logistic with EXP), k21 above 0 (10^x), kel free.
        const double kNaN = std::nan("");
        const QVector<QVector<double>> table{
            {0.1, 1, 0, 2}, {0.05, 0.5, 0, kNaN}, {0.1, 0.5, kNaN, kNaN}};
        para.checkDoIandBounds(table, ode.parameter_name);
        ASSERT_TRUE(para.errors.isEmpty()) << para.errors.join('|').toStdString();
        para.createParameters(table, ode.parameter_name);
        para.parseParameterExpressions(para.gText.join('\n'));
        para.parseParameterExpressionsInverse(para.gInverseText.join('\n'));
        ASSERT_TRUE(para.errors.isEmpty()) << para.errors.join('|').toStdString();
        ASSERT_EQ(para.xNames, QStringList({"x1", "x2", "x3"}));
        ASSERT_TRUE(para.gText.join('\n').contains("EXP(")) << "the translation goes untested";

        // One point of a saved result, written as the result files are (6 digits); the
        // scripts read these digits, so the reference uses them too.
        const QVector<double> chosen{0.5, 0.2, 0.3};
        const QString xFile = dir + "/compResult/X_0.csv";
        csvwrite(xFile, {para.parameter_to_x(chosen)});
        const QVector<QVector<double>> xRead = csvReadToDouble(xFile);
        ASSERT_EQ(xRead.size(), 1);
        p = para.x_to_parameter(xRead.at(0));
        ASSERT_EQ(p.size(), 3);
        for (int i = 0; i < 3; ++i)
            ASSERT_NEAR(p.at(i), chosen.at(i), 1e-5 * chosen.at(i));

        model_ode model(ode, {dose(0, 0, kBolus)}, observationsAt(times), para);
        model.relativeTolerance = 1e-10;
        model.absoluteTolerance = 1e-10;
        reference = model.evaluate(p);
        ASSERT_EQ(reference.size(), static_cast<int>(times.size()));
    }

    // Compares a program's solution, rows (t, A1, A2) at 0 and at every observation time,
    // with the bolus and with model_ode.
    void compareWithModel(const QVector<QVector<double>>& solution, const char* program) {
        ASSERT_EQ(solution.size(), static_cast<int>(times.size()) + 1) << program;
        for (int r = 0; r < solution.size(); ++r) {
            const QVector<double>& row = solution.at(r);
            ASSERT_EQ(row.size(), 3) << program << " row " << r;
            const double t = r == 0 ? 0.0 : times.at(r - 1);
            const QVector<double> expected =
                r == 0 ? QVector<double>{kBolus, 0.0} : reference.at(r - 1);
            EXPECT_NEAR(row.at(0), t, 1e-12) << program << " row " << r;
            for (int c = 0; c < 2; ++c) {
                const double e = expected.at(c);
                EXPECT_NEAR(row.at(c + 1), e, e == 0 ? 1e-9 : 1e-5 * std::fabs(e))
                    << program << " t=" << t << " A" << c + 1;
            }
        }
    }
};

TEST_F(ScriptExportClients, ModelOdeMatchesTheAnalyticSolution) {
    for (size_t k = 0; k < times.size(); ++k) {
        const std::array<double, 2> exact = analyticAmounts(p[0], p[1], p[2], times[k]);
        for (int c = 0; c < 2; ++c)
            EXPECT_NEAR(reference[k][c], exact[c], 1e-8 * exact[c]) << "t=" << times[k];
    }
}
TEST_F(ScriptExportClients, RscriptSolvesTheExportedModel) {
    const QString rscript = QStandardPaths::findExecutable("Rscript");
    if (rscript.isEmpty())
        GTEST_SKIP() << "Rscript is not on PATH (scripts/install-deps installs r-base-core and "
                        "r-cran-desolve)";

    QString script = script_export::rscriptODE(ode, para, dir);
    ASSERT_TRUE(editLine(script, "state <- c(A1=0, A2=0)\n", "state <- c(A1=100, A2=0)\n"));
    ASSERT_TRUE(editLine(script, "times <- c(0)  #MODIFY",
                         "times <- c(0," + timesJoined(times) + ")  #MODIFY"));
    ASSERT_TRUE(editLine(script, "parms = parameters_infRate)\n",
                         "parms = parameters_infRate, rtol=1e-10, atol=1e-10)\n"));
    const QString outFile = dir + "/r_solution.csv";
    script += "\nwrite.csv(out, \"" + outFile + "\", row.names=FALSE)\n";
    const QString scriptFile = dir + "/model/rscript_ODE.R";
    writeText(scriptFile, script);

    const process_result run = runProgram(rscript, {scriptFile}, dir + "/model");
    ASSERT_TRUE(run.finished) << "Rscript did not finish\n" << run.output.toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    const QString text = readText(outFile);
    ASSERT_TRUE(text.startsWith("\"time\",\"A1\",\"A2\"\n")) << text.toStdString();
    compareWithModel(csvTextReadToDouble(text.section('\n', 1)), "Rscript (deSolve lsoda)");
}

TEST_F(ScriptExportClients, OctaveSolvesTheExportedModel) {
    const QString octave = QStandardPaths::findExecutable("octave");
    if (octave.isEmpty())
        GTEST_SKIP() << "octave is not on PATH (scripts/install-deps installs octave)";

    QString script = script_export::matlabODE(ode, para, dir);
    ASSERT_TRUE(editLine(script, "u_init =[0,0];", "u_init =[100,0];"));
    ASSERT_TRUE(editLine(script, "obsTime=[1,2];", "obsTime=[" + timesJoined(times) + "];"));
    // Tight tolerances; Octave's ode15s starts from a zero slope unless it is given one,
    // which fails the first error test at such tolerances, so the user passes RHS there.
    const QString outFile = dir + "/octave_solution.csv";
    ASSERT_TRUE(editLine(script,
                         "[t,u] = ode15s(@RHS, [doseTime obsTime],u_init );  %SOLVING ODE\n",
                         "[t,u] = ode15s(@RHS, [doseTime obsTime],u_init, odeset('RelTol',1e-10,"
                         "'AbsTol',1e-10,'InitialSlope',RHS(doseTime,u_init)) );  %SOLVING ODE\n"
                         "dlmwrite('" +
                             outFile + "', [t,u], 'precision', '%.17g');\n"));
    const QString scriptFile = dir + "/model/matlab_ODE.m";
    writeText(scriptFile, script);

    const process_result run = runProgram(
        octave, {"--no-gui", "--quiet", "--no-window-system", scriptFile}, dir + "/model");
    ASSERT_TRUE(run.finished) << "octave did not finish\n" << run.output.toStdString();
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    ASSERT_TRUE(QFile::exists(outFile)) << run.output.toStdString();

    compareWithModel(csvReadToDouble(outFile), "Octave (ode15s)");
}

TEST(ScriptExportDiagram, MentionsEveryEdge) {
    const odeTextParser ode = parsedOde(QString(kModelText) + "dCdt = kon*A2*B - koff*C\n"
                                                              "dBdt = koff*C - kon*A2*B\n");
    ASSERT_TRUE(ode.error_list.isEmpty());
    const QString diagram = script_export::compartmentDiagram(ode);
    EXPECT_TRUE(diagram.startsWith("library(DiagrammeR)\n"));
    EXPECT_TRUE(diagram.endsWith("}')"));
    // Linear transfers are solid, the binding term is dotted; the diagonal never appears.
    const char* const expected[] = {" A1->A2\n",
                                    " A2->A1\n",
                                    " C->B\n",
                                    " A2->C [style=dotted]\n",
                                    " B->C [style=dotted]\n",
                                    " A2->B [style=dotted]\n"};
    int edges = 0;
    for (int i = 0; i < ode.variable_name.size(); ++i)
        for (int j = 0; j < ode.variable_name.size(); ++j)
            if (i != j && ode.jacobian_structure[j][i] != 0) ++edges;
    for (const char* line : expected)
        EXPECT_TRUE(diagram.contains(line)) << line << "\n" << diagram.toStdString();
    EXPECT_EQ(diagram.count("->"), edges);
}

} // namespace
