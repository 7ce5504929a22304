// Installation, removal, self-deletion and the splash end to end, on copies of the real
// program under each name: the installer's question, dialog and message, what an
// installation leaves (directory, file, uninstall entry, shortcuts), the installer's own
// deletion by its temporary copy, removal with its question and final message and a start
// meanwhile, paths with blanks, commas and at the limit, and the splash with its failures.
#include "tests/e2e/scenario.h"

#include "resources/resource.h"

namespace {

constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkhound";
constexpr char kSmallFile[] = "C:\\windows\\win.ini";  // not a program, not a link
const std::string kProposed = "C:\\Program Files\\Tarnholt";
const std::string kProgram = kProposed + "\\Inkhound.exe";
constexpr char kTooLong[] =
    "Inkhound cannot work in the install path selected.\nChoose a directory of at most 236 "
    "characters";
const std::string kCommaDirectory = "C:\\Tarnholt, Inc";
// The longest directory the installer takes: "\\Inkhound immediate.log" still fits in it.
const std::string kLongDirectory = "C:\\" + std::string(233, 'L');  // 236 characters
// A copy the user made by hand, whose path is as long as a path can be.
const std::string kLongestDirectory = "C:\\" + std::string(243, 'L');
const std::string kLongestProgram = kLongestDirectory + "\\Inkhound.exe";  // 259 characters

class Install : public Scenario {
   protected:
    static std::string temp(const char* name) {
        char path[MAX_PATH] = "";
        return std::string(path, GetTempPathA(sizeof path, path)) + name;
    }
    static std::string uninstall(const char* value) {
        return read_value(HKEY_LOCAL_MACHINE, kUninstallKey, value).data;
    }
    static void touch(const std::string& path) { CopyFileA(kSmallFile, path.c_str(), FALSE); }
    // A temporary copy deletes, and its own file goes, only after the first process has ended.
    static bool gone(const std::string& pattern) {
        return wait_until([&] { return !exists(pattern); }, 20000);
    }
    // Nothing installed: the test's command clears the folders and decoys before the run.
    // Commands run in the copies' folder, where a folder keeps the splash away.
    void SetUp() override {
        Scenario::SetUp();
        delete_tree(HKEY_LOCAL_MACHINE, kUninstallKey);
        CreateDirectoryA(e2e_path("app").c_str(), nullptr);
        SetCurrentDirectoryA(e2e_path("app").c_str());
    }
    // Runs the installer `exe` as a user: Yes, the dialog with `directory` typed unless null
    // and the startup group checked when asked, OK, the message of success; or No, or Cancel in
    // the dialog, or OK refused as too long and then Cancel, as `refuse` says; the dialog
    // proposes the usual directory.
    static void install(const std::string& exe, const char* directory = nullptr,
                        bool startup = false, int refuse = 0) {
        Program installer;
        EXPECT_TRUE(start_program(exe.c_str(), "", &installer));
        press(find_message_box("Install Inkhound", kWindowTimeout), refuse == IDNO ? IDNO : IDYES);
        HWND dialog = find_window("#32770", "Specify Installation Options",
                                  refuse == IDNO ? 0 : kWindowTimeout);
        // Found as soon as it is made, the dialog gets its controls and their texts just after.
        wait_until([&] { return !text(item(dialog, IDC_INSTALL_DIRECTORY)).empty(); },
                   dialog ? 5000 : 0);
        EXPECT_EQ(refuse == IDNO ? "" : kProposed, text(item(dialog, IDC_INSTALL_DIRECTORY)));
        if (directory != nullptr) set_text(item(dialog, IDC_INSTALL_DIRECTORY), directory);
        if (startup) click(dialog, IDC_STARTUP_SHORTCUT);
        post_click(dialog, refuse == IDCANCEL ? IDCANCEL : IDOK);
        const bool told_anything = refuse == 0 || refuse == IDOK;
        HWND told = find_message_box("Inkhound installation", told_anything ? kWindowTimeout : 0);
        if (refuse == IDOK) {
            EXPECT_EQ(kTooLong, message_box_text(told));
        }
        press(told, IDOK);
        if (refuse == IDOK && wait_gone(told, kWindowTimeout)) post_click(dialog, IDCANCEL);
        EXPECT_EQ(0, wait_for_exit(&installer, kWindowTimeout)) << exe;
        end_program(&installer);
    }
    // Runs `command` as the system runs a command line and returns its exit code; answers the
    // removal's question when asked to, and after Yes reads the temporary copy's final message.
    static int run(const std::string& command, int answer = 0) {
        Program program;
        EXPECT_TRUE(start_program(nullptr, command.c_str(), &program)) << command;
        if (answer != 0) press(find_message_box("Remove Inkhound", kWindowTimeout), answer);
        const int code = wait_for_exit(&program, kWindowTimeout);
        end_program(&program);
        if (answer != IDYES) return code;
        HWND done = find_message_box("Remove Inkhound", kWindowTimeout);
        EXPECT_EQ("Inkhound has been successfully removed.", message_box_text(done));
        press(done, IDOK);
        EXPECT_TRUE(gone(temp("Del*.tmp")));
        return code;
    }
};

// A: is a floppy drive here (tests/CMakeLists.txt maps it).
TEST_F(Install, NamesQuestionDialogFloppyAndWhatAnInstallationLeaves) {
    for (const char* name : {"INKH0.EXE", "INKH16A.EXE", "INKHX.EXE"})
        EXPECT_EQ(0, run(install_copy(name)));
    for (int refuse : {IDNO, IDCANCEL}) {
        const std::string exe = install_copy("SETUP.EXE");
        install(exe, nullptr, false, refuse);
        EXPECT_TRUE(exists(exe) && !exists(kProposed) && uninstall("DisplayName").empty());
    }
    for (const char* name : {"SETUP.EXE", "setup.exe", "INSTALL.EXE", "A:\\SETUP.EXE",
                             "a:\\setup.exe", "INKH160.EXE"}) {
        SCOPED_TRACE(name);
        const bool startup = name[4] == '1', floppy = name[1] == ':';
        const std::string exe = floppy ? name : install_copy(name);
        EXPECT_TRUE(!floppy || CopyFileA(INKHOUND_E2E_EXE, name, FALSE));
        install(exe, nullptr, startup);
        EXPECT_TRUE(exists(kProgram));
        EXPECT_EQ("Inkhound colour file checker", uninstall("DisplayName"));
        EXPECT_EQ("\"" + kProgram + "\" /REMOVE", uninstall("UninstallString"));
        EXPECT_EQ(kProgram + "||Inkhound", read_link(special_file(CSIDL_DESKTOP, "Inkhound.lnk")));
        EXPECT_EQ(kProgram + "||Inkhound",
                  read_link(special_file(CSIDL_PROGRAMS, "Tarnholt\\Inkhound.lnk")));
        EXPECT_EQ(startup ? kProgram + "|/background|Inkhound" : "<unreadable>",
                  read_link(special_file(CSIDL_STARTUP, "Inkhound.lnk")));
        // From a floppy disk no temporary copy starts: none waits now, and the installer stays.
        EXPECT_TRUE(floppy ? exists(exe) && !exists(temp("Del*.tmp"))
                           : gone(exe) && gone(temp("Del*.tmp")));
    }
}

TEST_F(Install, RemovalAskingWakingAndDeletingOnlyItsOwn) {
    // An older installation elsewhere, whose desktop link another name keeps.
    const std::string desktop = special_file(CSIDL_DESKTOP, "");
    install(install_copy("SETUP.EXE"), kCommaDirectory.c_str());
    ASSERT_TRUE(MoveFileA((desktop + "Inkhound.lnk").c_str(), (desktop + "Older.lnk").c_str()));
    install(install_copy("SETUP.EXE"), nullptr, true);
    // Beside the program's own files, the user's: "splash.tmp" also keeps its splash away.
    const char* own[] = {"Inkhound.log", "Inkhound.dfo",           "INKHOUND.DBG", "Inkhound.tm0",
                         "Inkhound.tm7", "Inkhound immediate.log", "inkA1B2.tmp"};
    const char* users[] = {"splash.tmp", "Inkhound notes - client contacts.txt"};
    for (const char* name : own) touch(kProposed + "\\" + name);
    for (const char* name : users) touch(kProposed + "\\" + name);
    touch(desktop + "broken.lnk");

    // A start while the removal asks only brings its question to the front: no settings
    // window on options never loaded, and No leaves the options and the list as they were.
    write_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Alerts", dword_value(5));
    Program remover, second;
    ASSERT_TRUE(start_program(kProgram.c_str(), "/REMOVE", &remover));
    HWND question = find_message_box("Remove Inkhound", kWindowTimeout);
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(start_program(kProgram.c_str(), "", &second));
    EXPECT_TRUE(wait_until([&] { return wait_for_exit(&second, 0) == 1; }, kWindowTimeout));
    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == question; }, 5000));
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Inkhound settings"));
    DestroyWindow(other);
    press(question, IDNO);
    EXPECT_EQ(0, wait_for_exit(&remover, kWindowTimeout));
    end_program(&remover);
    end_program(&second);
    EXPECT_EQ(dword_value(5), read_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Alerts"));
    EXPECT_EQ(file_bytes(kSmallFile), file_bytes((kProposed + "\\Inkhound.dfo").c_str()));

    // A removal while the program runs only wakes it.
    ASSERT_NE(nullptr, start_settings(kProgram.c_str()));
    EXPECT_EQ(1, run("\"" + kProgram + "\" /REMOVE"));
    close_settings(IDCANCEL);
    EXPECT_TRUE(exists(kProgram) && exists(desktop + "Inkhound.lnk"));

    // The uninstall entry run as the system runs it passes a decoy at its first blank.
    touch("C:\\Program.exe");
    EXPECT_EQ(0, run(uninstall("UninstallString"), IDYES));
    EXPECT_EQ(
        "", uninstall("DisplayName") + read_value(HKEY_LOCAL_MACHINE, kOptionsKey, "Alerts").data);
    for (const std::string& gone : {desktop + "Inkhound.lnk", desktop + "Older.lnk",
                                    special_file(CSIDL_STARTUP, "Inkhound.lnk"),
                                    special_file(CSIDL_PROGRAMS, "Tarnholt"), kProgram})
        EXPECT_FALSE(exists(gone)) << gone;
    for (const char* name : own) EXPECT_FALSE(exists(kProposed + "\\" + name)) << name;
    // The user's files stay, even one named like the program's.
    for (const char* name : users) EXPECT_TRUE(exists(kProposed + "\\" + name)) << name;
    EXPECT_TRUE(exists(desktop + "broken.lnk"));

    // With nothing else in it, the directory goes too.
    EXPECT_EQ(0, run("\"" + kCommaDirectory + "\\Inkhound.exe\" /REMOVE", IDYES));
    EXPECT_FALSE(exists(kCommaDirectory));
}

TEST_F(Install, BlankInTheTemporaryFolderLongDirectoryAndMalformedDeletions) {
    // A decoy where an unquoted temporary copy's path would stop.
    const std::string usual = temp("");
    CreateDirectoryA("C:\\tmp dir", nullptr);
    touch("C:\\tmp.exe");
    for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, "C:\\tmp dir");
    const std::string exe = install_copy("SETUP.EXE");
    // One character more than the program's files leave room for is refused; at the limit
    // the program installs, runs and is removed.
    install(exe, (kLongDirectory + "L").c_str(), false, IDOK);
    EXPECT_FALSE(exists(kLongDirectory + "L"));
    install(exe, kLongDirectory.c_str());
    EXPECT_TRUE(gone(exe) && gone(temp("Del*.tmp")));
    ASSERT_NE(nullptr, start_settings((kLongDirectory + "\\Inkhound.exe").c_str()));
    close_settings(IDCANCEL);
    EXPECT_EQ(0, run("\"" + kLongDirectory + "\\Inkhound.exe\" /REMOVE", IDYES));
    EXPECT_FALSE(exists(kLongDirectory));
    // A copy whose path has 259 characters runs and removes itself too.
    CreateDirectoryA(kLongestDirectory.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(INKHOUND_E2E_EXE, kLongestProgram.c_str(), FALSE));
    ASSERT_NE(nullptr, start_settings(kLongestProgram.c_str()));
    close_settings(IDCANCEL);
    EXPECT_EQ(0, run("\"" + kLongestProgram + "\" /REMOVE", IDYES));
    EXPECT_FALSE(exists(kLongestDirectory));
    for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, usual.c_str());

    // "/delete" in lower case is no deletion; malformed deletion texts delete nothing.
    const std::string victim = app_file("Inkhound.dfo"), copy = install_copy("Inkhound.exe");
    touch(victim);
    ASSERT_NE(nullptr, start_settings(copy.c_str(), ("/delete:" + victim + ",0000001C,Y").c_str()));
    close_settings(IDCANCEL);
    for (const char* tail : {",0000001C,y", ",1C,Y", ",00000001C,Y", " 0000001C Y", ",0000001C,Y ",
                             ",00000000,Y", ",FFFFFFFF,Y", ","})
        EXPECT_EQ(0, run("\"" + copy + "\" /DELETE:" + victim + tail));
    EXPECT_TRUE(exists(victim));
}

TEST_F(Install, SplashCentredForFourSecondsOneInstanceAndNoneWhereItCannotBe) {
    std::string exe = install_copy("Inkhound.exe");
    RemoveDirectoryA("splash.tmp");
    ASSERT_TRUE(start_program(exe.c_str(), "", &program_));
    HWND splash = find_window("InkhoundSplash", "Inkhound", kWindowTimeout);
    const DWORD shown = GetTickCount();
    // A second start a second later, inside the first's splash, only hands over.
    pause(1000);
    Program second;
    ASSERT_TRUE(start_program(exe.c_str(), "", &second));
    RECT rect = {};
    GetWindowRect(splash, &rect);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN), rect.left + rect.right, 2);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN), rect.top + rect.bottom, 2);
    EXPECT_TRUE(screenshot("splash", splash));
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Inkhound settings"));
    EXPECT_TRUE(wait_gone(splash, kWindowTimeout));
    EXPECT_NEAR(4000.0, GetTickCount() - shown, 800.0);
    sheet_ = find_window("#32770", "Inkhound settings", kWindowTimeout);
    EXPECT_EQ(1, wait_for_exit(&second, kWindowTimeout));
    end_program(&second);
    EXPECT_FALSE(exists("splash.tmp"));
    close_settings(IDCANCEL);

    // No splash and no delay, which would be four seconds, where its file cannot be made or
    // its image is bad.
    const std::string bitmap = file_bytes((e2e_path("..\\resources\\splash.bmp")).c_str());
    // The program's own image with a user's file in the file's place (a folder there is how
    // every other scenario starts); then, stored uncompressed, which the expansion passes on
    // as it is: data not starting with "BM", the image past the buffer, the image cut short
    // of the pixels its header claims.
    std::string images[] = {"", "PK\3\4 not a bitmap", bitmap + std::string(2000, '\0'),
                            bitmap.substr(0, 30000)};
    for (std::string& image : images) {
        exe = install_copy("Inkhound.exe");
        RemoveDirectoryA("splash.tmp");
        if (image.empty()) touch("splash.tmp");
        HANDLE update = image.empty() ? nullptr : BeginUpdateResourceA(exe.c_str(), FALSE);
        EXPECT_TRUE(!update || (UpdateResourceA(update, RT_RCDATA, MAKEINTRESOURCEA(2), 0,
                                                &image[0], static_cast<DWORD>(image.size())) &&
                                EndUpdateResourceA(update, FALSE)));
        const DWORD started = GetTickCount();
        ASSERT_NE(nullptr, start_settings(exe.c_str())) << image.size();
        EXPECT_LT(GetTickCount() - started, 3000u) << image.size();
        close_settings(IDCANCEL);
        EXPECT_EQ(image.empty() ? file_bytes(kSmallFile) : "<missing>", file_bytes("splash.tmp"))
            << image.size();
    }
}

}  // namespace
