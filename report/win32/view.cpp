// Placeholder until the results view lands.
#include "report/win32/view.h"

INT_PTR CALLBACK view_page_procedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void reset_view_state() {}
void view_sink(int, const char*, const char*, const char*) {}
void clear_view() {}
void fit_view_scroll_bar(bool) {}
void show_progress_count(int) {}
