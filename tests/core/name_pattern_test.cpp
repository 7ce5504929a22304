// The --exclude name pattern: one matcher on every system, Windows' letters without case.
#include "scan/name_pattern.h"

#include <gtest/gtest.h>

namespace {

struct PatternCase {
    const char* pattern;
    const char* name;
    bool matches;
    bool ignore_case;
};

TEST(NamePattern, MatchesAsTheTableSays) {
    const PatternCase cases[] = {
        {"._*", "._photo.tif", true, false},
        {"._*", "photo._tif", false, false},
        {".snapshot", ".snapshot", true, false},
        {".snapshot", ".snapshots", false, false},
        {"*.tmp", ".tmp", true, false},
        {"*a*b*c", "xaybzc", true, false},
        {"*a*b*c", "xaybzcd", false, false},
        {"a?c", "abc", true, false},
        {"a?c", "ac", false, false},
        {"[a-c]x", "bx", true, false},
        {"[!a-c]x", "bx", false, false},
        {"[^a-c]x", "dx", true, false},
        {"[]]", "]", true, false},
        {"[*]", "*", true, false},
        {"[*]", "a", false, false},
        {"[ab", "[ab", true, false},  // not closed: a plain "["
        {"*.GIF", "logo.gif", false, false},
        {"*.GIF", "logo.gif", true, true},
        {"[A-C]*", "beta", true, true},
        {"*", "", true, false},
        {"?", "", false, false},
        // Stars that must give back characters many times over, in linear time.
        {"*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false, false},
    };
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(c.matches, name_matches(c.pattern, c.name, c.ignore_case));
    }
}

}  // namespace
