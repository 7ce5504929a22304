// The background run end to end: the tray icon's tips, images and menu, the scanner's
// pacing and its time-outs while a long file holds a check, the settings window opened
// from the tray, a second start, and the alerts. Each session starts the program once and
// shares its 30-second first delay and 20-second time-outs among its checks.
#include "tests/e2e/scenario.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "settings/dirlist.h"
#include "tests/support/time_stamps.h"

namespace {

// EPS files as the scans judge them: a header alone, nothing to report; possibly RGB by
// its operator; RGB and another colour space, undetermined, which raises no alert.
constexpr char kHeader[] = "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%EndSetup\n";
const std::string kRgb = std::string(kHeader) + "1 0 0 setrgbcolor\n";
const std::string kUndetermined = kRgb + "0 setcolor\n";
constexpr char kDelaying[] = "Inkhound - delaying", kActive[] = "Inkhound - active",
               kPaused[] = "Inkhound - paused";
constexpr DWORD kTimeOut = 20000;  // the program's own wait for its scanner

// A file of e2e/tray/art, the folder the scans walk: big.eps, more.eps, rgb.eps.
std::string art(const char* name) {
    return e2e_path("tray/art/") + name;
}
void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
// Whether the screen under `window` changes within two seconds: a flash swaps every one.
bool flashing(HWND window) {
    // A swap every second keeps coming back to images seen before. A one-off redraw (a
    // button added for a new window) never comes back, and the icon of a scan that starts
    // and pauses comes back once.
    std::vector<std::string> seen = {screen_pixels(window)};
    int returns = 0;
    for (int look = 0; look < 14 && returns < 2; ++look) {
        pause(300);
        std::string now = screen_pixels(window);
        if (now == seen.back()) continue;
        if (std::find(seen.begin(), seen.end(), now) != seen.end()) ++returns;
        seen.push_back(std::move(now));
    }
    return returns >= 2;
}
// The log with its time stamps written "T ": rgb.eps's verdict, and with `missing` listed,
// the error of that folder.
std::string expected_log(bool undetermined, bool missing) {
    return "T  Starting a background scan\r\n\r\n===== Files that " +
           std::string(undetermined ? "are of an unknown colour" : "are or seem to be RGB") +
           " =====\r\n    " + art("rgb.eps") +
           (undetermined ? ": Can't determine if RGB or CMYK\r\n" : ": possibly RGB\r\n") +
           (missing ? "\r\n===== Files that generated errors =====\r\nT  " +
                          e2e_path("tray/missing") + ": open failure on directory: 3\r\n"
                    : "") +
           "\r\nT  Finished the background scan\r\n"
           "* * * 3 files seen, 3 files checked, 1 files logged * * *\r\n";
}

class Tray : public Scenario {
   protected:
    // The background run over e2e/tray/art, and with `missing` over e2e/tray/missing too,
    // its first scan held by big.eps.
    bool start(DWORD period, DWORD alerts, DWORD logging, bool missing) {
        exe_ = install_copy("Inkhound.exe");
        for (const char* folder : {"tray", "tray/art"})
            CreateDirectoryA(e2e_path(folder).c_str(), nullptr);
        write_file(art("more.eps"), kHeader);
        write_file(art("rgb.eps"), kRgb);
        header_ = std::regex_replace(kDirectoryListHeader, std::regex("\n"), "\r\n");
        write_file(app_file("Inkhound.dfo"),
                   header_ + e2e_path("tray/art") + "\r\n" +
                       (missing ? e2e_path("tray/missing") + "\r\n" : ""));
        const char* const names[] = {"Background Scan Flags", "Scanning Period", "Alerts",
                                     "Logging Flags"};
        const DWORD values[] = {1, period, alerts, logging};
        for (int n = 0; n < 4; ++n)
            write_value(HKEY_LOCAL_MACHINE, kOptionsKey, names[n], dword_value(values[n]));
        hold(true);
        started_ = GetTickCount();
        return start_program(exe_.c_str(), "/background", &program_) &&
               (main_ = find_window("Inkhound_Notify_Window", "Inkhound ALERT", kWindowTimeout));
    }
    // Holds the scanner inside big.eps, whose reads wait while it is held, or lets it go.
    // The file lives on a file system of the test's own (e2e/holdfs.c), mounted at the
    // first hold, and is linked into the art folder.
    void hold(bool held) {
        const std::string dir = kE2eUnixDir, source = __FILE__;
        const std::string flag = dir + "/hold.flag", done = dir + "/tray.done";
        const std::string mount = "[ -x " + dir + "/holdfs ] || cc -O2 -o " + dir + "/holdfs " +
                                  source.substr(0, source.rfind('/')) +
                                  "/holdfs.c $(pkg-config --cflags --libs fuse3); mkdir -p " + dir +
                                  "/hold && { mountpoint -q " + dir + "/hold || " + dir +
                                  "/holdfs " + dir + "/hold " + flag + "; } && ln -sfn " + dir +
                                  "/hold/big.eps " + dir + "/tray/art/big.eps";
        EXPECT_TRUE(run_linux("exec </dev/null >/dev/null 2>&1; " +
                                  (held ? "touch " + flag + " && " + mount : "rm -f " + flag) +
                                  " && touch " + done,
                              "Z:" + done, kTimeOut));
    }
    // The tray's one tip, or "" for no icon; an active scan is given two seconds more to
    // pass its first pause points into big.eps.
    bool tip_becomes(const char* tip, DWORD timeout_ms) {
        const std::vector<std::string> tips(*tip != '\0', tip);
        const bool shown = wait_until([&] { return tray_tips() == tips; }, timeout_ms);
        if (tip == kActive) pause(2000);
        return shown;
    }
    // A request the main window makes while big.eps holds the scan: the window answers
    // again after the program's time-out.
    void expect_time_out(int command) {
        const auto answers = [this] {
            return SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr) != 0;
        };
        const DWORD asked = GetTickCount();
        post_command(main_, command);
        pause(1000);
        EXPECT_FALSE(answers());
        EXPECT_TRUE(wait_until(answers, kTimeOut + 10000));
        EXPECT_GT(GetTickCount() - asked, 18000u);
    }
    // The settings window opened from the tray: on "View log".
    HWND tray_sheet() {
        sheet_ = find_window("#32770", "Inkhound settings", kWindowTimeout);
        EXPECT_TRUE(sheet_ != nullptr && current_page_index(sheet_) == kViewLogPage);
        return sheet_;
    }
    HWND waiting_note() {
        return FindWindowExA(sheet_, nullptr, "Static",
                             "Waiting for the background scan to pause...");
    }
    // A click held by big.eps: the window answers and says what it waits for, with only
    // Cancel left to press.
    void expect_waiting() {
        pause(1500);
        EXPECT_TRUE(IsWindowVisible(waiting_note()));
        EXPECT_NE(0, SendMessageTimeoutA(sheet_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr));
        EXPECT_FALSE(is_enabled(sheet_, IDOK) || IsWindowEnabled(current_page(sheet_)));
        EXPECT_TRUE(is_enabled(sheet_, IDCANCEL));
    }
    // A click that waits so until big.eps is let go, and then goes on.
    void post_click_held(HWND dialog, int id) {
        post_click(dialog, id);
        expect_waiting();
        hold(false);
        EXPECT_TRUE(wait_until([this] { return waiting_note() == nullptr; }, 10000));
        EXPECT_TRUE(is_enabled(sheet_, IDOK));
    }
    void close_sheet(int button) {  // the background run goes on
        post_click(sheet_, button);
        EXPECT_TRUE(wait_gone(sheet_, kTimeOut + 5000));
    }
    // A list file that cannot be replaced, as a read-only one in a program folder (Wine run
    // by root replaces read-only files; immutable ones it cannot).
    void list_immutable(bool on) {
        const std::string done = std::string(kE2eUnixDir) + "/tray.done";
        EXPECT_TRUE(run_linux(std::string("chattr ") + (on ? "+" : "-") + "i '" + kE2eUnixDir +
                                  "/app/Inkhound.dfo' ; touch '" + done + "'",
                              "Z:" + done, kTimeOut));
    }
    std::string raw_log() { return file_bytes(app_file("Inkhound.log").c_str()); }
    std::string log_text() { return mask_time_stamps(raw_log()); }
    void TearDown() override {
        Scenario::TearDown();
        list_immutable(false);
        hold(false);
        const std::string done = std::string(kE2eUnixDir) + "/tray.done";
        run_linux("fusermount3 -uz " + std::string(kE2eUnixDir) + "/hold; touch " + done,
                  "Z:" + done, kTimeOut);
        write_value(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", "Audio", text_value(REG_SZ, ""));
    }
    std::string exe_, header_;
    HWND main_ = nullptr;
    DWORD started_ = 0;
};

using TrayRun = Tray;

TEST_F(TrayRun, ListPeriodPausesSettingsSecondStartAndRemove) {
    // The alerts' sound on Wine's null ALSA device, configured in the file CTest names.
    const char* alsa = std::getenv("ALSA_CONFIG_PATH");
    ASSERT_NE(nullptr, alsa);
    write_file(std::string("Z:") + alsa,
               "pcm.!default {type null}\nctl.!default {type hw card 0}\n");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", "Audio");
    ASSERT_EQ(1u, waveOutGetNumDevs());
    // "/background" in lower case; the tray's menu at the bottom of the screen.
    ASSERT_TRUE(start(1, 0x02, 0x01, false));
    EXPECT_TRUE(tip_becomes(kDelaying, 5000));  // the icon comes just after the window
    EXPECT_FALSE(IsWindowVisible(main_));
    post_notify(main_, WM_RBUTTONDOWN);
    EXPECT_TRUE(wait_until([] { return IsWindowVisible(FindWindowA("#32768", nullptr)); }, 5000));
    EXPECT_TRUE(screenshot("tray-menu", nullptr));
    PostMessageA(main_, WM_KEYDOWN, VK_ESCAPE, 0);

    // The first scan 30 seconds after the start, held: a pause waits out its time-out and is
    // taken once the file is let go; a resume lets the scan end, write its log and sound its
    // alert. Between scans a pause and a resume take effect at once.
    ASSERT_TRUE(tip_becomes(kActive, 45000));
    EXPECT_GT(GetTickCount() - started_, 30000u);
    expect_time_out(IDM_PAUSE_OR_RESUME);
    EXPECT_TRUE(tip_becomes(kActive, 0));
    hold(false);
    pause(2000);
    for (const char* tip : {kDelaying, kPaused, kDelaying}) {
        post_command(main_, IDM_PAUSE_OR_RESUME);
        EXPECT_TRUE(tip_becomes(tip, 15000)) << tip;
    }
    EXPECT_EQ(expected_log(false, false), log_text());
    EXPECT_FALSE(IsWindowVisible(main_));

    // A second start ends with 1; the first opens its settings window on the log. Its
    // closing brings the next scan 2 seconds later, held again.
    Program second;
    ASSERT_TRUE(start_program(exe_.c_str(), "/background", &second));
    EXPECT_EQ(1, wait_for_exit(&second, kWindowTimeout));
    end_program(&second);
    ASSERT_NE(nullptr, tray_sheet());
    EXPECT_EQ(raw_log(), text(item(current_page(sheet_), IDC_LOG_VIEW)));
    hold(true);
    close_sheet(IDCANCEL);
    DWORD closed = GetTickCount();
    ASSERT_TRUE(tip_becomes(kActive, 10000));
    EXPECT_GT(GetTickCount() - closed, 3500u);  // with tip_becomes' own two seconds

    // "Settings..." while the file holds the scan: the window opens after the time-out. OK
    // waits, and a Cancel meanwhile closes the window with nothing written.
    expect_time_out(IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    set_text(item(show_page(kBackgroundPage), IDC_SCANNING_PERIOD), "9");
    post_click(sheet_, IDOK);
    expect_waiting();
    EXPECT_TRUE(screenshot("settings-waiting", sheet_));
    close_sheet(IDCANCEL);
    EXPECT_EQ(dword_value(1), read_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Scanning Period"));
    EXPECT_EQ(header_ + e2e_path("tray/art") + "\r\n",
              file_bytes(app_file("Inkhound.dfo").c_str()));

    // Again, and "Remove" of the list's one entry waits in the same way until the file is
    // let go and the scan has paused; "Add" puts the entry back. After OK the scan resumes
    // and ends.
    expect_time_out(IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    std::string before = raw_log();
    HWND page = show_page(kDirectoriesPage), tree = item(page, IDC_DIRECTORIES_TREE);
    select_tree_item(tree, find_tree_folder(tree, e2e_path("tray/art")));
    post_click_held(page, IDC_REMOVE_DIRECTORY);
    click(page, IDC_ADD_DIRECTORY);
    close_sheet(IDOK);
    EXPECT_TRUE(wait_until([&] { return raw_log() != before; }, 15000));
    EXPECT_EQ(expected_log(false, false), log_text());

    // "Scan now" waits in the same way, and the immediate scan runs. "Add" of the parent of
    // the list's one entry, which the paused scan is walking; after OK the scan resumes with
    // its own counters, walks the parent without the folder it walked already, and writes
    // its log.
    hold(true);
    post_command(main_, IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    close_sheet(IDCANCEL);
    ASSERT_TRUE(tip_becomes(kActive, 10000));
    expect_time_out(IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    tree = item(page = show_page(kDirectoriesPage), IDC_DIRECTORIES_TREE);
    post_click_held(page, IDC_SCAN_NOW);
    const auto view_has = [this](const char* line) {
        return text(item(current_page(sheet_), IDC_LOG_VIEW)).find(line) != std::string::npos;
    };
    EXPECT_TRUE(wait_until([&] { return view_has("Finished the immediate scan"); }, 15000));
    EXPECT_TRUE(view_has("* * * 3 files seen, 3 files checked, 1 files logged * * *"));
    select_tree_item(tree, find_tree_folder(tree, e2e_path("tray")));
    click(page, IDC_ADD_DIRECTORY);
    before = raw_log();
    close_sheet(IDOK);
    EXPECT_TRUE(wait_until([&] { return raw_log() != before; }, 15000));
    EXPECT_EQ(expected_log(false, false), log_text());
    EXPECT_EQ(header_ + e2e_path("tray") + "\r\n", file_bytes(app_file("Inkhound.dfo").c_str()));

    // "/BACKGROUND" with background scans off opens the settings window.
    post_command(main_, IDM_CLOSE);
    EXPECT_EQ(0, wait_for_exit(&program_, kWindowTimeout));
    write_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Background Scan Flags", dword_value(0));
    ASSERT_NE(nullptr, start_settings(exe_.c_str(), "/BACKGROUND"));
    EXPECT_EQ(kImmediateScanPage, current_page_index(sheet_));
    close_settings(IDCANCEL);
}

using TrayAlerts = Tray;

TEST_F(TrayAlerts, FlashingSettingsWindowNothingExpandWindowAndClose) {
    ASSERT_TRUE(start(1, 0x0E, 0x09, true));
    hold(false);
    // 0x0E after the first scan: a sound (no device in the session), the task-bar button
    // shown, the window minimised in front, the tray image swapping. Wine shows neither the
    // task bar's rise (it refuses activation) nor the button's flash (for a minimised window
    // FlashWindow only asks the X server for attention).
    ASSERT_TRUE(wait_until([this] { return IsIconic(main_) && IsWindowVisible(main_); }, 45000));
    EXPECT_EQ(main_, GetForegroundWindow());
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    HWND button = GetDlgItem(taskbar, static_cast<int>(reinterpret_cast<LONG_PTR>(main_)));
    EXPECT_TRUE(IsWindowVisible(button));
    EXPECT_TRUE(flashing(taskbar));
    EXPECT_TRUE(screenshot("tray-alert", taskbar));
    EXPECT_EQ(expected_log(false, true), log_text());
    // A restore stops the flashing, hides the button and opens the settings window.
    post_syscommand(main_, SC_RESTORE);
    ASSERT_NE(nullptr, tray_sheet());
    EXPECT_FALSE(IsWindowVisible(main_) || IsWindowVisible(button) || flashing(taskbar));

    // Each OK or Cancel brings a scan 2 seconds later: with 0x03, a sound and the settings
    // window; with 0, nothing, although the log has findings; an undetermined colour and a
    // folder that cannot be read raise nothing whatever the alerts. Then "Expand window"
    // with period 0: the window after each scan, five times.
    const struct {
        DWORD alerts;
        bool undetermined;
    } rounds[] = {{0x03, false}, {0x00, false}, {0x0F, true}, {0x01, false}};
    for (int cycle = 0; cycle < 8; ++cycle) {
        const auto& round = rounds[std::min(cycle, 3)];
        SCOPED_TRACE(cycle);
        HWND page = show_page(kBackgroundPage);
        const int boxes[] = {IDC_EXPAND_WINDOW, IDC_AUDIBLE_ALERT, IDC_FLASH_TASKBAR,
                             IDC_FLASH_TRAY};
        for (int bit = 0; bit < 4; ++bit)
            SendMessageA(item(page, boxes[bit]), BM_SETCHECK, round.alerts >> bit & 1, 0);
        set_text(item(page, IDC_SCANNING_PERIOD), cycle < 3 ? "1" : "0");
        write_file(art("rgb.eps"), round.undetermined ? kUndetermined : kRgb);
        const std::string before = raw_log();
        close_sheet(cycle > 3 ? IDCANCEL : IDOK);
        const DWORD closed = GetTickCount();
        EXPECT_TRUE(wait_until([&] { return raw_log() != before; }, 15000));
        EXPECT_GT(GetTickCount() - closed, 1500u);
        if (round.undetermined || (round.alerts & 0x01) == 0) {  // nothing raised
            pause(3000);
            EXPECT_EQ(nullptr, FindWindowA("#32770", "Inkhound settings"));
            post_command(main_, IDM_SETTINGS);
        }
        ASSERT_NE(nullptr, tray_sheet());
        EXPECT_LT(GetTickCount() - closed, 10000u);
        EXPECT_EQ(expected_log(round.undetermined, true), log_text());
        EXPECT_FALSE(IsWindowVisible(main_));
        EXPECT_FALSE(flashing(taskbar));
    }

    // A log viewer holding the log without delete sharing: the log is written over in
    // place. Holding it without any sharing: the previous log stays, the tip says so while
    // the scanner delays, and "View log" names the scan first. Nothing is left beside it.
    HWND page = show_page(kBackgroundPage);
    for (int box : {IDC_EXPAND_WINDOW, IDC_AUDIBLE_ALERT, IDC_FLASH_TASKBAR, IDC_FLASH_TRAY})
        SendMessageA(item(page, box), BM_SETCHECK, BST_UNCHECKED, 0);
    set_text(item(page, IDC_SCANNING_PERIOD), "1");
    write_file(art("rgb.eps"), kUndetermined);
    const std::string log = app_file("Inkhound.log");
    const DWORD shares[] = {FILE_SHARE_READ | FILE_SHARE_WRITE, 0};
    for (DWORD share : shares) {
        HANDLE viewer =
            CreateFileA(log.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (share == 0) {  // the next scan would find RGB again: from "Settings...", Cancel
            write_file(art("rgb.eps"), kRgb);
            post_command(main_, IDM_SETTINGS);
            ASSERT_NE(nullptr, tray_sheet());
        }
        close_sheet(share == 0 ? IDCANCEL : IDOK);
        EXPECT_TRUE(share != 0
                        ? wait_until([&] { return log_text() == expected_log(true, true); }, 20000)
                        : tip_becomes("Inkhound - last log not written", 20000));
        CloseHandle(viewer);
    }
    EXPECT_EQ(expected_log(true, true), log_text());
    EXPECT_FALSE(exists(e2e_path("app\\ink*.tmp")));
    post_command(main_, IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    const std::string shown = text(item(current_page(sheet_), IDC_LOG_VIEW));
    EXPECT_EQ(0u, shown.find("The log of the background scan of ")) << shown;
    EXPECT_NE(std::string::npos, shown.find("); the log below is older.\r\n\r\n" + raw_log()));

    // A list file that cannot be replaced (read-only) is told on OK and stays as it was;
    // the next log is whole, and the view says nothing more of the missing one.
    const std::string list = app_file("Inkhound.dfo"), list_before = file_bytes(list.c_str());
    list_immutable(true);
    post_click(sheet_, IDOK);
    HWND box = find_message_box("File Error", kTimeOut);
    EXPECT_EQ("Could not save the list of directories in Inkhound.dfo", message_box_text(box));
    press(box, IDOK);
    list_immutable(false);
    EXPECT_EQ(list_before, file_bytes(list.c_str()));
    EXPECT_TRUE(wait_until([&] { return log_text() == expected_log(false, true); }, 15000));
    post_command(main_, IDM_SETTINGS);
    ASSERT_NE(nullptr, tray_sheet());
    EXPECT_EQ(raw_log(), text(item(current_page(sheet_), IDC_LOG_VIEW)));

    // "Close Inkhound" while big.eps holds a scan ends the run after the time-out, with 0
    // and the icon gone.
    hold(true);
    close_sheet(IDCANCEL);
    ASSERT_TRUE(tip_becomes(kActive, 10000));
    const DWORD asked = GetTickCount();
    post_command(main_, IDM_CLOSE);
    EXPECT_EQ(0, wait_for_exit(&program_, kTimeOut + 10000));
    EXPECT_GT(GetTickCount() - asked, 18000u);
    EXPECT_TRUE(tip_becomes("", 0));
}

}  // namespace
