// Self-installation: the question, the options dialog, the copy into the chosen directory,
// the uninstall entry, the shortcuts, and the installer's own deletion. Main thread.
#include "desktop/install/install.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "desktop/install/installation.h"
#include "desktop/install/remove.h"
#include "desktop/install/shell_links.h"
#include "platform/paths.h"
#include "resources/resource.h"
#include "desktop/settings_window/registry_values.h"
#include "desktop/common/startup.h"

namespace {

constexpr DWORD kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS: that directory is fine
struct ShortcutChoice {
    int check_box;
    SpecialFolder folder;
    const char* subfolder;
    const char* arguments;
};
constexpr ShortcutChoice kShortcutChoices[] = {
    {IDC_DESKTOP_SHORTCUT, SpecialFolder::DesktopFolder, nullptr, nullptr},
    {IDC_START_MENU_SHORTCUT, SpecialFolder::ProgramsFolder, kProgramGroup, nullptr},
    {IDC_STARTUP_SHORTCUT, SpecialFolder::StartupFolder, nullptr, kStartupArguments},
};
constexpr std::size_t kShortcutChoiceCount = sizeof kShortcutChoices / sizeof kShortcutChoices[0];

void show_proposed_directory(HWND dialog) {
    char windows_directory[kInstallPathSize];
    const UINT length = GetWindowsDirectoryA(windows_directory, sizeof windows_directory);
    if (length == 0 || length >= sizeof windows_directory) windows_directory[0] = '\0';
    char proposed[kInstallPathSize];
    proposed_directory(windows_directory, proposed, sizeof proposed);
    SetDlgItemTextA(dialog, IDC_INSTALL_DIRECTORY, proposed);
}

void write_uninstall_entry(const char* program_path) {
    char command[kInstallPathSize + 16];
    if (!build_uninstall_string(program_path, command, sizeof command)) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, kUninstallDisplayNameValue, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(kUninstallDisplayName),
                   sizeof kUninstallDisplayName);
    RegSetValueExA(key, kUninstallStringValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                   static_cast<DWORD>(std::strlen(command) + 1));
    RegCloseKey(key);
}

// OK: the copy, then the chosen shortcuts; the dialog stays open after a failed copy.
void install_from_dialog(HWND dialog) {
    // One more than a path holds, so that a longer typed text is seen and refused.
    char typed[kInstallPathSize + 1];
    GetDlgItemTextA(dialog, IDC_INSTALL_DIRECTORY, typed, sizeof typed);
    bool chosen[kShortcutChoiceCount];
    for (std::size_t i = 0; i < kShortcutChoiceCount; ++i)
        chosen[i] = SendDlgItemMessageA(dialog, kShortcutChoices[i].check_box, BM_GETCHECK, 0, 0) ==
                    BST_CHECKED;
    // A directory the program could not keep its own files in is refused before anything
    // is made, and the user is told how long it may be.
    if (is_install_directory_too_long(typed)) {
        char message[sizeof kInstallDirectoryTooLongFormat + 16];
        std::snprintf(message, sizeof message, kInstallDirectoryTooLongFormat,
                      static_cast<unsigned>(kLongestInstallDirectory));
        MessageBoxA(nullptr, message, kInstallationCaption, MB_OK);
        return;
    }
    SetCursor(startup.wait_cursor);
    if (!copy_program(typed, kProgramFileName)) {
        SetCursor(startup.arrow_cursor);
        MessageBoxA(nullptr, kInstallErrorMessage, kInstallationCaption, MB_OK);
        return;
    }
    char directory[kInstallPathSize], program_path[kInstallPathSize];
    installed_program_paths(typed, kProgramFileName, directory, program_path);
    for (std::size_t i = 0; i < kShortcutChoiceCount; ++i) {
        if (!chosen[i]) continue;
        char folder[kInstallPathSize];
        get_special_folder(kShortcutChoices[i].folder, folder);
        if (folder[0] == '\0') continue;
        create_shortcut(folder, kShortcutChoices[i].subfolder, kProgramFileName, directory,
                        kShortcutName, kShortcutChoices[i].arguments);
    }
    SetCursor(startup.arrow_cursor);
    EndDialog(dialog, 1);
}

}  // namespace

void install_program() {
    if (MessageBoxA(nullptr, kInstallQuestion, kInstallQuestionCaption, MB_YESNO) != IDYES) return;
    if (DialogBoxParamA(startup.instance, MAKEINTRESOURCEA(IDD_INSTALL_OPTIONS), nullptr,
                        installation_dialog, 0) != 1)
        return;
    MessageBoxA(nullptr, kInstalledMessage, kInstallationCaption, MB_OK);

    char installer[kInstallPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, installer, sizeof installer);
    if (length == 0 || length >= sizeof installer) return;
    if (is_floppy_path(installer)) return;
    // A failed start leaves the installer where it is; the installation itself stands.
    start_self_deletion(false);
}

INT_PTR CALLBACK installation_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            show_proposed_directory(dialog);
            CheckDlgButton(dialog, IDC_DESKTOP_SHORTCUT, BST_CHECKED);
            CheckDlgButton(dialog, IDC_START_MENU_SHORTCUT, BST_CHECKED);
            CheckDlgButton(dialog, IDC_STARTUP_SHORTCUT, BST_UNCHECKED);
            SetFocus(GetDlgItem(dialog, IDOK));
            return FALSE;  // the focus is set
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                    install_from_dialog(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

bool copy_program(const char* typed_directory, const char* executable_name) {
    char directory[kInstallPathSize], program_path[kInstallPathSize];
    if (!installed_program_paths(typed_directory, executable_name, directory, program_path))
        return false;
    // Every directory on the way, from the first below the drive or share.
    for (std::size_t end = next_directory_end(directory, 0); end != 0;
         end = next_directory_end(directory, end)) {
        char part[kInstallPathSize];
        std::memcpy(part, directory, end);
        part[end] = '\0';
        if (!CreateDirectoryA(part, nullptr) && GetLastError() != kAlreadyExists) return false;
    }
    char self[kInstallPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return false;
    if (!CopyFileA(self, program_path, FALSE)) return false;
    write_uninstall_entry(program_path);
    return true;
}
