// The report input of a model directory.
#include "analysis/reportInput.h"

reportInput reportInputOf(const model_directory& files, const QString& title,
                          const QVector<double>& measured) {
    reportInput input;
    input.title = title;
    input.odeText = files.odeText;
    input.doseEvents = files.doseEvents;
    input.observations = files.observations;
    input.measured = measured;
    const run_settings& r = files.runSettings;
    input.settings = {{"Stage 1 iterations", QString::number(r.stage1Iterations)},
                      {"Stage 2 iterations", QString::number(r.stage2Iterations)},
                      {"Initial lambda", r.initialLambda},
                      {"ODE relative tolerance", r.relativeTolerance},
                      {"ODE absolute tolerance", r.absoluteTolerance},
                      {"Iterations with the weights", QString::number(r.weightedIterations)}};
    if (!r.weights.trimmed().isEmpty())
        input.settings.append({"Weights", r.weights.trimmed().split('\n').join("; ")});
    input.settings.append(
        {"Seed", r.seed.isEmpty() ? QStringLiteral("drawn for the run (see its log)") : r.seed});
    return input;
}
