// One row of the observation table: the time, the measured value and the expression over
// ODE variables and parameters that the measurement observes.
#pragma once

#include "expr/parser.h"

class observation_event {
public:
    double time = 0.0;
    bool timeOk = false;
    double value = 0.0;
    bool valueOk = false;
    // Its variable_name is the ODE variable names followed by the parameter names.
    parser observedExpression;
    bool observedExpressionOk = false;
    bool isValid = false;

    observation_event();
};
