// The results view: the "View log" page of the settings window, the feed of immediate
// scans, the files-seen counter and the "Print log" button. The page runs on the user-interface
// thread; the feed, the counter, the fitting and the scan cursor are called from the immediate-scan
// worker too and reach the page only through the feed and sent messages, so every window and every
// section count is touched on the user-interface thread alone.
#pragma once

#include <atomic>
#include <cstddef>

#include "platform/win32/win32.h"
#include "report/logfile.h"
#include "desktop/results/view_layout.h"

// One per process: the page while it exists, and what the settings window shows around it.
struct ResultsViewState {
    std::atomic<HWND> page;  // the "View log" page while it exists; read by the worker
    HWND view;               // the view control (null: entries are dropped)
    WNDPROC previous_view_procedure;
    HFONT view_font;
    RECT initial_format;      // the view's formatting rectangle at page creation
    ViewSections sections;    // what the feed inserted since the view was last emptied
    LoadedLog loaded_log;     // the log text loaded since the view was last emptied
    const char* report_name;  // the file that holds the whole of what the view shows
    bool report_written;      // it holds this scan's report (a loaded log: it exists)
    int shown_count;          // the counter's number, -1 without a counter
    HWND ok_button;           // the settings window's, remembered until it is next opened
    HWND cancel_button;
    HWND print_button;   // exists while the page is the active page
    HWND counter_outer;  // the files-seen counter during an immediate scan
    HWND counter_inner;
    HFONT counter_font;
    bool printing;
    // The note on the last background scan's log when it was not written whole, shown
    // above the log when it is loaded; empty otherwise.
    char log_note[kLogNoteSize];
};
extern ResultsViewState results_view;

// Entries on their way from the immediate-scan worker to the view. The worker appends
// under `lock`; the user-interface thread takes them all, under the same lock, on the
// page's timer tick and whenever the worker asks (a full feed, the scan's end), so the
// view is redrawn once a batch and not once an entry. `files_seen` is the counter's
// latest number, -1 for none; the worker writes it, the timer shows it.
constexpr std::size_t kFeedTextSize = 64 * 1024;
constexpr int kFeedEntries = 1024;
constexpr UINT kFeedTickMs = 200;
struct ViewFeed {
    CRITICAL_SECTION lock;  // made once, with the first page, before any scan runs
    bool lock_made;
    char text[kFeedTextSize];  // the entries' lines, one after another
    std::size_t used;
    ViewBatchEntry entries[kFeedEntries];
    int count;
    std::atomic<int> files_seen;
};
extern ViewFeed view_feed;

constexpr char kPrintLogText[] = "Print log";
constexpr char kPrinterErrorMessage[] = "Could not print to specified printer";
constexpr char kPrinterErrorCaption[] = "Printer Error";
constexpr char kOpenVerb[] = "open";
constexpr int kViewLineFetch = 269;  // characters of a double-clicked line examined
constexpr int kCounterWidth = 50;
constexpr int kCounterHeight = 15;
constexpr int kViewFontHeight = 11;
constexpr int kViewFontWeight = 300;

// The "View log" page's dialog procedure; its creation parameter (the page record) says
// in its lParam whether to load the log ("show_log").
INT_PTR CALLBACK view_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// Forgets the sheet's OK, Cancel and "Print log" buttons and the counter: the settings
// window's opening.
void reset_view_state();

// The ReportSink of immediate scans: keeps the entry in the whole report and feeds its
// line to the view. The immediate-scan worker.
void view_sink(int category, const char* timestamp, const char* name, const char* message);

// Hands one entry's line (`length` characters, CR LF ended) to the view, which inserts it
// into its section within a tick. The immediate-scan worker.
void feed_view_line(int category, const char* line, std::size_t length);

// Empties the view, its section counts and the feed; the view's whole report is then
// `report_name`, in the program's folder. Called before an immediate scan's worker runs.
void clear_view(const char* report_name);

// The end of an immediate scan: the rest of the feed goes in, and the notice on top says
// what the view could not show and whether the whole report was `written`. Any thread.
void finish_view_report(bool written);

// Appends loaded log text at the caret, while the view has room for its whole lines, and
// counts the entries that find no room; the callback of read_log_file. User-interface
// thread.
void append_view_text(const char* text);

// Keeps the note on a log not written whole (null: the last log is whole). User-interface
// thread.
void set_log_note(const char* note);

// Fits the view's formatting rectangle and scroll bar to its text; `check` off hides the
// scroll bar whatever the text. Any thread.
void fit_view_scroll_bar(bool check);

// The files-seen counter at the sheet's bottom left; -1 removes it. Any thread.
void show_progress_count(int count);

// Shows the wait cursor (`busy`) or the arrow on the user-interface thread. Any thread.
void show_scan_cursor(bool busy);

// Prints the whole report the view shows through the print dialog: the view's text, or
// its report file when the view could not hold it all; tells the user when it cannot.
// User-interface thread.
void print_view(HWND view);
