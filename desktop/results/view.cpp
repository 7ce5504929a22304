// The results view: the "View log" page, its double-click handler, the "Print log"
// button and the files-seen counter. Everything here runs on the user-interface
// thread, but for the sink's side of the feed; the other calls the immediate-scan worker
// makes arrive as messages sent to the page.
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
#include "desktop/results/whole_report.h"

ResultsViewState results_view;
ViewFeed view_feed;

namespace {

// What the worker asks of the page: the private message's wParam, with its lParam.
constexpr UINT kViewCallMessage = WM_APP + 0x40;
enum ViewCall : WPARAM {
    kTakeFeed,
    kClearView,      // lParam: the name of the whole report's file
    kFitScrollBar,   // lParam: the check switch
    kProgressCount,  // lParam: the count
    kScanCursor,     // lParam: busy
    kFinishReport,   // lParam: the whole report was written
};

constexpr UINT_PTR kFeedTimer = 1;

// User-interface thread: the feed's entries as taken, so that the worker goes on feeding
// while they go in, and a batch's sections, headers and all, one at a time.
ViewBatchEntry taken_entries[kFeedEntries];
char taken_text[kFeedTextSize];
constexpr std::size_t kHeadersRoom = 512;
char batch_block[kFeedTextSize + kHeadersRoom];

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

// The first character of view line `line`, or the text's end past the last line.
std::size_t line_start(HWND view, int line) {
    const LRESULT at = SendMessageA(view, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    return at >= 0 ? static_cast<std::size_t>(at) : view_length(view);
}

void replace_range(HWND view, std::size_t start, std::size_t end, const char* text) {
    SendMessageA(view, EM_SETSEL, start, static_cast<LPARAM>(end));
    replace_selection(view, text);
}

// Puts the notice for the view's state on its first line, replacing the one there.
void show_notice(HWND view, bool written) {
    char notice[kViewNoticeRoom];
    ViewSections& sections = results_view.sections;
    const std::size_t length =
        format_view_notice(sections, results_view.report_name, written, notice, sizeof notice);
    if (length == 0 && sections.notice_lines == 0) return;
    const std::size_t end = sections.notice_lines > 0 ? line_start(view, 1) : 0;
    replace_range(view, 0, end, notice);
    sections.notice_lines = length > 0 ? 1 : 0;
}

// Inserts the entries taken from the feed, each section's new lines as one block, with
// the view's drawing held until all are in.
void insert_taken(HWND view, int count) {
    ViewBatchEntry* entries = taken_entries;
    const ViewBatchPlan plan =
        place_view_batch(&results_view.sections, entries, count, view_length(view));
    SendMessageA(view, WM_SETREDRAW, FALSE, 0);
    for (int rank = 0; rank < kSectionCount; ++rank) {
        int slot = 0;
        while (kSections[slot].view_rank != rank) ++slot;
        if (plan.line[slot] < 0) continue;
        std::size_t used = 0;
        std::size_t offset = 0;
        for (int i = 0; i < count; offset += entries[i].length, ++i) {
            if (!entries[i].insert || static_cast<int>(section_of(entries[i].category)) != slot)
                continue;
            const char* header = entries[i].header ? kSections[slot].header : "";
            const std::size_t header_length = std::strlen(header);
            // Cannot fail: the feed holds at most its text, and each header comes once.
            if (header_length + entries[i].length >= sizeof batch_block - used) break;
            std::memcpy(batch_block + used, header, header_length);
            std::memcpy(batch_block + used + header_length, taken_text + offset, entries[i].length);
            used += header_length + entries[i].length;
        }
        batch_block[used] = '\0';
        const std::size_t at = line_start(view, plan.line[slot]);
        replace_range(view, at, at, batch_block);
    }
    if (results_view.sections.full) show_notice(view, true);
    SendMessageA(view, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view, nullptr, TRUE);
}

void show_counter(int count);

// The page's timer tick and the worker's requests: what the feed holds goes in, and the
// counter shows the latest number.
void take_feed() {
    if (!view_feed.lock_made) return;
    EnterCriticalSection(&view_feed.lock);
    const int count = view_feed.count;
    std::memcpy(taken_entries, view_feed.entries, count * sizeof taken_entries[0]);
    std::memcpy(taken_text, view_feed.text, view_feed.used);
    view_feed.count = 0;
    view_feed.used = 0;
    LeaveCriticalSection(&view_feed.lock);
    if (count > 0 && results_view.view != nullptr) insert_taken(results_view.view, count);
    const int seen = view_feed.files_seen.load(std::memory_order_relaxed);
    if (seen >= 0 && seen != results_view.shown_count) show_counter(seen);
}

void empty_view(const char* report_name) {
    results_view.sections = ViewSections{};
    results_view.loaded_log = LoadedLog{0, true};
    results_view.report_name = report_name;
    results_view.report_written = true;
    if (view_feed.lock_made) {
        EnterCriticalSection(&view_feed.lock);
        view_feed.count = 0;
        view_feed.used = 0;
        LeaveCriticalSection(&view_feed.lock);
    }
    view_feed.files_seen.store(-1, std::memory_order_relaxed);
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
    results_view.shown_count = -1;
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
    results_view.shown_count = count;
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

void open_with_shell(const char* path) {
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

// The notice's double-click opens the whole report the view could not hold.
void open_whole_report() {
    char path[kPathLimit];
    if (results_view.report_written && results_view.report_name != nullptr &&
        log_file_path(results_view.report_name, path, sizeof path))
        open_with_shell(path);
}

void open_clicked_entry(HWND view, LPARAM position) {
    const LRESULT found = SendMessageA(view, EM_CHARFROMPOS, 0, position);
    if (found == -1) return;
    // The line is the high word: the low word, the character, is cut at 65535.
    const int line = HIWORD(found);
    if (line == 0 && results_view.sections.notice_lines > 0) open_whole_report();
    if (line == 0) return;
    char text[kViewLineFetch + 1] = {};
    const WORD room = kViewLineFetch;
    std::memcpy(text, &room, sizeof room);  // EM_GETLINE reads its room from the buffer
    const LRESULT copied =
        SendMessageA(view, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
    if (copied <= 0 || copied > kViewLineFetch) return;
    char path[kPathLimit];
    if (!view_line_path(text, static_cast<std::size_t>(copied), path, sizeof path)) return;
    open_with_shell(path);
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

// The view's whole report file, in a buffer of the caller's to free; null when it cannot
// be read whole (or is beyond any printing).
char* read_report_file(std::size_t* length) {
    char path[kPathLimit];
    if (results_view.report_name == nullptr ||
        !log_file_path(results_view.report_name, path, sizeof path))
        return nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    constexpr DWORD kPrintableSize = 256 * 1024 * 1024;
    const DWORD size = GetFileSize(file, nullptr);
    char* text = size < kPrintableSize ? static_cast<char*>(std::malloc(size + 1)) : nullptr;
    DWORD got = 0;
    if (text != nullptr && (!ReadFile(file, text, size, &got, nullptr) || got != size)) {
        std::free(text);
        text = nullptr;
    }
    CloseHandle(file);
    if (text == nullptr) return nullptr;
    text[size] = '\0';
    *length = size;
    return text;
}

// ---- The page -------------------------------------------------------------------------

void create_view_page(HWND page, LPARAM parameter) {
    results_view.page = page;
    HWND view = GetDlgItem(page, IDC_LOG_VIEW);
    results_view.view = view;
    results_view.sections = ViewSections{};
    results_view.loaded_log = LoadedLog{0, true};
    results_view.report_name = nullptr;
    results_view.shown_count = -1;
    if (!view_feed.lock_made) {
        InitializeCriticalSection(&view_feed.lock);
        view_feed.lock_made = true;
    }
    SetTimer(page, kFeedTimer, kFeedTickMs, nullptr);
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
        empty_view(kLogFileName);
        // Above the log: which scan's log is missing, and why.
        if (results_view.log_note[0] != '\0') {
            append_view_text(results_view.log_note);
            append_view_text("\r\n\r\n");
        }
        read_log_file(append_view_text);
        // The log is there, or nothing was shown: the notice names it for the rest.
        if (results_view.sections.full) show_notice(view, true);
        fit_scroll_bar(true);
    }
    results_view.previous_view_procedure =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(view, GWLP_WNDPROC));
    if (results_view.previous_view_procedure != nullptr)
        SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(view_control_procedure));
}

void destroy_view_page() {
    KillTimer(results_view.page.load(), kFeedTimer);
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
        case kTakeFeed:
            take_feed();
            break;
        case kClearView:
            empty_view(reinterpret_cast<const char*>(argument));
            break;
        case kFitScrollBar:
            take_feed();
            fit_scroll_bar(argument != 0);
            break;
        case kProgressCount:
            take_feed();
            show_counter(static_cast<int>(argument));
            break;
        case kFinishReport:
            take_feed();
            results_view.report_written = argument != 0;
            if (results_view.view != nullptr) show_notice(results_view.view, argument != 0);
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
        case WM_TIMER:
            if (wparam == kFeedTimer) take_feed();
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
    char line[kLineSize];
    const std::size_t length = format_report_line(timestamp, name, message, line, sizeof line);
    keep_report_line(category, line, length);
    feed_view_line(category, line, length);
}

void feed_view_line(int category, const char* line, std::size_t length) {
    if (results_view.page.load() == nullptr || !view_feed.lock_made ||
        section_of(category) == LogSection::none || length > kFeedTextSize)
        return;
    EnterCriticalSection(&view_feed.lock);
    if (view_feed.count == kFeedEntries || length > kFeedTextSize - view_feed.used) {
        // The page empties the feed while this thread waits, and without its lock.
        LeaveCriticalSection(&view_feed.lock);
        send_to_page(kTakeFeed, 0);
        EnterCriticalSection(&view_feed.lock);
    }
    if (view_feed.count < kFeedEntries && length <= kFeedTextSize - view_feed.used) {
        std::memcpy(view_feed.text + view_feed.used, line, length);
        view_feed.used += length;
        view_feed.entries[view_feed.count] = ViewBatchEntry{category, length, false, false};
        ++view_feed.count;
    }
    LeaveCriticalSection(&view_feed.lock);
}

void clear_view(const char* report_name) {
    send_to_page(kClearView, reinterpret_cast<LPARAM>(report_name));
}

void finish_view_report(bool written) {
    send_to_page(kFinishReport, written ? 1 : 0);
}

void fit_view_scroll_bar(bool check) {
    send_to_page(kFitScrollBar, check ? 1 : 0);
}

void show_progress_count(int count) {
    // A number waits for the page's next tick; the counter's removal ends the scan's walk.
    view_feed.files_seen.store(count >= 0 ? count : -1, std::memory_order_relaxed);
    if (count < 0) send_to_page(kProgressCount, -1);
}

void show_scan_cursor(bool busy) {
    send_to_page(kScanCursor, busy ? 1 : 0);
}

void append_view_text(const char* text) {
    HWND view = results_view.view;
    if (view == nullptr || text == nullptr) return;
    const std::size_t length = std::strlen(text);
    const std::size_t current = view_length(view);
    const LogChunkPlan plan =
        place_log_chunk(&results_view.sections, &results_view.loaded_log, current, text, length);
    // At the caret, after removing any selection: successive chunks follow each other.
    SendMessageA(view, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    if (plan.drop > 0) replace_range(view, current - plan.drop, current, "");
    if (plan.keep == length)
        replace_selection(view, text);
    else
        insert_part(view, text, plan.keep);
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
    // A view that could not hold it all prints its whole report.
    char* text = results_view.sections.full && results_view.report_written
                     ? read_report_file(&length)
                     : nullptr;
    if (text == nullptr) text = read_view_text(view, &length);
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
