// The files of an identifiability analysis in "<dir>/compResult", and their readers:
// - identifiability.csv: a header line, then one line per model parameter: parameter,
//   verdict, best, median, p5, p95, relative_range, interval_lower, interval_upper,
//   domain_lower, domain_upper, rule ("likelihood ratio" or "percentile"), threshold,
//   pieces (separate pieces of the interval).
// - profile_<parameter>.csv, one per x coordinate: a header line "bin_lower,bin_upper,x,
//   <parameter>,ssr", then one line per bin (an empty bin has nan in its last three fields).
// - families.csv: a header line "family,size,best_ssr,<parameter names>", then one line per
//   family (numbered from 1) with the median of every parameter.
// Numbers carry 6 significant digits, NaN and infinities are written "nan", "inf", "-inf";
// fields are separated by "," and every line ends with "\n".
#pragma once

#include "analysis/identifiabilityResult.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Writes the three kinds of files, each replaced atomically; a result with a problem writes
// nothing. Returns one message per file that could not be written ("Could not write
// <path>."), empty when every file was written.
QStringList saveIdentifiability(const identifiabilityResult& result, const QString& dir);

// The summary lines and the threshold (rule and value) of an identifiability.csv. Fields
// that are not numbers read as NaN; an unknown verdict reads as not identified. A missing or
// unreadable file, or one without the header, gives no lines.
QVector<parameterSummary> readIdentifiabilitySummary(const QString& file,
                                                     acceptanceThreshold* threshold = nullptr);
