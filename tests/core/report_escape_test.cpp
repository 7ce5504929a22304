// The report line's escaping: control bytes of a name or message never end the line, and
// a cut for length falls between two bytes' forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "report.h"

namespace {

TEST(ReportLine, ControlBytesAreEscapedAndNeverSplitByACut) {
    const struct {
        const char* name;
        const char* message;
        std::size_t size;
        const char* line;
    } cases[] = {
        {"a\n===== Files that are GIF =====\tb\x01\x7f", "", kLineSize,
         "    a\\n===== Files that are GIF =====\\tb\\x01\\x7f\r\n"},
        {"x", "bad\rmessage\x1b", kLineSize, "    x: bad\\rmessage\\x1b\r\n"},
        // Room for 29 characters; the name may keep 7 of its escaped forms.
        {"abcdef\x01\x02", "read error: 5", 32, "    abcdef...: read error: 5\r\n"},
        {"ab\x01" "cdefg", "read error: 5", 32, "    ab\\x01c...: read error: 5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        char line[kLineSize];
        const std::size_t length = format_report_line("", c.name, c.message, line, c.size);
        EXPECT_EQ(c.line, std::string(line));
        EXPECT_EQ(std::strlen(line), length);
    }
}

}  // namespace
