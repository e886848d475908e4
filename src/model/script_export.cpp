// Assembling the exported scripts from the pieces the ODE parser and the parameter record
// generate.
#include "model/script_export.h"

namespace script_export {

QString rscriptODE(const odeTextParser& ode, const parameters& para, const QString& dir) {
    return "library('deSolve')\n\n" + para.rscript_parameters(dir) + "\n\n" + ode.rscript_RHS() +
           "\n\n" + ode.rscript_initialInfusionRate() + "\n\n" + ode.rscript_initialStateVector() +
           "\ntimes <- c(0)  #MODIFY this line to define the time-point ODE solution is desired "
           "\n\nout <- ode(y = state, times = times, func = RHS, parms = parameters_infRate)\n\n" +
           ode.rscript_lastStateVector();
}

QString matlabODE(const odeTextParser& ode, const parameters& para, const QString& dir) {
    return "function matlab_ODE()\n\n" + para.matlab_parameters(dir) + "\n\n" +
           ode.matlab_initialInfusionRate() + "\n\n" + ode.matlab_initialStateVector() +
           "\n\nobsTime=[1,2];%MODIFY this line to specify the observation time\n"
           "doseTime=0;%MODIFY this line to specify the dose time\n\n"
           "[t,u] = ode15s(@RHS, [doseTime obsTime],u_init );  %SOLVING ODE\n\nend\n\n"
           "function [out]=RHS(t,u)\n\n" +
           para.matlab_parameters_inRHS() + "\n\n" + ode.matlab_RHS() + "\nout=out';\n\nend";
}

QString compartmentDiagram(const odeTextParser& ode) {
    return ode.rscript_compartmentDiagram();
}

} // namespace script_export
