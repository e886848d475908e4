// What a report says about the model besides its result: the model text, the dose and
// observation tables as typed, the run settings and the measured values, gathered by the
// window from its pages or by the batch runner from a model directory.
#pragma once

#include "io/cell_table.h"
#include "io/model_directory.h"

#include <QPair>
#include <QString>
#include <QVector>

class reportInput {
public:
    // The report's heading (the model directory's name, say); empty gives "Velmora report".
    QString title;
    QString odeText;
    // Rows of the dose table (time, compartment, dosage, duration, note) and of the
    // observation table (time, observation variable, value) as typed; missing cells are
    // shown empty.
    cell_table doseEvents;
    cell_table observations;
    // Name and value of every run setting, in the order shown.
    QVector<QPair<QString, QString>> settings;
    // The valid observations in table order (the measured values of the observation plot).
    QVector<double> measured;
};

// The report input of a model directory's files (as loaded, or as the window would save
// them): its ODE text, dose and observation tables and run settings (each named as the
// computation page names it), under the title, with the measured values given.
reportInput reportInputOf(const model_directory& files, const QString& title,
                          const QVector<double>& measured);
