// The clipboard's text read as table cells, the one rule for every paste of the window:
// the table block paste and the observation column pastes.
#pragma once

#include <QString>
#include <QStringList>

class clipboard_text {
public:
    // The cells of a clipboard text, left to right and top to bottom: cut at line breaks
    // ("\n" or "\r\n"), at tabs and, when commasSeparate, at commas. Empty cells stay
    // cells, except the empty entry a final line break leaves: "1\n2\n" gives 1 and 2,
    // "a\t\n" gives a and an empty cell. An empty text gives no cells.
    static QStringList cells(const QString& text, bool commasSeparate);
};
