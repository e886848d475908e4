// The result folder of a model directory: one CSV file per iteration and field, written
// after every iteration (the run's log and sort order once more at the end of a run), moved
// into a time-stamped history folder before the next run, and read back when a model
// directory is opened.
#include "cnm/compResult.h"

#include "io/csv.h"
#include "io/history_folder.h"
#include "io/log_categories.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace {

QString resultFile(const QString& dir, const QString& stem, int k) {
    return dir + "/compResult/" + stem + QString::number(k) + ".csv";
}

QString odeFile(const QString& dir, int k, int v) {
    return dir + "/compResult/ODE_sol_" + QString::number(k) + "_" + QString::number(v) + ".csv";
}

bool writeLog(const QString& dir, const QStringList& log) {
    QSaveFile file(dir + "/compResult/computation_log.txt");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qCDebug(lcCnm) << "Error, unable to save";
        return false;
    }
    QTextStream out(&file);
    for (const QString& line : log)
        out << line << "\n";
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        qCDebug(lcCnm) << "Error, unable to save";
        return false;
    }
    return true;
}

bool writeSingleLine(const QString& file, const QVector<double>& row) {
    return csvwrite(file, QVector<QVector<double>>{row});
}

// Moves a file by copy and removal. A file that exists but cannot be copied stays where it
// is (it is never removed without a copy). Returns false when the source does not exist.
bool moveFile(const QString& from, const QString& to) {
    if (!QFile::exists(from)) return false;
    if (!QFile::copy(from, to)) {
        qCDebug(lcCnm) << "Error, unable to move" << from << "to" << to
                       << "- the file is left in place";
        return true;
    }
    QFile::remove(from);
    return true;
}

} // namespace

bool compResult::save(QString dir, int firstIteration) {
    bool ok = true;
    const int from = std::max(0, firstIteration);
    for (int k = from; k < X.size(); ++k)
        ok &= csvwrite(resultFile(dir, "X_", k), X[k]);
    for (int k = from; k < Y.size(); ++k)
        ok &= csvwrite(resultFile(dir, "Y_", k), Y[k]);
    for (int k = from; k < Parameter.size(); ++k)
        ok &= csvwrite(resultFile(dir, "Parameter_", k), Parameter[k]);
    for (int k = from; k < ODE_sol.size(); ++k)
        for (int v = 0; v < ODE_sol[k].size(); ++v)
            ok &= csvwrite(odeFile(dir, k, v), ODE_sol[k][v]);
    ok &= csvwrite(dir + "/compResult/sortIndex.csv", sortIndex);
    for (int k = from; k < R.size(); ++k)
        ok &= writeSingleLine(resultFile(dir, "R_", k), R[k]);
    ok &= writeSingleLine(dir + "/compResult/ode_time.csv", ode_time);
    ok &= writeLog(dir, computation_log);
    return ok;
}

bool compResult::save_last_iter(QString dir) {
    bool ok = true;
    if (!X.isEmpty()) ok &= csvwrite(resultFile(dir, "X_", X.size() - 1), X.last());
    if (!Y.isEmpty()) ok &= csvwrite(resultFile(dir, "Y_", Y.size() - 1), Y.last());
    if (!Parameter.isEmpty())
        ok &= csvwrite(resultFile(dir, "Parameter_", Parameter.size() - 1), Parameter.last());
    if (!ODE_sol.isEmpty()) {
        const int k = ODE_sol.size() - 1;
        for (int v = 0; v < ODE_sol[k].size(); ++v)
            ok &= csvwrite(odeFile(dir, k, v), ODE_sol[k][v]);
    }
    if (!R.isEmpty()) ok &= writeSingleLine(resultFile(dir, "R_", R.size() - 1), R.last());
    ok &= writeSingleLine(dir + "/compResult/ode_time.csv", ode_time);
    ok &= writeLog(dir, computation_log);
    ok &= csvwrite(dir + "/compResult/sortIndex.csv", sortIndex);
    return ok;
}

void compResult::save_history_clean_current(QString dir) {
    const QString history = newHistoryFolder(dir, QStringLiteral("compResult "), true);
    const QString from = dir + "/compResult";
    moveFile(from + "/sortIndex.csv", history + "/sortIndex.csv");
    for (const char* stem : {"R_", "X_", "Y_", "Parameter_"}) {
        for (int k = 0;; ++k) {
            const QString name = QString::fromLatin1(stem) + QString::number(k) + ".csv";
            if (!moveFile(from + "/" + name, history + "/" + name)) break;
        }
    }
    ODE_sol.clear();
    for (int k = 0; QFile::exists(odeFile(dir, k, 0)); ++k) {
        for (int v = 0;; ++v) {
            const QString name =
                "ODE_sol_" + QString::number(k) + "_" + QString::number(v) + ".csv";
            if (!moveFile(from + "/" + name, history + "/" + name)) break;
        }
    }
    moveFile(from + "/ode_time.csv", history + "/ode_time.csv");
    moveFile(from + "/computation_log.txt", history + "/computation_log.txt");
}

bool compResult::readIn(QString dir) {
    int n = 0;
    auto complete = [&](int k) {
        for (const char* stem : {"R_", "X_", "Y_", "Parameter_"})
            if (!QFile::exists(resultFile(dir, QString::fromLatin1(stem), k))) return false;
        return true;
    };
    while (complete(n))
        ++n;

    X.clear();
    Y.clear();
    R.clear();
    Parameter.clear();
    for (int k = 0; k < n; ++k) {
        X.append(csvReadToDouble(resultFile(dir, "X_", k)));
        Y.append(csvReadToDouble(resultFile(dir, "Y_", k)));
        Parameter.append(csvReadToDouble(resultFile(dir, "Parameter_", k)));
        const QVector<QVector<double>> r = csvReadToDouble(resultFile(dir, "R_", k));
        if (!r.isEmpty()) R.append(r.first());
    }

    ODE_sol.clear();
    for (int k = 0; QFile::exists(odeFile(dir, k, 0)); ++k) {
        ODE_sol.append(QVector<QVector<QVector<double>>>());
        for (int v = 0; QFile::exists(odeFile(dir, k, v)); ++v)
            ODE_sol.last().append(csvReadToDouble(odeFile(dir, k, v)));
    }

    const QString timeFile = dir + "/compResult/ode_time.csv";
    if (QFile::exists(timeFile)) {
        const QVector<QVector<double>> t = csvReadToDouble(timeFile);
        if (!t.isEmpty()) ode_time = t.first();
    }
    return n >= 1;
}
