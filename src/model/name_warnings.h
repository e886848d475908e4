// Warnings about the model's names that do not stop a run but are almost always typos:
// a parameter whose name differs from a variable's only by capitals (AC beside Ac).
#pragma once

#include <QStringList>

class name_warnings {
public:
    // One warning line per parameter and variable whose names are equal when capitals are
    // ignored but differ as written, in parameter order. Empty lists give no warnings.
    static QStringList capitalsOnly(const QStringList& variables, const QStringList& parameters);
};
