// What the evaluation of one cluster point gives back to the engine, and how it is made: the
// state rows of model_ode::evaluate (one per observation event) and the simulated
// observation row formed from them. Every evaluation back end builds its results with
// point_evaluation::of, so a point gives the same numbers whichever back end ran it.
#pragma once

#include "model/model_ode.h"

#include <QVector>

class point_evaluation {
public:
    // One row per observation event: the state at its time (rows of NaN for a failed
    // integration, as model_ode::evaluate returns them). Empty for a point that was not
    // evaluated (a stop during the pass).
    QVector<QVector<double>> states;
    // One simulated value per observation event: its observed expression on the state at
    // its time followed by the point's parameters; NaN where the state row is missing or
    // has the wrong length. Empty for a point that was not evaluated.
    QVector<double> observed;

    // Evaluates the point x with its own copy of `evaluator`: the parameters g(x), the dose
    // and observation times for them, the integration and the observed expressions. An
    // empty x or a NaN in it gives NaN observations; never throws.
    static point_evaluation of(model_ode evaluator, const QVector<double>& x);
};
