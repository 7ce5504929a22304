// The operating-system seam of the portable core: files, the Macintosh file type, the
// module path, local time and the platform's identity. One implementation per system
// (platform/win32, platform/posix); nothing above this header names an OS header.
// Every call may run on any scan thread; none keeps state beyond the fault table and the
// noted leftovers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform_config.h"  // kPathLimit, kPathSeparator: chosen per system by the build

// An open file: a HANDLE on Windows, a descriptor on POSIX. kNoFile when not open.
struct PlatformFile {
    std::intptr_t value;
};
constexpr PlatformFile kNoFile = {-1};
inline bool is_open(PlatformFile file) {
    return file.value != kNoFile.value;
}

// The system error code of the calling thread's last failed platform call
// (GetLastError / errno). Read it right after the failing call.
int platform_last_error();

// The size of a file as its open learnt it without another system call (POSIX: from the
// type test), or kSizeUnknown (Windows, which would need a call of its own).
constexpr std::uint64_t kSizeUnknown = ~std::uint64_t{0};

// Opens an existing file for reading the way the file check needs it: shared for reading
// and writing, sequential-scan hint. Returns kNoFile on failure. On POSIX the open never
// blocks: a directory fails with EISDIR, anything else that is not a regular file
// (FIFO, socket, device) with EINVAL. Puts the size into *size when it is given.
PlatformFile platform_open_read(const char* path, std::uint64_t* size = nullptr);

// An open enumeration: a find handle on Windows, a DIR* on POSIX.
struct PlatformDirectory {
    std::intptr_t value;
};

// A file its folder's listing gave as regular (DirectoryEntry::regular): the listing, when
// it is still open as the file is checked (else value 0), and the file's name in it.
struct ListedFile {
    PlatformDirectory folder;
    const char* name;
};

// Opens a listed file the way platform_open_read does, through the same Open row. POSIX:
// by its name in the open listing's folder when there is one, else by `path` (a shorter
// lookup), without following a link and without the type test, whose answer the listing
// gave, so the size is not learnt (kSizeUnknown); a link put in the file's place since is
// opened as platform_open_read opens `path`, and on a pipe or socket put there every read
// fails (ESPIPE). Windows: platform_open_read of `path`.
PlatformFile platform_open_listed_file(const char* path, const ListedFile& listed,
                                       std::uint64_t* size);

// The size of an open file, asked of the system: for the checks that must know where the
// file ends when its open did not learn it. Returns 1, or 0 with the system's error as
// the last error.
int platform_file_size(PlatformFile file, std::uint64_t* size);

// A function of a module, a shared library the program loads when it first needs it: the
// one at the path `module`, or with `linked`, the one of that name the program was linked
// with, never loaded by this call. nullptr when the module or the function cannot be had.
// The module stays loaded; each call loads it once more.
void* platform_module_function(const char* module, const char* function, bool linked);

// Reads up to `size` bytes at the current position. Returns 1 and the count in *got
// (0 at the end of the file), or 0 on failure with *got set to 0.
int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Reads up to `size` bytes at `position`. `jump` says that the previous read of this
// file did not end at `position` (the first read of a file at 0 does not jump; a jump
// goes to a position below 4 GiB, where reads may go on past it): POSIX
// reads at the position alone, Windows moves the file pointer there first only then, as
// Windows 95/98 cannot read at a position. Returns 1 and the count in *got (0 at the end
// of the file); 0 when the read fails, -1 when moving to the position fails (the Seek
// row, taken only by a jump), both with *got set to 0.
int platform_read_at(PlatformFile file, std::uint64_t position, bool jump, void* buffer,
                     std::uint32_t size, std::uint32_t* got);

// For a file read past 4 GiB, which 32-bit positions cannot name: sets the last error to
// the code asking the system for the position gives there (POSIX: EOVERFLOW).
void platform_note_position_overflow(PlatformFile file);

// Current position of the file pointer. Returns 1, or 0 on failure (also when the
// position does not fit in 32 bits).
int platform_tell(PlatformFile file, std::uint32_t* position);

// Whether a file opened by platform_open_read can be positioned, asked once per file:
// returns 1, or 0 with the system's error code as the last error. Windows asks for the
// current position, which fails for a pipe or device opened by name; POSIX answers
// without a system call, since its open admits regular files only. (The Tell row.)
int platform_can_position(PlatformFile file);

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
    OpenWrite,      // beginning the replacement of a file
    MakeDirectory,  // the command-line tool's private folder
    Remove,         // removing a file or a folder
    Rename,         // putting a replacement in its target's place (each attempt)
    Move,           // one plain move of the Windows 95/98 replacement (each attempt)
    StartUp,        // the command-line tool's standard files and descriptor limit
    Identity,       // asking which folder a path names
    Count
};

struct FaultRow {
    int error;  // system error code the failing call leaves; 0: the row is off
    int skip;   // calls of this kind that still succeed before the first failure
    int times;  // failures to make, then the row switches itself off; -1: for ever
};

struct PlatformFaults {
    FaultRow rows[static_cast<int>(PlatformCall::Count)];
    // Besides the Read row: every platform_read_at whose bytes would include this file
    // position fails with this error (0: off), so a failure lands on the same bytes
    // however large the reads are.
    int read_error_at_error;
    std::uint32_t read_error_at;
    // 0: off; else no platform_read or platform_read_at delivers more than this many bytes.
    std::uint32_t read_size_cap;
};
extern PlatformFaults platform_faults;

// Arms one row; clear_platform_faults() switches every row off.
void fail_platform_call(PlatformCall call, int error, int skip = 0, int times = 1);
void fail_reads_at(std::uint32_t position, int error);
void cap_read_size(std::uint32_t size);
void clear_platform_faults();

// Used by the implementations: returns the error code when this call must fail (and sets
// the thread's last error to it), else 0. Every file call asks, so the question of a row
// that is off is answered here, without a call.
int injected_fault_of_armed_row(PlatformCall call);
inline int injected_fault(PlatformCall call) {
    if (platform_faults.rows[static_cast<int>(call)].error == 0) return 0;
    return injected_fault_of_armed_row(call);
}

// Used by the reads: the size to ask the system for, after the cap.
std::uint32_t injected_read_size(std::uint32_t size);
// Used by platform_read_at: the error code when a read of `size` bytes at `position` must
// fail (and sets the thread's last error to it), else 0.
int injected_read_fault_at(std::uint64_t position, std::uint32_t size);

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
    bool regular;       // POSIX: a regular file itself, not a link (Windows: always false)
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

// Which folder a path names, whatever the path: the volume and the file number (POSIX:
// st_dev and st_ino; Windows: the volume serial number and the file index). Two paths
// with one identity are one folder, reached through a link or another spelling.
struct FolderIdentity {
    std::uint64_t volume;
    std::uint64_t file;
};
inline bool same_folder(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume == b.volume && a.file == b.file;
}

// The identity of the folder `path` names, links followed. Returns 1, or 0 with the
// system's error code as the last error and *identity zeroed (a missing folder, one the
// system will not open, Windows 95/98, which opens no folder as a file).
int platform_folder_identity(const char* path, FolderIdentity* identity);

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

// Opens an existing file for reading that others may read but not write while it is
// open (on Windows a writer holding it with read sharing makes this fail). Returns
// kNoFile on failure.
PlatformFile platform_open_read_shared(const char* path);

// Writes `size` bytes at the current position. Returns 1 when every byte was written,
// 0 on failure.
int platform_write(PlatformFile file, const void* data, std::uint32_t size);

// Removes a file or an empty folder. Returns 1, or 0 on failure.
int platform_remove_file(const char* path);
int platform_remove_directory(const char* path);

// Makes a new folder that only this user can use, under the system's temporary folder,
// and puts its full path into `out`. Returns 1, or 0 on failure (or when the path does
// not fit `size`).
int platform_make_private_directory(char* out, std::size_t size);

// Calls `handler` on the first request to end the console program (POSIX: SIGINT,
// SIGTERM or SIGHUP; Windows: Ctrl-C or Ctrl-Break); the handler runs in a signal handler
// or on a system thread and may only store to lock-free atomics. A second request removes
// the noted leftovers and ends the process the system's default way. Returns 1, or 0 when
// it cannot be installed.
using InterruptHandler = void (*)();
int platform_catch_interrupt(InterruptHandler handler);

// Keeps the requests to end away from the calling thread, so that they reach the main
// thread: called first on each thread that checks files for the command-line tool, as
// the leftovers are noted on the main thread with those requests held back there alone.
// On Windows they arrive on a system thread of their own, and nothing is needed.
void platform_keep_interrupts_off_this_thread();

// Whether the standard error stream is a terminal (a console on Windows).
bool platform_stderr_is_terminal();
// Whether the standard output stream is one.
bool platform_stdout_is_terminal();

// The width in columns of the terminal (console) the standard error stream writes to, or 0
// when it is not one or will not say.
int platform_stderr_terminal_width();

// Puts standard input in binary mode (Windows; nothing to do on POSIX), so that a list
// read from it reaches the tool byte for byte: no CR LF folded, no Ctrl-Z taken for its end.
void platform_binary_standard_input();

// ---- Replacing a file whole -------------------------------------------------------------
// A file the program rewrites (the log, the scan directory list, the command-line tool's
// --log) is written beside its target under a name of its own and put in the target's
// place in one step once every byte is in: a failure at any point leaves the previous
// file as it was.

// The prefix of the temporary names a replacement is made under, beside its target.
constexpr char kReplacementPrefix[] = "ink";

struct PlatformReplacement {
    PlatformFile file;           // where the new contents go, through platform_write
    bool in_place;               // the target is a device or a pipe: written straight through
    int leftover;                // the new file's leftover slot, or -1
    char target[kPathLimit];     // the file replaced (on POSIX a symbolic link's target)
    char temporary[kPathLimit];  // the new file until the commit; empty in place
};

// Begins replacing `path`: creates a new, uniquely named file in the target's folder, or,
// when the target exists and is not a regular file (POSIX: also a file reached through a
// descriptor's link, such as /dev/stdout), opens it for writing without cutting it; returns
// 1, or 0 with the system's error code as the last error and nothing left behind.
int platform_begin_replace(const char* path, PlatformReplacement* replacement);

// Closes the new file and puts it in the target's place (POSIX: with the old file's
// permission bits; Windows: retried for about 2 s while another program holds the target,
// and on Windows 95/98 by moving the old file aside first); returns 1, or 0 with the error
// code, the new file removed and the target as it was (in place: 1 once closed).
int platform_commit_replace(PlatformReplacement* replacement);

// Closes and removes the new file, leaving the target as it was.
void platform_abandon_replace(PlatformReplacement* replacement);

// Whether a replacement was refused only because another program holds the target open
// (Windows: a sharing violation or access denied, as when a viewer holds it without
// delete sharing; POSIX: EBUSY or ETXTBSY).
bool platform_replace_was_held(int error);

// Opens an existing regular file to write over it in place: write access, shared for
// reading and writing, nothing cut. A holder that shares writing allows it. Returns
// kNoFile on failure (through the OpenWrite row).
PlatformFile platform_open_in_place(const char* path);

// Makes the file `size` bytes long, cut or extended, and leaves the position there.
// Returns 1, or 0 with the system's error and the size as it was (through the Write row).
int platform_set_size(PlatformFile file, std::uint32_t size);

// The system's words for an error code, without a line end or closing full stop, cut to
// `size`; "error N" when the system has none.
void platform_error_text(int error, char* out, std::size_t size);

// ---- What a forced end must not leave behind ---------------------------------------------

constexpr int kLeftoverSlots = 8;

// Notes a file (or, with `folder`, a folder removed after the files) that a second
// interrupt removes before it ends the process; returns its slot, or -1 when none is free
// or the path is too long.
int platform_note_leftover(const char* path, bool folder);

// Forgets a noted leftover; -1 is ignored.
void platform_forget_leftover(int slot);

// ---- The command-line tool's start-up -----------------------------------------------------

// Opens each standard descriptor (0, 1, 2) that is closed at start on the null device, so
// that no file opened later takes its number and receives what was meant for it; returns
// 1, or 0 on failure (Windows: nothing to do, always 1).
int platform_open_missing_standard_files();

// Raises the limit of open descriptors to the highest the system allows this process, as
// a deep walk holds one per level; returns 1, or 0 when it could not be raised, with the
// limit now in force in *limit either way (0 where there is none: Windows).
int platform_raise_open_file_limit(std::uint64_t* limit);

// Makes a write to a pipe whose reader has gone fail with an error instead of ending the
// process (POSIX: SIGPIPE ignored; Windows has no such signal).
void platform_ignore_broken_pipe();
