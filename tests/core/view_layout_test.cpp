// The results view's decisions: section placement one by one and in batches, the full
// view, the loaded log's cut, the double-clicked line's path, and printed
// lines and pages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "desktop/results/view_layout.h"

namespace {

// The headers' texts are the end-to-end tests' (a scan's view, read whole); here, the
// full view's edges and the sections' order.
TEST(ViewPlacement, AFullViewTakesOnlyTheClosingLinesAndCountsTheRest) {
    ViewSections view = {};
    const std::size_t header = std::strlen(kSections[static_cast<int>(LogSection::rgb)].header);
    // An rgb entry that just fits, header and all; the next one passes the limit.
    ViewEntryPlan plan = place_view_entry(&view, 3, kViewTextLimit - 10 - header, 10);
    EXPECT_TRUE(plan.insert);
    plan = place_view_entry(&view, 3, kViewTextLimit, 1);
    EXPECT_FALSE(plan.insert);
    EXPECT_TRUE(plan.becomes_full);
    // From then on nothing but the closing lines goes in, however short; the rest counts.
    EXPECT_FALSE(place_view_entry(&view, 3, 0, 1).insert);
    EXPECT_FALSE(place_view_entry(&view, 1, 0, 1).insert);
    EXPECT_FALSE(place_view_entry(&view, 14, 0, 1).insert);  // of no section: not an entry
    view.notice_lines = 1;
    for (int line : {4, 5}) {
        plan = place_view_entry(&view, -1, kViewTextLimit, 100);
        EXPECT_TRUE(plan.insert && plan.header == nullptr);
        EXPECT_EQ(line, plan.line);
    }
    EXPECT_FALSE(place_view_entry(&view, 0, kViewTextLimit, 1).becomes_full);
    // Closing lines still leave room for the notice within the reserve.
    const std::size_t room = kViewTextLimit + kViewClosingReserve - kViewNoticeRoom;
    EXPECT_FALSE(place_view_entry(&view, -1, room - 100, 101).insert);
    EXPECT_TRUE(place_view_entry(&view, -1, room - 100, 100).insert);
    EXPECT_EQ(3, view.lines[static_cast<int>(LogSection::rgb)]);
    EXPECT_EQ(5, view.not_shown);
}

// A batch's blocks, inserted in view order at their lines, give the view that entries
// placed one by one give.
TEST(ViewPlacement, ABatchGoesWhereItsEntriesWouldGoOneByOne) {
    const int arrivals[] = {3, 1, 3, 2, 0, 6, 12, 1, -1, 14, 3};
    for (int split = 0; split <= 11; split += 4) {
        SCOPED_TRACE(split);
        std::vector<std::string> single, batched;
        ViewSections one = {}, many = {};
        auto name = [](int i) { return "e" + std::to_string(i); };
        for (int i = 0; i < 11; ++i) {
            const ViewEntryPlan plan = place_view_entry(&one, arrivals[i], 0, 1);
            if (!plan.insert) continue;
            std::vector<std::string> lines;
            if (plan.header != nullptr) lines = {"", plan.header};
            lines.push_back(name(i));
            single.insert(single.begin() + plan.line, lines.begin(), lines.end());
        }
        // The first `split` entries as one batch, the rest as another.
        for (int part = 0; part < 2; ++part) {
            const int from = part == 0 ? 0 : split, to = part == 0 ? split : 11;
            ViewBatchEntry entries[11];
            for (int i = from; i < to; ++i) entries[i - from] = {arrivals[i], 1, false, false};
            const ViewBatchPlan plan = place_view_batch(&many, entries, to - from, 0);
            for (int rank = 0; rank < kSectionCount; ++rank)
                for (const SectionInfo& row : kSections) {
                    const int slot = static_cast<int>(row.section);
                    if (row.view_rank != rank || plan.line[slot] < 0) continue;
                    std::vector<std::string> block;
                    for (int i = from; i < to; ++i) {
                        if (!entries[i - from].insert || section_of(arrivals[i]) != row.section)
                            continue;
                        if (entries[i - from].header) block.insert(block.end(), {"", row.header});
                        block.push_back(name(i));
                    }
                    batched.insert(batched.begin() + plan.line[slot], block.begin(), block.end());
                }
        }
        EXPECT_EQ(single, batched);
    }
}

// A log loaded in 1,024-byte chunks after a first line of the view's own, the lines and
// that first line of many lengths so that chunks end in every part of a line near the
// limit: the view holds whole lines only, the log's first ones, and what it shows and
// what it counts as not shown make every entry line of the log.
TEST(ViewText, ALoadedLogIsCutOnlyAtAWholeLine) {
    int dropped_lines = 0;
    for (std::size_t width = 40; width < 340; width += 7) {
        SCOPED_TRACE(width);
        const std::string first = std::string(width * 37 % 1000, '-') + "\r\n";
        std::string log = "6-Dec-26 09:05:03 Starting a background scan\r\n";
        int entries = 1;
        for (int i = 0; log.size() < kViewTextLimit + 3000; ++i) {
            if (i % 300 == 0) log += "\r\n===== Files that are GIF =====\r\n";
            log += "    C:\\" + std::string(width + i % 5, 'x') + ".gif\r\n";
            ++entries;
        }
        ViewSections view = {};
        LoadedLog loaded = {0, true};
        std::string shown;
        for (std::size_t at = 0; at < log.size(); at += 1024) {
            const std::string chunk = log.substr(at, 1024);
            const LogChunkPlan plan = place_log_chunk(&view, &loaded, first.size() + shown.size(),
                                                      chunk.data(), chunk.size());
            ASSERT_LE(plan.drop, shown.size());
            if (plan.drop > 0) ++dropped_lines;
            shown.resize(shown.size() - plan.drop);
            shown += chunk.substr(0, plan.keep);
        }
        ASSERT_TRUE(view.full);
        EXPECT_LE(first.size() + shown.size(), kViewTextLimit);
        EXPECT_EQ(0, log.compare(0, shown.size(), shown));
        EXPECT_EQ("\r\n", shown.substr(shown.size() - 2));
        bool start = true;
        EXPECT_EQ(entries, count_entry_lines(shown.data(), shown.size(), &start) + view.not_shown);
    }
    // Some chunk ended inside a line that the next could not finish.
    EXPECT_LT(0, dropped_lines);
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
