// The arithmetic behind every operator code of the expression language. Shared by the
// token-by-token reduction and the compiled program so both compute the same bits.
#pragma once

#include <cmath>

namespace operator_functions {

// Binary operator codes 0..4.
enum binary_code { Power = 0, Multiply = 1, Divide = 2, Add = 3, Subtract = 4 };
// Unary codes: 100 is a plain parenthesis (identity), 101 the closing parenthesis.
enum unary_code {
    Paren = 100,
    CloseParen = 101,
    Exp = 102,
    Log = 103,
    Log10 = 104,
    Abs = 105,
    Sign = 106,
    Sqrt = 107,
    Sin = 108,
    Cos = 109,
    Tan = 110,
    Asin = 111,
    Acos = 112,
    Atan = 113,
    Ln = 114
};

// The integer operator code held in a token's value (out-of-range values map to codes
// that no operator has).
inline int codeOf(double v) {
    if (v >= 1e6) return 1000000;
    if (!(v > -1e6)) return -1000000;
    return static_cast<int>(v);
}

inline double binary(int code, double a, double b) {
    switch (code) {
    case Power:
        return std::pow(a, b);
    case Multiply:
        return a * b;
    case Divide:
        return a / b;
    case Add:
        return a + b;
    case Subtract:
        return a - b;
    default:
        return std::nan("");
    }
}

inline double log10(double x) {
    return std::log(x) / 2.302585092994046;
}
inline double sign(double x) {
    return x < 0 ? -1.0 : 1.0;
}
inline double sqrt(double x) {
    return std::pow(x, 0.5);
}

inline double unary(int code, double x) {
    switch (code) {
    case Paren:
        return x;
    case Exp:
        return std::exp(x);
    case Log:
        return std::log(x);
    case Log10:
        return log10(x);
    case Abs:
        return std::fabs(x);
    case Sign:
        return sign(x);
    case Sqrt:
        return sqrt(x);
    case Sin:
        return std::sin(x);
    case Cos:
        return std::cos(x);
    case Tan:
        return std::tan(x);
    case Asin:
        return std::asin(x);
    case Acos:
        return std::acos(x);
    case Atan:
        return std::atan(x);
    case Ln:
        return std::log(x);
    default:
        return std::nan("");
    }
}

} // namespace operator_functions
