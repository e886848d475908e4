// Failed model evaluations of a pass, by reason.
#include "model/evaluation_failures.h"

evaluation_failures::evaluation_failures(const QList<QVector<QVector<double>>>& passRows)
    : points(passRows.size()) {
    for (const QVector<QVector<double>>& rows : passRows)
        ++counts[model_ode::failureOf(rows)];
}

int evaluation_failures::count(model_ode::failure_reason reason) const {
    return counts[reason];
}

int evaluation_failures::total() const {
    return counts[model_ode::non_finite_state] + counts[model_ode::step_size] +
           counts[model_ode::time_limit] + counts[model_ode::other_failure];
}

QString evaluation_failures::logLine() const {
    if (total() == 0) return QString();
    QString line = QString("failed model evaluations: %1/%2 (non-finite state %3, step size %4, "
                           "time limit %5")
                       .arg(total())
                       .arg(points)
                       .arg(counts[model_ode::non_finite_state])
                       .arg(counts[model_ode::step_size])
                       .arg(counts[model_ode::time_limit]);
    if (counts[model_ode::other_failure] > 0)
        line += QString(", other %1").arg(counts[model_ode::other_failure]);
    return line + ")";
}
