// One evaluable model: the ODE system with its doses and observations. For one parameter
// vector it integrates the system piecewise between dose and observation times with the
// stiff Rosenbrock stepper and returns the state at every observation time.
//
// An integration that cannot go on fails at once instead of spinning until the time limit:
// - non-finite state: the state at an accepted step holds NaN, infinity or a value beyond
//   kLargestState, or the right-hand side there holds NaN or infinity. No step gets past a
//   non-finite value; beyond kLargestState the squared error estimates of the step control
//   overflow, so only ever smaller steps are accepted and the state never reaches the end.
// - step size: an accepted step leaves the time unchanged (the step underflows relative to
//   t), or kTinyStepLimit accepted steps in a row are each shorter than kTinyStepFraction of
//   the interval being integrated, or the stepper finds no step it can accept;
// - time limit: the call has run longer than timeLimitMilliseconds (the last resort for
//   what the checks above cannot see).
// These checks only read the state and the step; an evaluation that passes them gives
// exactly the numbers it gives without them.
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
    // Why the last evaluate call returned rows of NaN.
    enum failure_reason {
        no_failure,
        invalid_parameters, // a parameter value is NaN: nothing was integrated
        non_finite_state,
        step_size,
        time_limit,
        other_failure // any other exception of the integrator
    };
    static constexpr double kLargestState = 1e154; // about the square root of the largest double
    static constexpr double kTinyStepFraction = 1e-12;
    static constexpr int kTinyStepLimit = 50;

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
    // The reason of the last evaluate call's failure result (no_failure after a success).
    failure_reason failure = no_failure;

    model_ode() = default;
    model_ode(const odeTextParser& odeParser, const QVector<dose_event>& doseEvents,
              const QVector<observation_event>& observationEvents,
              const parameters& parameterRecord);

    // Time points, boluses, infusion rates per interval and observation indices for these
    // parameter values (dose times, amounts and durations may depend on them).
    void prepareDoseObsTimePoints(const QVector<double>& parameterValues);

    // One row per observation: the full state vector at its time, every value finite. Rows
    // of NaN when the integration fails or the parameters hold NaN (see `failure`); never
    // throws.
    QVector<QVector<double>> evaluate(const QVector<double>& parameterValues);

    // The reason a failure result carries: its NaN values hold the reason in their payload,
    // so it travels with the rows through copies of the model and the thread pool.
    // no_failure for rows of numbers, for empty rows and for NaN from anywhere else.
    static failure_reason failureOf(const QVector<QVector<double>>& rows);

private:
    QVector<QVector<double>> failureResult(failure_reason reason);
    void integrateBlock(int block, QVector<QVector<double>>& result, const QElapsedTimer& timer,
                        std::vector<double>& scratch);
};
