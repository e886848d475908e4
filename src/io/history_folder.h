// Time-stamped folders under "history/" of a model directory, where earlier models and
// results are kept. A folder is never shared: two saves or runs within the same second each
// get their own, the second with " (2)" after the stamp, the third " (3)", and so on.
#pragma once

#include <QString>

// Creates "<dir>/history/<prefix><UTC date and time>" (with ":" written as "_" when
// colonsToUnderscores is set), or the first free name with a counter, and returns its path;
// an empty string when it could not be created.
QString newHistoryFolder(const QString& dir, const QString& prefix, bool colonsToUnderscores);
