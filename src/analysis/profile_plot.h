// The plot of one parameter's profile: the lower envelope of SSR across the domain of
// interest of its x coordinate, and the acceptance threshold as a horizontal line. Built in
// the core like every other result plot; the plot painter draws it.
#pragma once

#include "analysis/parameterProfile.h"
#include "cnm/plot_figure.h"

// The envelope as a polyline through the bins' best points (an empty bin breaks it) and the
// threshold as a line across the domain, on a log SSR axis (linear, with a message, when no
// SSR is positive); the x axis is titled "<x name> (<parameter>)". plotData: one row
// [bin lower, bin upper, x, parameter, SSR] per bin, NaN in the last three for an empty bin.
// A profile without bins gives an empty figure.
plot_figure profilePlot(const parameterProfile& profile);
