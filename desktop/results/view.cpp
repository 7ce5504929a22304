// The results view: the "View log" page, its double-click handler, the "Print log"
// button and the files-seen counter. Everything here runs on the user-interface
// thread; the calls the immediate-scan worker makes arrive as messages sent to the page.
#include "desktop/results/view.h"

#include <prsht.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "report/logfile.h"
#include "report/report.h"
#include "resources/resource.h"
#include "scan/walker.h"
#include "settings/options.h"
#include "desktop/common/waiting.h"
#include "desktop/common/startup.h"
#include "desktop/results/printing.h"

ResultsViewState results_view;

namespace {

// What the worker asks of the page: the private message's wParam, with its lParam.
constexpr UINT kViewCallMessage = WM_APP + 0x40;
enum ViewCall : WPARAM {
    kInsertEntry,  // lParam: the ViewEntry
    kClearView,
    kFitScrollBar,   // lParam: the check switch
    kProgressCount,  // lParam: the count
    kScanCursor,     // lParam: busy
};

struct ViewEntry {
    int category;
    const char* timestamp;
    const char* name;
    const char* message;
};

bool scan_running() {
    return scan_control.immediate_scan_running.load(std::memory_order_relaxed);
}

// Runs a call on the page's thread: at once when the caller is that thread, otherwise
// while the caller waits. Without the page the call is dropped.
void send_to_page(ViewCall call, LPARAM argument) {
    HWND page = results_view.page.load();
    if (page != nullptr) SendMessageA(page, kViewCallMessage, call, argument);
}

// The pages are children of the settings window.
HWND settings_sheet() {
    HWND page = results_view.page.load();
    return page != nullptr ? GetParent(page) : nullptr;
}

void answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

HCURSOR cursor_for(bool busy) {
    HCURSOR cursor = busy ? startup.wait_cursor : startup.arrow_cursor;
    return cursor != nullptr ? cursor : LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW);
}

// The stock variable-pitch ANSI font, 11 high and light: the view's and the counter's.
HFONT make_view_font() {
    LOGFONTA font;
    if (GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof font, &font) != sizeof font)
        return nullptr;
    font.lfHeight = kViewFontHeight;
    font.lfWeight = kViewFontWeight;
    return CreateFontIndirectA(&font);
}

// ---- The view's text ------------------------------------------------------------------

void replace_selection(HWND view, const char* text) {
    SendMessageA(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

std::size_t view_length(HWND view) {
    const int length = GetWindowTextLengthA(view);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

void append_at_end(HWND view, const char* text) {
    const WPARAM end = view_length(view);
    SendMessageA(view, EM_SETSEL, end, static_cast<LPARAM>(end));
    replace_selection(view, text);
}

// Inserts `length` characters of `text` at the caret, in pieces the control can take.
void insert_part(HWND view, const char* text, std::size_t length) {
    char piece[512];
    while (length > 0) {
        const std::size_t count = length < sizeof piece - 1 ? length : sizeof piece - 1;
        std::memcpy(piece, text, count);
        piece[count] = '\0';
        replace_selection(view, piece);
        text += count;
        length -= count;
    }
}

void insert_entry(const ViewEntry& entry) {
    HWND view = results_view.view;
    if (view == nullptr) return;
    char line[kLineSize];
    const std::size_t line_length =
        format_report_line(entry.timestamp, entry.name, entry.message, line, sizeof line);
    const ViewEntryPlan plan =
        place_view_entry(&results_view.sections, entry.category, view_length(view), line_length);
    if (plan.becomes_full) append_at_end(view, kViewFullNotice);
    if (!plan.insert) return;
    LRESULT at = SendMessageA(view, EM_LINEINDEX, static_cast<WPARAM>(plan.line), 0);
    if (at < 0) at = static_cast<LRESULT>(view_length(view));
    SendMessageA(view, EM_SETSEL, static_cast<WPARAM>(at), at);
    if (plan.header != nullptr) replace_selection(view, plan.header);
    replace_selection(view, line);
}

void empty_view() {
    results_view.sections = ViewSections{};
    results_view.ends_line = true;
    if (results_view.view == nullptr) return;
    SetWindowTextA(results_view.view, "");
    fit_view_scroll_bar(false);
}

void fit_scroll_bar(bool check) {
    HWND view = results_view.view;
    if (view == nullptr) return;
    RECT rect = results_view.initial_format;
    const int lines = static_cast<int>(SendMessageA(view, EM_GETLINECOUNT, 0, 0));
    // Showing or hiding the bar resizes the control, which resets its rectangle: the
    // rectangle is set after.
    if (check && view_needs_scroll_bar(lines, rect.bottom - rect.top)) {
        ShowScrollBar(view, SB_VERT, TRUE);
    } else {
        ShowScrollBar(view, SB_VERT, FALSE);
        rect.right += GetSystemMetrics(SM_CXVSCROLL);
    }
    SendMessageA(view, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

// ---- The files-seen counter -----------------------------------------------------------

void remove_counter() {
    if (results_view.counter_inner != nullptr) DestroyWindow(results_view.counter_inner);
    if (results_view.counter_outer != nullptr) DestroyWindow(results_view.counter_outer);
    if (results_view.counter_font != nullptr) DeleteObject(results_view.counter_font);
    results_view.counter_inner = nullptr;
    results_view.counter_outer = nullptr;
    results_view.counter_font = nullptr;
}

void show_counter(int count) {
    if (count < 0) {
        remove_counter();
        return;
    }
    HWND sheet = settings_sheet();
    if (sheet == nullptr) return;
    if (results_view.counter_outer == nullptr) {
        RECT client;
        if (!GetClientRect(sheet, &client)) return;
        results_view.counter_outer = CreateWindowExA(
            WS_EX_STATICEDGE | WS_EX_NOPARENTNOTIFY, "Static", "",
            WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_GRAYFRAME, 0, client.bottom - kCounterHeight,
            kCounterWidth, kCounterHeight, sheet, nullptr, startup.instance, nullptr);
        if (results_view.counter_outer == nullptr) return;
    }
    if (results_view.counter_inner == nullptr) {
        RECT inside = {};
        GetClientRect(results_view.counter_outer, &inside);
        results_view.counter_inner = CreateWindowExA(
            0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, inside.right, inside.bottom,
            results_view.counter_outer, nullptr, startup.instance, nullptr);
        if (results_view.counter_inner == nullptr) {
            remove_counter();
            return;
        }
        results_view.counter_font = make_view_font();
        if (results_view.counter_font != nullptr)
            SendMessageA(results_view.counter_inner, WM_SETFONT,
                         reinterpret_cast<WPARAM>(results_view.counter_font), FALSE);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", count);
    SetWindowTextA(results_view.counter_inner, text);
}

// ---- The "Print log" button -----------------------------------------------------------

// The settings window's button with control id `id`, if it is a push button.
HWND sheet_button(HWND sheet, int id) {
    HWND button = GetDlgItem(sheet, id);
    char name[16];
    if (button == nullptr || GetClassNameA(button, name, sizeof name) == 0) return nullptr;
    return lstrcmpiA(name, "Button") == 0 ? button : nullptr;
}

ViewRect view_rect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void create_print_button() {
    if (results_view.print_button != nullptr) return;
    HWND sheet = settings_sheet();
    if (sheet == nullptr) return;
    if (results_view.ok_button == nullptr) results_view.ok_button = sheet_button(sheet, IDOK);
    if (results_view.cancel_button == nullptr)
        results_view.cancel_button = sheet_button(sheet, IDCANCEL);
    RECT ok, cancel;
    if (results_view.ok_button == nullptr || results_view.cancel_button == nullptr ||
        !GetWindowRect(results_view.ok_button, &ok) ||
        !GetWindowRect(results_view.cancel_button, &cancel))
        return;
    const ViewRect place = place_print_button(view_rect(ok), view_rect(cancel));
    // Screen to client coordinates by the system, whatever the frame's metrics.
    POINT corner = {place.left, place.top};
    if (!ScreenToClient(sheet, &corner)) return;
    HWND button = CreateWindowExA(
        WS_EX_NOPARENTNOTIFY, "Button", kPrintLogText,
        WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, corner.x, corner.y,
        place.right - place.left, place.bottom - place.top, sheet,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PRINT_LOG)), startup.instance, nullptr);
    if (button == nullptr) return;
    SendMessageA(button, WM_SETFONT, SendMessageA(results_view.ok_button, WM_GETFONT, 0, 0), FALSE);
    results_view.print_button = button;
}

void destroy_print_button() {
    if (results_view.print_button != nullptr) DestroyWindow(results_view.print_button);
    results_view.print_button = nullptr;
}

// ---- The double-click handler ---------------------------------------------------------

void open_clicked_entry(HWND view, LPARAM position) {
    const LRESULT found = SendMessageA(view, EM_CHARFROMPOS, 0, position);
    if (found == -1) return;
    // The line is the high word: the low word, the character, is cut at 65535.
    const int line = HIWORD(found);
    if (line == 0) return;
    char text[kViewLineFetch + 1] = {};
    const WORD room = kViewLineFetch;
    std::memcpy(text, &room, sizeof room);  // EM_GETLINE reads its room from the buffer
    const LRESULT copied =
        SendMessageA(view, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
    if (copied <= 0 || copied > kViewLineFetch) return;
    char path[kPathLimit];
    if (!view_line_path(text, static_cast<std::size_t>(copied), path, sizeof path)) return;
    SHELLEXECUTEINFOA action = {};
    action.cbSize = sizeof action;
    action.fMask = SEE_MASK_FLAG_DDEWAIT;
    action.hwnd = settings_sheet();
    action.lpVerb = kOpenVerb;
    action.lpFile = path;
    action.nShow = SW_SHOWNORMAL;
    // A file without an application is the shell's to tell the user about.
    ShellExecuteExA(&action);
}

LRESULT CALLBACK view_control_procedure(HWND view, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_LBUTTONDBLCLK:
            // Consumed: no word is selected.
            open_clicked_entry(view, lparam);
            return 0;
        case WM_SETCURSOR:
            // The arrow, not the text cursor, over a view nobody types into; the wait
            // cursor while a scan fills it. The class's cursor is shared by every edit
            // control of the program, so it is set here instead.
            if (LOWORD(lparam) != HTCLIENT) break;
            SetCursor(cursor_for(scan_running()));
            return TRUE;
        default:
            break;
    }
    return CallWindowProcA(results_view.previous_view_procedure, view, message, wparam, lparam);
}

// The view's whole text, in a buffer of the caller's to free; null when it cannot be read.
char* read_view_text(HWND view, std::size_t* length) {
    const std::size_t room = view_length(view) + 1;
    char* text = static_cast<char*>(std::malloc(room));
    if (text == nullptr) return nullptr;
    const int copied = GetWindowTextA(view, text, static_cast<int>(room));
    *length = copied > 0 ? static_cast<std::size_t>(copied) : 0;
    text[*length] = '\0';
    return text;
}

// ---- The page -------------------------------------------------------------------------

void create_view_page(HWND page, LPARAM parameter) {
    results_view.page = page;
    HWND view = GetDlgItem(page, IDC_LOG_VIEW);
    results_view.view = view;
    results_view.sections = ViewSections{};
    results_view.ends_line = true;
    create_print_button();
    if (view == nullptr) return;
    results_view.view_font = make_view_font();
    if (results_view.view_font != nullptr)
        SendMessageA(view, WM_SETFONT, reinterpret_cast<WPARAM>(results_view.view_font), FALSE);
    // The reserve above the limit holds an immediate scan's closing lines and the notice
    // of a full view.
    SendMessageA(view, EM_LIMITTEXT, kViewTextLimit + kViewClosingReserve, 0);
    SendMessageA(view, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&results_view.initial_format));
    fit_scroll_bar(false);
    const auto* record = reinterpret_cast<const PROPSHEETPAGEA_V1*>(parameter);
    if (record != nullptr && record->lParam != 0) {
        empty_view();
        if (results_view.log_note[0] != '\0') {
            append_view_text(results_view.log_note);
            append_view_text("\r\n\r\n");
        }
        read_log_file(append_view_text);
        fit_scroll_bar(true);
    }
    results_view.previous_view_procedure =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(view, GWLP_WNDPROC));
    if (results_view.previous_view_procedure != nullptr)
        SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(view_control_procedure));
}

void destroy_view_page() {
    if (results_view.view != nullptr && results_view.previous_view_procedure != nullptr)
        SetWindowLongPtrA(results_view.view, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(results_view.previous_view_procedure));
    results_view.previous_view_procedure = nullptr;
    results_view.view = nullptr;
    results_view.page = nullptr;
    destroy_print_button();
    remove_counter();
    if (results_view.view_font != nullptr) DeleteObject(results_view.view_font);
    results_view.view_font = nullptr;
}

void run_view_call(WPARAM call, LPARAM argument) {
    switch (call) {
        case kInsertEntry:
            insert_entry(*reinterpret_cast<const ViewEntry*>(argument));
            break;
        case kClearView:
            empty_view();
            break;
        case kFitScrollBar:
            fit_scroll_bar(argument != 0);
            break;
        case kProgressCount:
            show_counter(static_cast<int>(argument));
            break;
        case kScanCursor:
            SetCursor(cursor_for(argument != 0));
            break;
        default:
            break;
    }
}

// The sheet's notifications. While a scan writes into the view, the page can be neither
// left, applied nor closed, so the view outlives the scan; a cancel asks the scan to stop.
INT_PTR view_page_notification(HWND page, LPARAM lparam) {
    const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
    const bool running = scan_running();
    switch (header.code) {
        case PSN_SETACTIVE:
            create_print_button();
            fit_scroll_bar(true);
            answer(page, 0);
            return TRUE;
        case PSN_KILLACTIVE:
            if (!running) destroy_print_button();
            answer(page, running ? TRUE : FALSE);
            return TRUE;
        case PSN_QUERYCANCEL:
            if (running)
                scan_control.immediate_stop_requested.store(true, std::memory_order_relaxed);
            else
                destroy_print_button();
            answer(page, running ? TRUE : FALSE);
            return TRUE;
        case PSN_APPLY:
            if (running) {
                answer(page, PSNRET_INVALID_NOCHANGEPAGE);
                return TRUE;
            }
            if (reinterpret_cast<const PSHNOTIFY*>(lparam)->lParam != 0) {
                // As on every page: the live options are the background scan's until it
                // reaches its pause; a cancel meanwhile applies nothing.
                if (!wait_for_background_pause(settings_sheet())) {
                    answer(page, PSNRET_INVALID_NOCHANGEPAGE);
                    return TRUE;
                }
                apply_options();
            }
            answer(page, PSNRET_NOERROR);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK view_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            create_view_page(page, lparam);
            return TRUE;
        case kViewCallMessage:
            run_view_call(wparam, lparam);
            return TRUE;
        case WM_COMMAND:
            if (scan_running()) return TRUE;
            if (LOWORD(wparam) == IDC_LOG_VIEW && HIWORD(wparam) == EN_SETFOCUS) {
                // The text is never shown highlighted.
                SendMessageA(results_view.view, EM_SETSEL, static_cast<WPARAM>(-1), -1);
            } else if (LOWORD(wparam) == IDC_PRINT_LOG && HIWORD(wparam) == BN_CLICKED) {
                print_view(results_view.view);
            }
            return TRUE;
        case WM_SYSCOMMAND:
            return scan_running() ? TRUE : FALSE;
        case WM_SETCURSOR:
            if (!scan_running()) return FALSE;
            SetCursor(cursor_for(true));
            answer(page, TRUE);
            return TRUE;
        case WM_NOTIFY:
            return view_page_notification(page, lparam);
        case WM_DESTROY:
            destroy_view_page();
            return FALSE;
        default:
            return FALSE;
    }
}

void reset_view_state() {
    results_view.ok_button = nullptr;
    results_view.cancel_button = nullptr;
    results_view.print_button = nullptr;
    results_view.counter_outer = nullptr;
    results_view.counter_inner = nullptr;
    results_view.printing = false;
}

void view_sink(int category, const char* timestamp, const char* name, const char* message) {
    const ViewEntry entry = {category, timestamp, name, message};
    send_to_page(kInsertEntry, reinterpret_cast<LPARAM>(&entry));
}

void clear_view() {
    send_to_page(kClearView, 0);
}

void fit_view_scroll_bar(bool check) {
    send_to_page(kFitScrollBar, check ? 1 : 0);
}

void show_progress_count(int count) {
    send_to_page(kProgressCount, count);
}

void show_scan_cursor(bool busy) {
    send_to_page(kScanCursor, busy ? 1 : 0);
}

void append_view_text(const char* text) {
    HWND view = results_view.view;
    if (view == nullptr || text == nullptr || results_view.sections.full) return;
    const std::size_t length = std::strlen(text);
    if (length == 0) return;
    const std::size_t current = view_length(view);
    const std::size_t room = current < kViewTextLimit ? kViewTextLimit - current : 0;
    // At the caret, after removing any selection: successive chunks follow each other.
    SendMessageA(view, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    if (length <= room) {
        replace_selection(view, text);
        results_view.ends_line = text[length - 1] == '\n';
        return;
    }
    // The view takes the log's whole lines while they fit, then says it is full.
    const std::size_t keep = whole_lines_within(text, length, room);
    insert_part(view, text, keep);
    if (keep > 0) results_view.ends_line = true;
    if (!results_view.ends_line) replace_selection(view, "\r\n");
    replace_selection(view, kViewFullNotice);
    results_view.sections.full = true;
}

void set_log_note(const char* note) {
    std::snprintf(results_view.log_note, sizeof results_view.log_note, "%s",
                  note != nullptr ? note : "");
}

void print_view(HWND view) {
    if (view == nullptr || results_view.printing) return;
    SendMessageA(view, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    if (SendMessageA(view, EM_GETLINECOUNT, 0, 0) <= 1) return;
    std::size_t length = 0;
    char* text = read_view_text(view, &length);
    if (text == nullptr) return;
    // The print dialog belongs to the hidden main window; the settings window stays
    // disabled until printing ends, so nothing starts a second job from the abort
    // procedure's message loop.
    results_view.printing = true;
    HWND sheet = settings_sheet();
    if (sheet != nullptr) EnableWindow(sheet, FALSE);
    const bool done = print_text(text, length);
    if (sheet != nullptr) EnableWindow(sheet, TRUE);
    results_view.printing = false;
    std::free(text);
    if (!done) MessageBoxA(startup.main_window, kPrinterErrorMessage, kPrinterErrorCaption, MB_OK);
}
