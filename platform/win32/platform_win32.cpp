// Win32 implementation of the platform seam: CreateFileA handles, the NTFS ":Afp_AfpInfo"
// stream, GetModuleFileNameA, GetDateFormatA and GetVersionExA. Runs on whichever thread
// calls it.
#include "win32.h"

#include <cstdio>
#include <cstring>

#include "platform.h"

static const char kFinderInfoStream[] = ":Afp_AfpInfo";

void set_platform_last_error(int error) { SetLastError(static_cast<DWORD>(error)); }

int platform_last_error() { return static_cast<int>(GetLastError()); }

static HANDLE to_handle(PlatformFile file) { return reinterpret_cast<HANDLE>(file.value); }

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

PlatformFile platform_open_read(const char* path) {
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    return open_for_check(path);
}

int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (injected_fault(PlatformCall::Read)) return 0;
    DWORD count = 0;
    if (!ReadFile(to_handle(file), buffer, size, &count, nullptr)) return 0;
    *got = count;
    return 1;
}

int platform_tell(PlatformFile file, std::uint32_t* position) {
    *position = 0;
    if (injected_fault(PlatformCall::Tell)) return 0;
    // Without a high part the call fails for positions past 4 GiB; 0xFFFFFFFF is both a
    // valid position and the failure value, so the error code decides.
    SetLastError(NO_ERROR);
    const DWORD where = SetFilePointer(to_handle(file), 0, nullptr, FILE_CURRENT);
    if (where == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 0;
    *position = where;
    return 1;
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

bool platform_path_equal(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
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

PlatformFile platform_open_write(const char* path) {
    if (injected_fault(PlatformCall::OpenWrite)) return kNoFile;
    return create_file(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
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

int platform_truncate(PlatformFile file) {
    if (injected_fault(PlatformCall::Truncate)) return 0;
    return SetEndOfFile(to_handle(file)) ? 1 : 0;
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

// Runs on a thread the system starts for the event. Returning FALSE hands the event to
// the default handler, which ends the process: so the second interrupt does.
static BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (InterlockedExchange(&interrupts_seen, 1) != 0) return FALSE;
    if (interrupt_handler) interrupt_handler();
    return TRUE;
}

int platform_catch_interrupt(InterruptHandler handler) {
    interrupt_handler = handler;
    interrupts_seen = 0;
    return SetConsoleCtrlHandler(on_console_event, TRUE) ? 1 : 0;
}

bool platform_stderr_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
