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
    return input;
}
