// The installer's and the remover's decisions over Windows paths.
#include "desktop/install/installation.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kProposedSubdirectory[] = "Program Files\\Tarnholt";
constexpr char kDefaultDrive[] = "C:";
constexpr char kProgramTargetName[] = "INKHOUND.EXE";

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
