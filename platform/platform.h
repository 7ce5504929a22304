// The operating-system seam of the portable core: files, the Macintosh file type, the
// module path, local time and the platform's identity. One implementation per system
// (platform/win32, platform/posix); nothing above this header names an OS header.
// Every call may run on any scan thread; none keeps state beyond the fault table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform_config.h"  // kPathLimit, kPathSeparator: chosen per system by the build

// An open file: a HANDLE on Windows, a descriptor on POSIX. kNoFile when not open.
struct PlatformFile {
    std::intptr_t value;
};
constexpr PlatformFile kNoFile = {-1};
inline bool is_open(PlatformFile file) { return file.value != kNoFile.value; }

// The system error code of the calling thread's last failed platform call
// (GetLastError / errno). Read it right after the failing call.
int platform_last_error();

// Opens an existing file for reading the way the file check needs it: shared for reading
// and writing, sequential-scan hint. Returns kNoFile on failure. On POSIX the open never
// blocks: a directory fails with EISDIR, anything else that is not a regular file
// (FIFO, socket, device) with EINVAL.
PlatformFile platform_open_read(const char* path);

// Reads up to `size` bytes at the current position. Returns 1 and the count in *got
// (0 at the end of the file), or 0 on failure with *got set to 0.
int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Current position of the file pointer. Returns 1, or 0 on failure (also when the
// position does not fit in 32 bits).
int platform_tell(PlatformFile file, std::uint32_t* position);

// Moves the file pointer to an absolute position (0 to 0xFFFFFFFF; past the end is
// allowed). Returns 1 and the new position in *result, or 0 on failure.
int platform_seek(PlatformFile file, std::uint32_t position, std::uint32_t* result);

// Closes an open file; kNoFile is ignored.
void platform_close(PlatformFile file);

// Size of the Macintosh Finder information the file check reads.
constexpr std::uint32_t kFinderInfoSize = 60;

// Reads the Macintosh Finder information kept with a file: the ":Afp_AfpInfo" stream on
// Windows, the extended attribute Samba's streams_xattr keeps it in on POSIX. Copies at
// most kFinderInfoSize bytes into `out` and returns how many arrived, or -1 when there is
// no such information (or the path cannot carry it without passing the path limit).
int platform_read_finder_info(const char* path, unsigned char* out);

// The operating-system platform as the version query reports it:
// 2 Windows NT (and every POSIX system), 1 Windows 95/98, 0 Win32s.
int platform_query_id();

// Full path of the running executable. Returns 1, or 0 when it does not fit `size`.
int platform_module_path(char* out, std::size_t size);

struct LocalTime {
    int year, month, day, hour, minute, second;  // month 1-12
};
void platform_local_time(LocalTime* time);

// Formats a date with the system's default locale as day (no leading zero), hyphen,
// abbreviated month name, hyphen, two-digit year. Returns 1, or 0 when it cannot be
// formatted or does not fit `size`.
int platform_format_date(const LocalTime& time, char* out, std::size_t size);

// Whether two path prefixes of `length` characters name the same thing: without regard
// to letter case on Windows, exactly on POSIX.
bool platform_path_equal(const char* a, const char* b, std::size_t length);

// ---- Fault switch for tests -------------------------------------------------------------
// Makes platform calls fail on purpose, so that every failure path of the reader, walker
// and log file can be exercised on a machine where permissions cannot make calls fail.

enum class PlatformCall : std::uint8_t { Open, Read, Tell, Seek, Directory, Write, Count };

struct FaultRow {
    int error;    // system error code the failing call leaves; 0: the row is off
    int skip;     // calls of this kind that still succeed before the first failure
    int times;    // failures to make, then the row switches itself off; -1: for ever
};

struct PlatformFaults {
    FaultRow rows[static_cast<int>(PlatformCall::Count)];
};
extern PlatformFaults platform_faults;

// Arms one row; clear_platform_faults() switches every row off.
void fail_platform_call(PlatformCall call, int error, int skip = 0, int times = 1);
void clear_platform_faults();

// Used by the implementations: returns the error code when this call must fail (and sets
// the thread's last error to it), else 0.
int injected_fault(PlatformCall call);
