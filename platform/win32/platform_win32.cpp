// Win32 implementation of the platform seam: CreateFileA handles, the NTFS ":Afp_AfpInfo"
// stream, GetModuleFileNameA, GetDateFormatA and GetVersionExA. Runs on whichever thread
// calls it.
#include "win32.h"

#include <cstring>

#include "platform.h"

static const char kFinderInfoStream[] = ":Afp_AfpInfo";

void set_platform_last_error(int error) { SetLastError(static_cast<DWORD>(error)); }

int platform_last_error() { return static_cast<int>(GetLastError()); }

static HANDLE to_handle(PlatformFile file) { return reinterpret_cast<HANDLE>(file.value); }

static PlatformFile open_for_check(const char* path) {
    const HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return kNoFile;
    return PlatformFile{reinterpret_cast<std::intptr_t>(handle)};
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
