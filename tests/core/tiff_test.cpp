// The TIFF analysis: the photometric table, samples and extra samples, field sizes and
// byte orders, directory counts and positions, unknown field types, the header window,
// cut-off files and every failure row, from crafted bytes.
#include <gtest/gtest.h>

#include <vector>

#include "analyses.h"
#include "check.h"
#include "collect_sink.h"
#include "reader.h"
#include "scratch.h"
#include "tiff.h"

namespace {

constexpr unsigned kPhotometric = 262;
constexpr unsigned kSamples = 277;
constexpr unsigned kExtra = 338;
constexpr unsigned kOtherTag = 256;  // ImageWidth

constexpr unsigned kByte = 1;
constexpr unsigned kShort = 3;
constexpr unsigned kLong = 4;
constexpr unsigned kIfd = 13;

struct Entry {
    unsigned tag;
    unsigned type;
    std::uint32_t count;
    std::uint32_t value;  // placed at the start of the value field, as the type's size says
};

// The value field of `entry`: a SHORT or BYTE value sits in the first bytes of the field
// in either byte order.
std::uint32_t value_field(bool little_endian, const Entry& entry) {
    if (little_endian) return entry.value;
    if (entry.type == kShort) return entry.value << 16;
    if (entry.type == kByte) return entry.value << 24;
    return entry.value;
}

Bytes entries(bool little_endian, const std::vector<Entry>& list) {
    Bytes out;
    for (const Entry& entry : list)
        out += ifd_entry(little_endian, entry.tag, entry.type, entry.count,
                         value_field(little_endian, entry));
    return out;
}

Bytes tiff(bool little_endian, const std::vector<Entry>& list) {
    return tiff_file(little_endian, entries(little_endian, list),
                     static_cast<unsigned>(list.size()));
}

const char* order_name(bool little_endian) {
    return little_endian ? "II" : "MM";
}

class TiffAnalysisTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
    }
    void TearDown() override {
        platform_close(file_reader.handle);
        file_reader.handle = kNoFile;
        clear_platform_faults();
    }

    Verdict check(const Bytes& contents) {
        const std::string path = scratch_.write("image.tif", contents);
        return check_file(path.c_str(), options_);
    }

    // Opens `contents` as the file under examination, the way the check does, for the
    // analysis to be run on its own.
    void open(const Bytes& contents) {
        platform_close(file_reader.handle);
        path_ = scratch_.write("direct.bin", contents);
        const PlatformFile file = platform_open_read(path_.c_str());
        ASSERT_TRUE(is_open(file)) << path_;
        file_reader.file_name = path_.c_str();
        reset_reader_for_file(file);
        file_reader.verdict = 0;
    }

    Verdict analyse(const Bytes& contents) {
        open(contents);
        return analyse_tiff();
    }

    Options options_ = {};
    ScratchDir scratch_;
    std::string path_;
    CollectingSink sink_;
};

TEST_F(TiffAnalysisTest, VerdictFollowsPhotometricSamplesAndExtraSamples) {
    struct Case {
        const char* what;
        std::vector<Entry> list;
        Verdict verdict;
    };
    const Case cases[] = {
        {"RGB", {{kPhotometric, kShort, 1, 2}, {kSamples, kShort, 1, 3}}, Verdict::Rgb},
        {"CMYK, 4 samples",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 4}},
         Verdict::Cmyk},
        {"CMYK, 5 samples, 1 extra",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 5}, {kExtra, kShort, 1, 2}},
         Verdict::Cmyk},
        {"CMYK, 6 samples, 2 extra",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 6}, {kExtra, kShort, 2, 0}},
         Verdict::Cmyk},
        {"CMYK, 4 samples, ExtraSamples with count 0",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 4}, {kExtra, kShort, 0, 0}},
         Verdict::Cmyk},
        {"separated, 5 samples, no ExtraSamples",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 5}},
         Verdict::PossiblyCmyk},
        {"separated, 5 samples, 2 extra",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 5}, {kExtra, kShort, 2, 0}},
         Verdict::PossiblyCmyk},
        {"separated, 3 samples",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 3}},
         Verdict::PossiblyCmyk},
        {"separated, no SamplesPerPixel", {{kPhotometric, kShort, 1, 5}}, Verdict::PossiblyCmyk},
        {"separated, extra count wraps to 4 in 32 bits",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kShort, 1, 3}, {kExtra, kShort, 0xFFFFFFFFu, 0}},
         Verdict::PossiblyCmyk},
        {"CMYK, samples as LONG",
         {{kPhotometric, kShort, 1, 5}, {kSamples, kLong, 1, 4}},
         Verdict::Cmyk},
        {"white is zero",
         {{kPhotometric, kShort, 1, 0}, {kSamples, kShort, 1, 1}},
         Verdict::NothingToReport},
        {"black is zero",
         {{kPhotometric, kShort, 1, 1}, {kSamples, kShort, 1, 1}},
         Verdict::NothingToReport},
        {"no PhotometricInterpretation", {{kSamples, kShort, 1, 3}}, Verdict::NothingToReport},
        {"palette", {{kPhotometric, kShort, 1, 3}, {kSamples, kShort, 1, 1}}, Verdict::PossiblyRgb},
        {"transparency mask", {{kPhotometric, kShort, 1, 4}}, Verdict::OtherColourSpace},
        {"YCbCr",
         {{kPhotometric, kShort, 1, 6}, {kSamples, kShort, 1, 3}},
         Verdict::OtherColourSpace},
        {"CIE L*a*b*",
         {{kPhotometric, kShort, 1, 8}, {kSamples, kShort, 1, 3}},
         Verdict::OtherColourSpace},
        {"LogLuv", {{kPhotometric, kShort, 1, 32845}}, Verdict::OtherColourSpace},
        {"RGB in the high half of a LONG",
         {{kPhotometric, kLong, 1, 0x00010002}},
         Verdict::OtherColourSpace},
        {"photometric as BYTE", {{kPhotometric, kByte, 1, 2}}, Verdict::Rgb},
        {"photometric as LONG",
         {{kPhotometric, kLong, 1, 5}, {kSamples, kShort, 1, 4}},
         Verdict::Cmyk},
        {"photometric SHORT count 2: the first value",
         {{kPhotometric, kShort, 2, 2}},
         Verdict::Rgb},
        {"photometric SHORT count 3 lives elsewhere: value 0",
         {{kPhotometric, kShort, 3, 2}},
         Verdict::NothingToReport},
        {"photometric as IFD type: value 0",
         {{kPhotometric, kIfd, 1, 2}},
         Verdict::NothingToReport},
    };
    for (bool little_endian : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(order_name(little_endian)) + ": " + c.what);
            EXPECT_EQ(c.verdict, check(tiff(little_endian, c.list)));
        }
    }
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(TiffAnalysisTest, BigEndianShortIsReadFromTheFirstTwoBytesOfTheField) {
    // Field bytes 00 02 00 05: the SHORT is 2 (RGB); the second half is not looked at.
    const Bytes entry = be16(kPhotometric) + be16(kShort) + be32(1) + Bytes("\0\x02\0\x05", 4);
    EXPECT_EQ(Verdict::Rgb, check(tiff_file(false, entry, 1)));
    // The same bytes in a little-endian file: 02 00 is the SHORT 2 as well.
    const Bytes little = le16(kPhotometric) + le16(kShort) + le32(1) + Bytes("\x02\0\x05\0", 4);
    EXPECT_EQ(Verdict::Rgb, check(tiff_file(true, little, 1)));
}

TEST_F(TiffAnalysisTest, TagsArePickedUpInAnyOrderAndReadingStopsAfterTheLast) {
    for (bool little_endian : {true, false}) {
        SCOPED_TRACE(order_name(little_endian));
        // A later PhotometricInterpretation would make the file RGB if it were read.
        EXPECT_EQ(Verdict::Cmyk, check(tiff(little_endian, {{kExtra, kShort, 1, 0},
                                                            {kOtherTag, kShort, 1, 8},
                                                            {kSamples, kShort, 1, 5},
                                                            {kPhotometric, kShort, 1, 5},
                                                            {kPhotometric, kShort, 1, 2}})));
        // Before all three are seen, a repeated tag replaces the earlier value.
        EXPECT_EQ(Verdict::Cmyk, check(tiff(little_endian, {{kPhotometric, kShort, 1, 2},
                                                            {kPhotometric, kShort, 1, 5},
                                                            {kSamples, kShort, 1, 4},
                                                            {kExtra, kShort, 0, 0}})));
    }
}

TEST_F(TiffAnalysisTest, EntriesAfterTheLastTagAreNotRead) {
    // The three tags end exactly at the end of the first block; the next entry would need
    // a second read, which is made to fail.
    const std::vector<Entry> tags = {
        {kSamples, kShort, 1, 4}, {kExtra, kShort, 0, 0}, {kPhotometric, kShort, 1, 5}};
    Bytes file = Bytes("II*\0", 4) + le32(0);
    const std::uint32_t directory = 4096 - 2 - 36;
    file += fill(directory - file.size(), 0);
    file += le16(5) + entries(true, tags) + entries(true, {{kOtherTag, kShort, 1, 1}}) +
            entries(true, {{kOtherTag, kShort, 1, 1}}) + le32(0);
    file.replace(4, 4, le32(directory));
    fail_platform_call(PlatformCall::Read, 5, 1, -1);  // the first read is the block
    EXPECT_EQ(Verdict::Cmyk, check(file));
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(TiffAnalysisTest, DirectoryEntryCountMustBe1To999) {
    const Bytes photometric_rgb = ifd_entry(true, kPhotometric, kShort, 1, 2);
    const Bytes other = ifd_entry(true, kOtherTag, kShort, 1, 1);
    Bytes many;
    for (int i = 0; i < 998; ++i) many += other;
    struct Case {
        const char* what;
        Bytes file;
        Verdict verdict;
    };
    const Case cases[] = {
        {"no entries", tiff_file(true, "", 0), Verdict::Invalid},
        {"one entry", tiff_file(true, photometric_rgb, 1), Verdict::Rgb},
        {"999 entries, the tag last", tiff_file(true, many + photometric_rgb, 999), Verdict::Rgb},
        {"1000 entries", tiff_file(true, many + photometric_rgb + other, 1000), Verdict::Invalid},
        {"65535 entries", tiff_file(true, photometric_rgb, 0xFFFF), Verdict::Invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.verdict, check(c.file));
    }
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(TiffAnalysisTest, DirectoryPositionPastTheEndReadsACountOf0) {
    Bytes file = tiff(false, {{kPhotometric, kShort, 1, 2}});
    file.replace(4, 4, be32(100000));
    EXPECT_EQ(Verdict::Invalid, check(file));
    file.replace(4, 4, be32(0xFFFFFFFFu));
    EXPECT_EQ(Verdict::Invalid, check(file));
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(TiffAnalysisTest, DataEndingBeforeTheDirectoryPositionIsUndetermined) {
    EXPECT_EQ(Verdict::Undetermined, check(Bytes("MM\0*\0\0", 6)));
    EXPECT_EQ(Verdict::Undetermined, check(Bytes("II*\0", 4)));
}

TEST_F(TiffAnalysisTest, HeaderAfterTheStartPointsAtAnAbsolutePosition) {
    // Ten bytes of something else, then the header; the directory position counts from
    // the start of the file.
    const Bytes entry = ifd_entry(false, kPhotometric, kShort, 1, 3u << 16);
    Bytes file = fill(10, 0x20) + Bytes("MM\0*", 4) + be32(20) + fill(2, 0) + be16(1) + entry;
    EXPECT_EQ(Verdict::PossiblyRgb, check(file));
}

TEST_F(TiffAnalysisTest, HeaderMustEndWithinTheFirst60Bytes) {
    const Bytes entry = ifd_entry(true, kPhotometric, kShort, 1, 2);
    for (std::size_t junk : {std::size_t{56}, std::size_t{57}}) {
        SCOPED_TRACE(junk);
        const std::uint32_t directory = static_cast<std::uint32_t>(junk + 8);
        const Bytes file =
            fill(junk, 0x20) + Bytes("II*\0", 4) + le32(directory) + le16(1) + entry + le32(0);
        EXPECT_EQ(junk == 56 ? Verdict::Rgb : Verdict::Invalid, analyse(file));
    }
    EXPECT_EQ(Verdict::Invalid, analyse(""));
    EXPECT_EQ(Verdict::Invalid, analyse(fill(200, 0x49)));
}

TEST_F(TiffAnalysisTest, UnknownFieldTypesArePassedOverWithTheirValueField) {
    // Types 0 and above 13 are not in the table: their 4-byte field is skipped, so the
    // entries after them are read in step and keep their values.
    for (bool little_endian : {true, false}) {
        for (unsigned type : {0u, 14u, 0xFFFFu}) {
            SCOPED_TRACE(std::string(order_name(little_endian)) + " type " + std::to_string(type));
            EXPECT_EQ(Verdict::Cmyk, check(tiff(little_endian, {{kOtherTag, type, 1, 0x0505},
                                                                {kPhotometric, kShort, 1, 5},
                                                                {kSamples, type, 1, 3},
                                                                {kSamples, kShort, 1, 5},
                                                                {kExtra, type, 1, 0}})));
            // On a tag itself the value is 0 and the tag counts as seen.
            EXPECT_EQ(Verdict::NothingToReport,
                      check(tiff(little_endian, {{kPhotometric, type, 1, 2}})));
        }
    }
}

TEST_F(TiffAnalysisTest, FieldValueFollowsTheTypesSizeAndAlwaysConsumesFourBytes) {
    struct Case {
        unsigned type;
        std::uint32_t count;
        std::uint32_t little;  // value from the field bytes 11 22 33 44
        std::uint32_t big;
    };
    const Case cases[] = {
        {1, 1, 0x11, 0x11},
        {2, 4, 0x11, 0x11},
        {2, 5, 0, 0},
        {3, 1, 0x2211, 0x1122},
        {3, 2, 0x2211, 0x1122},
        {3, 3, 0, 0},
        {4, 1, 0x44332211, 0x11223344},
        {5, 1, 0, 0},
        {6, 1, 0x11, 0x11},
        {7, 3, 0x11, 0x11},
        {8, 1, 0x2211, 0x1122},
        {9, 1, 0x44332211, 0x11223344},
        {10, 1, 0, 0},
        {11, 1, 0x44332211, 0x11223344},
        {12, 1, 0, 0},
        {13, 1, 0, 0},
        {0, 1, 0, 0},
        {14, 1, 0, 0},
        {1, 0, 0, 0},
        {4, 0, 0, 0},
        // 4 times this count wraps to 4 in 32 bits; the value does not fit the field.
        {4, 0x40000001u, 0, 0},
    };
    open(Bytes("\x11\x22\x33\x44\xAB", 5));
    for (bool little_endian : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(order_name(little_endian)) + " type " +
                         std::to_string(c.type) + " count " + std::to_string(c.count));
            rewind_reader(little_endian);
            EXPECT_EQ(little_endian ? c.little : c.big,
                      read_field_value(static_cast<std::uint16_t>(c.type), c.count));
            EXPECT_EQ(0xAB, read_byte());
        }
    }
}

TEST_F(TiffAnalysisTest, EndOfDataAmongTheEntriesKeepsWhatWasFound) {
    const Bytes file = tiff(true, {{kPhotometric, kShort, 1, 2}, {kSamples, kShort, 1, 3}});
    // Cut after the first entry: RGB was found.
    EXPECT_EQ(Verdict::Rgb, check(file.substr(0, 10 + 12)));
    // Cut inside the first entry's value field: the missing bytes read as 0.
    const Bytes big = tiff(false, {{kPhotometric, kShort, 1, 2}});
    EXPECT_EQ(Verdict::NothingToReport, check(big.substr(0, 10 + 8)));
    EXPECT_EQ(Verdict::NothingToReport, check(big.substr(0, 10 + 9)));
    EXPECT_EQ(Verdict::Rgb, check(big.substr(0, 10 + 10)));
}

TEST_F(TiffAnalysisTest, CutOffFilesGiveAVerdictAtEveryLength) {
    for (bool little_endian : {true, false}) {
        const Bytes file = tiff(little_endian, {{kOtherTag, kShort, 1, 16},
                                                {kPhotometric, kShort, 1, 5},
                                                {kSamples, kShort, 1, 5},
                                                {kExtra, kShort, 1, 2}});
        // Where each finding becomes known: the count (its first byte in a little-endian
        // file, 4), the photometric value (5), the samples (5) and the extra count (1).
        const std::size_t count_known = little_endian ? 9 : 10;
        const std::size_t photometric_known = little_endian ? 31 : 32;
        const std::size_t samples_known = little_endian ? 43 : 44;
        const std::size_t extra_known = little_endian ? 51 : 54;
        for (std::size_t length = 0; length <= file.size(); ++length) {
            SCOPED_TRACE(std::string(order_name(little_endian)) + " length " +
                         std::to_string(length));
            Verdict expected = Verdict::Cmyk;
            if (length < 4) {
                expected = Verdict::Invalid;  // no header
            } else if (length < 8) {
                expected = Verdict::Undetermined;  // no directory position
            } else if (length < count_known) {
                expected = Verdict::Invalid;  // the count reads as 0
            } else if (length < photometric_known) {
                expected = Verdict::NothingToReport;  // photometric reads as 0
            } else if (length < samples_known || length < extra_known) {
                expected = Verdict::PossiblyCmyk;  // samples minus extra is not 4
            }
            EXPECT_EQ(expected, analyse(file.substr(0, length)));
        }
    }
    EXPECT_TRUE(sink_.entries().empty());
}

// ---- Failures ---------------------------------------------------------------------------

// A file whose directory lies in its second block, 5000 bytes in.
Bytes far_directory_file() {
    Bytes file = Bytes("II*\0", 4) + le32(5000);
    file += fill(5000 - file.size(), 0);
    return file + le16(2) + ifd_entry(true, kPhotometric, kShort, 1, 2) +
           ifd_entry(true, kSamples, kShort, 1, 3) + le32(0);
}

// A file whose directory entries run across the end of the first block.
Bytes straddling_entries_file() {
    const std::uint32_t directory = 4096 - 2 - 12 - 4;
    Bytes file = Bytes("MM\0*", 4) + be32(directory);
    file += fill(directory - file.size(), 0);
    return file + be16(3) + ifd_entry(false, kOtherTag, kShort, 1, 1u << 16) +
           ifd_entry(false, kSamples, kShort, 1, 4u << 16) +
           ifd_entry(false, kPhotometric, kShort, 1, 5u << 16) + be32(0);
}

TEST_F(TiffAnalysisTest, FailuresGiveTheVerdictsOfTheirPlace) {
    struct Case {
        const char* what;
        Bytes file;
        PlatformCall call;
        int skip;  // the check's signature test makes the first read
        Verdict verdict;
        const char* message;
    };
    const Case cases[] = {
        {"move to the directory fails", far_directory_file(), PlatformCall::Seek, 0,
         Verdict::Invalid, "postitioning error: 31"},
        {"reading the entry count fails", far_directory_file(), PlatformCall::Read, 1,
         Verdict::Invalid, "read error: 31"},
        {"position at a refill fails on the count", far_directory_file(), PlatformCall::Tell, 1,
         Verdict::Invalid, "positioning failure: 31"},
        {"reading the entries fails", straddling_entries_file(), PlatformCall::Read, 1,
         Verdict::IoError, "read error: 31"},
        {"position at a refill fails among the entries", straddling_entries_file(),
         PlatformCall::Tell, 1, Verdict::IoError, "positioning failure: 31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.clear();
        fail_platform_call(c.call, 31, c.skip);
        EXPECT_EQ(c.verdict, check(c.file));
        clear_platform_faults();
        ASSERT_EQ(1u, sink_.entries().size());
        EXPECT_EQ(c.message, sink_.entries()[0].message);
        EXPECT_EQ(1, sink_.entries()[0].category);
    }
    // Without a failure both files are read in full.
    EXPECT_EQ(Verdict::Rgb, check(far_directory_file()));
    EXPECT_EQ(Verdict::Cmyk, check(straddling_entries_file()));
}

TEST_F(TiffAnalysisTest, FailureInTheHeaderSearchGivesIoError) {
    open(tiff(true, {{kPhotometric, kShort, 1, 2}}));
    fail_platform_call(PlatformCall::Read, 5, 0, -1);
    EXPECT_EQ(Verdict::IoError, analyse_tiff());
    EXPECT_EQ((std::vector<std::string>{"read error: 5"}), sink_.messages());
}

}  // namespace
