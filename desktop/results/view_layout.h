// The results view's decisions, apart from its windows: where an entry or a batch of
// entries goes among the sections, when the view is full and what its notice says, where
// loaded log text is cut, which path a double-clicked line names, where the "Print log"
// button stands, and how printed lines wrap and fall on pages. Pure functions, called on
// the user-interface thread.
#pragma once

#include <cstddef>

#include "report/report.h"

// The view's text limit for entries and loaded log text. Past it the closing lines and the
// notice still go in, within the reserve the control is given on top.
constexpr std::size_t kViewTextLimit = 100000;
constexpr std::size_t kViewClosingReserve = 4 * kLineSize;

// Our own first line of a view that could not take the whole report, or whose report file
// could not be written: what is missing and where it is. Its longest form fits the room.
constexpr std::size_t kViewNoticeRoom = 200;
constexpr char kViewFullNotice[] =
    "The view is full: %d more entries are not shown. Double-click this line to open \"%s\", "
    "which holds them all.\r\n";
constexpr char kViewFullUnwrittenNotice[] =
    "The view is full: %d more entries are not shown, and \"%s\" could not be written.\r\n";
constexpr char kViewUnwrittenNotice[] =
    "\"%s\" could not be written; the view holds the whole report.\r\n";

// Height of a view line for the scroll-bar fitting, in pixels.
constexpr int kViewLineHeight = 11;

// The lines each section occupies in the view (headers included), indexed by LogSection,
// whether the view has been found full since it was last emptied, the notice's lines above
// the sections (0 or 1), and the entries or log lines not shown since the view filled up.
struct ViewSections {
    int lines[kSectionCount];
    bool full;
    int notice_lines;
    int not_shown;
};

// Where one entry goes.
struct ViewEntryPlan {
    bool insert;         // false: the entry is dropped
    bool becomes_full;   // this entry found the view full: show the notice on top
    int line;            // the view line before which header and entry are inserted
    const char* header;  // the section's header, to insert first, or null
};

// Decides where an entry of `category` whose line is `line_length` characters goes in a
// view of `text_length` characters, and counts it in `view`. An entry goes directly after
// its section's lines; sections keep the view order whatever the arrival order. Entries of
// no section are dropped; once an entry would pass kViewTextLimit no other entry goes in,
// except the closing (summary) lines, which go in while the reserve holds them and the
// notice; every entry of a section kept out counts in not_shown.
ViewEntryPlan place_view_entry(ViewSections* view, int category, std::size_t text_length,
                               std::size_t line_length);

// One entry of a batch: its category and line length; place_view_batch fills in whether
// it goes in and whether its section's header goes first.
struct ViewBatchEntry {
    int category;
    std::size_t length;
    bool insert;
    bool header;
};

// Where a batch's entries go: each section's new lines, in arrival order, make one block,
// inserted before view line `line[section]` (-1: the section has no new lines). The lines
// hold when the blocks are inserted in view order (kSections' view_rank), the notice left
// as it is; afterwards a new notice goes on top when `becomes_full`.
struct ViewBatchPlan {
    int line[kSectionCount];
    bool becomes_full;
};

// Places `count` entries arriving in order in a view of `text_length` characters, as
// place_view_entry would one by one, and counts them in `view`.
ViewBatchPlan place_view_batch(ViewSections* view, ViewBatchEntry* entries, int count,
                               std::size_t text_length);

// The notice for a view in the state `view` whose whole report is `file_name`, written or
// not, into `out` (at most size - 1 characters and a zero); its length, 0 when the view
// holds everything and the file was written (no notice).
std::size_t format_view_notice(const ViewSections& view, const char* file_name, bool written,
                               char* out, std::size_t size);

// Loaded log text so far: the characters after its last line break (a line not yet
// ended), and whether the text not shown ends with a line break.
struct LoadedLog {
    std::size_t open_line;
    bool at_line_start;
};

// How a chunk of loaded log text goes into a view of `text_length` characters: first
// `drop` characters come off the view's end, then the chunk's first `keep` characters go
// in. A chunk goes in whole while it fits; the first that does not fit gives its whole
// lines within kViewTextLimit and makes the view full. A line is never shown cut: when
// not even the end of the open line fits, the open line comes off. Counts every entry
// line kept out in `view`'s not_shown, and follows the text's lines in `log`.
struct LogChunkPlan {
    std::size_t drop;
    std::size_t keep;
};
LogChunkPlan place_log_chunk(ViewSections* view, LoadedLog* log, std::size_t text_length,
                             const char* text, std::size_t length);

// The log's entry lines that start in `text`: lines neither empty nor a section's title.
// `at_line_start` says whether `text` starts a line, and is left saying whether the next
// text does.
int count_entry_lines(const char* text, std::size_t length, bool* at_line_start);

// The longest prefix of `text` (of `length` characters) that ends with a line break and
// has at most `room` characters; 0 when there is none.
std::size_t whole_lines_within(const char* text, std::size_t length, std::size_t room);

// Whether `line_count` view lines need the vertical scroll bar in a formatting rectangle
// `height` pixels high.
bool view_needs_scroll_bar(int line_count, int height);

// The file path a view line names, into `out` (at most size - 1 characters and a zero).
// Only file entries name one: lines of more than 4 characters that begin with two spaces.
// Trailing spaces and control characters go; the path starts at the first non-space and
// ends before the first colon after the first backslash, so a drive letter's colon stays
// and the entry's message goes. Returns false (and an empty `out`) for any other line and
// for a path that does not fit.
bool view_line_path(const char* line, std::size_t length, char* out, std::size_t size);

struct ViewRect {
    int left, top, right, bottom;
};

// The "Print log" button: OK's size, OK's top, one button pitch (the distance between the
// left edges of OK and Cancel) left of whichever of the two lies further left.
ViewRect place_print_button(const ViewRect& ok, const ViewRect& cancel);

// A printer's measures in device units, as the device context reports them.
struct PrintMeasures {
    int physical_offset_x;      // PHYSICALOFFSETX
    int physical_offset_y;      // PHYSICALOFFSETY
    int physical_height;        // PHYSICALHEIGHT; 0 on devices that do not know it
    int horizontal_resolution;  // HORZRES: the printable width
    int vertical_resolution;    // VERTRES: the printable height
    int pixels_per_inch_y;      // LOGPIXELSY
    int text_height;            // tmHeight + tmExternalLeading of the default font
};

// Where printed lines go, in device units from the printable area's top left.
struct PrintLayout {
    int left;         // x of every line
    int first_top;    // top of a page's first line: a 10-point margin below the offset
    int page_limit;   // no line's bottom passes it, bar a page's first line
    int line_height;  // at least 1
    int width;        // the width a line may take; at least 1
};

PrintLayout layout_print_page(const PrintMeasures& measures);

// Where the next printed line goes: whether the current page must end first and a new one
// start, and the line's top.
struct PrintStep {
    bool end_page;
    bool start_page;
    int top;
};

// Advances `cursor` (a page is open while `page_open`; `top` is the last line's) by one
// printed line. A page ends when the next line's bottom would pass the page limit; a page's
// first line is printed whatever its height, so every page makes progress.
struct PrintCursor {
    bool page_open;
    int top;
};
PrintStep next_print_line(const PrintLayout& layout, PrintCursor* cursor);

// Measures the width `text` (of `length` characters) takes when printed.
using TextWidthMeasure = int (*)(const char* text, std::size_t length, void* context);

// How many characters of `text` (of `length`, at least 1) go on one printed line of
// `width`: the longest prefix that fits, broken after its last space or backslash when
// the text goes on; at least one character, so a glyph wider than the line still prints.
std::size_t wrap_print_line(const char* text, std::size_t length, int width,
                            TextWidthMeasure measure, void* context);

// The next line of a view's text, which starts at `*position`: its length without the
// CR LF, and `*position` moved past it. Returns false at the end of the text (a text ending with a
// line break has no empty line after it).
bool next_view_line(const char* text, std::size_t length, std::size_t* position,
                    std::size_t* line_length);
