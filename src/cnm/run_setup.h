// Preparing a Cluster Newton run, the same way for the window, the batch runner, the
// benchmarks and the tests: the checks that refuse a run, then the record's log header and
// initial cluster, one evaluator per point built from the model as it is now, the observed
// values, the domain in x and its centre, the weight rows, the stage counts, the seed and
// the save directory.
#pragma once

#include "cnm/run_settings.h"

#include <QString>
#include <QStringList>
#include <QVector>

class cluster_newton_method;
class model_definition;

// The version printed at the head of every computation log.
QString velmoraVersion();

// Why the model cannot be run with these settings, one message each; empty when it can.
QStringList runProblems(const model_definition& model, const run_settings& settings);

// Fills `engine` for a run of `model` from its initial cluster (N = its row count). The
// caller has checked runProblems. The previous result files in saveDirectory move into its
// history folder. The seed is the settings' one, or drawn when none is given; the log
// records it after the weights lines. Returns the seed.
quint64 setUpRun(cluster_newton_method& engine, const model_definition& model,
                 const run_settings& settings, const QString& saveDirectory);
