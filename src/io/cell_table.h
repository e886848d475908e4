// Tables of cell texts, the form in which the window's tables are saved in a model
// directory. A null QString stands for a cell that has no item (never edited); an empty
// string for an item whose text is empty. The file dialect is the table one: "," between
// cells, and every row but the last ended by "\n". A cell holding ",", a double quote or a
// line break is written between double quotes with its inner quotes doubled, so notes such
// as "liver, male" survive; a file without quotes reads exactly as it always did.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

using cell_table = QVector<QVector<QString>>;

// Writes the cells with the table dialect: in every row but the last a cell without item is
// written as " ," (" \n" in the last column) and the row ends with "\n"; in the last row a
// missing cell is written as nothing and no "\n" follows. `columns` is the table's column
// count (rows shorter than it are padded with missing cells). Cells that need it are quoted;
// an empty cell of a one-column last row is written as "" so the row is not lost. The file
// is written in UTF-8 and replaced atomically (a temporary file renamed over it). Returns
// false, with "Error, unable to open" in the debug log, when it could not be written.
bool writeCellTable(const QString& file, const cell_table& cells, int columns);
// The text writeCellTable writes.
QString cellTableText(const cell_table& cells, int columns);

// Splits text of the table dialect into rows of fields: rows end at "\n" (or "\r\n"), fields
// at ","; a field that starts with a double quote runs to the matching quote ("" inside it
// is one quote) and may hold "," and line breaks. A final line break opens no row; empty text
// has no rows.
QVector<QStringList> splitCellRows(const QString& text);

// Reads a file (UTF-8) in the table dialect: one row per line, split at every "," (empty fields
// kept). Every row gets the table's column count: it starts at the field count of the last
// line and grows to the longest line met while filling; a line shorter than the count at its
// turn is filled with "NA", and cells of columns added after a row was filled stay missing. Returns
// false (and leaves cells untouched) when the file is missing or unreadable.
bool readCellTable(const QString& file, cell_table& cells);

// Cell texts as the window reads them for strings: a missing cell, an empty text and a
// single blank are all the empty string.
QString cellText(const cell_table& cells, int row, int column);

// The number a cell holds as the window reads number tables: NaN for a missing cell, an
// empty text, and (in any letter case) " ", "NA" and "NAN"; otherwise the text with its
// blanks deleted, converted, NaN when it is not a number.
double cellNumber(const QString& text);
// Every cell of a table as a number: rows x the longest row, missing cells NaN.
QVector<QVector<double>> cellNumbers(const cell_table& cells);
