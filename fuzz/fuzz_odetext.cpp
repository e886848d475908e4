// libFuzzer harness for the ODE text: parse, probe, colour, export and evaluate whatever
// text arrives. Any crash, sanitizer report or escaping exception is a finding.
#include "model/model_ode.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    odeTextParser ode;
    ode.readText(text);
    ode.parse();
    ode.textColour();
    ode.rscript_RHS();
    ode.matlab_RHS();
    ode.rscript_compartmentDiagram();

    const int n = ode.variable_name.size();
    QVector<double> values(1 + n + ode.parameter_name.size(), 0.5);
    ode.eval(values);
    if (n == 0 || n > 32) return 0;

    parameters record;
    record.parameterNames = ode.parameter_name;
    dose_event bolus;
    bolus.time = 0.0;
    bolus.dosage = 10.0;
    bolus.duration = 0.0;
    bolus.compartmentIndex = int(size % unsigned(n));
    bolus.timeOk = bolus.dosageOk = bolus.durationOk = bolus.compartmentFound = true;
    bolus.isValid = true;
    dose_event infusion = bolus;
    infusion.time = 0.25;
    infusion.duration = 1.0;
    observation_event observation;
    observation.time = 1.5;
    observation.timeOk = observation.valueOk = observation.observedExpressionOk = true;
    observation.isValid = true;

    model_ode model(ode, {bolus, infusion}, {observation}, record);
    model.timeLimitMilliseconds = 100;
    const QVector<double> p(ode.parameter_name.size(), 0.7);
    model.evaluate(p);
    return 0;
}
