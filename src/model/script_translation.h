// Rewrites expression text for R and MATLAB: the expression language writes functions in
// capitals (EXP(, LOG10(, ASIN(, ...), both script languages want them in lower case.
#pragma once

#include <QString>

// Replaces every whole function name of the expression language by its R/MATLAB name,
// case-sensitively. A name only counts where it is not the tail of a longer name, so
// "ASIN(" becomes "asin(" and is never read as "A" followed by "SIN(". LN( becomes log(.
// Operators ("^" included) and everything else are copied unchanged.
QString translateFunctionNames(const QString& text);
