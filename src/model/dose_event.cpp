// One row of the dose table and the check of its dosing compartment.
#include "model/dose_event.h"

#include "model/odeTextParser.h"

dose_event::dose_event() = default;

void dose_event::determineCompartment(const QStringList& odeVariableNames) {
    const int index = odeVariableNames.indexOf(compartment);
    if (index >= 0) {
        compartmentFound = true;
        compartmentErrors.clear();
        compartmentIndex = index;
        return;
    }
    compartmentFound = false;
    compartmentErrors =
        QStringList(QStringLiteral("Dosing compartment not found.  It should be selected from the "
                                   "following: ") +
                    odeVariableNames.join(QStringLiteral("  ")));
}

void dose_event::determineCompartment(const odeTextParser& ode) {
    determineCompartment(ode.variable_name);
}
