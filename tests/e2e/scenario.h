// What the end-to-end scenarios share: a fresh copy of Inkhound.exe in its own folder, no
// options in the registry, and the program started with its settings window found.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver.h"

constexpr char kOptionsKey[] = "SOFTWARE\\Tarnholt Software\\Inkhound\\Options";
constexpr char kCompanyKey[] = "SOFTWARE\\Tarnholt Software";
constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\INKHOUND.EXE";
constexpr DWORD kWindowTimeout = 15000;  // a cold start under Wine takes a few seconds

// Sheet pages by index.
constexpr int kFileScanningPage = 0;
constexpr int kBackgroundPage = 1;
constexpr int kDirectoriesPage = 2;
constexpr int kImmediateScanPage = 3;
constexpr int kViewLogPage = 4;

class Scenario : public ::testing::Test {
   protected:
    // The program's folder, emptied, with the program copied in as `name`.
    static std::string install_copy(const char* name) {
        const std::string folder = e2e_path("app");
        CreateDirectoryA(folder.c_str(), nullptr);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileA((folder + "\\" + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        // A folder in the splash's place: the program then starts without its four-second
        // splash, as it does wherever the splash's file cannot be made.
        CreateDirectoryA((folder + "\\splash.tmp").c_str(), nullptr);
        const std::string copy = folder + "\\" + name;
        EXPECT_TRUE(CopyFileA(INKHOUND_E2E_EXE, copy.c_str(), FALSE)) << copy;
        return copy;
    }
    static std::string app_file(const char* name) { return e2e_path("app") + "\\" + name; }

    // "win98" makes Wine tell the program it runs on Windows 98; null, on Windows 7.
    static void set_windows_version(const char* version) {
        if (version != nullptr)
            write_value(HKEY_CURRENT_USER, kAppDefaultsKey, "Version", text_value(REG_SZ, version));
        else
            delete_tree(HKEY_CURRENT_USER, kAppDefaultsKey);
    }

    // Starts the program and waits for its settings window; a program left by an earlier
    // failure would take the start for a second one.
    HWND start_settings(const char* exe, const char* arguments = "") {
        end_program(&program_);
        EXPECT_EQ(nullptr, FindWindowA("Inkhound_Notify_Window", "Inkhound ALERT"));
        EXPECT_TRUE(start_program(exe, arguments, &program_)) << exe;
        sheet_ = find_window("#32770", "Inkhound settings", kWindowTimeout);
        EXPECT_NE(nullptr, sheet_);
        return sheet_;
    }
    // Presses OK or Cancel and expects the program to end with code 0.
    void close_settings(int button) {
        post_click(sheet_, button);
        EXPECT_EQ(0, wait_for_exit(&program_, kWindowTimeout));
        end_program(&program_);
    }
    // The page shown after a page change, or null when the sheet refused it.
    HWND show_page(int index) {
        EXPECT_TRUE(select_page(sheet_, index)) << "page " << index;
        return current_page(sheet_);
    }

    void SetUp() override {
        set_windows_version(nullptr);
        delete_tree(HKEY_LOCAL_MACHINE, kCompanyKey);
    }
    void TearDown() override {
        end_program(&program_);
        set_windows_version(nullptr);
    }

    Program program_;
    HWND sheet_ = nullptr;
};
