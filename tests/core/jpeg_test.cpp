// The JPEG analysis: frame and scan headers, the Adobe transform, the walk's 60 bytes,
// fill bytes and the other places where the walk differs from common decoders, cut-off
// files and every failure row, from crafted bytes.
#include <gtest/gtest.h>

#include <vector>

#include "analyses.h"
#include "check.h"
#include "collect_sink.h"
#include "jpeg.h"
#include "reader.h"
#include "scratch.h"

namespace {

const Bytes kStart("\xFF\xD8", 2);
const Bytes kEnd("\xFF\xD9", 2);
// Compressed data as it follows a scan header: no FF D8 in it.
const Bytes kEntropy(
    "\x12\x34\x56\xFF\x00\x78\x9A\xBC\xDE\xF0\x11\x22\x33\x44\x55\x66"
    "\x77\x88\x99\xAA\xBB\xCC\xDD\xEE\x01\x02\x03\x04\x05\x06\x07\x08"
    "\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x13\x14\x15\x16\x17\x18\x19\x1A"
    "\x1B\x1C\x1D\x1E\x1F\x20\x21\x22\x23\x24\x25\x26\x27\x28\x29\x2A",
    64);

constexpr unsigned kSof0 = 0xC0;
constexpr unsigned kSof1 = 0xC1;
constexpr unsigned kSof2 = 0xC2;
constexpr unsigned kDht = 0xC4;
constexpr unsigned kDqt = 0xDB;
constexpr unsigned kSos = 0xDA;
constexpr unsigned kApp0 = 0xE0;
constexpr unsigned kApp1 = 0xE1;
constexpr unsigned kApp14 = 0xEE;
constexpr unsigned kComment = 0xFE;

Bytes frame(unsigned code, unsigned components) {
    Bytes contents = Bytes("\x08", 1) + be16(16) + be16(16);
    contents += static_cast<char>(components);
    for (unsigned i = 0; i < components; ++i) contents += Bytes("\x01\x11\x00", 3);
    return jpeg_segment(code, contents);
}

Bytes scan(unsigned components) {
    Bytes contents(1, static_cast<char>(components));
    for (unsigned i = 0; i < components; ++i) contents += Bytes("\x01\x00", 2);
    return jpeg_segment(kSos, contents + Bytes("\x00\x3F\x00", 3));
}

Bytes adobe(unsigned transform) {
    return jpeg_segment(kApp14, Bytes("Adobe", 5) + be16(100) + be16(0) + be16(0) +
                                    Bytes(1, static_cast<char>(transform)));
}

const Bytes kJfif = jpeg_segment(kApp0, Bytes("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
const Bytes kTables = jpeg_segment(kDqt, fill(65, 0x01)) + jpeg_segment(kDht, fill(30, 0x02));

// A progressive file: its frame header is passed over, its first scan decides.
Bytes progressive(const Bytes& before, unsigned components) {
    return kStart + before + kTables + frame(kSof2, components) + scan(components) + kEntropy +
           kEnd;
}

class JpegAnalysisTest : public ::testing::Test {
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
        const std::string path = scratch_.write("image.jpg", contents);
        return check_file(path.c_str(), options_);
    }

    // Opens `contents` as the file under examination, the way the check does, for the
    // analysis or a segment reader to be run on its own.
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
        return analyse_jpeg();
    }

    Options options_ = {};
    ScratchDir scratch_;
    std::string path_;
    CollectingSink sink_;
};

TEST_F(JpegAnalysisTest, BaselineFrameHeaderDecidesByItsComponents) {
    struct Case {
        unsigned components;
        Verdict verdict;
    };
    const Case cases[] = {
        {1, Verdict::NothingToReport},
        {3, Verdict::Rgb},
        {4, Verdict::Cmyk},
        {2, Verdict::OtherColourSpace},
        {0, Verdict::OtherColourSpace},
        {5, Verdict::OtherColourSpace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.components);
        EXPECT_EQ(c.verdict, check(kStart + kJfif + kTables + frame(kSof0, c.components) + kEnd));
    }
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(JpegAnalysisTest, DecidingFrameHeaderEndsTheWalk) {
    // A 3-component frame decides at once; the scan and the segment after it are not
    // entered.
    EXPECT_EQ(Verdict::Rgb,
              check(kStart + frame(kSof0, 3) + jpeg_segment(kComment, "x") + scan(4) + kEntropy));
    // A 2-component frame does not: the segment that follows sets the verdict again.
    struct Case {
        const char* what;
        Bytes after;
        Verdict verdict;
    };
    const Case cases[] = {
        {"end of image", kEnd + jpeg_segment(kComment, "x"), Verdict::OtherColourSpace},
        {"end of the file", "", Verdict::OtherColourSpace},
        {"a table segment", kTables + kEnd, Verdict::Invalid},
        {"a 2-component scan", scan(2) + kEntropy, Verdict::OtherColourSpace},
        {"a 3-component scan", scan(3) + kEntropy, Verdict::PossiblyRgb},
        {"a restart marker, then end of image", Bytes("\xFF\xD0", 2) + kEnd,
         Verdict::OtherColourSpace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.verdict, check(kStart + frame(kSof0, 2) + c.after));
    }
}

TEST_F(JpegAnalysisTest, ProgressiveFilesDecideByScanAndAdobeTransform) {
    struct Case {
        const char* what;
        Bytes before;
        unsigned components;
        Verdict verdict;
    };
    const Case cases[] = {
        {"3 components", kJfif, 3, Verdict::PossiblyRgb},
        {"3 components, transform 0", adobe(0), 3, Verdict::PossiblyRgb},
        {"3 components, transform 1", adobe(1), 3, Verdict::Rgb},
        {"3 components, transform 2", adobe(2), 3, Verdict::Cmyk},
        {"4 components", "", 4, Verdict::PossiblyCmyk},
        {"4 components, transform 0", adobe(0), 4, Verdict::PossiblyCmyk},
        {"4 components, transform 2", adobe(2), 4, Verdict::Cmyk},
        {"4 components, transform 1", adobe(1), 4, Verdict::Rgb},
        {"4 components, transform 3", adobe(3), 4, Verdict::PossiblyCmyk},
        {"greyscale", "", 1, Verdict::NothingToReport},
        {"greyscale, transform 1", adobe(1), 1, Verdict::NothingToReport},
        {"2 components, transform 1", adobe(1), 2, Verdict::OtherColourSpace},
        {"the last Adobe segment counts", adobe(2) + adobe(1), 3, Verdict::Rgb},
        {"Adobe segment shorter than 14 bytes",
         jpeg_segment(kApp14, Bytes("Adobe\0\x64\0\0\0\0", 11)), 3, Verdict::PossiblyRgb},
        {"not Adobe",
         jpeg_segment(kApp14, Bytes("Adobf", 5) + be16(100) + be16(0) + be16(0) + "\x01"), 3,
         Verdict::PossiblyRgb},
        {"Adobe in another application segment",
         jpeg_segment(kApp1, Bytes("Adobe", 5) + be16(100) + be16(0) + be16(0) + "\x01"), 3,
         Verdict::PossiblyRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.verdict, check(progressive(c.before, c.components)));
    }
}

TEST_F(JpegAnalysisTest, TransformOnlyRefinesAScanFinding) {
    EXPECT_EQ(Verdict::Rgb, check(kStart + adobe(2) + frame(kSof0, 3) + kEnd));
    EXPECT_EQ(Verdict::Cmyk, check(kStart + adobe(1) + frame(kSof0, 4) + kEnd));
    EXPECT_EQ(Verdict::OtherColourSpace, check(kStart + adobe(1) + frame(kSof0, 2) + kEnd));
}

TEST_F(JpegAnalysisTest, AdobeSegmentIsReadOnlyWhenLongEnoughAndTagged) {
    const Bytes contents = Bytes("Adobe", 5) + be16(100) + be16(0) + be16(0) + "\x01";
    struct Case {
        const char* what;
        Bytes contents;
        std::uint32_t length;
        std::uint8_t transform;
    };
    const Case cases[] = {
        {"length 14", contents, 14, 1},
        {"length 13", contents, 13, 0},
        {"length 2", contents, 2, 0},
        {"lower-case tag", Bytes("adobe", 5) + contents.substr(5), 14, 0},
        {"last letter differs", Bytes("Adobf", 5) + contents.substr(5), 14, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.contents);
        rewind_reader(false);
        jpeg_state.adobe_transform = 0;
        read_adobe_segment(c.length);
        EXPECT_EQ(c.transform, jpeg_state.adobe_transform);
    }
}

TEST_F(JpegAnalysisTest, HeadersShorterThan6BytesAreNotRead) {
    // Length 5 claims a frame header without its component count.
    EXPECT_EQ(Verdict::Invalid, check(kStart + Bytes("\xFF\xC0\x00\x05\x08\x00\x10", 7) + kEnd));
    EXPECT_EQ(Verdict::Invalid, check(kStart + Bytes("\xFF\xDA\x00\x05\x03\x01\x00", 7) + kEnd));
    // Length 6 is enough for the count.
    EXPECT_EQ(Verdict::Rgb,
              check(kStart + Bytes("\xFF\xC0\x00\x06\x08\x00\x10\x00\x10\x03", 10) + kEnd));
    EXPECT_EQ(Verdict::PossiblyRgb,
              check(kStart + Bytes("\xFF\xDA\x00\x06\x03\x01\x00\x02", 8) + kEntropy));
}

TEST_F(JpegAnalysisTest, OnlyTheBaselineFrameHeaderIsExamined) {
    // An extended or progressive frame header without a scan after it leaves 13.
    EXPECT_EQ(Verdict::Invalid, check(kStart + frame(kSof1, 3) + kEnd));
    EXPECT_EQ(Verdict::Invalid, check(kStart + frame(kSof2, 4) + kEnd));
}

TEST_F(JpegAnalysisTest, WalkReadsAt60BytesItself) {
    // The start marker and every later marker count two bytes: a frame header after 28
    // other segments has its marker at bytes 59 and 60; after 29 it lies beyond them.
    // Segment contents do not count.
    const Bytes segment = jpeg_segment(kApp1, fill(40, 0x41));
    const Bytes restart("\xFF\xD0", 2);
    struct Case {
        const char* what;
        int segments;
        int restarts;
        Verdict verdict;
    };
    const Case cases[] = {
        {"27 segments", 27, 0, Verdict::Rgb},
        {"28 segments", 28, 0, Verdict::Rgb},
        {"29 segments", 29, 0, Verdict::Invalid},
        {"27 segments and a restart marker", 27, 1, Verdict::Rgb},
        {"27 segments and two restart markers", 27, 2, Verdict::Invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = kStart;
        for (int i = 0; i < c.segments; ++i) file += segment;
        for (int i = 0; i < c.restarts; ++i) file += restart;
        EXPECT_EQ(c.verdict, check(file + frame(kSof0, 3) + kEnd));
    }
}

TEST_F(JpegAnalysisTest, BytesBeforeTheStartMarkerCountToo) {
    // Unlike a decoder, the walk looks for its start marker; the bytes it passes count.
    const Bytes rest = frame(kSof0, 4) + kEnd;
    EXPECT_EQ(Verdict::Cmyk, check(fill(10, 0x00) + kStart + rest));
    // Start marker and frame code at bytes 57 to 60: classified.
    EXPECT_EQ(Verdict::Cmyk, check(fill(56, 0x20) + kStart + rest));
    // One byte later the code is the 61st byte.
    EXPECT_EQ(Verdict::Invalid, check(fill(57, 0x20) + kStart + rest));
    // A repeated FF before D8 is no start marker.
    EXPECT_EQ(Verdict::Invalid, analyse(Bytes("\xFF", 1) + kStart + rest));
}

TEST_F(JpegAnalysisTest, NoStartMarkerIsInvalid) {
    EXPECT_EQ(Verdict::Invalid, analyse(""));
    EXPECT_EQ(Verdict::Invalid, analyse(fill(100, 0xFF)));
    EXPECT_EQ(Verdict::Invalid, analyse(fill(100, 0x00)));
    EXPECT_EQ(Verdict::Invalid, analyse(Bytes("\xFF\xD8", 2) + Bytes("\x00", 1) + frame(kSof0, 3)));
}

TEST_F(JpegAnalysisTest, FillByteIsTakenAsAMarkerCode) {
    // A decoder skips the extra FF; the walk takes it as a code and "C0 00" as its length,
    // which carries it past the end of the file.
    EXPECT_EQ(Verdict::Invalid, check(kStart + Bytes("\xFF", 1) + frame(kSof0, 3) + kEnd));
    // Fill bytes between a segment and the next marker likewise.
    EXPECT_EQ(Verdict::Invalid, check(kStart + kJfif + Bytes("\xFF", 1) + frame(kSof0, 3) + kEnd));
}

TEST_F(JpegAnalysisTest, ByteOtherThanAMarkerAfterASegmentRestartsTheSearch) {
    // A length one short lands on the segment's last byte: the walk looks for a start
    // marker again, and here finds one.
    const Bytes short_app = Bytes("\xFF\xE1\x00\x04\x41\x41\x41", 7);
    EXPECT_EQ(Verdict::Invalid, check(kStart + short_app + frame(kSof0, 3) + kEnd));
    EXPECT_EQ(Verdict::Cmyk, check(kStart + short_app + kStart + frame(kSof0, 4) + kEnd));
    // A length below 2 is not refused: 0 moves the walk back onto the length bytes.
    EXPECT_EQ(Verdict::Invalid,
              check(kStart + Bytes("\xFF\xE1\x00\x00", 4) + frame(kSof0, 3) + kEnd));
}

TEST_F(JpegAnalysisTest, SegmentStartOutsideTheBlockIsReached) {
    // A 6000-byte segment: the frame header lies in the second block.
    const Bytes big = jpeg_segment(kApp1, fill(6000, 0x41));
    EXPECT_EQ(Verdict::Cmyk, check(kStart + kJfif + big + frame(kSof0, 4) + kEnd));
    EXPECT_EQ(Verdict::PossiblyRgb, check(progressive(big + adobe(0), 3)));
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(JpegAnalysisTest, CutOffFilesGiveAVerdictAtEveryLength) {
    const Bytes head = kStart + kJfif + kTables;
    const Bytes file = head + frame(kSof0, 3) + scan(3) + kEntropy + kEnd;
    // The component count is the 10th byte of the frame segment; without it the frame
    // header says nothing.
    const std::size_t count_end = head.size() + 10;
    for (std::size_t length = 0; length <= file.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(length < count_end ? Verdict::Invalid : Verdict::Rgb,
                  analyse(file.substr(0, length)));
    }
    const Bytes progressive_file = progressive(adobe(2), 4);
    for (std::size_t length = 0; length <= progressive_file.size(); ++length) {
        SCOPED_TRACE(length);
        const Verdict verdict = analyse(progressive_file.substr(0, length));
        EXPECT_TRUE(verdict == Verdict::Invalid || verdict == Verdict::Cmyk)
            << static_cast<int>(verdict);
    }
    EXPECT_TRUE(sink_.entries().empty());
}

// ---- Failures ---------------------------------------------------------------------------

// A file whose frame marker code is the last byte of the first block, so that its length
// is read from the second.
Bytes length_in_second_block() {
    const Bytes padding = jpeg_segment(kApp1, fill(4096 - 2 - 2 - 4, 0x41));
    return kStart + padding + frame(kSof0, 3) + kEnd;
}

// A file whose frame header contents start in the second block.
Bytes frame_in_second_block() {
    const Bytes padding = jpeg_segment(kApp1, fill(4096 - 2 - 4 - 4, 0x41));
    return kStart + padding + frame(kSof0, 3) + kEnd;
}

// A file whose frame header lies beyond a segment that ends past the first block.
Bytes frame_beyond_a_big_segment() {
    return kStart + jpeg_segment(kApp1, fill(6000, 0x41)) + frame(kSof0, 3) + kEnd;
}

TEST_F(JpegAnalysisTest, FailuresEndTheWalkWithIoError) {
    struct Case {
        const char* what;
        Bytes file;
        PlatformCall call;
        int skip;  // the check's signature test makes the first read
        const char* message;
    };
    const Case cases[] = {
        {"reading a segment length fails", length_in_second_block(), PlatformCall::Read, 1,
         "read error: 87"},
        {"reading a frame header fails", frame_in_second_block(), PlatformCall::Read, 1,
         "read error: 87"},
        {"position at a refill fails in a frame header", frame_in_second_block(),
         PlatformCall::Tell, 1, "positioning failure: 87"},
        {"passing over a segment fails", frame_beyond_a_big_segment(), PlatformCall::Seek, 0,
         "postitioning error: 87"},
        {"reading after a segment fails", frame_beyond_a_big_segment(), PlatformCall::Read, 1,
         "read error: 87"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.clear();
        // One failure only: a walk that went on would read the rest without trouble.
        fail_platform_call(c.call, 87, c.skip);
        EXPECT_EQ(Verdict::IoError, check(c.file));
        clear_platform_faults();
        ASSERT_EQ(1u, sink_.entries().size());
        EXPECT_EQ(c.message, sink_.entries()[0].message);
        EXPECT_EQ(1, sink_.entries()[0].category);
    }
    // Without a failure each file is classified.
    EXPECT_EQ(Verdict::Rgb, check(length_in_second_block()));
    EXPECT_EQ(Verdict::Rgb, check(frame_in_second_block()));
    EXPECT_EQ(Verdict::Rgb, check(frame_beyond_a_big_segment()));
}

TEST_F(JpegAnalysisTest, FailureAtTheFirstByteGivesIoError) {
    open(kStart + frame(kSof0, 3));
    fail_platform_call(PlatformCall::Read, 5, 0, -1);
    EXPECT_EQ(Verdict::IoError, analyse_jpeg());
    EXPECT_EQ((std::vector<std::string>{"read error: 5"}), sink_.messages());
}

}  // namespace
