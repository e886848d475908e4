// Name warnings of the model: names told apart by capitals only.
#include "model/name_warnings.h"

QStringList name_warnings::capitalsOnly(const QStringList& variables,
                                        const QStringList& parameters) {
    QStringList warnings;
    for (const QString& parameter : parameters) {
        for (const QString& variable : variables) {
            if (parameter != variable && parameter.compare(variable, Qt::CaseInsensitive) == 0)
                warnings << QStringLiteral("Warning: parameter %1 differs from variable %2 only "
                                           "in capitals; is it a typo?")
                                .arg(parameter, variable);
        }
    }
    return warnings;
}
