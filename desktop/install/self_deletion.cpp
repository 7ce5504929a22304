// The deletion command line: built by the program that is to disappear, read back by its
// temporary copy. Hostile text must never make the copy delete anything.
#include "desktop/install/self_deletion.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kRemovalWildcard[] = "*";
// ",HHHHHHHH,L"
constexpr std::size_t kTailLength = 11;
constexpr std::uint32_t kFirstRefusedHandle = 0x80000000u;

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool is_drive_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A path the copy may act on: full, within the limit, naming a file, and free of the
// characters that the shell would take as wildcards or the command line as quotes.
bool is_deletable_path(const char* path, std::size_t length) {
    if (length == 0 || length >= kInstallPathSize) return false;
    const std::size_t root = full_path_root_length(path);
    if (root == 0) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
            return false;
        if (c == ':' && i != 1) return false;
    }
    return path[length - 1] != '\\' && std::strrchr(path, '\\') >= path + root;
}

// The length of the directory part of `path`, its last backslash included.
std::size_t directory_length(const char* path) {
    const char* last = std::strrchr(path, '\\');
    return last ? static_cast<std::size_t>(last - path) + 1 : 0;
}

}  // namespace

std::size_t full_path_root_length(const char* path) {
    if (is_drive_letter(path[0]) && path[1] == ':' && path[2] == '\\') return 2;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    // "\\server\share": both names present and not empty.
    const char* server_end = std::strchr(path + 2, '\\');
    if (server_end == nullptr || server_end == path + 2) return 0;
    const char* share = server_end + 1;
    const char* share_end = std::strchr(share, '\\');
    const std::size_t share_length =
        share_end ? static_cast<std::size_t>(share_end - share) : std::strlen(share);
    if (share_length == 0) return 0;
    return static_cast<std::size_t>(share - path) + share_length;
}

bool build_deletion_command(const char* copy_path, const char* target_path, std::uint32_t handle,
                            bool removal, char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    if (full_path_root_length(copy_path) == 0 || std::strchr(copy_path, '"') != nullptr ||
        !is_deletable_path(target_path, std::strlen(target_path)))
        return false;
    if (handle == 0 || handle >= kFirstRefusedHandle) return false;
    const int written =
        std::snprintf(out, size, "\"%s\" %s%s,%08X,%c", copy_path, kDeletionSwitch, target_path,
                      static_cast<unsigned>(handle), removal ? kRemovalLetter : kInstallerLetter);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool parse_deletion_command(const char* arguments, DeletionRequest* out) {
    if (arguments == nullptr) return false;
    const char* start = std::strstr(arguments, kDeletionSwitch);
    if (start == nullptr) return false;
    start += sizeof kDeletionSwitch - 1;
    const std::size_t rest = std::strlen(start);
    if (rest <= kTailLength) return false;
    const char* tail = start + rest - kTailLength;
    if (tail[0] != ',' || tail[9] != ',') return false;
    if (tail[10] != kRemovalLetter && tail[10] != kInstallerLetter) return false;
    std::uint32_t handle = 0;
    for (int i = 1; i <= 8; ++i) {
        const int digit = hex_value(tail[i]);
        if (digit < 0) return false;
        handle = (handle << 4) | static_cast<std::uint32_t>(digit);
    }
    if (handle == 0 || handle >= kFirstRefusedHandle) return false;

    const std::size_t path_length = static_cast<std::size_t>(tail - start);
    if (path_length >= kInstallPathSize) return false;
    char path[kInstallPathSize];
    std::memcpy(path, start, path_length);
    path[path_length] = '\0';
    if (!is_deletable_path(path, path_length)) return false;

    std::memcpy(out->path, path, path_length + 1);
    out->handle = handle;
    out->removal = tail[10] == kRemovalLetter;
    return true;
}

bool build_removal_search(const char* path, char* out, std::size_t size) {
    const std::size_t directory = directory_length(path);
    if (directory == 0 || directory + sizeof kRemovalWildcard > size) return false;
    std::memcpy(out, path, directory);
    std::memcpy(out + directory, kRemovalWildcard, sizeof kRemovalWildcard);
    return true;
}

bool removal_directory(const char* path, char* out, std::size_t size) {
    const std::size_t directory = directory_length(path);
    if (directory < 2 || directory > size) return false;
    // Without its trailing backslash; a root is never removed ("C:" alone would name the
    // drive's current directory).
    if (directory - 1 <= full_path_root_length(path)) return false;
    std::memcpy(out, path, directory - 1);
    out[directory - 1] = '\0';
    return true;
}
