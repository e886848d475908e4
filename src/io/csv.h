// The program's one CSV dialect for number matrices: "," between fields, "\n" at the end of
// every row, no quoting, no header unless a WithHeader writer is used. Matrices have the
// outer index = row and rows may differ in length. Numbers are written with 6 significant
// digits; a field that does not convert to a number (the empty field included) reads as NaN.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Each row's values joined by "," and ended by "\n" (an empty row is an empty line), in
// QTextStream's default number format (%g with 6 significant digits; NaN and infinities as
// "nan", "inf", "-inf"). An empty M leaves an empty file. The file is replaced atomically (a
// temporary file renamed over it), so a crash or a full disk leaves the old file whole.
// Returns false, with the debug line "Error, unable to save", when it could not be written.
bool csvwrite(const QString& file, const QVector<QVector<double>>& M);
bool csvwrite(const QString& file, const QVector<QVector<int>>& M);
// The text csvwrite writes, for writers that replace the file atomically themselves.
QByteArray csvText(const QVector<QVector<double>>& M);
QByteArray csvText(const QVector<QVector<int>>& M);

// First line "," followed by the column labels joined by "," and "\n"; then per row r its
// label (empty beyond the end of rowHeader), "," and the values formatted 'g' with 6 digits
// joined by ","; every row but the last ends with "\n". Replaced atomically like csvwrite; a
// file that cannot be opened gives the debug line "Error, unable to open"; returns false when
// the file was not written.
bool csvwriteWithHeader(const QString& file, const QVector<QVector<double>>& M,
                        const QStringList& rowHeader, const QStringList& colHeader);

// One row per line of the file (a final "\n" ends the last line and adds no row), split at
// every ",", blanks deleted from each field before conversion (so "1 000" reads as 1000); an
// empty line is the row [NaN]. A missing or unreadable file gives an empty matrix.
QVector<QVector<double>> csvReadToDouble(const QString& file);

// The same for text in memory, split at "\n", without deleting blanks inside fields. Lines
// count as in a file: a final "\n" adds no row and empty text gives an empty matrix.
QVector<QVector<double>> csvTextReadToDouble(const QString& text);
