// Model records and the two reference models (pbpk13, mm2) for the tests and benchmarks:
// dose and observation rows are filled field by field, as the table cells leave them.
#pragma once

#include "model/model_ode.h"

#include <vector>

namespace fixtures {

inline odeTextParser parsedOde(const QString& text) {
    odeTextParser ode;
    ode.readText(text);
    ode.parse();
    return ode;
}

inline dose_event dose(double time, int compartment, double dosage, double duration = 0.0) {
    dose_event d;
    d.time = time;
    d.timeOk = true;
    d.dosage = dosage;
    d.dosageOk = true;
    d.duration = duration;
    d.durationOk = true;
    d.compartmentIndex = compartment;
    d.compartmentFound = true;
    d.isValid = true;
    return d;
}

inline observation_event observation(double time) {
    observation_event o;
    o.time = time;
    o.timeOk = true;
    o.valueOk = true;
    o.observedExpressionOk = true;
    o.isValid = true;
    return o;
}

inline QVector<observation_event> observationsAt(const std::vector<double>& times) {
    QVector<observation_event> out;
    for (double t : times)
        out << observation(t);
    return out;
}

// The ODE's parameters, then `extraNames` (those of dose expressions).
inline model_ode modelOf(const QString& text, const QVector<dose_event>& doses,
                         const QVector<observation_event>& observations,
                         const QStringList& extraNames = QStringList()) {
    const odeTextParser ode = parsedOde(text);
    parameters record;
    record.parameterNames = ode.parameter_name + extraNames;
    return model_ode(ode, doses, observations, record);
}

// The parameter record of a bound table (rows: lower, upper, theoretical lower and upper
// bound), its bounds checked and g(x) and its inverse generated and parsed, as the window
// does.
inline parameters parameterRecord(const QVector<QVector<double>>& table, const QStringList& names) {
    parameters record;
    record.checkDoIandBounds(table, names);
    record.createParameters(table, names);
    record.parseParameterExpressions(record.gText.join('\n'));
    record.parseParameterExpressionsInverse(record.gInverseText.join('\n'));
    return record;
}

// Whole-body PBPK, 13 flow-limited compartments, 100 mg infused over 0.5 h (linear).
inline const char* pbpk13Text() {
    return "dAVEdt = 15.6*AHT/(0.33*KpHT) + 46.8*ABR/(1.45*KpBR) + 66.3*AMU/(29*KpMU) + "
           "19.5*AAD/(12.5*KpAD) + 19.5*ASK/(7.8*KpSK) + 19.5*ABO/(10.5*KpBO) + "
           "74.1*AKI/(0.31*KpKI) + 87.9*ALI/(1.8*KpLI) - 349.2*AVE/3.4\n"
           "dALUdt = 349.2*AVE/3.4 - 349.2*ALU/(1.17*KpLU)\n"
           "dAARdt = 349.2*ALU/(1.17*KpLU) - 349.2*AAR/1.7\n"
           "dAHTdt = 15.6*(AAR/1.7 - AHT/(0.33*KpHT))\n"
           "dABRdt = 46.8*(AAR/1.7 - ABR/(1.45*KpBR))\n"
           "dAMUdt = 66.3*(AAR/1.7 - AMU/(29*KpMU))\n"
           "dAADdt = 19.5*(AAR/1.7 - AAD/(12.5*KpAD))\n"
           "dASKdt = 19.5*(AAR/1.7 - ASK/(7.8*KpSK))\n"
           "dABOdt = 19.5*(AAR/1.7 - ABO/(10.5*KpBO))\n"
           "dAKIdt = 74.1*(AAR/1.7 - AKI/(0.31*KpKI)) - CLr*AKI/(0.31*KpKI)\n"
           "dAGUdt = 58.5*(AAR/1.7 - AGU/(1.2*KpGU))\n"
           "dASPdt = 3.9*(AAR/1.7 - ASP/(0.18*KpSP))\n"
           "dALIdt = 25.5*AAR/1.7 + 58.5*AGU/(1.2*KpGU) + 3.9*ASP/(0.18*KpSP) - "
           "87.9*ALI/(1.8*KpLI) - CLint*ALI/(1.8*KpLI)\n";
}

inline std::vector<double> pbpk13Times() {
    return {0.25, 0.5, 1, 2, 4, 6, 8, 12, 24};
}

inline model_ode pbpk13Model() {
    return modelOf(pbpk13Text(), {dose(0, 0, 100, 0.5)}, observationsAt(pbpk13Times()));
}

// CLint, CLr, KpAD, KpBO, KpBR, KpGU, KpHT, KpKI, KpLI, KpLU, KpMU, KpSK, KpSP.
inline QVector<double> pbpk13Parameters() {
    return {60, 5, 8, 2, 0.5, 1.5, 1.2, 1.8, 3, 1, 1.1, 2.5, 1.3};
}

// Two compartments with saturable elimination; 1000 at 0 and 500 over 1 h from 12 h.
inline const char* mm2Text() {
    return "dA1dt = -Vmax*A1/(Km*V1 + A1) - k12*A1 + k21*A2\n"
           "dA2dt = k12*A1 - k21*A2\n";
}

inline std::vector<double> mm2Times() {
    return {0.5, 1, 2, 4, 8, 12, 12.5, 13, 16, 24, 36};
}

inline model_ode mm2Model() {
    return modelOf(mm2Text(), {dose(0, 0, 1000), dose(12, 0, 500, 1)}, observationsAt(mm2Times()));
}

// Km, V1, Vmax, k12, k21.
inline QVector<double> mm2Parameters() {
    return {5, 20, 100, 0.3, 0.1};
}

// Target-mediated binding with a fast on-rate (kon = 50): the Jacobian entries of L and R
// follow the state. Parameters sort as kdeg, kel, kint, koff, kon, ksyn.
inline const char* bindingText() {
    return "dLdt = -kel*L - kon*L*R + koff*P\n"
           "dRdt = ksyn - kdeg*R - kon*L*R + koff*P\n"
           "dPdt = kon*L*R - koff*P - kint*P\n";
}

} // namespace fixtures
