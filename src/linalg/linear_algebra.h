// Marker class of the linear-algebra library. It carries no state; the solvers, the
// conversions and the eigen decomposition are free functions in their own headers.
#pragma once

class linear_algebra {
public:
    linear_algebra();
};
