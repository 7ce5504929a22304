// The extension list check: walks the text once, deleting stray semicolons and later
// copies of each extension, and stops at the first malformed extension.
#include "settings/extensions.h"

#include <cstring>

static bool is_extension_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// Removes `count` characters at `at` from the zero-terminated text.
static void delete_chars(char* text, std::size_t at, std::size_t count) {
    std::memmove(text + at, text + at + count, std::strlen(text + at + count) + 1);
}

bool normalise_extension_list(char* text) {
    std::size_t at = 0;
    for (;;) {
        while (text[at] == ';') delete_chars(text, at, 1);
        if (text[at] == '\0') break;
        if (text[at] != '.') return false;
        std::size_t end = at + 1;
        while (text[end] != ';' && text[end] != '\0') {
            if (!is_extension_char(text[end]) || end - at > 4) return false;
            ++end;
        }
        const std::size_t length = end - at;  // dot included
        if (length < 2) return false;
        if (text[end] == '\0') break;
        if (text[end + 1] == '\0') {
            delete_chars(text, end, 1);
            break;
        }
        // Delete later copies: a copy followed by ";" goes with it, one at the very end
        // is cut off, one followed by anything else is a longer extension and stays.
        std::size_t search = end + 1;
        while (text[search] != '\0') {
            if (std::strncmp(text + search, text + at, length) == 0) {
                const char after = text[search + length];
                if (after == ';') {
                    delete_chars(text, search, length + 1);
                    continue;
                }
                if (after == '\0') {
                    text[search] = '\0';
                    break;
                }
            }
            ++search;
        }
        at = end + 1;
    }
    const std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == ';') text[length - 1] = '\0';
    return true;
}
