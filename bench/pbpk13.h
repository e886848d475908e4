// The 13-compartment whole-body PBPK model used by the benchmarks: its right-hand sides
// as text (values t, the 13 amounts, the 13 parameters in sorted order) and written by
// hand in C++ as the yardstick.
#pragma once

#include <QStringList>

namespace pbpk13 {

inline QStringList variables() {
    return {"AVE", "ALU", "AAR", "AHT", "ABR", "AMU", "AAD",
            "ASK", "ABO", "AKI", "AGU", "ASP", "ALI"};
}

inline QStringList parameterNames() {
    return {"CLint", "CLr",  "KpAD", "KpBO", "KpBR", "KpGU", "KpHT",
            "KpKI",  "KpLI", "KpLU", "KpMU", "KpSK", "KpSP"};
}

inline QVector<double> referenceParameters() {
    return {60, 5, 8, 2, 0.5, 1.5, 1.2, 1.8, 3, 1, 1.1, 2.5, 1.3};
}

inline QStringList rightHandSides() {
    return {
        "15.6*AHT/(0.33*KpHT) + 46.8*ABR/(1.45*KpBR) + 66.3*AMU/(29*KpMU) + 19.5*AAD/(12.5*KpAD) "
        "+ 19.5*ASK/(7.8*KpSK) + 19.5*ABO/(10.5*KpBO) + 74.1*AKI/(0.31*KpKI) + 87.9*ALI/(1.8*KpLI) "
        "- 349.2*AVE/3.4",
        "349.2*AVE/3.4 - 349.2*ALU/(1.17*KpLU)",
        "349.2*ALU/(1.17*KpLU) - 349.2*AAR/1.7",
        "15.6*(AAR/1.7 - AHT/(0.33*KpHT))",
        "46.8*(AAR/1.7 - ABR/(1.45*KpBR))",
        "66.3*(AAR/1.7 - AMU/(29*KpMU))",
        "19.5*(AAR/1.7 - AAD/(12.5*KpAD))",
        "19.5*(AAR/1.7 - ASK/(7.8*KpSK))",
        "19.5*(AAR/1.7 - ABO/(10.5*KpBO))",
        "74.1*(AAR/1.7 - AKI/(0.31*KpKI)) - CLr*AKI/(0.31*KpKI)",
        "58.5*(AAR/1.7 - AGU/(1.2*KpGU))",
        "3.9*(AAR/1.7 - ASP/(0.18*KpSP))",
        "25.5*AAR/1.7 + 58.5*AGU/(1.2*KpGU) + 3.9*ASP/(0.18*KpSP) - 87.9*ALI/(1.8*KpLI) "
        "- CLint*ALI/(1.8*KpLI)",
    };
}

// Hand-written right-hand side. a: the 13 amounts; p: the 13 parameters (sorted order).
inline void handWritten(const double* a, const double* p, double* d) {
    const double AVE = a[0], ALU = a[1], AAR = a[2], AHT = a[3], ABR = a[4], AMU = a[5], AAD = a[6],
                 ASK = a[7], ABO = a[8], AKI = a[9], AGU = a[10], ASP = a[11], ALI = a[12];
    const double CLint = p[0], CLr = p[1], KpAD = p[2], KpBO = p[3], KpBR = p[4], KpGU = p[5],
                 KpHT = p[6], KpKI = p[7], KpLI = p[8], KpLU = p[9], KpMU = p[10], KpSK = p[11],
                 KpSP = p[12];
    d[0] = 15.6 * AHT / (0.33 * KpHT) + 46.8 * ABR / (1.45 * KpBR) + 66.3 * AMU / (29 * KpMU) +
           19.5 * AAD / (12.5 * KpAD) + 19.5 * ASK / (7.8 * KpSK) + 19.5 * ABO / (10.5 * KpBO) +
           74.1 * AKI / (0.31 * KpKI) + 87.9 * ALI / (1.8 * KpLI) - 349.2 * AVE / 3.4;
    d[1] = 349.2 * AVE / 3.4 - 349.2 * ALU / (1.17 * KpLU);
    d[2] = 349.2 * ALU / (1.17 * KpLU) - 349.2 * AAR / 1.7;
    d[3] = 15.6 * (AAR / 1.7 - AHT / (0.33 * KpHT));
    d[4] = 46.8 * (AAR / 1.7 - ABR / (1.45 * KpBR));
    d[5] = 66.3 * (AAR / 1.7 - AMU / (29 * KpMU));
    d[6] = 19.5 * (AAR / 1.7 - AAD / (12.5 * KpAD));
    d[7] = 19.5 * (AAR / 1.7 - ASK / (7.8 * KpSK));
    d[8] = 19.5 * (AAR / 1.7 - ABO / (10.5 * KpBO));
    d[9] = 74.1 * (AAR / 1.7 - AKI / (0.31 * KpKI)) - CLr * AKI / (0.31 * KpKI);
    d[10] = 58.5 * (AAR / 1.7 - AGU / (1.2 * KpGU));
    d[11] = 3.9 * (AAR / 1.7 - ASP / (0.18 * KpSP));
    d[12] = 25.5 * AAR / 1.7 + 58.5 * AGU / (1.2 * KpGU) + 3.9 * ASP / (0.18 * KpSP) -
            87.9 * ALI / (1.8 * KpLI) - CLint * ALI / (1.8 * KpLI);
}

} // namespace pbpk13
