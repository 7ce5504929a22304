// Immediate scans, the results view and printing end to end: both scan buttons fill the
// view in its section order, a scan held inside one file shows its counter, keeps its page
// and stops on Cancel, a double-click opens a listed file, a full view keeps its closing
// lines and says first what it leaves out and where the whole report is, and "Print log"
// prints every line to the PDF printer, lets the user pick a printer when there is no
// default one, prints the whole report of a full view, or prints nothing.
#include "tests/e2e/scenario.h"

#include <algorithm>
#include <regex>
#include <string>

#include "resources/resource.h"
#include "tests/support/time_stamps.h"

namespace {

const std::string kScans = std::string(kE2eUnixDir) + "/scans";  // as Linux sees it
constexpr char kPrinterKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// Runs a shell command and waits for its end.
bool sh(const std::string& command) {
    return run_linux(command + "; touch '" + kE2eUnixDir + "/sh.done'", e2e_path("sh.done"), 60000);
}

constexpr DWORD kScanTimeout = 30000;

// Waits for `part` in the view; its text with timestamps masked and without the files'
// folders. Parts end a line: a text read while the view grows is cut at its old length.
const std::regex folder_part("Z:\\\\.*\\\\");

std::string shown(HWND view, const char* part = "") {
    std::string seen;
    wait_until(
        [&] {
            seen = std::regex_replace(mask_time_stamps(text(view)), folder_part, "");
            return seen.find(part) != std::string::npos;
        },
        kScanTimeout);
    return seen;
}

// Presses "Scan" with the folder `path` selected in the "Immediate scan" page's tree.
bool scan_folder(HWND sheet, const std::string& path) {
    select_page(sheet, kImmediateScanPage);
    HWND tree = item(current_page(sheet), IDC_IMMEDIATE_TREE);
    HTREEITEM folder = find_tree_folder(tree, path);
    select_tree_item(tree, folder);
    if (folder) click(current_page(sheet), IDC_SCAN);
    return folder != nullptr;
}

// Presses "Print log" and answers the print dialog, if one comes within `wait_ms`, with
// `button`; the text of the PDF made (Latin-1, as the view's), or "<missing>".
std::string print_log(HWND sheet, int button, DWORD wait_ms = kWindowTimeout) {
    post_click(sheet, IDC_PRINT_LOG);
    if (HWND dialog = find_window("#32770", "Print", wait_ms)) press(dialog, button);
    wait_until([sheet] { return IsWindowEnabled(sheet) != FALSE; }, kScanTimeout);
    sh("cd " + kScans +
       " && sleep 1; while lpstat -o | grep -q .; do sleep 0.2; done; rm -f "
       "printed.txt; for f in $HOME/PDF/InkhoundLog*.pdf; do [ ! -f $f ] || pdftotext -enc "
       "Latin1 -layout $f printed.txt; rm -f $f; done");
    return file_bytes(e2e_path("scans\\printed.txt").c_str());
}

using Scans = Scenario;

TEST_F(Scans, ImmediateScansFillTheViewAndPrint) {
    // "Scan now" walks the list: many files, then one of 64 GB that holds the scan.
    const std::string many = e2e_path("scans\\many"), files = e2e_path("scans\\files");
    const std::string long_name = std::string(200 - many.size() - 5, 'L') + ".tif";
    const std::string exe = install_copy("Inkhound.exe"), source = __FILE__;
    ASSERT_TRUE(
        sh("S=" + kScans + " F=" + source.substr(0, source.rfind("/e2e/")) + " L=" + long_name +
           " M='" + many + "' B='" + e2e_path("scans\\big") +
           "'; rm -rf $S $HOME/PDF/InkhoundLog*.pdf; mkdir -p $S/files $S/many $S/big $S/full && "
           "cd $S/files && cp $F/fixtures/tiff/rgb-le.tif $F/fixtures/tiff/cmyk-le.tif . && printf "
           "'GIF89a\\1\\0\\1\\0' >logo.gif && printf '\\377\\330\\377\\340\\0\\20JFIF' >photo.tif "
           "&& for i in $(seq 100 599); do cp logo.gif ../full/$L$i.gif; done && cd ../many && for "
           "i in $(seq 100 134); do cp ../files/logo.gif g$i.gif; done && cp ../files/rgb-le.tif "
           "caf\xe9.tif && cp ../files/rgb-le.tif $L && echo '%!PS-Adobe-3.0 EPSF-3.0' "
           ">../big/huge.eps && truncate -s 64G ../big/huge.eps && printf '%s\\r\\n' $M $B "
           ">../../app/Inkhound.dfo"));
    write_value(HKEY_LOCAL_MACHINE, kOptionsKey, "File Scan Flags", dword_value(0x3E));
    write_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Logging Flags", dword_value(0x1F));
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    HWND view = item(show_page(kViewLogPage), IDC_LOG_VIEW);

    // "Scan" on a folder: the entries in their sections, in the view's order.
    ASSERT_TRUE(scan_folder(sheet_, files));
    EXPECT_EQ(kViewLogPage, current_page_index(sheet_));
    EXPECT_EQ(
        "T  Starting an immediate scan\r\n\r\n===== Files that generated errors =====\r\n"
        "    photo.tif: File is mis-labelled\r\n\r\n"
        "===== Files that are or seem to be RGB =====\r\n    rgb-le.tif\r\n"
        "\r\n===== Files that are or seem to be CMYK =====\r\n    cmyk-le.tif\r\n"
        "\r\n===== Files that are GIF =====\r\n    logo.gif\r\n\r\nT  Finished the immediate "
        "scan\r\n"
        "* * * 4 files seen, 4 files checked, 4 files logged * * *\r\n",
        shown(view, "logged * * *\r\n"));
    EXPECT_TRUE(screenshot("view-log-filled", sheet_));

    // A double-click on a file's line opens the file with the program of its kind.
    const std::string opened = e2e_path("scans\\opened.txt");
    write_value(HKEY_CLASSES_ROOT, ".tif", "", text_value(REG_SZ, "InkhoundE2E.tif"));
    write_value(HKEY_CLASSES_ROOT, "InkhoundE2E.tif\\shell\\open\\command", "",
                text_value(REG_SZ, "cmd.exe /c echo %1>\"" + opened + "\""));
    SendMessageA(view, EM_LINESCROLL, 0, -100);
    auto at = SendMessageA(view, EM_POSFROMCHAR, SendMessageA(view, EM_LINEINDEX, 6, 0), 0);
    PostMessageA(view, WM_LBUTTONDBLCLK, 0, MAKELPARAM(LOWORD(at) + 4, HIWORD(at) + 3));
    EXPECT_TRUE(wait_until([&] { return file_bytes(opened.c_str()) == files + "\\rgb-le.tif\r\n"; },
                           kScanTimeout))
        << file_bytes(opened.c_str());
    delete_tree(HKEY_CLASSES_ROOT, ".tif");
    delete_tree(HKEY_CLASSES_ROOT, "InkhoundE2E.tif");

    // "Scan now", held in the big file, shows what it found and its files-seen counter, keeps
    // its page and, on Cancel, the window, and stops once the file ends.
    click(show_page(kDirectoriesPage), IDC_SCAN_NOW);
    auto counter = [this] { return FindWindowExA(sheet_, nullptr, "Static", nullptr); };
    EXPECT_TRUE(
        wait_until([&] { return text(GetWindow(counter(), GW_CHILD)) == "38"; }, kScanTimeout));
    EXPECT_NE(std::string::npos, shown(view).find("===== Files that are GIF =====\r\n    g1"));
    EXPECT_FALSE(select_page(sheet_, kDirectoriesPage));
    post_click(sheet_, IDCANCEL);
    pause(1000);
    EXPECT_TRUE(IsWindowVisible(sheet_) && shown(view).find("* * *") == std::string::npos);
    ASSERT_TRUE(sh("truncate -s 100 " + kScans + "/big/huge.eps"));
    const std::string stopped = shown(view, "logged * * *\r\n");
    EXPECT_TRUE(std::regex_match(
        stopped, std::regex("T  Starting an immediate scan\r\n\r\n===== Files that are or seem to "
                            "be RGB =====\r\n(    (caf\xe9|L+)\\.tif\r\n){2}\r\n===== Files that "
                            "are GIF =====\r\n(    g1\\d\\d\\.gif\r\n){35}\r\nT  Immediate scan "
                            "stopped by user\r\n\\* \\* \\* 38 files seen, 38 files checked, 37 "
                            "files logged \\* \\* \\*\r\n")))
        << stopped;
    EXPECT_EQ(nullptr, counter());

    // Printed, on three pages or more, the PDF holds the view's text and nothing else, every
    // line in order, the one with "é" and the path of 200 characters too, wrapped or not
    // (white space aside). A cancelled print dialog prints nothing. A session without its
    // printer "PDF" leaves these out.
    const Value device = read_value(HKEY_CURRENT_USER, kPrinterKey, "device");
    if (device.type != 0) {
        const std::string pages = print_log(sheet_, IDOK);
        const std::regex white("\\s+");
        EXPECT_LE(3, std::count(pages.begin(), pages.end(), '\f'));
        EXPECT_EQ(std::regex_replace(text(view), white, ""), std::regex_replace(pages, white, ""));
        EXPECT_EQ("<missing>", print_log(sheet_, IDCANCEL));
    }

    // Without a default printer the print dialog still lets the user pick one; without any
    // printer the program says it could not print. A one-line view prints nothing.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kPrinterKey, "device");
    if (device.type != 0) {
        const std::string picked = print_log(sheet_, IDOK);
        EXPECT_NE(std::string::npos, picked.find("Starting an immediate scan")) << picked;
        write_value(HKEY_CURRENT_USER, kPrinterKey, "device", device);
    } else {
        post_click(sheet_, IDC_PRINT_LOG);
        HWND box = find_message_box("Printer Error", kWindowTimeout);
        EXPECT_EQ("Could not print to specified printer", message_box_text(box));
        press(box, IDOK);
    }
    set_text(view, "A view of one line");
    EXPECT_EQ("<missing>", print_log(sheet_, IDOK, 3000));

    // A view that fills up still takes the scan's closing lines; its first line says how many
    // entries it leaves out and where they are: beside the program, in the whole report,
    // which a double-click on that line opens and "Print log" prints.
    ASSERT_TRUE(scan_folder(sheet_, e2e_path("scans\\full")));
    const std::string full = shown(view, "logged * * *\r\n");
    const std::string totals =
        "\r\nT  Finished the immediate scan\r\n* * * 500 files seen, 500 files checked, 500 "
        "files logged * * *\r\n";
    EXPECT_EQ(".gif\r\n" + totals, full.substr(full.rfind(".gif")));
    std::smatch notice;
    ASSERT_TRUE(std::regex_search(
        full, notice,
        std::regex("^The view is full: (\\d+) more entries are not shown\\. Double-click this "
                   "line to open \"Inkhound immediate\\.log\", which holds them all\\.\r\nT  "
                   "Starting an immediate scan\r\n")))
        << full.substr(0, 300);
    const auto lines_of = [](const std::string& text, const char* part) {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++count;
        return count;
    };
    EXPECT_EQ(500u, lines_of(full, ".gif\r\n") + std::stoul(notice[1]));
    const std::string report = app_file("Inkhound immediate.log");
    const std::string whole = file_bytes(report.c_str());
    EXPECT_EQ(500u, lines_of(whole, ".gif\r\n"));
    const std::string listed = std::regex_replace(mask_time_stamps(whole), folder_part, "");
    EXPECT_EQ(listed.substr(0, 300), full.substr(full.find('\n') + 1, 300));
    EXPECT_EQ(totals, listed.substr(listed.rfind(".gif") + 6));
    write_value(HKEY_CLASSES_ROOT, ".log", "", text_value(REG_SZ, "InkhoundE2E.log"));
    write_value(HKEY_CLASSES_ROOT, "InkhoundE2E.log\\shell\\open\\command", "",
                text_value(REG_SZ, "cmd.exe /c echo %1>\"" + opened + "\""));
    SendMessageA(view, EM_LINESCROLL, 0, -100000);
    at = SendMessageA(view, EM_POSFROMCHAR, 0, 0);
    PostMessageA(view, WM_LBUTTONDBLCLK, 0, MAKELPARAM(LOWORD(at) + 4, HIWORD(at) + 3));
    EXPECT_TRUE(
        wait_until([&] { return file_bytes(opened.c_str()) == report + "\r\n"; }, kScanTimeout))
        << file_bytes(opened.c_str());
    delete_tree(HKEY_CLASSES_ROOT, ".log");
    delete_tree(HKEY_CLASSES_ROOT, "InkhoundE2E.log");
    if (device.type != 0) {
        const std::string pages = print_log(sheet_, IDOK);
        const std::regex white("\\s+");
        EXPECT_EQ(std::regex_replace(whole, white, ""), std::regex_replace(pages, white, ""));
    }
    // A report that cannot be written is named first.
    ASSERT_TRUE(DeleteFileA(report.c_str()) && CreateDirectoryA(report.c_str(), nullptr));
    ASSERT_TRUE(scan_folder(sheet_, files));
    const std::string unwritten = shown(view, "whole report.\r\n");
    EXPECT_EQ(0u, unwritten.find("\"Inkhound immediate.log\" could not be written; the view "
                                 "holds the whole report.\r\nT  Starting an immediate scan\r\n"))
        << unwritten.substr(0, 200);
    RemoveDirectoryA(report.c_str());
    close_settings(IDCANCEL);
    if (device.type == 0) GTEST_SKIP() << "no printer: printing to PDF left out";
}

}  // namespace
