// The installer's and the remover's decisions over Windows paths.
#include "desktop/install/installation.h"

#include <cstdio>
#include <cstring>

#include "desktop/common/trace_line.h"
#include "report/logfile.h"
#include "settings/dirlist.h"

namespace {

constexpr char kProposedSubdirectory[] = "Program Files\\Tarnholt";
constexpr char kDefaultDrive[] = "C:";
constexpr char kProgramTargetName[] = "INKHOUND.EXE";
constexpr char kReplacementExtension[] = ".tmp";
constexpr std::size_t kMostReplacementDigits = 4;

constexpr const char* kOwnFileNames[] = {
    kProgramFileName, kLogFileName, kDirectoryListFileName, kTraceFileName, kImmediateReportName,
};

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_text_ignoring_case(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

bool same_name(const char* a, const char* b) {
    const std::size_t length = std::strlen(a);
    return length == std::strlen(b) && same_text_ignoring_case(a, b, length);
}

bool is_hex_digit(char c) {
    const char u = upper(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F');
}

bool is_section_file(const char* name) {
    for (int slot = 0; slot < kSectionCount; ++slot) {
        char suffix[16], section[32];
        std::snprintf(suffix, sizeof suffix, kSectionFileFormat, slot);
        std::snprintf(section, sizeof section, "%s%s", kSectionFilePrefix, suffix);
        if (same_name(name, section)) return true;
    }
    return false;
}

bool is_replacement_file(const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t prefix = sizeof kReplacementPrefix - 1;
    const std::size_t extension = sizeof kReplacementExtension - 1;
    if (length <= prefix + extension || length > prefix + kMostReplacementDigits + extension)
        return false;
    if (!same_text_ignoring_case(name, kReplacementPrefix, prefix) ||
        !same_text_ignoring_case(name + length - extension, kReplacementExtension, extension))
        return false;
    for (std::size_t i = prefix; i < length - extension; ++i)
        if (!is_hex_digit(name[i])) return false;
    return true;
}

}  // namespace

void proposed_directory(const char* windows_directory, char* out, std::size_t size) {
    if (size == 0) return;
    const char* colon = std::strchr(windows_directory, ':');
    const char* drive = colon ? windows_directory : kDefaultDrive;
    const int drive_length = colon ? static_cast<int>(colon - windows_directory + 1)
                                   : static_cast<int>(sizeof kDefaultDrive - 1);
    const int written =
        std::snprintf(out, size, "%.*s\\%s", drive_length, drive, kProposedSubdirectory);
    // The Windows directory's drive is short; a cut proposal would only be a wrong one.
    if (written < 0 || static_cast<std::size_t>(written) >= size) out[0] = '\0';
}

bool is_floppy_path(const char* path) {
    if (path[0] == '\0' || path[1] != ':') return false;
    const char drive = path[0];
    return drive == 'A' || drive == 'B' || drive == 'a' || drive == 'b';
}

bool installed_program_paths(const char* typed_directory, const char* file_name, char* directory,
                             char* program_path) {
    directory[0] = '\0';
    program_path[0] = '\0';
    const std::size_t length = std::strlen(typed_directory);
    if (full_path_root_length(typed_directory) == 0) return false;
    if (is_install_directory_too_long(typed_directory)) return false;
    const bool has_backslash = typed_directory[length - 1] == '\\';
    const std::size_t with_backslash = length + (has_backslash ? 0 : 1);
    const std::size_t name_size = std::strlen(file_name) + 1;
    if (with_backslash + name_size > kInstallPathSize) return false;
    std::memcpy(directory, typed_directory, length);
    directory[length] = '\\';
    directory[with_backslash] = '\0';
    std::memcpy(program_path, directory, with_backslash);
    std::memcpy(program_path + with_backslash, file_name, name_size);
    return true;
}

bool is_install_directory_too_long(const char* typed_directory) {
    std::size_t length = std::strlen(typed_directory);
    if (length > 0 && typed_directory[length - 1] == '\\') --length;
    return length > kLongestInstallDirectory;
}

bool is_program_own_file(const char* name) {
    for (const char* own : kOwnFileNames)
        if (same_name(name, own)) return true;
    return is_section_file(name) || is_replacement_file(name);
}

std::size_t next_directory_end(const char* directory, std::size_t from) {
    if (from == 0) from = full_path_root_length(directory);
    if (from == 0 || directory[from] == '\0') return 0;
    const char* next = std::strchr(directory + from + 1, '\\');
    return next ? static_cast<std::size_t>(next - directory) : 0;
}

bool build_uninstall_string(const char* program_path, char* out, std::size_t size) {
    if (size == 0) return false;
    const int written = std::snprintf(out, size, "\"%s\" /REMOVE", program_path);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool is_program_link_target(const char* target) {
    const char* slash = std::strrchr(target, '\\');
    const char* name = slash ? slash + 1 : target;
    char upper[kInstallPathSize];
    std::size_t i = 0;
    for (; name[i] != '\0' && i + 1 < sizeof upper; ++i) {
        const char c = name[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    upper[i] = '\0';
    return std::strstr(upper, kProgramTargetName) != nullptr;
}
