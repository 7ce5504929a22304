// The results view's decisions: section placement and the full view, the double-clicked
// line's path, and printed lines and pages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "desktop/results/view_layout.h"

namespace {

// The headers' texts are the end-to-end tests' (a scan's view, read whole); here, the
// full view's edges and the sections' order.
TEST(ViewPlacement, AFullViewTakesOnlyTheClosingLinesThenSaysSo) {
    ViewSections view = {};
    const std::size_t header = std::strlen(kSections[static_cast<int>(LogSection::rgb)].header);
    // An rgb entry that just fits, header and all; the next one passes the limit.
    ViewEntryPlan plan = place_view_entry(&view, 3, kViewTextLimit - 10 - header, 10);
    EXPECT_TRUE(plan.insert);
    plan = place_view_entry(&view, 3, kViewTextLimit, 1);
    EXPECT_FALSE(plan.insert);
    EXPECT_TRUE(plan.becomes_full);
    // From then on nothing but the closing lines goes in or counts, however short; the
    // notice is shown once.
    EXPECT_FALSE(place_view_entry(&view, 3, 0, 1).insert);
    EXPECT_FALSE(place_view_entry(&view, 1, 0, 1).insert);
    for (int line : {3, 4}) {
        plan = place_view_entry(&view, -1, kViewTextLimit, 100);
        EXPECT_TRUE(plan.insert && plan.header == nullptr);
        EXPECT_EQ(line, plan.line);
    }
    EXPECT_FALSE(place_view_entry(&view, 0, kViewTextLimit, 1).becomes_full);
    // Closing lines still leave room for the notice within the reserve.
    const std::size_t room = kViewTextLimit + kViewClosingReserve - (sizeof kViewFullNotice - 1);
    plan = place_view_entry(&view, -1, room - 100, 101);
    EXPECT_FALSE(plan.insert);
    EXPECT_FALSE(plan.becomes_full);
    EXPECT_TRUE(place_view_entry(&view, -1, room - 100, 100).insert);
    EXPECT_EQ(3, view.lines[static_cast<int>(LogSection::rgb)]);
}

TEST(ViewText, WholeLinesWithinRoomAndScrollBar) {
    struct Case {
        const char* text;
        std::size_t room, kept;
    };
    const Case cases[] = {
        {"ab\r\ncd\r\n", 8, 8}, {"ab\r\ncd\r\n", 7, 4}, {"ab\r\ncd", 100, 4},
        {"abcdef", 100, 0},     {"ab\r\n", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.kept, whole_lines_within(c.text, std::strlen(c.text), c.room));
    }
    // 11 pixels a line: at or below the height no bar, one line more shows it.
    EXPECT_FALSE(view_needs_scroll_bar(10, 110));
    EXPECT_TRUE(view_needs_scroll_bar(11, 110));
}

TEST(ViewLinePath, OnlyFileEntriesNameAPath) {
    struct Case {
        const char* line;
        const char* path;  // null: nothing happens
    };
    const Case cases[] = {
        {"    C:\\Art\\logo.tif: possibly RGB", "C:\\Art\\logo.tif"},
        {"    C:\\Art\\logo.tif  \t\r", "C:\\Art\\logo.tif"},
        {"    \\\\server\\share\\caf\xe9 \xe9t\xe9.eps",
         "\\\\server\\share\\caf\xe9 \xe9t\xe9.eps"},
        {"    C:\\a b\\x.tif: File is mis-labelled: x", "C:\\a b\\x.tif"},
        {"6-Dec-26 09:05:03  C:\\A\\x.tif: read error: 5", nullptr},
        {"===== Files that are GIF =====", nullptr},
        {"    logo.tif", nullptr},
        {"    C: no backslash", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char out[kPathLimit];
        const bool found = view_line_path(c.line, std::strlen(c.line), out, sizeof out);
        EXPECT_EQ(c.path != nullptr, found);
        EXPECT_STREQ(c.path != nullptr ? c.path : "", out);
    }
    // A path longer than the room is refused, not cut into another path.
    char small[8];
    EXPECT_FALSE(view_line_path("    C:\\Art\\logo.tif", 19, small, sizeof small));
}

TEST(PrintLayout, MarginsAndLimitFromTheDeviceMeasures) {
    struct Case {
        const char* device;
        PrintMeasures measures;
        PrintLayout layout;  // left, first_top, page_limit, line_height, width
    };
    const Case cases[] = {
        // A4 at 300 dpi without offsets: a 41-unit margin, the first line below it.
        {"a4", {0, 0, 3508, 2480, 3508, 300, 50}, {0, 91, 3467, 50, 2480}},
        // Offsets and an unprintable strip at the bottom.
        {"offsets", {50, 60, 3300, 2400, 3150, 300, 40}, {50, 141, 3109, 40, 2350}},
        // A device that knows no paper height, and a font of no height.
        {"display", {0, 0, 0, 800, 600, 72, 0}, {0, 11, 590, 1, 800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        const PrintLayout got = layout_print_page(c.measures);
        EXPECT_EQ(c.layout.left, got.left);
        EXPECT_EQ(c.layout.first_top, got.first_top);
        EXPECT_EQ(c.layout.page_limit, got.page_limit);
        EXPECT_EQ(c.layout.line_height, got.line_height);
        EXPECT_EQ(c.layout.width, got.width);
    }
}

TEST(PrintLayout, APageEndsWhenTheNextLineWouldPassTheLimit) {
    // Room for three lines of 10 from 20: bottoms 30, 40, 50; a fourth would end at 60.
    const PrintLayout layout = {0, 20, 50, 10, 100};
    struct Step {
        bool end_page, start_page;
        int top;
    };
    const Step steps[] = {{false, true, 20},
                          {false, false, 30},
                          {false, false, 40},
                          {true, true, 20},
                          {false, false, 30}};
    PrintCursor cursor = {false, 0};
    for (const Step& want : steps) {
        const PrintStep got = next_print_line(layout, &cursor);
        EXPECT_EQ(want.end_page, got.end_page);
        EXPECT_EQ(want.start_page, got.start_page);
        EXPECT_EQ(want.top, got.top);
    }
    // A page too small for one line still prints one line on each page.
    const PrintLayout tiny = {0, 20, 5, 10, 100};
    cursor = {false, 0};
    EXPECT_TRUE(next_print_line(tiny, &cursor).start_page);
    const PrintStep second = next_print_line(tiny, &cursor);
    EXPECT_TRUE(second.end_page && second.start_page);
}

int ten_per_character(const char*, std::size_t length, void*) {
    return static_cast<int>(length) * 10;
}

TEST(PrintWrap, LinesBreakAtTheWidthAfterASpaceOrBackslash) {
    struct Case {
        const char* text;
        int width;
        const char* pieces;  // each printed line followed by '|'
    };
    const Case cases[] = {
        {"    C:\\Art\\Work\\logo.tif: possibly RGB", 150,
         "    C:\\Art\\|Work\\logo.tif: |possibly RGB|"},
        {"abcdefghijklmnopqrstuvwxyz", 100, "abcdefghij|klmnopqrst|uvwxyz|"},
        {"        abcdefghijkl", 100, "        ab|cdefghijkl|"},  // not inside the indent
        {"abc", 5, "a|b|c|"},  // a glyph wider than the line still prints
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string seen;
        const char* rest = c.text;
        std::size_t left = std::strlen(c.text);
        while (left > 0) {
            const std::size_t piece =
                wrap_print_line(rest, left, c.width, ten_per_character, nullptr);
            ASSERT_GT(piece, 0u);
            ASSERT_LE(piece, left);
            seen += std::string(rest, piece) + "|";
            rest += piece;
            left -= piece;
        }
        EXPECT_EQ(c.pieces, seen);
    }
}

}  // namespace
