// The deletion command line that a removed or installer copy of the program hands to its
// temporary copy, and what the copy makes of it. Pure functions of their text: the
// Windows side (desktop/install/remove.cpp) builds, starts, waits and deletes. Paths here
// are always Windows paths, on every build.
#pragma once

#include <cstddef>
#include <cstdint>

// A full path and its terminating zero.
constexpr std::size_t kInstallPathSize = 260;

constexpr char kDeletionSwitch[] = "/DELETE:";
// The temporary copy's name prefix, for the system's unique temporary file.
constexpr char kDeletionCopyPrefix[] = "Del";
constexpr char kRemovalLetter = 'Y';    // delete the program's files and directory too
constexpr char kInstallerLetter = 'N';  // delete the named executable only

// Room for the quoted copy's path, the switch, the path to delete and the tail
// ",XXXXXXXX,Y", both paths at their longest.
constexpr std::size_t kDeletionCommandSize =
    1 + kInstallPathSize + 1 + 1 + sizeof kDeletionSwitch + kInstallPathSize + 12 + 1;

// Builds "\"copy\" /DELETE:target,HHHHHHHH,L" into `out`. The copy's path is quoted, so a
// blank in the temporary folder's path never starts another program. Returns false, with
// `out` emptied, when the text would not fit, when either path is not a full one, or when
// the handle's value could not be read back (0, or 0x80000000 and above).
bool build_deletion_command(const char* copy_path, const char* target_path, std::uint32_t handle,
                            bool removal, char* out, std::size_t size);

struct DeletionRequest {
    char path[kInstallPathSize];  // the executable to delete
    std::uint32_t handle;         // the inherited handle of the process to wait for
    bool removal;                 // "Y": the program's files and directory too
};

// Reads the argument text of the deletion mode. The tail must be "," followed by exactly
// eight hexadecimal digits, "," and "Y" or "N" (capitals), ending the text; the path is
// everything between the first "/DELETE:" and that tail, so a comma in the path is kept,
// and it must be a full path (drive and backslash, or a network share) of at most 259
// characters naming a file, without wildcards or quotes. A handle of 0 or 0x80000000 and
// above (the system's pseudo-handles among them, on which a wait never ends) is refused.
// Returns false, and nothing is to be deleted, for any other text.
bool parse_deletion_command(const char* arguments, DeletionRequest* out);

// The length of a full path's root: "C:" of "C:\...", "\\server\share" of a network path;
// 0 for anything else (a relative path, a drive without its backslash).
std::size_t full_path_root_length(const char* path);

// The search for every file of the directory of `path`: that directory joined with "*".
// Only the program's own files among them are deleted. False when it would not fit `size`.
bool build_removal_search(const char* path, char* out, std::size_t size);

// The directory of `path` without a trailing backslash, to be removed once empty. False
// (nothing to remove) when the directory is a drive's or share's root.
bool removal_directory(const char* path, char* out, std::size_t size);
