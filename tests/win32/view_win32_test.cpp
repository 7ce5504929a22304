// The "View log" page with its real edit control: entries sent from a worker thread land
// in their sections in view order, the counter's windows belong to the page's thread,
// and a full view keeps its closing lines and says so.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <prsht.h>

#include <string>

#include "report/win32/view.h"
#include "resources/resource.h"

namespace {

class ViewPage : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                                  nullptr, nullptr);
        PROPSHEETPAGEA_V1 record = {};  // lParam 0: the log is not loaded
        page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIEW_LOG),
                                   parent_, view_page_procedure, reinterpret_cast<LPARAM>(&record));
        ASSERT_NE(nullptr, page_);
        view_ = GetDlgItem(page_, IDC_LOG_VIEW);
    }
    void TearDown() override { DestroyWindow(parent_); }

    std::string text() const {
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(view_)) + 1, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(view_, &text[0], static_cast<int>(text.size()))));
        return text;
    }

    HWND parent_ = nullptr, page_ = nullptr, view_ = nullptr;
};

DWORD WINAPI report_from_worker(LPVOID) {
    view_sink(0, "", nullptr, "start");
    view_sink(3, "", "C:\\a.tif", "");
    view_sink(1, "", "C:\\b.tif", "read error: 5");
    view_sink(14, "", "C:\\n.tif", "");
    view_sink(8, "", "C:\\caf\xe9.tif", "possibly RGB");
    view_sink(2, "", "C:\\d.tif", "");
    show_progress_count(4);
    view_sink(-1, "", nullptr, "");
    view_sink(-1, "", nullptr, "Finished");
    return 0;
}

TEST_F(ViewPage, EntriesFromTheWorkerStandInViewOrder) {
    HANDLE worker = CreateThread(nullptr, 0, report_from_worker, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    // The worker's sends are served while this thread waits for messages.
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, 10000, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    CloseHandle(worker);
    EXPECT_EQ(
        "start\r\n"
        "\r\n===== Files that generated errors =====\r\n"
        "    C:\\b.tif: read error: 5\r\n"
        "\r\n===== Files that are or seem to be RGB =====\r\n"
        "    C:\\a.tif\r\n"
        "    C:\\caf\xe9.tif: possibly RGB\r\n"
        "\r\n===== Files that are or seem to be CMYK =====\r\n"
        "    C:\\d.tif\r\n"
        "\r\n"
        "Finished\r\n",
        text());
    // The counter was made by this thread, at the worker's request.
    ASSERT_NE(nullptr, results_view.counter_inner);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(results_view.counter_inner, nullptr));
    char count[8] = "";
    GetWindowTextA(results_view.counter_inner, count, sizeof count);
    EXPECT_STREQ("4", count);
    show_progress_count(-1);
    EXPECT_EQ(nullptr, results_view.counter_outer);
}

// Past the limit the control still takes the closing lines and the notice.
TEST_F(ViewPage, AFullViewKeepsItsClosingLinesAndSaysSo) {
    const std::string name = "C:\\" + std::string(250, 'x');
    for (int i = 0; i < 500; ++i) view_sink(3, "", name.c_str(), "possibly RGB");
    view_sink(1, "", "C:\\late.tif", "read error: 5");
    view_sink(-1, "", nullptr, "");
    view_sink(-1, "", nullptr, "Finished");
    const std::string view = text(), ending = std::string("\r\nFinished\r\n") + kViewFullNotice;
    EXPECT_EQ(std::string::npos, view.find("late.tif"));
    ASSERT_GT(view.size(), ending.size());
    EXPECT_EQ(ending, view.substr(view.size() - ending.size()));
}

}  // namespace
