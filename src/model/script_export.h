// The three scripts saved with a model so it can be run outside Velmora: an R script
// (deSolve), a MATLAB/Octave function (ode15s) and an R script drawing the compartments.
#pragma once

#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <QString>

namespace script_export {

// "/model/rscript_ODE.R": reads one point of a saved result, maps it with g(x) and solves.
QString rscriptODE(const odeTextParser& ode, const parameters& para, const QString& dir);
// "/model/matlab_ODE.m".
QString matlabODE(const odeTextParser& ode, const parameters& para, const QString& dir);
// "/model/rscript_compartmentDiagram.R".
QString compartmentDiagram(const odeTextParser& ode);

} // namespace script_export
