// The report call: line forms, control bytes escaped, the timestamp and bounded
// formatting.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/collect_sink.h"
#include "report/report.h"

namespace {

std::string line_of(const char* timestamp, const char* name, const char* message,
                    std::size_t size = kLineSize) {
    char line[kLineSize];
    const std::size_t length = format_report_line(timestamp, name, message, line, size);
    EXPECT_EQ(std::strlen(line), length);
    return line;
}

TEST(ReportLine, FormsOfTheLineLayout) {
    const char* ts = "6-Dec-26 09:05:03 ";
    struct Case {
        const char* timestamp;
        const char* name;
        const char* message;
        const char* line;
        std::size_t size = kLineSize;
    };
    const Case cases[] = {
        {ts, nullptr, "Starting a background scan",
         "6-Dec-26 09:05:03  Starting a background scan\r\n"},
        {ts, "C:\\A\\x.tif", "read error: 5", "6-Dec-26 09:05:03  C:\\A\\x.tif: read error: 5\r\n"},
        {"", "C:\\A\\x.tif", "possibly RGB", "    C:\\A\\x.tif: possibly RGB\r\n"},
        {"", "C:\\A\\x.tif", "", "    C:\\A\\x.tif\r\n"},
        {"", nullptr, "Finished", "Finished\r\n"},
        {"", nullptr, "", "\r\n"},
        // A name given but empty still brings its colon once something was written.
        {ts, "", "msg", "6-Dec-26 09:05:03 : msg\r\n"},
        {"", "", "msg", "msg\r\n"},
        {ts, nullptr, "", "6-Dec-26 09:05:03 \r\n"},
        // Control bytes never end the line, and a cut for length never splits an escape
        // (room for 29 characters below: the name keeps 7 of its escaped forms).
        {"", "a\n===== Files that are GIF =====\tb\x01\x7f", "",
         "    a\\n===== Files that are GIF =====\\tb\\x01\\x7f\r\n"},
        {"", "x", "bad\rmessage\x1b", "    x: bad\\rmessage\\x1b\r\n"},
        // Bytes just below and above the control range, well inside a long name.
        {"", "a folder name\x1f of ~\x7f 0x20 and up", "",
         "    a folder name\\x1f of ~\\x7f 0x20 and up\r\n"},
        {"", "abcdef\x01\x02", "read error: 5", "    abcdef...: read error: 5\r\n", 32},
        {"",
         "ab\x01"
         "cdefg",
         "read error: 5", "    ab\\x01c...: read error: 5\r\n", 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.line, line_of(c.timestamp, c.name, c.message, c.size));
    }
}

// The longest file entry fits whole; only a name past the path limit is cut, and then
// the message stays whole.
TEST(ReportLine, OverlongNameIsCutSoTheMessageStaysWhole) {
    char timestamp[kTimestampSize];
    std::memset(timestamp, '9', sizeof timestamp - 1);
    timestamp[sizeof timestamp - 1] = '\0';
    const std::string path(kPathLimit - 1, 'p');
    EXPECT_EQ(std::string(timestamp) + " " + path + ": Can't determine if RGB or CMYK\r\n",
              line_of(timestamp, path.c_str(), "Can't determine if RGB or CMYK"));
    const std::string name(3 * kPathLimit, 'p');
    const std::string line = line_of("6-Dec-26 09:05:03 ", name.c_str(), "path too long");
    EXPECT_EQ(kLineSize - 1, line.size());
    EXPECT_EQ("6-Dec-26 09:05:03  ppp", line.substr(0, 22));
    EXPECT_EQ("ppp...: path too long\r\n", line.substr(line.size() - 23));
}

TEST(ReportLine, MessageTooLongByItselfIsCutButTheLineStillEnds) {
    const std::string message(2 * kLineSize, 'm');
    const std::string line = line_of("", "x", message.c_str());
    EXPECT_EQ(kLineSize - 1, line.size());
    EXPECT_EQ("    ...: mmm", line.substr(0, 12));  // no room is left for the name
    EXPECT_EQ("m\r\n", line.substr(line.size() - 3));
}

TEST(Timestamp, DateThenTimeWithSpacesAndNoOverrun) {
    const LocalTime time = {2026, 12, 6, 9, 5, 3};
    char out[kTimestampSize];
    format_timestamp_at(time, out, sizeof out);
    // The month name is the locale's; tests run with the C/English one.
    EXPECT_STREQ("6-Dec-26 09:05:03 ", out);
    const LocalTime late = {2009, 1, 31, 23, 59, 59};
    format_timestamp_at(late, out, sizeof out);
    EXPECT_STREQ("31-Jan-09 23:59:59 ", out);
    // A tiny buffer is cut, not overrun.
    out[8] = '\x7F';
    format_timestamp_at(time, out, 8);
    EXPECT_LT(std::strlen(out), 8u);
    EXPECT_EQ('\x7F', out[8]);
}

class ReportCallTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    CollectingSink sink_;
};

// The lines of a scan with their stamps are the command-line tests'; here, the cut of an
// overlong message to its buffer.
TEST_F(ReportCallTest, AnOverlongMessageIsCutToItsBuffer) {
    report(0, ReportCategory::General, nullptr, "%s", std::string(1000, 'x').c_str());
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ(std::string(kMessageSize - 1, 'x'), sink_.entries().back().message);
}

}  // namespace
