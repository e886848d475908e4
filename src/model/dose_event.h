// One row of the dose table: when, where and how much is given, each number written as an
// expression that may name parameters (those are evaluated per parameter vector later).
#pragma once

#include "expr/parser.h"

#include <QString>
#include <QStringList>

class odeTextParser;

class dose_event {
public:
    double time = 0.0;
    parser timeExpression;
    bool timeDependsOnParameters = false;
    bool timeOk = false;

    double dosage = 0.0;
    parser dosageExpression;
    bool dosageDependsOnParameters = false;
    bool dosageOk = false;

    // 0 for a bolus, positive for an infusion lasting that long.
    double duration = 0.0;
    parser durationExpression;
    bool durationDependsOnParameters = false;
    bool durationOk = false;

    int compartmentIndex = 0;
    QString compartment;
    bool compartmentFound = false;
    QStringList compartmentErrors;

    bool isValid = false;

    dose_event();

    // Looks compartment up among the ODE variables (exact, case-sensitive) and sets
    // compartmentIndex, compartmentFound and compartmentErrors.
    void determineCompartment(const odeTextParser& ode);
    // The same against a list of ODE variable names.
    void determineCompartment(const QStringList& odeVariableNames);
};
