// Function-name translation for the exported R and MATLAB scripts.
#include "model/script_translation.h"

namespace {

struct function_pair {
    const char* from;
    const char* to;
};

// Longer names first, so that a name that ends another (SIN( in ASIN() never wins.
const function_pair functionPairs[] = {
    {"LOG10(", "log10("}, {"ASIN(", "asin("}, {"ACOS(", "acos("}, {"ATAN(", "atan("},
    {"SIGN(", "sign("},   {"SQRT(", "sqrt("}, {"EXP(", "exp("},   {"LOG(", "log("},
    {"ABS(", "abs("},     {"SIN(", "sin("},   {"COS(", "cos("},   {"TAN(", "tan("},
    {"LN(", "log("},
};

bool isNameCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.');
}

} // namespace

QString translateFunctionNames(const QString& text) {
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (i == 0 || !isNameCharacter(text.at(i - 1))) {
            for (const function_pair& f : functionPairs) {
                const QLatin1String from(f.from);
                if (text.midRef(i, from.size()) == from) {
                    out += QLatin1String(f.to);
                    i += from.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text.at(i);
            ++i;
        }
    }
    return out;
}
