// Removal and self-deletion. A running executable cannot delete itself, so it starts a
// temporary copy of itself that waits on an inherited handle of the first process and
// deletes once that has ended; the copy's own file goes when its process ends. Main
// thread of either process.
#include "desktop/install/remove.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "desktop/install/installation.h"
#include "desktop/install/self_deletion.h"
#include "desktop/install/shell_links.h"
#include "platform/paths.h"
#include "desktop/settings_window/registry.h"
#include "desktop/common/startup.h"

namespace {

// The first process's file may stay locked a moment after its handle is signalled.
constexpr int kDeleteAttempts = 10;
constexpr DWORD kDeleteRetryMilliseconds = 100;

bool file_exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void delete_program_file(const char* path) {
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        if (DeleteFileA(path) || !file_exists(path)) return;
        Sleep(kDeleteRetryMilliseconds);
    }
}

// Deletes the program's own files among those `search` finds, by their exact names: a
// user's file whose name merely begins like the program's stays.
void delete_own_files(const char* search) {
    WIN32_FIND_DATAA found;
    HANDLE files = FindFirstFileA(search, &found);
    if (files == INVALID_HANDLE_VALUE) return;
    const std::size_t directory = std::strlen(search) - 1;  // less the "*"
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !is_program_own_file(found.cFileName))
            continue;
        char path[kInstallPathSize];
        const int written = std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(directory),
                                          search, found.cFileName);
        if (written <= 0 || static_cast<std::size_t>(written) >= sizeof path) continue;
        // A read-only log or list is the program's all the same.
        if (!DeleteFileA(path) && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
            DeleteFileA(path);
    } while (FindNextFileA(files, &found));
    FindClose(files);
}

void show_with_path(const char* format, const char* path) {
    char text[sizeof kRemovalNotFinishedFormat + kInstallPathSize];
    static_assert(sizeof kRemovedButFileLeftFormat <= sizeof kRemovalNotFinishedFormat,
                  "both texts with a path fit one buffer");
    std::snprintf(text, sizeof text, format, path);
    MessageBoxA(nullptr, text, kRemoveCaption, MB_OK);
}

}  // namespace

void remove_program() {
    if (MessageBoxA(nullptr, kRemoveQuestion, kRemoveCaption, MB_YESNO) != IDYES) return;
    SetCursor(startup.wait_cursor);
    delete_registry_keys();
    delete_shortcuts();
    const bool started = start_self_deletion(true);
    SetCursor(startup.arrow_cursor);
    if (started) return;
    // Keys and shortcuts are gone; without the copy the files stay, so say which.
    char self[kInstallPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) self[0] = '\0';
    show_with_path(kRemovalNotFinishedFormat, self);
}

bool start_self_deletion(bool removal) {
    char self[kInstallPathSize], temp_directory[kInstallPathSize], copy[kInstallPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) return false;
    const DWORD temp_length = GetTempPathA(sizeof temp_directory, temp_directory);
    if (temp_length == 0 || temp_length >= sizeof temp_directory) return false;
    if (GetTempFileNameA(temp_directory, kDeletionCopyPrefix, 0, copy) == 0) return false;
    if (!CopyFileA(self, copy, FALSE)) {
        DeleteFileA(copy);
        return false;
    }
    // Closed below, before the copy ends: the system deletes the file once the copy's
    // process, the last to use it, has gone.
    HANDLE copy_file = CreateFileA(copy, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    HANDLE process = OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId());
    const std::uintptr_t handle_value = reinterpret_cast<std::uintptr_t>(process);
    char command[kDeletionCommandSize];
    bool started = false;
    if (process != nullptr && handle_value <= UINT32_MAX &&
        build_deletion_command(copy, self, static_cast<std::uint32_t>(handle_value), removal,
                               command, sizeof command)) {
        STARTUPINFOA startup_info = {};
        startup_info.cb = sizeof startup_info;
        PROCESS_INFORMATION created = {};
        // The copy works from the temporary folder, so that it holds no handle on the
        // program's directory, which it is to remove.
        started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr,
                                 temp_directory, &startup_info, &created) != 0;
        if (started) {
            CloseHandle(created.hThread);
            CloseHandle(created.hProcess);
        }
    }
    if (process != nullptr) CloseHandle(process);
    if (copy_file != INVALID_HANDLE_VALUE)
        CloseHandle(copy_file);
    else if (!started)
        DeleteFileA(copy);
    return started;
}

void delete_removed_copy(const char* arguments) {
    DeletionRequest request;
    if (!parse_deletion_command(arguments, &request)) return;
    HANDLE process = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(request.handle));
    // Only the first process's end lets the copy touch its files.
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return;
    CloseHandle(process);
    delete_program_file(request.path);
    if (!request.removal) return;

    char search[kInstallPathSize];
    if (build_removal_search(request.path, search, sizeof search)) delete_own_files(search);
    char directory[kInstallPathSize];
    if (removal_directory(request.path, directory, sizeof directory)) RemoveDirectoryA(directory);
    if (!file_exists(request.path))
        MessageBoxA(nullptr, kRemovedMessage, kRemoveCaption, MB_OK);
    else
        show_with_path(kRemovedButFileLeftFormat, request.path);
}
