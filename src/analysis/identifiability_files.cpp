// Writers and reader of the identifiability files.
#include "analysis/identifiability_files.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <limits>

namespace {

QString number(double v) {
    return QString::number(v, 'g', 6);
}

// Writes the lines, each ended by "\n", atomically; false when the file could not be written.
bool writeLines(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

const char* summaryHeader = "parameter,verdict,best,median,p5,p95,relative_range,interval_lower,"
                            "interval_upper,domain_lower,domain_upper,rule,threshold,pieces";

QString ruleKeyword(acceptanceThreshold::Rule rule) {
    return rule == acceptanceThreshold::Percentile ? "percentile" : "likelihood ratio";
}

double readNumber(const QString& field) {
    bool ok = false;
    const double v = field.trimmed().toDouble(&ok);
    if (ok) return v;
    const QString t = field.trimmed().toLower();
    if (t == "inf") return std::numeric_limits<double>::infinity();
    if (t == "-inf") return -std::numeric_limits<double>::infinity();
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

QStringList saveIdentifiability(const identifiabilityResult& result, const QString& dir) {
    QStringList problems;
    if (!result.problem.isEmpty()) return problems;
    const QString folder = dir + "/compResult/";
    auto write = [&](const QString& name, const QStringList& lines) {
        if (!writeLines(folder + name, lines)) problems << "Could not write " + folder + name + ".";
    };

    QStringList summary{summaryHeader};
    for (const parameterSummary& s : result.summary)
        summary << QStringList{s.name,
                               parameterProfile::verdictText(s.verdict),
                               number(s.best),
                               number(s.median),
                               number(s.low),
                               number(s.high),
                               number(s.relativeRange),
                               number(s.intervalLower),
                               number(s.intervalUpper),
                               number(s.domainLower),
                               number(s.domainUpper),
                               ruleKeyword(result.threshold.rule),
                               number(result.threshold.value),
                               QString::number(s.pieces)}
                       .join(",");
    write("identifiability.csv", summary);

    for (const parameterProfile& p : result.profiles) {
        QStringList lines{"bin_lower,bin_upper,x," + p.parameterName + ",ssr"};
        for (int b = 0; b < p.ssr.size(); ++b)
            lines << QStringList{number(p.binLower.at(b)), number(p.binUpper.at(b)),
                                 number(p.x.at(b)), number(p.parameterValue.at(b)),
                                 number(p.ssr.at(b))}
                         .join(",");
        write("profile_" + p.parameterName + ".csv", lines);
    }

    const QStringList familyHeader =
        QStringList{"family", "size", "best_ssr"} + result.parameterNames;
    QStringList families{familyHeader.join(",")};
    for (int f = 0; f < result.families.size(); ++f) {
        const fitFamily& family = result.families.at(f);
        QStringList fields{QString::number(f + 1), QString::number(family.points.size()),
                           number(family.bestSsr)};
        for (double v : family.medianParameters)
            fields << number(v);
        families << fields.join(",");
    }
    write("families.csv", families);
    return problems;
}

QVector<parameterSummary> readIdentifiabilitySummary(const QString& file,
                                                     acceptanceThreshold* threshold) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream stream(&in);
    if (stream.readLine() != summaryHeader) return {};
    QVector<parameterSummary> lines;
    while (!stream.atEnd()) {
        const QStringList f = stream.readLine().split(",");
        if (f.size() < 14) continue;
        parameterSummary s;
        s.name = f.at(0);
        s.verdict = parameterProfile::NotIdentified;
        for (auto v : {parameterProfile::Identified, parameterProfile::BoundedOnOneSide,
                       parameterProfile::Fixed, parameterProfile::SeparateRanges})
            if (f.at(1) == parameterProfile::verdictText(v)) s.verdict = v;
        s.best = readNumber(f.at(2));
        s.median = readNumber(f.at(3));
        s.low = readNumber(f.at(4));
        s.high = readNumber(f.at(5));
        s.relativeRange = readNumber(f.at(6));
        s.intervalLower = readNumber(f.at(7));
        s.intervalUpper = readNumber(f.at(8));
        s.domainLower = readNumber(f.at(9));
        s.domainUpper = readNumber(f.at(10));
        if (threshold) {
            threshold->rule = f.at(11) == "percentile" ? acceptanceThreshold::Percentile
                                                       : acceptanceThreshold::LikelihoodRatio;
            threshold->value = readNumber(f.at(12));
        }
        s.pieces = f.at(13).toInt();
        lines.append(s);
    }
    return lines;
}
