// The results view on the real "View log" page: a log far beyond the view's limit loaded
// as the settings window opened from the tray loads it.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <prsht.h>

#include <regex>
#include <string>

#include "desktop/results/view.h"
#include "desktop/results/view_layout.h"
#include "report/logfile.h"
#include "resources/resource.h"
#include "tests/support/walk_fixture.h"

namespace {

class Win32ViewTest : public WalkFixture {};

// Lines of many lengths, so that the view's limit falls inside one of them: the view
// shows the log's first whole lines, under a first line that counts every entry left out
// and names the log that holds them.
TEST_F(Win32ViewTest, ABigLogIsShownInWholeLinesUnderItsNotice) {
    ASSERT_EQ(1, set_log_directory(scratch_.path().c_str()));
    std::string log = "6-Dec-26 09:05:03 Starting a background scan\r\n";
    for (int i = 0; log.size() < 700000; ++i) {
        if (i % 2000 == 0) log += "\r\n===== Files that are or seem to be RGB =====\r\n";
        log += "    C:\\Art\\" + std::string(100 + i % 251, 'x') + ".tif\r\n";
    }
    log += "\r\n6-Dec-26 09:07:13 Finished the background scan\r\n* * * 9 files seen * * *\r\n";
    scratch_.write(kLogFileName, log);
    HWND sheet = CreateWindowExA(0, "Static", "", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    PROPSHEETPAGEA_V1 record = {};
    record.lParam = 1;  // load the log
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIEW_LOG), sheet,
                                   view_page_procedure, reinterpret_cast<LPARAM>(&record));
    ASSERT_NE(nullptr, page);
    HWND view = GetDlgItem(page, IDC_LOG_VIEW);
    std::string text(GetWindowTextLengthA(view) + 1, '\0');
    text.resize(GetWindowTextA(view, &text[0], static_cast<int>(text.size())));
    DestroyWindow(sheet);
    set_log_directory(nullptr);

    std::smatch notice;
    ASSERT_TRUE(std::regex_search(text, notice,
                                  std::regex("^The view is full: (\\d+) more entries are not "
                                             "shown\\. Double-click this line to open "
                                             "\"Inkhound\\.log\", which holds them all\\.\r\n")))
        << text.substr(0, 200);
    const std::string shown = notice.suffix();
    EXPECT_EQ(0, log.compare(0, shown.size(), shown));
    bool start = true, shown_start = true;
    EXPECT_EQ(count_entry_lines(log.data(), log.size(), &start),
              count_entry_lines(shown.data(), shown.size(), &shown_start) + std::stoi(notice[1]));
}

}  // namespace
