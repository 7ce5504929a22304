// The results view: the "View log" page of the settings window, the sink of immediate
// scans, the files-seen counter and printing. The page runs on the user-interface thread;
// the sink and the counter are called from the immediate-scan worker and reach the
// controls only through sent messages.
#pragma once

#include "platform/win32/win32.h"

// The "View log" page's dialog procedure; its creation parameter says whether to load the
// log ("show_log").
INT_PTR CALLBACK view_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

// Forgets the view, the sheet's OK, Cancel and "Print log" buttons and the counter: the
// settings window's opening.
void reset_view_state();

// The ReportSink of immediate scans.
void view_sink(int category, const char* timestamp, const char* name, const char* message);

// Empties the view and its section counts; called before an immediate scan's worker runs.
void clear_view();

// Fits the view's formatting rectangle and scroll bar to its text; `check` off hides the
// scroll bar whatever the text.
void fit_view_scroll_bar(bool check);

// The files-seen counter at the sheet's bottom left; -1 removes it. Any thread.
void show_progress_count(int count);
