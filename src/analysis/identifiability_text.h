// The identifiability summary as plain text for a terminal: the accepted set and its
// threshold, one aligned line per parameter, the identified combinations and the families.
#pragma once

#include "analysis/identifiabilityResult.h"

#include <QString>

// Lines end with "\n". A result with a problem gives "Identifiability: " and the problem.
QString identifiabilityText(const identifiabilityResult& result);
