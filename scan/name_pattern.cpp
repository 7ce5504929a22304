// The name pattern matcher, the same on every system. Any thread.
#include "scan/name_pattern.h"

namespace {

unsigned char folded(char c, bool ignore_case) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return ignore_case && byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a')
                                                     : byte;
}

// Matches `c` against the set that opens at `set` (just past its "["). Returns the
// character after its "]" in *end, or null there when the set is not closed.
bool set_matches(const char* set, unsigned char c, bool ignore_case, const char** end) {
    const char* p = set;
    const bool negated = *p == '!' || *p == '^';
    if (negated) ++p;
    bool matched = false;
    // A "]" first in the set is one of its characters, not its end.
    bool first = true;
    for (; *p != '\0' && (first || *p != ']'); first = false) {
        const unsigned char low = folded(*p, ignore_case);
        unsigned char high = low;
        if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
            high = folded(p[2], ignore_case);
            p += 3;
        } else {
            p += 1;
        }
        if (c >= low && c <= high) matched = true;
    }
    if (*p != ']') {
        *end = nullptr;
        return false;
    }
    *end = p + 1;
    return matched != negated;
}

}  // namespace

bool name_matches(const char* pattern, const char* name, bool ignore_case) {
    // Where the last "*" stood and the name's place it was last tried at: a mismatch
    // after it lets the star take one more character, so the match is linear per star
    // rather than exponential in their number.
    const char* star_pattern = nullptr;
    const char* star_name = nullptr;
    const char* p = pattern;
    const char* n = name;
    while (*n != '\0') {
        bool step = false;
        const char* next = p + 1;
        if (*p == '*') {
            star_pattern = p++;
            star_name = n;
            continue;
        }
        if (*p == '?') {
            step = true;
        } else if (*p == '[') {
            const char* end = nullptr;
            step = set_matches(p + 1, folded(*n, ignore_case), ignore_case, &end);
            if (end != nullptr)
                next = end;
            else
                step = *n == '[';  // not a set: a plain "["
        } else if (*p != '\0') {
            step = folded(*p, ignore_case) == folded(*n, ignore_case);
        }
        if (step) {
            p = next;
            ++n;
        } else if (star_pattern != nullptr) {
            p = star_pattern + 1;
            n = ++star_name;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}
