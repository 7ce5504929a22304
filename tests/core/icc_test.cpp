// The profile reader on profiles built here (header, tag table, a version 2 or 4
// description), its bad-input answers, and the profiles the TIFF and JPEG analyses find:
// a tag's span, chunks joined in sequence order, a read failure inside a profile.
#include <gtest/gtest.h>

#include <vector>

#include "classify/analyses.h"
#include "classify/icc.h"
#include "classify/postscript.h"
#include "tests/support/analysis_fixture.h"

namespace {

struct Tag {
    const char* signature;
    Bytes data;
};

// A profile: 128-byte header (its size, `space`, "acsp"), the tag table, the tags' data.
Bytes profile(const char* space, const std::vector<Tag>& tags, const char* magic = "acsp") {
    std::uint32_t offset = 128 + 4 + 12 * static_cast<std::uint32_t>(tags.size());
    Bytes table = be32(static_cast<std::uint32_t>(tags.size())), data;
    for (const Tag& tag : tags) {
        table += Bytes(tag.signature, 4) + be32(offset) + be32(tag.data.size());
        data += tag.data;
        offset += static_cast<std::uint32_t>(tag.data.size());
    }
    Bytes header = be32(offset) + fill(12, 0) + Bytes(space, 4) + fill(16, 0) + Bytes(magic, 4);
    return header + fill(128 - header.size(), 0) + table + data;
}

Bytes desc(const Bytes& text, std::uint32_t count) {
    return Bytes("desc\0\0\0\0", 8) + be32(count) + text + fill(90, 0);
}
Bytes desc(const Bytes& text) {
    return desc(text + Bytes(1, '\0'), static_cast<std::uint32_t>(text.size() + 1));
}
Bytes mluc(const Bytes& utf16, std::uint32_t records = 1, std::uint32_t at = 28) {
    return Bytes("mluc\0\0\0\0", 8) + be32(records) + be32(12) + "enUS" + be32(utf16.size()) +
           be32(at) + utf16;
}
Bytes utf16(const char* ascii) {
    Bytes out;
    for (const char* p = ascii; *p; ++p) out += Bytes(1, '\0') + *p;
    return out;
}

struct ProfileCase {
    const char* what;
    Bytes bytes;
    IccSpace space;
    Bytes description;
};

FileDetails read_memory(const Bytes& bytes) {
    IccMemory memory = {reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<std::uint32_t>(bytes.size())};
    FileDetails details = {};
    read_icc_profile(icc_memory_source(&memory), &details);
    return details;
}

TEST(IccProfile, SpaceAndDescriptionOfEachKind) {
    const Bytes fogra =
        profile("CMYK", {{"cprt", fill(20, 1)}, {"desc", mluc(utf16("Coated FOGRA39"))}});
    const Bytes e_acute(200, '\xE9');
    // clang-format off
    const ProfileCase cases[] = {
        {"version 2 RGB", profile("RGB ", {{"desc", desc("sRGB")}}), IccSpace::Rgb, "sRGB"},
        {"version 4 CMYK, after another tag", fogra, IccSpace::Cmyk, "Coated FOGRA39"},
        {"grey, no description", profile("GRAY", {{"wtpt", fill(20, 0)}}), IccSpace::Grey, ""},
        {"Lab", profile("Lab ", {{"desc", desc("Lab")}}), IccSpace::Lab, "Lab"},
        {"another space", profile("YCbr", {{"desc", desc("Y")}}), IccSpace::Other, "Y"},
        {"a description of another type", profile("RGB ", {{"desc", Bytes("text\0\0\0\0abcdefgh", 16)}}), IccSpace::Rgb, ""},
        {"no records", profile("RGB ", {{"desc", mluc("", 0)}}), IccSpace::Rgb, ""},
        {"Latin-1 byte", profile("RGB ", {{"desc", desc("\xA9 X")}}), IccSpace::Rgb, "\xC2\xA9 X"},
        {"no terminator", profile("RGB ", {{"desc", desc("abc", 3)}}), IccSpace::Rgb, "abc"},
        {"surrogate pair", profile("RGB ", {{"desc", mluc(Bytes("\xD8\x3D\xDE\x00\x00!", 6))}}), IccSpace::Rgb, "\xF0\x9F\x98\x80!"},
        {"lone surrogates", profile("RGB ", {{"desc", mluc(Bytes("\xDE\x00\x00!\xD8\x3D", 6))}}), IccSpace::Rgb, "\xEF\xBF\xBD!\xEF\xBF\xBD"},
        {"cut at a character", profile("RGB ", {{"desc", desc(e_acute)}}), IccSpace::Rgb, Bytes(63, 'x')},
        // Bad input: each a broken profile without a description.
        {"cut-off header", profile("RGB ", {}).substr(0, 100), IccSpace::Broken, ""},
        {"claims more than it holds", profile("RGB ", {{"desc", desc("sRGB")}}).substr(0, 160), IccSpace::Broken, ""},
        {"not a profile", profile("RGB ", {}, "abcd"), IccSpace::Broken, ""},
        {"huge tag count", be32(140) + profile("RGB ", {}).substr(4, 124) + be32(0xFFFFFFFF) + fill(8, 0), IccSpace::Broken, ""},
        // A text past its own element: the space stands, the description is left out.
        {"text count past the tag", profile("RGB ", {{"desc", desc("sRGB", 0x7FFFFFFF)}}), IccSpace::Rgb, ""},
        {"record past the tag", profile("CMYK", {{"desc", mluc(utf16("x"), 1, 0xFFFFFFF0)}}), IccSpace::Cmyk, ""},
    };
    // clang-format on
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const FileDetails details = read_memory(c.bytes);
        EXPECT_EQ(c.space, details.icc_space);
        Bytes expected = c.description;
        if (c.description == Bytes(63, 'x')) {  // 63 two-byte characters fill 126 of 127
            expected.clear();
            for (int i = 0; i < 63; ++i) expected += "\xC3\xA9";
        }
        EXPECT_EQ(expected, Bytes(details.icc_description));
    }
    // A tag past the end of the profile.
    Bytes far = profile("RGB ", {{"desc", desc("x")}});
    far.replace(128 + 8, 4, be32(0xFFFFFF00));
    EXPECT_EQ(IccSpace::Broken, read_memory(far).icc_space);
}

TEST(IccProfile, ConflictOnlyWhenBothSidesAreKnown) {
    struct Case {
        ColourModel model;
        IccSpace space;
        int answer;
    };
    // clang-format off
    const Case cases[] = {
        {ColourModel::Rgb, IccSpace::Cmyk, 1},      {ColourModel::Cmyk, IccSpace::Rgb, 1},
        {ColourModel::Grey, IccSpace::Rgb, 1},      {ColourModel::YCbCr, IccSpace::Rgb, 0},
        {ColourModel::Palette, IccSpace::Rgb, 0},   {ColourModel::Bitmap, IccSpace::Grey, 0},
        {ColourModel::Lab, IccSpace::Lab, 0},       {ColourModel::Unknown, IccSpace::Cmyk, -1},
        {ColourModel::Multichannel, IccSpace::Cmyk, -1}, {ColourModel::Rgb, IccSpace::Other, 1},
        {ColourModel::Rgb, IccSpace::Broken, -1},   {ColourModel::Rgb, IccSpace::None, -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.model)) + " " +
                     std::to_string(static_cast<int>(c.space)));
        EXPECT_EQ(c.answer, icc_conflict_answer(c.model, c.space));
    }
}

const Bytes kCmykProfile =
    profile("CMYK", {{"desc", mluc(utf16("Coated FOGRA39 (ISO 12647-2:2004)"))}});

// An RGB TIFF with a profile `at` bytes in, claiming `count` bytes.
Bytes tiff_with_profile(std::uint32_t at, std::uint32_t count) {
    const Bytes entries = ifd_entry(true, 258, 3, 3, 100) + ifd_entry(true, 262, 3, 1, 2) +
                          ifd_entry(true, 277, 3, 1, 3) + ifd_entry(true, 34675, 7, count, at);
    Bytes file = tiff_file(true, entries, 4);
    file += fill(100 - file.size(), 0) + le16(16) + le16(16) + le16(16);
    return file + fill(at - file.size(), 0) + kCmykProfile;
}

// The analyses gather details for a caller that asks for them, as the tool's records do.
class IccInFiles : public AnalysisTest {
   protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        file_reader.read_details = true;
    }
};

TEST_F(IccInFiles, TiffTagSpanAndAReadFailureInside) {
    const std::uint32_t size = static_cast<std::uint32_t>(kCmykProfile.size());
    open(tiff_with_profile(200, size));
    EXPECT_EQ(Verdict::Rgb, analyse_tiff());
    FileDetails& details = file_reader.details;
    EXPECT_EQ(ColourModel::Rgb, details.model);
    EXPECT_EQ(16, details.bits);
    EXPECT_EQ(IccSpace::Cmyk, details.icc_space);
    EXPECT_STREQ("Coated FOGRA39 (ISO 12647-2:2004)", details.icc_description);

    details = {};
    open(tiff_with_profile(200, size - 1));  // the profile claims a byte more than the tag
    EXPECT_EQ(Verdict::Rgb, analyse_tiff());
    EXPECT_EQ(IccSpace::Broken, details.icc_space);

    // The profile lies in the second block, whose read fails: the verdict and the report
    // stay those of the directory, the profile is broken.
    details = {};
    open(tiff_with_profile(5000, size));
    fail_reads_at(5010, 31);
    EXPECT_EQ(Verdict::Rgb, analyse_tiff());
    clear_platform_faults();
    EXPECT_EQ(IccSpace::Broken, details.icc_space);
    EXPECT_FALSE(file_reader.failed);
    EXPECT_TRUE(sink_.messages().empty());
}

TEST_F(IccInFiles, JpegChunksJoinedInSequenceOrder) {
    // Three parts that cut the header, the table and the description.
    const Bytes parts[] = {kCmykProfile.substr(0, 20), kCmykProfile.substr(20, 120),
                           kCmykProfile.substr(140)};
    struct Case {
        const char* what;
        std::vector<int> order;  // sequence numbers, in the file's order; part = number - 1
        int total;
        IccSpace space;
    };
    const Case cases[] = {
        {"in order", {1, 2, 3}, 3, IccSpace::Cmyk},
        {"out of order", {3, 1, 2}, 3, IccSpace::Cmyk},
        {"repeated", {1, 2, 2}, 3, IccSpace::Broken},
        {"missing", {1, 3}, 3, IccSpace::Broken},
        {"numbered 0", {0, 1, 2}, 3, IccSpace::Broken},
        {"past the total", {1, 2, 4}, 3, IccSpace::Broken},
        {"no chunks", {}, 0, IccSpace::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes segments;
        for (int number : c.order) {
            const Bytes& part = parts[number >= 1 && number <= 3 ? number - 1 : 0];
            segments += jpeg_segment(0xE2, Bytes("ICC_PROFILE\0", 12) + static_cast<char>(number) +
                                               static_cast<char>(c.total) + part);
        }
        const Bytes frame = jpeg_segment(
            0xC0, Bytes("\x0C", 1) + be16(8) + be16(8) + "\x01" + Bytes("\x01\x11\x00", 3));
        file_reader.details = {};
        open(Bytes("\xFF\xD8", 2) + jpeg_segment(0xE1, "Exif") + segments + frame +
             Bytes("\xFF\xD9", 2));
        EXPECT_EQ(Verdict::NothingToReport, analyse_jpeg());
        EXPECT_EQ(c.space, file_reader.details.icc_space);
        EXPECT_EQ(ColourModel::Grey, file_reader.details.model);
        EXPECT_EQ(12, file_reader.details.bits);
    }
}

}  // namespace

namespace {

// An EPS file with `profile` in a hexadecimal section, 32 bytes a line; `close` ends it.
Bytes eps_with_profile(const Bytes& profile, bool close) {
    static const char kDigits[] = "0123456789ABCDEF";
    Bytes eps =
        "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n%%EndComments\n"
        "%%BeginSetup\n%%BeginICCProfile: (Proof) 9 Hex\n";
    for (std::size_t i = 0; i < profile.size(); i += 32) {
        eps += "%";
        for (std::size_t j = i; j < i + 32 && j < profile.size(); ++j) {
            const unsigned char byte = static_cast<unsigned char>(profile[j]);
            eps += Bytes(1, kDigits[byte >> 4]) + kDigits[byte & 15];
        }
        eps += "\n";
    }
    if (close) eps += "%%EndICCProfile\n";
    return eps + "%%EndSetup\n1 0 0 setrgbcolor\n%%EOF\n";
}

TEST_F(IccInFiles, EpsHexSectionAsTheScanPassesIt) {
    // A profile past the decoding limit, its description within it: the header's space
    // and the description; its tail is never decoded.
    Bytes big = profile("CMYK", {{"desc", desc("Big")}, {"A2B0", fill(kEpsProfileLimit, 7)}});
    const Bytes cut = kCmykProfile.substr(0, 140);  // the table, not the description
    struct Case {
        const char* what;
        Bytes file;
        IccSpace space;
        const char* description;
    };
    const Case cases[] = {
        {"whole", eps_with_profile(kCmykProfile, true), IccSpace::Cmyk,
         "Coated FOGRA39 (ISO 12647-2:2004)"},
        {"past the limit", eps_with_profile(big, true), IccSpace::Cmyk, "Big"},
        {"never closed", eps_with_profile(cut, false), IccSpace::Cmyk, ""},
        {"closed short", eps_with_profile(cut, true), IccSpace::Broken, ""},
        {"none", eps_with_profile("", false).replace(78, 1, "X"), IccSpace::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        file_reader.details = {};
        open(c.file);
        EXPECT_EQ(Verdict::PossiblyRgb, analyse_eps(false, false));
        EXPECT_EQ(c.space, file_reader.details.icc_space);
        EXPECT_STREQ(c.description, file_reader.details.icc_description);
    }
}

}  // namespace
