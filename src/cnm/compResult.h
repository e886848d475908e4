// The record of one Cluster Newton method run: the cluster, the simulated observations and
// the SSR of every point at every iteration, the same sorted by SSR, the ODE solutions kept
// for plotting and the run's log. A plain value of implicitly shared Qt containers, sent
// between threads through queued signals (registered as the meta-type "compResult").
#pragma once

#include <QMetaType>
#include <QStringList>
#include <QVector>

class compResult {
public:
    // SSR of point p at iteration k: [k][p]. NaN or infinity for a failed evaluation.
    QVector<QVector<double>> R;
    // The cluster in transformed coordinates: [k][p][i].
    QVector<QVector<QVector<double>>> X;
    // Simulated observations: [k][p][m].
    QVector<QVector<QVector<double>>> Y;
    // The cluster mapped back to the model's parameters: [k][p][j].
    QVector<QVector<QVector<double>>> Parameter;
    // The finite SSR values of each iteration in ascending order: [k][r].
    QVector<QVector<double>> R_sorted;
    // Rows of X, Y and Parameter in the order of R_sorted.
    QVector<QVector<QVector<double>>> X_sorted;
    QVector<QVector<QVector<double>>> Y_sorted;
    QVector<QVector<QVector<double>>> Parameter_sorted;
    // Value of ODE variable v for point p at output time t: [k][v][p][t].
    QVector<QVector<QVector<QVector<double>>>> ODE_sol;
    // Output times of the last index of ODE_sol.
    QVector<double> ode_time;
    // Point index in R[k] from which sorted entry r of iteration k was taken: [k][r].
    QVector<QVector<int>> sortIndex;
    QStringList computation_log;

    compResult();

    // Registers the type for queued connections under the name "compResult"; returns its id.
    static int registerMetaType();

    // Empties every field except sortIndex, which the next sortDataByResidual rebuilds.
    void clear();

    // Gives R, X, Y, Parameter, the sorted fields and ODE_sol exactly n iterations: later ones
    // are dropped, missing ones added empty. ode_time, sortIndex and the log are kept.
    void trim(int n);

    // Rebuilds R_sorted, X_sorted, Y_sorted, Parameter_sorted and sortIndex from R, X, Y and
    // Parameter. NaN and infinite SSR values are left out. Ranks are mapped back by value: all
    // points with the same SSR map to the first of them, whose rows then appear once per
    // point of the tie. A row missing from X, Y or Parameter is skipped in that sorted matrix.
    void sortDataByResidual();

    // Result files in "<dir>/compResult": every iteration from `firstIteration` on of every
    // field, then ode_time, the log and sortIndex. Each file is replaced atomically; returns
    // false when any file could not be written (the others are still written).
    bool save(QString dir, int firstIteration = 0);
    // Only the newest iteration of each field, then ode_time, the log and sortIndex; returns
    // false when any of them could not be written.
    bool save_last_iter(QString dir);
    // What save_last_iter writes, copied so that it shares no data with this record (the
    // older iterations are left empty): a writer thread can save it while the run goes on
    // changing this record.
    compResult lastIterationCopy() const;
    // Moves the previous run's files into a new "history/compResult <date>" folder and
    // empties ODE_sol. A file that cannot be moved is left in place, never removed.
    void save_history_clean_current(QString dir);
    // Reads X, Y, Parameter, R, ODE_sol and ode_time back; true when at least one complete
    // iteration (R, X, Y and Parameter files) was found.
    bool readIn(QString dir);
};

Q_DECLARE_METATYPE(compResult)
