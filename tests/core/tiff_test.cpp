// The TIFF analysis from crafted bytes: the three tags in either byte order, field sizes and
// unknown field types, the directory's count and position, the header window, cut-off files
// and the failure rows.
#include <gtest/gtest.h>

#include "classify/analyses.h"
#include "tests/support/analysis_fixture.h"
#include "classify/tiff.h"

namespace {

enum Tag : unsigned { kWidth = 256, kPhotometric = 262, kSamples = 277, kExtra = 338 };
constexpr unsigned kShort = 3;

struct Entry {
    unsigned tag;
    std::uint32_t value;  // a SHORT sits in the field's first two bytes in either byte order
    unsigned type = kShort;
    std::uint32_t count = 1;
};

Bytes tiff(bool little_endian, const std::vector<Entry>& list) {
    Bytes entries;
    for (const Entry& e : list) {
        const unsigned shift = little_endian || e.type != kShort ? 0 : 16;
        entries += ifd_entry(little_endian, e.tag, e.type, e.count, e.value << shift);
    }
    return tiff_file(little_endian, entries, static_cast<unsigned>(list.size()));
}

// One RGB entry in a directory at `position`, the header after `junk` bytes.
Bytes rgb_at(std::uint32_t position, std::size_t junk = 0) {
    return fill(junk, 0x20) + Bytes("II*\0", 4) + le32(position) + fill(position - junk - 8, 0) +
           le16(1) + ifd_entry(true, kPhotometric, kShort, 1, 2) + le32(0);
}

// A directory in the second block.
const Bytes kFarDirectory = rgb_at(5000);

// Directory entries that run across the end of the first block.
Bytes straddling_entries() {
    const std::uint32_t directory = 4096 - 2 - 12 - 4;
    return Bytes("MM\0*", 4) + be32(directory) + fill(directory - 8, 0) + be16(3) +
           ifd_entry(false, kWidth, kShort, 1, 1u << 16) +
           ifd_entry(false, kSamples, kShort, 1, 4u << 16) +
           ifd_entry(false, kPhotometric, kShort, 1, 5u << 16) + be32(0);
}

// One LONG entry whose last byte, the value's low byte, opens the second block.
Bytes entry_ending_past_the_block() {
    const std::uint32_t directory = 4096 - 2 - 11;
    return Bytes("MM\0*", 4) + be32(directory) + fill(directory - 8, 0) + be16(1) +
           ifd_entry(false, kPhotometric, 4, 1, 2) + be32(0);
}

using TiffAnalysis = AnalysisTest;

TEST_F(TiffAnalysis, VerdictFollowsTheThreeTagsInEitherByteOrder) {
    struct Case {
        const char* what;
        std::vector<Entry> list;
        Verdict verdict;
    };
    // Our rule for types 0 and above 13: the 4-byte field is skipped and the value is 0.
    // clang-format off
    const Case cases[] = {
        {"RGB", {{kPhotometric, 2}, {kSamples, 3}}, Verdict::Rgb},
        {"CMYK", {{kPhotometric, 5}, {kSamples, 4}}, Verdict::Cmyk},
        {"5 samples, 1 extra", {{kPhotometric, 5}, {kSamples, 5}, {kExtra, 2}}, Verdict::Cmyk},
        {"5 samples, no ExtraSamples", {{kPhotometric, 5}, {kSamples, 5}}, Verdict::PossiblyCmyk},
        {"3 samples less 2^32 - 1 extra",
         {{kPhotometric, 5}, {kSamples, 3}, {kExtra, 0, kShort, 0xFFFFFFFFu}},
         Verdict::PossiblyCmyk},
        {"white is zero", {{kPhotometric, 0}}, Verdict::NothingToReport},
        {"black is zero", {{kPhotometric, 1}}, Verdict::NothingToReport},
        {"no PhotometricInterpretation", {{kSamples, 3}}, Verdict::NothingToReport},
        {"palette", {{kPhotometric, 3}}, Verdict::PossiblyRgb},
        {"YCbCr", {{kPhotometric, 6}}, Verdict::OtherColourSpace},
        {"any order; entries after the third tag are not read",
         {{kExtra, 0}, {kWidth, 8}, {kSamples, 5}, {kPhotometric, 5}, {kPhotometric, 2}},
         Verdict::Cmyk},
        {"a repeated tag replaces the value before",
         {{kPhotometric, 2}, {kPhotometric, 5}, {kSamples, 4}}, Verdict::Cmyk},
        {"unknown types keep the entries in step",
         {{kWidth, 5, 0}, {kPhotometric, 5}, {kSamples, 3, 0xFFFF}, {kSamples, 5}, {kExtra, 0, 14}},
         Verdict::Cmyk},
        {"unknown type on the tag", {{kPhotometric, 2, 14}}, Verdict::NothingToReport},
    };
    // clang-format on
    for (bool le : {true, false}) {
        SCOPED_TRACE(le ? "II" : "MM");
        std::vector<AnalysisCase> rows;
        for (const Case& c : cases) rows.push_back({c.what, tiff(le, c.list), c.verdict});
        expect_verdicts(analyse_tiff, rows);
    }
}

TEST_F(TiffAnalysis, FieldValueFollowsTheTypesSizeAndAlwaysTakesFourBytes) {
    struct Case {
        unsigned type;
        std::uint32_t count, little, big;  // from the field bytes 11 22 33 44
    };
    constexpr std::uint32_t kLe32 = 0x44332211, kBe32 = 0x11223344;
    // clang-format off
    const Case cases[] = {
        {1, 1, 0x11, 0x11}, {2, 4, 0x11, 0x11}, {6, 1, 0x11, 0x11}, {7, 3, 0x11, 0x11},
        {3, 1, 0x2211, 0x1122}, {3, 2, 0x2211, 0x1122}, {8, 1, 0x2211, 0x1122},
        {4, 1, kLe32, kBe32}, {9, 1, kLe32, kBe32}, {11, 1, kLe32, kBe32},
        {2, 5, 0, 0}, {3, 3, 0, 0}, {4, 0, 0, 0}, {4, 0x40000001u, 0, 0}, {5, 1, 0, 0},
        {10, 1, 0, 0}, {12, 1, 0, 0}, {13, 1, 0, 0}, {0, 1, 0, 0}, {14, 1, 0, 0}, {65535, 1, 0, 0}};
    // clang-format on
    open(Bytes("\x11\x22\x33\x44\xAB", 5));
    for (bool le : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << le << " type " << c.type << " count " << c.count);
            rewind_reader(le);
            EXPECT_EQ(le ? c.little : c.big,
                      read_field_value(static_cast<std::uint16_t>(c.type), c.count));
            EXPECT_EQ(0xAB, read_byte());
        }
    }
}

TEST_F(TiffAnalysis, DirectoryCountPositionAndHeaderWindow) {
    const Bytes rgb = ifd_entry(true, kPhotometric, kShort, 1, 2);
    const Bytes width = ifd_entry(true, kWidth, kShort, 1, 1);
    Bytes many;
    for (int i = 0; i < 998; ++i) many += width;
    // Missing bytes read as 0: a count of 1 cut after its first byte is still 1.
    const Bytes cmyk =
        tiff(true, {{kWidth, 16}, {kPhotometric, 5}, {kSamples, 5}, {kExtra, 0, kShort, 1}});
    // clang-format off
    expect_verdicts(analyse_tiff, {
        {"no entries", tiff_file(true, "", 0), Verdict::Invalid},
        {"999 entries, the tag last", tiff_file(true, many + rgb, 999), Verdict::Rgb},
        {"1000 entries", tiff_file(true, many + rgb + width, 1000), Verdict::Invalid},
        {"position past the end", rgb_at(8).replace(4, 4, le32(100000)), Verdict::Invalid},
        {"directory in the second block", kFarDirectory, Verdict::Rgb},
        {"entries across the first block's end", straddling_entries(), Verdict::Cmyk},
        {"an entry's last byte in the next block", entry_ending_past_the_block(), Verdict::Rgb},
        {"header after 10 bytes: the position is absolute", rgb_at(18, 10), Verdict::Rgb},
        {"header ending at byte 60", rgb_at(64, 56), Verdict::Rgb},
        {"header ending at byte 61", rgb_at(65, 57), Verdict::Invalid},
        {"200 bytes of I", fill(200, 'I'), Verdict::Invalid},
        {"data end inside the position", Bytes("MM\0*\0\0", 6), Verdict::Undetermined},
        {"data end before the extra count", cmyk.substr(0, 50), Verdict::PossiblyCmyk},
        {"data end after its first byte", cmyk.substr(0, 51), Verdict::Cmyk},
    });
    // clang-format on
}

TEST_F(TiffAnalysis, FailuresGiveTheVerdictOfTheirPlace) {
    const Bytes far = kFarDirectory, across = straddling_entries();
    const PlatformCall read = PlatformCall::Read, seek = PlatformCall::Seek;
    // clang-format off
    expect_verdicts(analyse_tiff, {
        {"header search", far, Verdict::IoError, {"read error: 31"}, read},
        {"moving to the directory", far, Verdict::Invalid, {"postitioning error: 31"}, seek},
        {"reading the count", far, Verdict::Invalid, {"read error: 31"}, read, 1},
        {"reading the entries", across, Verdict::IoError, {"read error: 31"}, read, 1},
    });
    // clang-format on
}

}  // namespace
