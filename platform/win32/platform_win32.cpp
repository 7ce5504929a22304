// Win32 implementation of the platform seam: CreateFileA handles, the NTFS ":Afp_AfpInfo"
// stream, GetModuleFileNameA, LoadLibraryA, GetDateFormatA and GetVersionExA. Runs on
// whichever thread calls it.
#include "platform/win32/win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

static const char kFinderInfoStream[] = ":Afp_AfpInfo";

void set_platform_last_error(int error) {
    SetLastError(static_cast<DWORD>(error));
}

int platform_last_error() {
    return static_cast<int>(GetLastError());
}

static HANDLE to_handle(PlatformFile file) {
    return reinterpret_cast<HANDLE>(file.value);
}

// Every file the program opens is read or written sequentially.
static PlatformFile create_file(const char* path, DWORD access, DWORD share, DWORD disposition,
                                DWORD extra_flags = 0) {
    const HANDLE handle =
        CreateFileA(path, access, share, nullptr, disposition,
                    extra_flags | FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return kNoFile;
    return PlatformFile{reinterpret_cast<std::intptr_t>(handle)};
}

static PlatformFile open_for_check(const char* path) {
    return create_file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

PlatformFile platform_open_read(const char* path, std::uint64_t* size) {
    // The size would cost a call of its own: the reader goes on to the read that returns
    // nothing instead.
    if (size != nullptr) *size = kSizeUnknown;
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    return open_for_check(path);
}

PlatformFile platform_open_listed_file(const char* path, const ListedFile&, std::uint64_t* size) {
    return platform_open_read(path, size);
}

void* platform_module_function(const char* module, const char* function, bool linked) {
    const HMODULE library = linked ? GetModuleHandleA(module) : LoadLibraryA(module);
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(library, function));
}

int platform_file_size(PlatformFile file, std::uint64_t* size) {
    // 0xFFFFFFFF is both a valid low part and the failure value: the error code decides.
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(to_handle(file), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    *size = (std::uint64_t{high} << 32) | low;
    return 1;
}

// The file pointer's position, or false with the system's error. Without a high part the
// call fails for positions past 4 GiB; 0xFFFFFFFF is both a valid position and the failure
// value, so the error code decides.
static bool current_position(HANDLE handle, DWORD* where) {
    SetLastError(NO_ERROR);
    *where = SetFilePointer(handle, 0, nullptr, FILE_CURRENT);
    return *where != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (injected_fault(PlatformCall::Read)) return 0;
    size = injected_read_size(size);
    DWORD count = 0;
    if (!ReadFile(to_handle(file), buffer, size, &count, nullptr)) return 0;
    *got = count;
    return 1;
}

int platform_read_at(PlatformFile file, std::uint64_t position, bool jump, void* buffer,
                     std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    // Windows 95/98 cannot read at a position: the file pointer is moved, and only where
    // the previous read did not leave it at `position`.
    if (jump) {
        std::uint32_t where = 0;
        if (!platform_seek(file, static_cast<std::uint32_t>(position), &where) || where != position)
            return -1;
    }
    if (injected_fault(PlatformCall::Read)) return 0;
    size = injected_read_size(size);
    if (injected_read_fault_at(position, size)) return 0;
    DWORD count = 0;
    if (!ReadFile(to_handle(file), buffer, size, &count, nullptr)) return 0;
    *got = count;
    return 1;
}

void platform_note_position_overflow(PlatformFile file) {
    // The file pointer stands past 4 GiB, where asking for it fails with the code wanted.
    DWORD where = 0;
    current_position(to_handle(file), &where);
}

int platform_tell(PlatformFile file, std::uint32_t* position) {
    *position = 0;
    if (injected_fault(PlatformCall::Tell)) return 0;
    DWORD where = 0;
    if (!current_position(to_handle(file), &where)) return 0;
    *position = where;
    return 1;
}

int platform_can_position(PlatformFile file) {
    if (injected_fault(PlatformCall::Tell)) return 0;
    DWORD where = 0;
    return current_position(to_handle(file), &where) ? 1 : 0;
}

int platform_seek(PlatformFile file, std::uint32_t position, std::uint32_t* result) {
    *result = 0;
    if (injected_fault(PlatformCall::Seek)) return 0;
    // A zero high part makes the 32-bit position unsigned, so files up to 4 GiB can be
    // positioned in as on POSIX.
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD where =
        SetFilePointer(to_handle(file), static_cast<LONG>(position), &high, FILE_BEGIN);
    if (where == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 0;
    *result = where;
    return 1;
}

void platform_close(PlatformFile file) {
    if (is_open(file)) CloseHandle(to_handle(file));
}

int platform_read_finder_info(const char* path, unsigned char* out) {
    char stream[kPathLimit];
    const std::size_t length = std::strlen(path);
    if (length + sizeof kFinderInfoStream > sizeof stream) return -1;
    std::memcpy(stream, path, length);
    std::memcpy(stream + length, kFinderInfoStream, sizeof kFinderInfoStream);
    const PlatformFile file = open_for_check(stream);
    if (!is_open(file)) return -1;
    DWORD count = 0;
    const BOOL read_ok = ReadFile(to_handle(file), out, kFinderInfoSize, &count, nullptr);
    platform_close(file);
    return read_ok ? static_cast<int>(count) : 0;
}

int platform_query_id() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return static_cast<int>(version.dwPlatformId);
}

int platform_module_path(char* out, std::size_t size) {
    if (size == 0) return 0;
    const DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
    // A full buffer means the path was cut (Windows 9x does not even say so).
    if (length == 0 || length >= size) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

void platform_local_time(LocalTime* time) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    time->year = now.wYear;
    time->month = now.wMonth;
    time->day = now.wDay;
    time->hour = now.wHour;
    time->minute = now.wMinute;
    time->second = now.wSecond;
}

int platform_format_date(const LocalTime& time, char* out, std::size_t size) {
    if (size == 0) return 0;
    SYSTEMTIME date;
    std::memset(&date, 0, sizeof date);
    date.wYear = static_cast<WORD>(time.year);
    date.wMonth = static_cast<WORD>(time.month);
    date.wDay = static_cast<WORD>(time.day);
    if (GetDateFormatA(LOCALE_SYSTEM_DEFAULT, 0, &date, "d'-'MMM'-'yy", out,
                       static_cast<int>(size)) == 0) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// ---- Directories, files written by a scan, the command-line tool's surroundings ----------

DirectoryEntryHook directory_entry_hook = nullptr;

static HANDLE to_find_handle(PlatformDirectory handle) {
    return reinterpret_cast<HANDLE>(handle.value);
}

static void take_entry(const WIN32_FIND_DATAA& data, DirectoryEntry* entry) {
    // cFileName holds MAX_PATH characters and is always terminated.
    std::memcpy(entry->name, data.cFileName, sizeof data.cFileName);
    entry->name[kNameLimit - 1] = '\0';
    entry->attributes = data.dwFileAttributes;
    entry->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->pass_over = false;
    entry->regular = false;
    if (directory_entry_hook) directory_entry_hook(entry);
}

int platform_open_directory(const char* directory, PlatformDirectory* handle,
                            DirectoryEntry* first) {
    handle->value = 0;
    if (injected_fault(PlatformCall::Directory)) return kDirectoryFailed;
    // The search pattern is the directory joined with "*.*"; one that would pass the
    // path limit is refused rather than cut.
    static const char kPattern[] = "*.*";
    char pattern[kPathLimit];
    const std::size_t length = std::strlen(directory);
    const bool has_separator = length > 0 && directory[length - 1] == '\\';
    const std::size_t needed = length + (has_separator ? 0 : 1) + sizeof kPattern;
    if (needed > sizeof pattern) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return kDirectoryFailed;
    }
    std::memcpy(pattern, directory, length);
    std::size_t at = length;
    if (!has_separator) pattern[at++] = '\\';
    std::memcpy(pattern + at, kPattern, sizeof kPattern);

    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        SetLastError(error);
        return error == ERROR_FILE_NOT_FOUND ? kDirectoryEmpty : kDirectoryFailed;
    }
    handle->value = reinterpret_cast<std::intptr_t>(find);
    take_entry(data, first);
    return kDirectoryOpened;
}

int platform_folder_identity(const char* path, FolderIdentity* identity) {
    *identity = FolderIdentity{0, 0};
    if (injected_fault(PlatformCall::Identity)) return 0;
    // "C:" alone names the drive's current folder, but the walk enumerates "C:\*.*".
    char root[4] = {path[0], ':', '\\', '\0'};
    if (path[0] != '\0' && path[1] == ':' && path[2] == '\0') path = root;
    // A folder opens as a file only with backup semantics. No access right is asked for,
    // so a folder that may be listed but not read still answers; a junction is followed
    // to the folder it stands for, as the enumeration follows it.
    const HANDLE handle =
        CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL got = GetFileInformationByHandle(handle, &info);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!got) {
        SetLastError(error);
        return 0;
    }
    identity->volume = info.dwVolumeSerialNumber;
    identity->file = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return 1;
}

int platform_next_entry(PlatformDirectory handle, DirectoryEntry* entry) {
    if (injected_fault(PlatformCall::DirectoryNext)) return 0;
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(to_find_handle(handle), &data)) return 0;
    take_entry(data, entry);
    return 1;
}

void platform_close_directory(PlatformDirectory handle) {
    if (handle.value != 0) FindClose(to_find_handle(handle));
}

PlatformFile platform_create_section_file(const char* path) {
    if (injected_fault(PlatformCall::SectionFile)) return kNoFile;
    const PlatformFile file = create_file(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                          OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
    if (!is_open(file)) return kNoFile;
    // A file of that name that was already there is emptied, so that none of its old
    // contents reaches the log.
    if (!SetEndOfFile(to_handle(file))) {
        const DWORD error = GetLastError();
        CloseHandle(to_handle(file));
        SetLastError(error);
        return kNoFile;
    }
    return file;
}

PlatformFile platform_open_read_shared(const char* path) {
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    return create_file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

int platform_write(PlatformFile file, const void* data, std::uint32_t size) {
    if (injected_fault(PlatformCall::Write)) return 0;
    const char* bytes = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
        DWORD count = 0;
        if (!WriteFile(to_handle(file), bytes + done, size - done, &count, nullptr)) return 0;
        if (count == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return 0;
        }
        done += count;
    }
    return 1;
}

int platform_remove_file(const char* path) {
    if (injected_fault(PlatformCall::Remove)) return 0;
    return DeleteFileA(path) ? 1 : 0;
}

int platform_remove_directory(const char* path) {
    if (injected_fault(PlatformCall::Remove)) return 0;
    return RemoveDirectoryA(path) ? 1 : 0;
}

int platform_make_private_directory(char* out, std::size_t size) {
    if (size > 0) out[0] = '\0';
    if (injected_fault(PlatformCall::MakeDirectory)) return 0;
    char base[kPathLimit];
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length >= sizeof base) {
        if (length != 0) SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // The temporary folder belongs to the user; a name taken by someone else is passed
    // over, never reused.
    const DWORD process = GetCurrentProcessId();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        const int written = std::snprintf(out, size, "%sinkhound-%lu-%lu", base,
                                          static_cast<unsigned long>(process),
                                          static_cast<unsigned long>(GetTickCount() + attempt));
        if (written < 0 || static_cast<std::size_t>(written) >= size) {
            if (size > 0) out[0] = '\0';
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        if (CreateDirectoryA(out, nullptr)) return 1;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            out[0] = '\0';
            SetLastError(error);
            return 0;
        }
    }
    out[0] = '\0';
    SetLastError(ERROR_ALREADY_EXISTS);
    return 0;
}

static InterruptHandler interrupt_handler = nullptr;
static volatile LONG interrupts_seen = 0;

void remove_leftovers();

void remove_leftover_file(const char* path) {
    DeleteFileA(path);
}
void remove_leftover_folder(const char* path) {
    RemoveDirectoryA(path);
}

// Runs on a thread the system starts for the event. Returning FALSE hands the event to
// the default handler, which ends the process: so the second interrupt does, after
// removing what the program was making. A section file the scan still holds open keeps
// its folder until the process has ended; the system deletes the file then.
static BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (InterlockedExchange(&interrupts_seen, 1) != 0) {
        remove_leftovers();
        return FALSE;
    }
    if (interrupt_handler) interrupt_handler();
    return TRUE;
}

int platform_catch_interrupt(InterruptHandler handler) {
    interrupt_handler = handler;
    interrupts_seen = 0;
    return SetConsoleCtrlHandler(on_console_event, TRUE) ? 1 : 0;
}

void platform_keep_interrupts_off_this_thread() {}

bool platform_stderr_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void platform_binary_standard_input() {
    _setmode(_fileno(stdin), _O_BINARY);
}

bool platform_stdout_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

int platform_stderr_terminal_width() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

// ---- Replacing a file whole -------------------------------------------------------------

namespace {

// How long a replacement waits for another program to let go of the target (the results
// view reads the log with read sharing only, which refuses a rename over it), and in what
// steps.
constexpr DWORD kReplaceWaitMs = 2000;
constexpr DWORD kReplaceStepMs = 50;

// Whether the move failed only because another program holds a file for a moment.
bool is_held_elsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// One move, through the fault row `call`, retried while the file is held elsewhere.
// `flags` < 0: the plain MoveFileA of Windows 95/98. Returns TRUE, or FALSE with the last
// error set.
BOOL move_with_retry(const char* from, const char* to, int flags, PlatformCall call) {
    for (DWORD waited = 0;; waited += kReplaceStepMs) {
        BOOL moved = FALSE;
        if (!injected_fault(call))
            moved =
                flags < 0 ? MoveFileA(from, to) : MoveFileExA(from, to, static_cast<DWORD>(flags));
        if (moved) return TRUE;
        const DWORD error = GetLastError();
        if (!is_held_elsewhere(error) || waited >= kReplaceWaitMs) {
            SetLastError(error);
            return FALSE;
        }
        Sleep(kReplaceStepMs);
    }
}

// Windows 95/98 have no replacing move: the old file steps aside under a backup name, the
// new one takes its place, and the old one comes back if that fails. Between the two moves
// the target is missing for a moment; it is never half written.
BOOL replace_by_moving_aside(const char* temporary, const char* target) {
    char folder[kPathLimit];
    const std::size_t length = std::strlen(target);
    std::memcpy(folder, target, length + 1);
    char* cut = std::strrchr(folder, '\\');
    if (cut == nullptr) cut = std::strrchr(folder, ':');
    if (cut != nullptr)
        cut[1] = '\0';
    else
        std::memcpy(folder, ".", 2);
    char backup[kPathLimit];
    // GetTempFileNameA makes the name unique by making the file; the move needs it gone.
    if (GetTempFileNameA(folder, kReplacementPrefix, 0, backup) == 0) return FALSE;
    DeleteFileA(backup);
    bool had_old = true;
    if (!move_with_retry(target, backup, -1, PlatformCall::Move)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            SetLastError(error);
            return FALSE;
        }
        had_old = false;
    }
    if (!move_with_retry(temporary, target, -1, PlatformCall::Move)) {
        const DWORD error = GetLastError();
        if (had_old) MoveFileA(backup, target);
        SetLastError(error);
        return FALSE;
    }
    if (had_old) DeleteFileA(backup);
    return TRUE;
}

}  // namespace

int platform_begin_replace(const char* path, PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    r.file = kNoFile;
    r.in_place = false;
    r.leftover = -1;
    r.target[0] = r.temporary[0] = '\0';
    if (injected_fault(PlatformCall::OpenWrite)) return 0;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof r.target) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    std::memcpy(r.target, path, length + 1);
    // Opened without access, the target only tells what it is: no share mode refuses that.
    // A folder fails here with access denied.
    const HANDLE probe = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            SetLastError(error);
            return 0;
        }
    } else {
        const DWORD type = GetFileType(probe);
        CloseHandle(probe);
        if (type != FILE_TYPE_DISK) {
            // A device (NUL, CON, a port) or a pipe cannot be replaced: written straight
            // through, never cut.
            r.file =
                create_file(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
            if (!is_open(r.file)) return 0;
            r.in_place = true;
            return 1;
        }
    }
    char folder[kPathLimit];
    std::memcpy(folder, path, length + 1);
    char* cut = std::strrchr(folder, '\\');
    if (cut == nullptr) cut = std::strrchr(folder, '/');
    if (cut == nullptr) cut = std::strrchr(folder, ':');
    if (cut != nullptr)
        cut[1] = '\0';
    else
        std::memcpy(folder, ".", 2);
    // GetTempFileNameA makes an empty file of a unique name in the folder; a forced end in
    // the moment before it is noted would leave that empty file behind.
    if (GetTempFileNameA(folder, kReplacementPrefix, 0, r.temporary) == 0) {
        const DWORD error = GetLastError();
        r.temporary[0] = '\0';
        SetLastError(error);
        return 0;
    }
    r.leftover = platform_note_leftover(r.temporary, false);
    r.file = create_file(r.temporary, GENERIC_WRITE, FILE_SHARE_READ, TRUNCATE_EXISTING);
    if (!is_open(r.file)) {
        const DWORD error = GetLastError();
        platform_abandon_replace(&r);
        SetLastError(error);
        return 0;
    }
    return 1;
}

int platform_commit_replace(PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    const HANDLE handle = to_handle(r.file);
    r.file = kNoFile;
    if (r.in_place) return CloseHandle(handle) ? 1 : 0;
    // Written through to the disk before the move, so that a crash right after it cannot
    // leave an empty file in the old one's place.
    DWORD error = NO_ERROR;
    if (!FlushFileBuffers(handle)) error = GetLastError();
    if (!CloseHandle(handle) && error == NO_ERROR) error = GetLastError();
    if (error == NO_ERROR &&
        !move_with_retry(r.temporary, r.target, MOVEFILE_REPLACE_EXISTING, PlatformCall::Rename)) {
        error = GetLastError();
        if (error == ERROR_CALL_NOT_IMPLEMENTED)
            error = replace_by_moving_aside(r.temporary, r.target) ? NO_ERROR : GetLastError();
    }
    if (error != NO_ERROR) DeleteFileA(r.temporary);
    platform_forget_leftover(r.leftover);
    r.leftover = -1;
    r.temporary[0] = '\0';
    SetLastError(error);
    return error == NO_ERROR ? 1 : 0;
}

void platform_abandon_replace(PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    platform_close(r.file);
    r.file = kNoFile;
    if (r.in_place || r.temporary[0] == '\0') return;
    DeleteFileA(r.temporary);
    platform_forget_leftover(r.leftover);
    r.leftover = -1;
    r.temporary[0] = '\0';
}

bool platform_replace_was_held(int error) {
    return is_held_elsewhere(static_cast<DWORD>(error));
}

PlatformFile platform_open_in_place(const char* path) {
    if (injected_fault(PlatformCall::OpenWrite)) return kNoFile;
    return create_file(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

int platform_set_size(PlatformFile file, std::uint32_t size) {
    if (injected_fault(PlatformCall::Write)) return 0;
    std::uint32_t where = 0;
    if (!platform_seek(file, size, &where)) return 0;
    return SetEndOfFile(to_handle(file)) ? 1 : 0;
}

void platform_error_text(int error, char* out, std::size_t size) {
    if (size == 0) return;
    char text[256];
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        --length;
    if (length == 0) {
        std::snprintf(out, size, "error %d", error);
        return;
    }
    std::snprintf(out, size, "%.*s", static_cast<int>(length), text);
}

// ---- The command-line tool's start-up -----------------------------------------------------

// Standard handles are not numbered like POSIX descriptors: a file opened later never
// takes the place of a closed one, so there is nothing to fill.
int platform_open_missing_standard_files() {
    return 1;
}

// Windows has no per-process limit of open files that a deep walk could meet.
int platform_raise_open_file_limit(std::uint64_t* limit) {
    *limit = 0;
    return 1;
}

// Windows has no broken-pipe signal: such a write fails with ERROR_NO_DATA already.
void platform_ignore_broken_pipe() {}
