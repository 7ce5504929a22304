// The results view: the "View log" page of the settings window, the sink of immediate
// scans, the files-seen counter and the "Print log" button. The page runs on the user-interface
// thread; the sink, the counter, the fitting and the scan cursor are called from the immediate-scan
// worker too and reach the page only through sent messages, so every window and every section count
// is touched on the user-interface thread alone.
#pragma once

#include <atomic>

#include "platform/win32/win32.h"
#include "report/logfile.h"
#include "desktop/results/view_layout.h"

// One per process: the page while it exists, and what the settings window shows around it.
struct ResultsViewState {
    std::atomic<HWND> page;  // the "View log" page while it exists; read by the worker
    HWND view;               // the view control (null: entries are dropped)
    WNDPROC previous_view_procedure;
    HFONT view_font;
    RECT initial_format;    // the view's formatting rectangle at page creation
    ViewSections sections;  // what the sink inserted since the view was last emptied
    bool ends_line;         // loaded log text ends with a line break (or there is none)
    HWND ok_button;         // the settings window's, remembered until it is next opened
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

// The ReportSink of immediate scans: inserts the entry's line into its section. Any thread.
void view_sink(int category, const char* timestamp, const char* name, const char* message);

// Empties the view and its section counts; called before an immediate scan's worker runs.
void clear_view();

// Appends loaded log text at the caret, while the view has room; the callback of
// read_log_file. User-interface thread.
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

// Prints the text of `view` through the print dialog; tells the user when it cannot.
// User-interface thread.
void print_view(HWND view);
