// The failed model evaluations of one pass over the cluster, counted by reason, and the line
// of the computation log that reports them.
#pragma once

#include "model/model_ode.h"

#include <QList>
#include <QString>
#include <QVector>

class evaluation_failures {
public:
    // Counts the failure results among the rows of a pass, one entry per point (the reason
    // is read from the rows, model_ode::failureOf). Rows of numbers do not count, and
    // neither do points whose parameters are NaN: those were not integrated at all.
    explicit evaluation_failures(const QList<QVector<QVector<double>>>& passRows);

    int count(model_ode::failure_reason reason) const;
    int total() const;

    // "failed model evaluations: 9/250 (non-finite state 2, step size 7, time limit 0)",
    // followed by ", other 1" when another error stopped the integrator; empty when no
    // evaluation failed.
    QString logLine() const;

private:
    int counts[model_ode::other_failure + 1] = {};
    int points = 0;
};
