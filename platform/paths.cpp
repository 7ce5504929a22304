// Path helpers over the platform's separator and path limit.
#include "platform/paths.h"

#include <cstring>

#include "platform/platform.h"

bool join_path(const char* directory, const char* name, char* out, std::size_t size) {
    const std::size_t first = std::strlen(directory);
    const std::size_t second = std::strlen(name);
    const bool separator =
        !(first > 0 && directory[first - 1] == kPathSeparator) && name[0] != kPathSeparator;
    const std::size_t total = first + (separator ? 1 : 0) + second;
    if (size == 0) return false;
    if (total >= size) {
        out[0] = '\0';
        return false;
    }
    std::memmove(out, directory, first);
    std::size_t at = first;
    if (separator) out[at++] = kPathSeparator;
    std::memmove(out + at, name, second);
    out[total] = '\0';
    return true;
}

const char* path_file_name(const char* path) {
    const char* last = std::strrchr(path, kPathSeparator);
    return last ? last + 1 : path;
}

const char* find_extension(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || std::strchr(dot, kPathSeparator) != nullptr)
        return path + std::strlen(path);
    return dot;
}

bool add_trailing_separator(char* path, std::size_t size) {
    const std::size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] == kPathSeparator) return true;
    if (length + 2 > size) return false;
    path[length] = kPathSeparator;
    path[length + 1] = '\0';
    return true;
}

void upper_case_ascii(char* text) {
    for (; *text; ++text)
        if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
}

bool path_beside_executable(const char* name, char* out, std::size_t size) {
    char module[kPathLimit];
    if (size == 0) return false;
    out[0] = '\0';
    if (!platform_module_path(module, sizeof module)) return false;
    char* file_name = const_cast<char*>(path_file_name(module));
    *file_name = '\0';
    return join_path(module, name, out, size);
}
