// The report call: line forms, the timestamp, bounded formatting, the category tables
// and the verdict-to-entries rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "collect_sink.h"
#include "counters.h"
#include "report.h"

namespace {

std::string line_of(const char* timestamp, const char* name, const char* message) {
    char line[kLineSize];
    const std::size_t length = format_report_line(timestamp, name, message, line, sizeof line);
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
    };
    const Case cases[] = {
        {ts, nullptr, "Starting a background scan", "6-Dec-26 09:05:03  Starting a background scan\r\n"},
        {ts, "C:\\A\\x.tif", "read error: 5", "6-Dec-26 09:05:03  C:\\A\\x.tif: read error: 5\r\n"},
        {"", "C:\\A\\x.tif", "possibly RGB", "    C:\\A\\x.tif: possibly RGB\r\n"},
        {"", "C:\\A\\x.tif", "", "    C:\\A\\x.tif\r\n"},
        {"", nullptr, "Finished", "Finished\r\n"},
        {"", nullptr, "", "\r\n"},
        // A name given but empty still brings its colon once something was written.
        {ts, "", "msg", "6-Dec-26 09:05:03 : msg\r\n"},
        {"", "", "msg", "msg\r\n"},
        {ts, nullptr, "", "6-Dec-26 09:05:03 \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.line, line_of(c.timestamp, c.name, c.message));
    }
}

TEST(ReportLine, LongestFileEntryIsNeverCut) {
    char timestamp[kTimestampSize];
    std::memset(timestamp, '9', sizeof timestamp - 1);
    timestamp[sizeof timestamp - 1] = '\0';
    const std::string path(kPathLimit - 1, 'p');
    const std::string line = line_of(timestamp, path.c_str(), "Can't determine if RGB or CMYK");
    EXPECT_EQ(std::string(timestamp) + " " + path + ": Can't determine if RGB or CMYK\r\n", line);
}

TEST(ReportLine, OverlongNameIsCutSoTheMessageStaysWhole) {
    const std::string name(3 * kPathLimit, 'p');
    const std::string line = line_of("6-Dec-26 09:05:03 ", name.c_str(), "path too long");
    EXPECT_EQ(kLineSize - 1, line.size());
    EXPECT_EQ("6-Dec-26 09:05:03  ppp", line.substr(0, 22));
    EXPECT_EQ("ppp...: path too long\r\n", line.substr(line.size() - 23));

    char small[32];
    format_report_line("", "C:\\a\\very\\long\\name.tif", "read error: 5", small, sizeof small);
    EXPECT_STREQ("    C:\\a\\ve...: read error: 5\r\n", small);
}

TEST(ReportLine, MessageTooLongByItselfIsCutButTheLineStillEnds) {
    const std::string message(2 * kLineSize, 'm');
    const std::string line = line_of("", "x", message.c_str());
    EXPECT_EQ(kLineSize - 1, line.size());
    EXPECT_EQ("    ...: mmm", line.substr(0, 12));  // no room is left for the name
    EXPECT_EQ("m\r\n", line.substr(line.size() - 3));
}

TEST(Timestamp, DateThenTimeWithSpaces) {
    const LocalTime time = {2026, 12, 6, 9, 5, 3};
    char out[kTimestampSize];
    format_timestamp_at(time, out, sizeof out);
    // The month name is the locale's; tests run with the C/English one.
    EXPECT_STREQ("6-Dec-26 09:05:03 ", out);
    const LocalTime late = {2009, 1, 31, 23, 59, 59};
    format_timestamp_at(late, out, sizeof out);
    EXPECT_STREQ("31-Jan-09 23:59:59 ", out);
}

TEST(Timestamp, TinyBufferIsCutNotOverrun) {
    const LocalTime time = {2026, 12, 6, 9, 5, 3};
    char out[8 + 1];
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

TEST_F(ReportCallTest, FormatsWithArgumentsAndStamps) {
    report(1, ReportCategory::IoError, "C:\\x.tif", "open failure: %d", 32);
    report(0, ReportCategory::Rgb, "C:\\y.tif", nullptr);
    ASSERT_EQ(2u, sink_.entries().size());
    const CollectedEntry& first = sink_.entries()[0];
    EXPECT_EQ(1, first.category);
    EXPECT_EQ("open failure: 32", first.message);
    ASSERT_FALSE(first.timestamp.empty());
    EXPECT_EQ(' ', first.timestamp.back());
    EXPECT_EQ(first.timestamp + " C:\\x.tif: open failure: 32\r\n", first.line);
    const CollectedEntry& second = sink_.entries()[1];
    EXPECT_TRUE(second.timestamp.empty());
    EXPECT_EQ("    C:\\y.tif\r\n", second.line);
}

TEST_F(ReportCallTest, OverlongMessageIsCutToItsBuffer) {
    const std::string text(1000, 'x');
    report(0, ReportCategory::General, nullptr, "%s", text.c_str());
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ(std::string(kMessageSize - 1, 'x'), sink_.entries()[0].message);
}

TEST_F(ReportCallTest, WithoutASinkEntriesAreDropped) {
    report_sink = nullptr;
    report(1, ReportCategory::IoError, "x", "read error: %d", 1);
    SUCCEED();
}

TEST(ReportCategories, OnlyKnownCategoriesWithASectionReachASink) {
    struct Case {
        int category;
        LogSection section;
    };
    const Case cases[] = {
        {-1, LogSection::summary}, {0, LogSection::general},  {1, LogSection::errors},
        {4, LogSection::none},     {9, LogSection::none},     {10, LogSection::gif},
        {12, LogSection::unknown_colour}, {13, LogSection::errors}, {14, LogSection::none},
        {15, LogSection::errors},  {99, LogSection::none},    {-2, LogSection::none},
    };
    for (const Case& c : cases) EXPECT_EQ(c.section, section_of(c.category)) << c.category;
}

class VerdictEntriesTest : public ::testing::Test {
  protected:
    void SetUp() override { reset_core_state(); }
    CollectingSink sink_;
};

TEST_F(VerdictEntriesTest, VerdictBecomesUpToThreeFilteredEntries) {
    struct Expected {
        int category;
        const char* message;
    };
    struct Case {
        Verdict verdict;
        bool embedded_jpeg;
        std::uint16_t flags;
        std::vector<Expected> entries;
    };
    const Case cases[] = {
        {Verdict::PossiblyBoth, false, 0x01, {{8, "possibly both CMYK and RGB"}}},
        {Verdict::PossiblyBoth, false, 0x03,
         {{7, "possibly both CMYK and RGB"}, {8, "possibly both CMYK and RGB"}}},
        {Verdict::CmykAndRgb, false, 0x02, {{2, ""}}},
        {Verdict::CmykAndRgb, true, 0x13, {{2, ""}, {3, ""}, {6, ""}}},
        {Verdict::NothingToReport, true, 0x10, {{6, ""}}},
        {Verdict::NothingToReport, true, 0x0F, {}},
        {Verdict::NothingToReport, false, 0xFFFF, {}},
        {Verdict::Invalid, false, 0x07, {}},
        {Verdict::Invalid, false, 0x08, {{13, "File looks to be invalid"}}},
        {Verdict::Mislabelled, false, 0x00, {{15, "File is mis-labelled"}}},
        {Verdict::IoError, false, 0x00, {{1, "File I/O error"}}},
        {Verdict::Gif, false, 0x04, {{5, ""}}},
        {Verdict::Gif, false, 0x1B, {}},
        {Verdict::Undetermined, true, 0x18, {{12, "Can't determine if RGB or CMYK"},
                                            {6, "Can't determine if RGB or CMYK"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("verdict " + std::to_string(static_cast<int>(c.verdict)) + " flags " +
                     std::to_string(c.flags));
        sink_.clear();
        zero_scan_counters();
        const int made = report_verdict("C:\\f.eps", c.verdict, c.embedded_jpeg, c.flags);
        ASSERT_EQ(c.entries.size(), sink_.entries().size());
        EXPECT_EQ(static_cast<int>(c.entries.size()), made);
        EXPECT_EQ(made, scan_counters.files_logged.load());
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            const CollectedEntry& entry = sink_.entries()[i];
            EXPECT_EQ(c.entries[i].category, entry.category);
            EXPECT_EQ(c.entries[i].message, entry.message);
            EXPECT_TRUE(entry.timestamp.empty());
            EXPECT_EQ("C:\\f.eps", entry.name);
        }
    }
}

TEST_F(VerdictEntriesTest, PercentSignsInPathsArePassedThrough) {
    report_verdict("C:\\100%d%s.tif", Verdict::PossiblyRgb, false, 0x01);
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ("    C:\\100%d%s.tif: possibly RGB\r\n", sink_.entries()[0].line);
}

}  // namespace
