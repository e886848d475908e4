// The clipboard's text cut into cells: separators, kept empty cells, and the one empty
// entry a final line break leaves, which no paste may turn into a blanked cell.
#include "io/clipboard_text.h"

#include <gtest/gtest.h>

TEST(ClipboardText, Cells) {
    const struct {
        const char* text;
        bool commas;
        QStringList expected;
    } rows[] = {
        {"1\n2\n", true, {"1", "2"}},
        {"1,2\n3", true, {"1", "2", "3"}},
        {"a\tb\nc\td\n", false, {"a", "b", "c", "d"}},
        {"a\t\n", false, {"a", ""}},
        {"5\r\n6\r\n", true, {"5", "6"}},
        {"x\n\n", true, {"x", ""}},
        {"\n", true, {""}},
        {"", true, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(clipboard_text::cells(r.text, r.commas), r.expected) << r.text;
}
