// One current problem of a model: which part of the model it is in (and so which file of a
// model directory), the cell for a table problem, whether it only warns, and its message.
// model_definition::currentProblems lists them; the window's error pane and velmora-batch
// show them.
#pragma once

#include <QString>

struct model_problem {
    enum class part {
        ode,
        doses,
        parameterTable,
        transformation,
        inverseTransformation,
        initialCluster,
        observations
    };

    part where = part::ode;
    // A warning does not stop a run (a name that is almost surely a typo).
    bool warning = false;
    // 0-based cell of a table problem; -1 for a problem of a whole part.
    int row = -1;
    int column = -1;
    // Plain text; it may hold line breaks of its own.
    QString message;
    // The error pane's HTML of a rejected cell; empty for other problems (shown as message).
    QString html;

    // The file of a model directory the part is saved in ("dose_events.txt", ...).
    QString file() const {
        switch (where) {
        case part::ode:
            return QStringLiteral("ODE_expression.txt");
        case part::doses:
            return QStringLiteral("dose_events.txt");
        case part::parameterTable:
            return QStringLiteral("parameter_specifications.csv");
        case part::transformation:
            return QStringLiteral("reparaDefinition.txt");
        case part::inverseTransformation:
            return QStringLiteral("reparaInverse.txt");
        case part::initialCluster:
            return QStringLiteral("initial_cluster.txt");
        case part::observations:
            return QStringLiteral("observations.txt");
        }
        return QString();
    }
};
