// Reading the computation page's settings into numbers and the settings file's lines.
#include "cnm/run_settings.h"

#include "io/csv.h"

#include <cmath>

namespace {

bool positiveNumber(const QString& text, double& out) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !(v > 0) || !std::isfinite(v)) return false;
    out = v;
    return true;
}

QString escaped(QString text) {
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString unescaped(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            ++i;
            out += text[i] == QLatin1Char('n') ? QLatin1Char('\n') : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

QStringList run_settings::read(numbers& out, int observationCount) const {
    QStringList messages;
    if (!positiveNumber(initialLambda, out.initialLambda))
        messages << QStringLiteral("Initial lambda must be a positive number, not \"%1\".")
                        .arg(initialLambda);
    if (!positiveNumber(relativeTolerance, out.relativeTolerance))
        messages << QStringLiteral("The ODE solve relative tolerance must be a positive number, "
                                   "not \"%1\".")
                        .arg(relativeTolerance);
    if (!positiveNumber(absoluteTolerance, out.absoluteTolerance))
        messages << QStringLiteral("The ODE solve absolute tolerance must be a positive number, "
                                   "not \"%1\".")
                        .arg(absoluteTolerance);
    out.stage1Iterations = stage1Iterations;
    out.stage2Iterations = stage2Iterations;
    out.weightedIterations = weightedIterations;

    out.weightRows = csvTextReadToDouble(weights.trimmed());
    if (weightedIterations > 0 && out.weightRows.isEmpty())
        messages << QStringLiteral("The weights are empty: give one row of %1 comma-separated "
                                   "numbers per line, or no weighted iterations.")
                        .arg(observationCount);
    for (int r = 0; r < out.weightRows.size(); ++r) {
        const QVector<double>& row = out.weightRows[r];
        bool finite = true;
        for (double v : row)
            finite = finite && std::isfinite(v);
        if (row.size() != observationCount || !finite) {
            messages << QStringLiteral("Weights row %1 must hold %2 numbers (one per "
                                       "observation).")
                            .arg(r + 1)
                            .arg(observationCount);
            break;
        }
    }

    out.seedGiven = !seed.trimmed().isEmpty();
    if (out.seedGiven) {
        bool ok = false;
        out.seed = seed.trimmed().toULongLong(&ok);
        if (!ok)
            messages << QStringLiteral("The random seed must be a whole number of at least 0, "
                                       "not \"%1\".")
                            .arg(seed);
    }
    return messages;
}

QString run_settings::toText() const {
    QString text;
    const auto line = [&text](const char* key, const QString& value) {
        text += QLatin1String(key) + QLatin1Char('=') + escaped(value) + QLatin1Char('\n');
    };
    line("initial_lambda", initialLambda);
    line("ode_relative_tolerance", relativeTolerance);
    line("ode_absolute_tolerance", absoluteTolerance);
    line("stage1_iterations", QString::number(stage1Iterations));
    line("stage2_iterations", QString::number(stage2Iterations));
    line("weighted_iterations", QString::number(weightedIterations));
    line("weights", weights);
    line("seed", seed);
    return text;
}

run_settings run_settings::fromText(const QString& text) {
    run_settings s;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unescaped(line.mid(eq + 1));
        bool ok = false;
        const int count = value.toInt(&ok);
        if (key == QLatin1String("initial_lambda"))
            s.initialLambda = value;
        else if (key == QLatin1String("ode_relative_tolerance"))
            s.relativeTolerance = value;
        else if (key == QLatin1String("ode_absolute_tolerance"))
            s.absoluteTolerance = value;
        else if (key == QLatin1String("stage1_iterations") && ok && count >= 0)
            s.stage1Iterations = count;
        else if (key == QLatin1String("stage2_iterations") && ok && count >= 0)
            s.stage2Iterations = count;
        else if (key == QLatin1String("weighted_iterations") && ok && count >= 0)
            s.weightedIterations = count;
        else if (key == QLatin1String("weights"))
            s.weights = value;
        else if (key == QLatin1String("seed"))
            s.seed = value;
    }
    return s;
}

bool run_settings::operator==(const run_settings& o) const {
    return initialLambda == o.initialLambda && relativeTolerance == o.relativeTolerance &&
           absoluteTolerance == o.absoluteTolerance && stage1Iterations == o.stage1Iterations &&
           stage2Iterations == o.stage2Iterations && weightedIterations == o.weightedIterations &&
           weights == o.weights && seed == o.seed;
}
