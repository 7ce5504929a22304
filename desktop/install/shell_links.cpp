// The shell's side of installation and removal: the special folders, and the program's
// links made, read and deleted through the shell's link object. Main thread.
#include "desktop/install/shell_links.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "desktop/install/installation.h"
#include "platform/paths.h"

namespace {

constexpr int kFolderIds[] = {CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_STARTUP};
// FOF_NOERRORUI beyond the move's own flags: an error box would stop an unattended start.
constexpr FILEOP_FLAGS kMoveFlags =
    FOF_MULTIDESTFILES | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// The folders searched for the program's links, in this order.
struct LinkPass {
    SpecialFolder folder;
    const char* subfolder;
};
constexpr LinkPass kLinkPasses[] = {
    {SpecialFolder::ProgramsFolder, kProgramGroup},
    {SpecialFolder::StartupFolder, nullptr},
    {SpecialFolder::ProgramsFolder, nullptr},
    {SpecialFolder::DesktopFolder, nullptr},
};

void delete_links_in(const char* folder) {
    char pattern[kInstallPathSize];
    if (!join_path(folder, "*.lnk", pattern, sizeof pattern)) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char link[kInstallPathSize];
        if (!join_path(folder, found.cFileName, link, sizeof link)) continue;
        char target[kInstallPathSize];
        read_shortcut_target(link, target);
        if (is_program_link_target(target)) DeleteFileA(link);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

void get_special_folder(SpecialFolder folder, char* path) {
    path[0] = '\0';
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, kFolderIds[static_cast<int>(folder)], &items)))
        return;
    if (!SHGetPathFromIDListA(items, path)) path[0] = '\0';
    IMalloc* memory = nullptr;
    if (SUCCEEDED(SHGetMalloc(&memory))) {
        memory->Free(items);
        memory->Release();
    }
}

bool create_shortcut(const char* folder, const char* subfolder, const char* executable_name,
                     const char* directory, const char* name, const char* arguments) {
    // The temporary link and the destination end with a second zero for the shell.
    char temp_directory[kInstallPathSize];
    const DWORD temp_length = GetTempPathA(sizeof temp_directory, temp_directory);
    if (temp_length == 0 || temp_length >= sizeof temp_directory) return false;
    char link_file_name[kInstallPathSize];
    char temp_link[kInstallPathSize + 1] = {};
    std::snprintf(link_file_name, sizeof link_file_name, "%s%s", executable_name, kLinkExtension);
    if (!join_path(temp_directory, link_file_name, temp_link, kInstallPathSize)) return false;
    char target[kInstallPathSize];
    if (!join_path(directory, executable_name, target, sizeof target)) return false;
    char destination_directory[kInstallPathSize];
    char destination[kInstallPathSize + 1] = {};
    std::snprintf(link_file_name, sizeof link_file_name, "%s%s", name, kLinkExtension);
    if (!join_path(folder, subfolder ? subfolder : "", destination_directory,
                   sizeof destination_directory))
        return false;
    if (!join_path(destination_directory, link_file_name, destination, kInstallPathSize))
        return false;
    DeleteFileA(temp_link);

    const HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        if (SUCCEEDED(com)) CoUninitialize();
        return false;
    }
    link->SetPath(target);
    link->SetDescription(name);
    if (arguments != nullptr) link->SetArguments(arguments);
    bool placed = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[kInstallPathSize];
        if (MultiByteToWideChar(CP_ACP, 0, temp_link, -1, wide, kInstallPathSize) != 0 &&
            SUCCEEDED(file->Save(wide, TRUE))) {
            // Some shells move only into a folder that exists; elsewhere this is harmless.
            CreateDirectoryA(destination_directory, nullptr);
            SHFILEOPSTRUCTA move = {};
            move.wFunc = FO_MOVE;
            move.pFrom = temp_link;
            move.pTo = destination;
            move.fFlags = kMoveFlags;
            placed = SHFileOperationA(&move) == 0 && !move.fAnyOperationsAborted;
            if (!placed) DeleteFileA(temp_link);
        }
        file->Release();
    }
    link->Release();
    if (SUCCEEDED(com)) CoUninitialize();
    return placed;
}

void delete_shortcuts() {
    for (const LinkPass& pass : kLinkPasses) {
        char folder[kInstallPathSize];
        get_special_folder(pass.folder, folder);
        if (folder[0] == '\0') continue;
        if (pass.subfolder == nullptr) {
            delete_links_in(folder);
            continue;
        }
        char group[kInstallPathSize];
        if (join_path(folder, pass.subfolder, group, sizeof group)) delete_links_in(group);
    }
    char folder[kInstallPathSize], group[kInstallPathSize];
    get_special_folder(SpecialFolder::ProgramsFolder, folder);
    // Removed only when empty; other programs' links keep it.
    if (folder[0] != '\0' && join_path(folder, kProgramGroup, group, sizeof group))
        RemoveDirectoryA(group);
}

void read_shortcut_target(const char* link_path, char* target) {
    target[0] = '\0';
    const HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[kInstallPathSize];
            if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, link_path, -1, wide,
                                    kInstallPathSize) != 0 &&
                SUCCEEDED(file->Load(wide, STGM_READ)) &&
                FAILED(link->GetPath(target, kInstallPathSize, nullptr, SLGP_RAWPATH)))
                target[0] = '\0';
            target[kInstallPathSize - 1] = '\0';
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
}
