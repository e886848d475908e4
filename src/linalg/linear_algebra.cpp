// Marker class of the linear-algebra library.
#include "linalg/linear_algebra.h"

linear_algebra::linear_algebra() = default;
