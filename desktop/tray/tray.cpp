// The tray icon, its menu and the alert display, all on the main thread; the scanner
// thread's changes arrive as posted messages.
#include "desktop/tray/tray.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "desktop/common/startup.h"

TrayState tray_state;

// The icon is described by the first version of the record, which every shell reads.
#if defined(__i386__)
static_assert(offsetof(NOTIFYICONDATAA, szTip) + 64 == 88, "the first icon record is 88 bytes");
#endif

namespace {

constexpr UINT kTrayIconId = 1;

NOTIFYICONDATAA icon_record(UINT flags) {
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = startup.main_window;
    record.uID = kTrayIconId;
    record.uFlags = flags;
    record.uCallbackMessage = startup.notify_message;
    return record;
}

// The first record's tip holds 63 characters and its zero.
void copy_tip(NOTIFYICONDATAA* record, const char* tip) {
    constexpr std::size_t kTipRoom = 64;
    const std::size_t length = strnlen(tip, kTipRoom - 1);
    std::memcpy(record->szTip, tip, length);
    record->szTip[length] = '\0';
}

}  // namespace

bool add_tray_icon(const char* tip) {
    NOTIFYICONDATAA record = icon_record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.hIcon = startup.icon_normal;
    copy_tip(&record, tip);
    tray_state.tray_icon_added = Shell_NotifyIconA(NIM_ADD, &record) != FALSE;
    if (tray_state.tray_icon_added) {
        tray_state.current_tray_image = startup.icon_normal;
        std::memcpy(tray_state.tip, record.szTip, sizeof tray_state.tip);
    }
    return tray_state.tray_icon_added;
}

void set_tray_status(const char* tip, HICON image) {
    if (!tray_state.tray_icon_added) return;
    NOTIFYICONDATAA record =
        icon_record((tip != nullptr ? NIF_TIP : 0) | (image != nullptr ? NIF_ICON : 0));
    if (tip != nullptr) {
        copy_tip(&record, tip);
        std::memcpy(tray_state.tip, record.szTip, sizeof tray_state.tip);
    }
    if (image != nullptr) {
        record.hIcon = image;
        tray_state.current_tray_image = image;
    }
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

void post_tray_status(const char* tip, HICON image) {
    PostMessageA(startup.main_window, kTrayStatusMessage, reinterpret_cast<WPARAM>(tip),
                 reinterpret_cast<LPARAM>(image));
}

void flash_tray_image(bool toggle) {
    const bool showing_alert = tray_state.current_tray_image == startup.icon_alert;
    set_tray_status(nullptr, toggle && !showing_alert ? startup.icon_alert : startup.icon_normal);
}

void remove_tray_icon() {
    NOTIFYICONDATAA record = icon_record(0);
    Shell_NotifyIconA(NIM_DELETE, &record);
    tray_state.tray_icon_added = false;
}

void show_tray_menu(int x) {
    HMENU menu = GetSubMenu(startup.tray_menu, 0);
    if (menu == nullptr) return;
    // At the bottom of the screen, where the tray is.
    const int y =
        GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYMENU) * GetMenuItemCount(menu);
    SetForegroundWindow(startup.main_window);
    TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, startup.main_window, nullptr);
    // Lets the menu close when the user clicks elsewhere.
    PostMessageA(startup.main_window, WM_NULL, 0, 0);
}

void clear_alert_display() {
    if (GetWindowThreadProcessId(startup.main_window, nullptr) != GetCurrentThreadId()) {
        PostMessageA(startup.main_window, kClearAlertDisplayMessage, 0, 0);
        return;
    }
    tray_state.tray_flashing = false;
    KillTimer(startup.main_window, kTaskbarFlashTimer);
    KillTimer(startup.main_window, kTrayFlashTimer);
    ShowWindow(startup.main_window, SW_HIDE);
    set_tray_status(nullptr, startup.icon_normal);
}

void start_flash_timer(UINT_PTR timer) {
    KillTimer(startup.main_window, timer);
    SetTimer(startup.main_window, timer, kFlashMilliseconds, nullptr);
    if (timer == kTrayFlashTimer) tray_state.tray_flashing = true;
}

void restore_tray_icon() {
    if (!tray_state.tray_icon_added) return;
    NOTIFYICONDATAA record = icon_record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.hIcon = tray_state.current_tray_image != nullptr ? tray_state.current_tray_image
                                                            : startup.icon_normal;
    std::memcpy(record.szTip, tray_state.tip, sizeof tray_state.tip);
    Shell_NotifyIconA(NIM_ADD, &record);
}
