// The identifiability summary as text: plain lines for a terminal (the accepted set and its
// threshold, one aligned line per parameter, the identified combinations and the families),
// and the pieces the window's Identifiability tab shows (its sentence, table cells and the
// HTML of combinations and families), so that both say the same.
#pragma once

#include "analysis/identifiabilityResult.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Lines end with "\n". A result with a problem gives "Identifiability: " and the problem.
QString identifiabilityText(const identifiabilityResult& result);

// How firmly the data hold a combination: "spread 0.02 of the domain", "spread 0.001 of its
// value" (a sum of parameters) or "rank correlation -0.99" (a trade-off).
QString combinationFirmness(const identifiedCombination& c);

// "Families of fits: 2", with " (and 15 isolated accepted points in no family)" when there
// are any.
QString familyCountText(const identifiabilityResult& result);

// The tab's sentence: "49 of 250 fits accepted: SSR at most ... by the rule ... (best SSR
// ...)." for `points` points in the iteration; the problem when there is one.
QString acceptedSetSentence(const identifiabilityResult& result, int points);

// One row per parameter of the tab's table: verdict, best, median, "5 % – 95 %", relative
// range, profile interval (with " (2 pieces)" when it falls apart; empty for a fixed
// parameter). A number that is not finite shows as "–".
QVector<QStringList> summaryCells(const identifiabilityResult& result);

// The tab's HTML below the table: the combinations the data determine, the family count with
// the isolated points, and one line per family with its size, best SSR and medians (fixed
// parameters left out). Names are HTML-escaped.
QString combinationsAndFamiliesHtml(const identifiabilityResult& result);
