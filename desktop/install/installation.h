// The installer's and the remover's decisions and texts: the proposed directory, the
// installed program's paths, the uninstall entry, the floppy test, which links are the
// program's. Pure functions of their text; the Windows side is install/win32/. Paths are
// always Windows paths, on every build.
#pragma once

#include <cstddef>

#include "desktop/install/self_deletion.h"
#include "desktop/results/whole_report.h"

constexpr char kInstallQuestionCaption[] = "Install Inkhound";
constexpr char kInstallQuestion[] =
    "\nThis will install Inkhound - the colour graphics\nfile verification utility on this "
    "system.\n\nIf you wish to proceed with the installation,\nselect Yes otherwise choose No "
    "to cancel.\n\n";
constexpr char kInstallationCaption[] = "Inkhound installation";
constexpr char kInstalledMessage[] =
    "Inkhound has been installed successfully on this system.\nUse the icons to run the "
    "program.";
constexpr char kInstallErrorMessage[] =
    "There was an error installing Inkhound.\nCheck the disk drive specified and the install "
    "path selected";

constexpr char kRemoveCaption[] = "Remove Inkhound";
constexpr char kRemoveQuestion[] =
    "This procedure will remove the Inkhound colour graphics file scanner program from\nyour "
    "computer, along with ALL of the files in the directory where the program was "
    "installed.\nAre you sure that this what you want to do?";
constexpr char kRemovedMessage[] = "Inkhound has been successfully removed.";
// When a file is left behind, the user is told which one to delete ("%s": its path).
constexpr char kRemovedButFileLeftFormat[] =
    "Inkhound has been removed, but this file could not be deleted:\n%s\n\nPlease delete it "
    "yourself.";
constexpr char kRemovalNotFinishedFormat[] =
    "Inkhound's settings and shortcuts have been removed, but the program could not delete "
    "itself.\nPlease delete this file yourself, with the other Inkhound files beside it:\n%s";

constexpr char kProgramFileName[] = "Inkhound.exe";
// The longest of the program's own file names: the immediate scan's report.
constexpr std::size_t kLongestOwnFileName = sizeof kImmediateReportName - 1;
// The longest installation directory, without its trailing backslash: each of the
// program's own files beside it still has a full path of at most 259 characters. This
// also keeps the directory within what the system's temporary file names accept there
// (its path less 14 characters), where the log's replacement is made.
constexpr std::size_t kLongestInstallDirectory = kInstallPathSize - 1 - 1 - kLongestOwnFileName;
static_assert(kLongestInstallDirectory + 1 <= kInstallPathSize - 14,
              "the log's replacement can be made in the program's directory");
constexpr char kInstallDirectoryTooLongFormat[] =
    "Inkhound cannot work in the install path selected.\nChoose a directory of at most %u "
    "characters";
constexpr char kShortcutName[] = "Inkhound";  // also the link's description
constexpr char kLinkExtension[] = ".lnk";
constexpr char kProgramGroup[] = "Tarnholt";
constexpr char kStartupArguments[] = "/background";
constexpr char kUninstallDisplayNameValue[] = "DisplayName";
constexpr char kUninstallDisplayName[] = "Inkhound colour file checker";
constexpr char kUninstallStringValue[] = "UninstallString";

// The directory proposed in the installation dialog: the Windows directory cut after its
// first ":" ("C:" when it has none), joined with "Program Files\Tarnholt".
void proposed_directory(const char* windows_directory, char* out, std::size_t size);

// An installer run from a floppy disk stays there: the path's second character is ":"
// and its first "A" or "B", in either case.
bool is_floppy_path(const char* path);

// The typed installation directory with a trailing backslash, and the path of the program
// `file_name` in it, both of kInstallPathSize characters. Returns false when the directory
// is not a full path (drive and backslash, or a network share) or is too long for the
// program's own files: such a directory is refused, never cut.
bool installed_program_paths(const char* typed_directory, const char* file_name, char* directory,
                             char* program_path);

// Whether the typed directory, without a trailing backslash, is longer than
// kLongestInstallDirectory.
bool is_install_directory_too_long(const char* typed_directory);

// Whether `name`, a file found in the program's directory, is one of the program's own
// files (any case): the program, "Inkhound.log", "Inkhound.dfo", "Inkhound.dbg", the log's
// section files "Inkhound.tm0" to "Inkhound.tm7", the immediate scan's report, and the
// log's unfinished replacement, which the system names "ink", one to four hexadecimal
// digits and ".tmp". Removal deletes these and no other file, whatever its name begins
// with.
bool is_program_own_file(const char* name);

// The next directory to create on the way to `directory` (which ends with a backslash):
// the offset of the next backslash after `from`, past the drive or share root; 0 when
// there are no more.
std::size_t next_directory_end(const char* directory, std::size_t from);

// The uninstall entry's command: the program's path quoted, then " /REMOVE". False when
// it would not fit `size`.
bool build_uninstall_string(const char* program_path, char* out, std::size_t size);

// A link is the program's when the file-name part of its stored target, upper-cased,
// holds "INKHOUND.EXE" anywhere.
bool is_program_link_target(const char* target);
