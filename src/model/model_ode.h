// One evaluable model: the ODE system with its doses and observations. For one parameter
// vector it integrates the system piecewise between dose and observation times with the
// stiff Rosenbrock stepper and returns the state at every observation time.
#pragma once

#include "model/dose_event.h"
#include "model/observation_event.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QVector>

#include <boost/numeric/ublas/vector.hpp>

#include <vector>

class model_ode {
public:
    int isModelValid = 0;
    // Absolute and relative tolerance of the integrator's error control. The absolute
    // tolerance stays 1.0 unless a caller asks for another (amounts near or below 1 need a
    // smaller one to be accurate).
    double absoluteTolerance = 1.0;
    double relativeTolerance = 0.1;
    QList<double> timePoints;
    QVector<int> observationTimeIndex;
    QVector<observation_event> observations;
    QVector<dose_event> doses;
    parameters parameterSpec;
    bool timePointsDependOnParameters = true;
    QVector<boost::numeric::ublas::vector<double>> bolusAmounts;
    QStringList errors;
    int stateCount = 0;
    QVector<QVector<int>> infusionCompartments;
    QVector<QVector<double>> infusionRates;
    odeTextParser ode;

    // Wall-clock budget of one evaluate call in milliseconds.
    qint64 timeLimitMilliseconds = 10000;
    // Right-hand-side and Jacobian requests of the integrator in the last evaluate call.
    long rhsCallCount = 0;
    long jacobianCallCount = 0;

    model_ode() = default;
    model_ode(const odeTextParser& odeParser, const QVector<dose_event>& doseEvents,
              const QVector<observation_event>& observationEvents, const parameters& parameterRecord);

    // Time points, boluses, infusion rates per interval and observation indices for these
    // parameter values (dose times, amounts and durations may depend on them).
    void prepareDoseObsTimePoints(const QVector<double>& parameterValues);

    // One row per observation: the full state vector at its time. Rows of NaN when the
    // integration fails or the parameters hold NaN; never throws.
    QVector<QVector<double>> evaluate(const QVector<double>& parameterValues);

private:
    QVector<QVector<double>> failureResult() const;
    void integrateBlock(int block, QVector<QVector<double>>& result, const QElapsedTimer& timer,
                        std::vector<double>& scratch);
};
