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

enum class PlatformCall : std::uint8_t {
    Open,
    Read,
    Tell,
    Seek,
    Directory,
    Write,
    DirectoryNext,  // fetching the next entry of an open enumeration
    SectionFile,    // creating a log section file
    OpenWrite,      // opening a file for writing
    Truncate,       // ending a file at its current position
    MakeDirectory,  // the command-line tool's private folder
    Remove,         // removing a file or a folder
    Count
};

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

// ---- Directories, files written by a scan, the command-line tool's surroundings ----------
// The walker's enumeration, the log file's section files and log, the folder beside the
// executable, and what the command-line tool needs around a scan. Each call that can
// fail goes through the fault switch above.

// Longest entry name with its terminating zero (MAX_PATH on Windows; POSIX names are
// shorter).
constexpr std::size_t kNameLimit = 260;

// Attribute bits of a directory entry, with their Windows values. POSIX has no hidden,
// system or temporary entries; there kAttributeDirectory is the only bit set.
constexpr std::uint32_t kAttributeHidden = 0x2;
constexpr std::uint32_t kAttributeSystem = 0x4;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeTemporary = 0x100;

struct DirectoryEntry {
    char name[kNameLimit];
    std::uint32_t attributes;
    bool is_directory;  // a directory to descend into; never a symbolic link on POSIX
    bool pass_over;     // POSIX: a FIFO, socket, device, or a link to a directory or to one
                        // of those: neither checked nor entered nor counted
};

// An open enumeration: a find handle on Windows, a DIR* on POSIX.
struct PlatformDirectory {
    std::intptr_t value;
};

// Results of platform_open_directory.
constexpr int kDirectoryOpened = 1;
constexpr int kDirectoryFailed = 0;
constexpr int kDirectoryEmpty = -1;

// Starts enumerating the entries of `directory` (no pattern: every entry, "." and ".."
// included where the system lists them, in the system's order). Returns
// kDirectoryOpened with the handle and the first entry; kDirectoryEmpty when the system
// finds no entry at all (Windows: the file-not-found error of an empty drive root; the
// last error is then that code); kDirectoryFailed with the system's error code as the
// last error (a missing directory included). Only kDirectoryOpened leaves a handle to
// close.
int platform_open_directory(const char* directory, PlatformDirectory* handle,
                            DirectoryEntry* first);

// Fetches the next entry. Returns 1, or 0 at the end of the entries or on a failure
// (both end the enumeration).
int platform_next_entry(PlatformDirectory handle, DirectoryEntry* entry);

void platform_close_directory(PlatformDirectory handle);

// Test seam: when set, receives every entry the enumeration delivers before the caller
// sees it, and may change it (Wine keeps no temporary attribute, POSIX none at all).
using DirectoryEntryHook = void (*)(DirectoryEntry* entry);
extern DirectoryEntryHook directory_entry_hook;

// Creates a log section file: read and write access, shared for reading, empty, and
// deleted by the system when it is closed, also when the process ends abnormally
// (Windows: delete-on-close; POSIX: unlinked as soon as it is open). Returns kNoFile on
// failure.
PlatformFile platform_create_section_file(const char* path);

// Opens a file for writing, shared for reading, created when missing and not cut: the
// position is its start. Returns kNoFile on failure.
PlatformFile platform_open_write(const char* path);

// Opens an existing file for reading that others may read but not write while it is
// open (on Windows a writer holding it with read sharing makes this fail). Returns
// kNoFile on failure.
PlatformFile platform_open_read_shared(const char* path);

// Writes `size` bytes at the current position. Returns 1 when every byte was written,
// 0 on failure.
int platform_write(PlatformFile file, const void* data, std::uint32_t size);

// Ends the file at its current position. Returns 1, or 0 on failure.
int platform_truncate(PlatformFile file);

// Removes a file or an empty folder. Returns 1, or 0 on failure.
int platform_remove_file(const char* path);
int platform_remove_directory(const char* path);

// Makes a new folder that only this user can use, under the system's temporary folder,
// and puts its full path into `out`. Returns 1, or 0 on failure (or when the path does
// not fit `size`).
int platform_make_private_directory(char* out, std::size_t size);

// Calls `handler` when the user interrupts the console program (Ctrl-C: SIGINT, or the
// console's control handler on Windows). The handler runs in a signal handler or on a
// system thread: it may only store to lock-free atomics. A second interrupt ends the
// process the system's default way. Returns 1, or 0 when it cannot be installed.
using InterruptHandler = void (*)();
int platform_catch_interrupt(InterruptHandler handler);

// Whether the standard error stream is a terminal (a console on Windows).
bool platform_stderr_is_terminal();
