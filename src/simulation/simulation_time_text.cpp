// Parsing of the simulation time text into sorted time points.
#include "simulation/simulation_time_text.h"

#include <algorithm>
#include <cmath>

namespace {

// The part as a finite number; false for words, NaN, infinities and overflow ("1e400").
bool finiteNumber(const QString& part, double& value) {
    bool ok = false;
    value = part.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

QString cutMessage(double count) {
    return QStringLiteral("The time text gives %1 time points; only the first %2 are used.")
        .arg(count, 0, 'g', 6)
        .arg(maximumSimulationTimePoints);
}

void parseRange(const QStringList& parts, simulation_time_points& result) {
    double a = 0, h = 0, b = 0;
    QStringList notNumbers;
    if (!finiteNumber(parts[0], a)) notNumbers << parts[0].trimmed();
    if (!finiteNumber(parts[1], h)) notNumbers << parts[1].trimmed();
    if (!finiteNumber(parts[2], b)) notNumbers << parts[2].trimmed();
    if (!notNumbers.isEmpty()) {
        result.messages << QStringLiteral("Time range: not a finite number: ") +
                               notNumbers.join(QStringLiteral(", "));
        return;
    }
    if (h == 0) {
        result.messages << QStringLiteral("Time range: the step (the middle number) cannot be 0.");
        return;
    }
    const double steps = (b - a) / h;
    const double n = std::ceil(steps - 1e-9 * std::max(1.0, std::fabs(steps)));
    if (!(n + 1 > 0)) {
        result.messages << QStringLiteral("Time range: no time points, the step leads away from "
                                          "the end.");
        return;
    }
    double count = n + 1;
    if (count > maximumSimulationTimePoints) {
        result.messages << cutMessage(count);
        count = maximumSimulationTimePoints;
    }
    const int pointCount = static_cast<int>(count);
    result.points.reserve(pointCount);
    for (int i = 0; i < pointCount; ++i)
        result.points << a + i * h;
}

void parseList(const QString& text, simulation_time_points& result) {
    QStringList parts;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty()) parts << trimmed;
    }
    parts.removeDuplicates();
    QStringList skipped;
    for (const QString& part : std::as_const(parts)) {
        double value = 0;
        if (finiteNumber(part, value))
            result.points << value;
        else
            skipped << part;
    }
    if (!skipped.isEmpty())
        result.messages << QStringLiteral("Time points: not a finite number, left out: ") +
                               skipped.join(QStringLiteral(", "));
    std::sort(result.points.begin(), result.points.end());
    if (result.points.size() > maximumSimulationTimePoints) {
        result.messages << cutMessage(result.points.size());
        result.points.resize(maximumSimulationTimePoints);
    }
}

} // namespace

simulation_time_points parseSimulationTimeText(const QString& text) {
    simulation_time_points result;
    const QStringList rangeParts = text.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (rangeParts.size() == 3)
        parseRange(rangeParts, result);
    else
        parseList(text, result);
    std::sort(result.points.begin(), result.points.end());
    return result;
}
