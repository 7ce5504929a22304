// The alerts after a background scan that found something: a sound, the settings window
// on its log, or the flashing task-bar button and tray icon. Scanner thread: whatever
// touches the main window is posted to it.
#include "desktop/tray/tray.h"

#include <mmsystem.h>
#include <shellapi.h>

#include "resources/resource.h"
#include "settings/options.h"
#include "desktop/tray/alert_sound.h"
#include "desktop/common/startup.h"

namespace {

constexpr char kTaskbarClass[] = "Shell_TrayWnd";

// Both sounds play synchronously and never fall back on the default sound.
unsigned output_devices() {
    return waveOutGetNumDevs();
}
bool play_own_sound() {
    return PlaySoundA(MAKEINTRESOURCEA(IDW_ALERT_SOUND), startup.instance,
                      SND_RESOURCE | SND_SYNC | SND_NODEFAULT) != FALSE;
}
bool play_sound_file(const char* name) {
    return PlaySoundA(name, nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT) != FALSE;
}
void beep(unsigned kind) {
    MessageBeep(kind);
}

constexpr SoundCalls kSystemSound = {output_devices, play_own_sound, play_sound_file, beep};

}  // namespace

void raise_alerts() {
    const std::uint16_t alerts = live_options.alerts;
    if (alerts & kAudibleAlert) play_alert_sound(kSystemSound);
    if (alerts & kExpandWindow) {
        // As the tray menu's "Settings...": the main thread pauses the scanner and opens
        // the settings window on its log.
        PostMessageA(startup.main_window, WM_COMMAND, IDM_SETTINGS, 0);
        return;
    }
    if (!(alerts & (kFlashTaskbarIcon | kFlashTrayIcon))) return;
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    if (SHAppBarMessage(ABM_GETSTATE, &bar) & ABS_AUTOHIDE) {
        if (HWND taskbar = FindWindowA(kTaskbarClass, nullptr)) SetForegroundWindow(taskbar);
    }
    if (alerts & kFlashTaskbarIcon) {
        post_tray_status(nullptr, startup.icon_normal);
        PostMessageA(startup.main_window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    if (alerts & kFlashTrayIcon) {
        post_tray_status(nullptr, startup.icon_normal);
        PostMessageA(startup.main_window, kStartFlashTimerMessage, kTrayFlashTimer, 0);
    }
}
