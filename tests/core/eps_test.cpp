// The EPS analysis through the file check: the preamble and its 60-byte window, binary
// headers and their end limit, "Embedded", Photoshop files, the findings' verdicts and
// every failure.
#include <gtest/gtest.h>

#include "analyses.h"
#include "check.h"
#include "collect_sink.h"
#include "counters.h"
#include "postscript.h"
#include "reader.h"
#include "scratch.h"

namespace {

const Bytes kEpsLine = "%!PS-Adobe-3.0 EPSF-3.0\n";
const Bytes kToBody = "%%EndComments\n%%EndSetup\n";

class EpsAnalysisTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.file_scan_flags = kExamineExtensions | kCheckEps;
        options_.logging_flags = 0;
    }
    void TearDown() override { clear_platform_faults(); }

    void set_embedded(bool on) {
        options_.file_scan_flags = static_cast<std::uint16_t>(
            on ? (options_.file_scan_flags | kEmbedded) : (options_.file_scan_flags & ~kEmbedded));
    }
    void set_log_jpegs(bool on) { options_.logging_flags = on ? kLogEpsJpegs : 0; }

    Verdict check_eps(const Bytes& contents) {
        const std::string path = scratch_.write("doc.eps", contents);
        return check_file(path.c_str(), options_);
    }
    bool jpeg_seen() const { return scan_counters.embedded_jpeg_seen.load(); }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

TEST(FindingsToVerdict, CertainFindingsFirstThenHints) {
    struct Case {
        EpsFindings findings;
        Verdict verdict;
    };
    const Case cases[] = {
        {0x00, Verdict::NothingToReport},
        {0x01, Verdict::Cmyk},
        {0x02, Verdict::Rgb},
        {0x03, Verdict::CmykAndRgb},
        {0x04, Verdict::OtherColourSpace},
        {0x08, Verdict::NothingToReport},
        {0x05, Verdict::Undetermined},
        {0x09, Verdict::Undetermined},
        {0x0A, Verdict::Undetermined},
        {0x0F, Verdict::Undetermined},
        {0x0C, Verdict::Undetermined},
        {0x10, Verdict::PossiblyCmyk},
        {0x20, Verdict::PossiblyRgb},
        {0x30, Verdict::PossiblyBoth},
        {0x40, Verdict::OtherColourSpace},
        {0x80, Verdict::NothingToReport},
        {0x50, Verdict::Undetermined},
        {0x60, Verdict::Undetermined},
        {0x90, Verdict::Undetermined},
        {0xB0, Verdict::Undetermined},
        {0xF0, Verdict::Undetermined},
        {0x21, Verdict::Cmyk},
        {0xF2, Verdict::Rgb},
        {0x38, Verdict::NothingToReport},
        {0x84, Verdict::OtherColourSpace},
        {0x13, Verdict::CmykAndRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.findings);
        EXPECT_EQ(c.verdict, findings_to_verdict(c.findings));
    }
}

TEST_F(EpsAnalysisTest, TextFilesByTheirCommentsAndOperators) {
    struct Case {
        const char* name;
        Bytes after_first_line;
        Verdict verdict;
    };
    const Case cases[] = {
        {"process colours CMYK",
         "%%DocumentProcessColors: Cyan Magenta Yellow Black\n%%EndComments\n", Verdict::Cmyk},
        {"black alone", "%%DocumentProcessColors: Black\n%%EndComments\n",
         Verdict::NothingToReport},
        {"a spot colour among them",
         "%%DocumentProcessColors: Cyan PANTONE 300 Black\n%%EndComments\n",
         Verdict::OtherColourSpace},
        {"deferred list", "%%DocumentProcessColors: (atend)\n%%EndComments\n",
         Verdict::OtherColourSpace},
        {"BLACKISH", "%%DocumentProcessColors: BLACKISH\n%%EndComments\n",
         Verdict::OtherColourSpace},
        {"empty list", "%%DocumentProcessColors:\n%%EndComments\n", Verdict::NothingToReport},
        {"setrgbcolor only", kToBody + "1 0 0 setrgbcolor\n", Verdict::PossiblyRgb},
        {"setcmykcolor only", kToBody + "0 0 0 1 setcmykcolor\n", Verdict::PossiblyCmyk},
        {"both operators", kToBody + "1 0 0 setrgbcolor\n0 0 0 1 setcmykcolor\n",
         Verdict::PossiblyBoth},
        {"setrgbcolor and setcolor", kToBody + "1 0 0 setrgbcolor\n0.5 setcolor\n",
         Verdict::Undetermined},
        {"custom colours", "%%DocumentCustomColors: (Gold)\n" + kToBody, Verdict::OtherColourSpace},
        {"operators before the end of the setup", "%%EndComments\n1 0 0 setrgbcolor\n%%EndSetup\n",
         Verdict::NothingToReport},
        {"nothing at all", kToBody + "newpath 0 0 moveto\n", Verdict::NothingToReport},
        {"upper-case operator", kToBody + "1 0 0 SETRGBCOLOR\n", Verdict::NothingToReport},
        {"CR line ends", "%%EndComments\r%%EndSetup\r1 0 0 setrgbcolor\r", Verdict::PossiblyRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.verdict, check_eps(kEpsLine + c.after_first_line));
        EXPECT_FALSE(jpeg_seen());
    }
}

// A file as Photoshop writes one: its creator, lists, prolog and setup, then the image
// comment (width, height, bits, mode, pad channels, block size, encoding).
Bytes photoshop_eps(const std::string& process_colours, const std::string& image_data) {
    return "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Photoshop Version 7.0\r\n"
           "%%Title: photo.eps\r\n%%BoundingBox: 0 0 100 80\r\n%%SuppressDot\r\n" +
           (process_colours.empty() ? std::string()
                                    : "%%DocumentProcessColors: " + process_colours + "\r\n") +
           "%%EndComments\r\n%%BeginProlog\r\n%%EndProlog\r\n%%BeginSetup\r\n%%EndSetup\r\n"
           "%ImageData: " +
           image_data + "\r\n%BeginPhotoshop: 10\r\n" + Bytes("\x89PNG\0\0\xFF", 7) +
           "\r\n%%BeginBinary: 100\r\n" + fill(100, 0xA5) + "\r\n%%EndBinary\r\n%%EOF\r\n";
}

TEST_F(EpsAnalysisTest, PhotoshopImageModesAndJpegEncodings) {
    struct Case {
        const char* image_data;
        bool log_jpegs;
        Verdict verdict;
        bool jpeg;
    };
    const Case cases[] = {
        {"100 80 8 4 1 100 1 \"beginimage\"", false, Verdict::Cmyk, false},
        {"100 80 8 3 1 100 1 \"beginimage\"", false, Verdict::Rgb, false},
        {"100 80 8 2 1 100 1 \"beginimage\"", false, Verdict::OtherColourSpace, false},
        {"100 80 8 1 1 100 1 \"beginimage\"", false, Verdict::NothingToReport, false},
        {"100 80 8 3 1 100 3 \"beginimage\"", true, Verdict::Rgb, true},
        {"100 80 8 4 1 100 4 \"beginimage\"", true, Verdict::Cmyk, true},
        {"100 80 8 4 1 100 5 \"beginimage\"", true, Verdict::Cmyk, true},
        {"100 80 8 3 1 100 6 \"beginimage\"", true, Verdict::Rgb, true},
        {"100 80 8 3 1 100 6 \"beginimage\"", false, Verdict::Rgb, false},
        {"100 80 8 3 1 100 2 \"beginimage\"", true, Verdict::Rgb, false},
        {"100 80 8 3 1 100 7 \"beginimage\"", true, Verdict::Rgb, false},
        // Fewer than seven numbers: passed over, and nothing else names a colour.
        {"100 80 8 3 1 100", true, Verdict::NothingToReport, false},
        {"100 80 8 3", true, Verdict::NothingToReport, false},
        // An unknown mode: the JPEG encoding still counts.
        {"100 80 8 7 1 100 3", true, Verdict::NothingToReport, true},
    };
    for (const bool embedded : {false, true}) {
        set_embedded(embedded);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.image_data) + (embedded ? ", embedded" : ""));
            set_log_jpegs(c.log_jpegs);
            EXPECT_EQ(c.verdict, check_eps(photoshop_eps("", c.image_data)));
            EXPECT_EQ(c.jpeg, jpeg_seen());
        }
    }
}

TEST_F(EpsAnalysisTest, PhotoshopHeaderAndImageTogether) {
    // The header's cyan and the image's RGB mode are both certain.
    EXPECT_EQ(Verdict::CmykAndRgb, check_eps(photoshop_eps("Cyan Magenta", "10 10 8 3 0 10 1")));
    EXPECT_EQ(Verdict::Cmyk,
              check_eps(photoshop_eps("Cyan Magenta Yellow Black", "10 10 8 4 0 10 1")));
    // Black alone and an RGB image: grey with RGB is a mixture.
    EXPECT_EQ(Verdict::Undetermined, check_eps(photoshop_eps("Black", "10 10 8 3 0 10 1")));
}

TEST_F(EpsAnalysisTest, EmbeddedDocumentsAddTheirFindings) {
    const Bytes outer = kEpsLine + "%%DocumentProcessColors: Cyan\n%%EndComments\n%%EndSetup\n" +
                        "%%BeginDocument: inner.eps\n";
    const Bytes inner =
        "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Adobe Photoshop 6.0\n"
        "%%EndComments\n%%EndSetup\n%ImageData: 4 4 8 3 0 4 3 \"beginimage\"\n"
        "%%EndDocument\n%%Trailer\n%%EOF\n";
    set_log_jpegs(true);
    set_embedded(false);
    EXPECT_EQ(Verdict::Cmyk, check_eps(outer + inner));  // returns at the outer header's end
    EXPECT_FALSE(jpeg_seen());
    set_embedded(true);
    EXPECT_EQ(Verdict::CmykAndRgb, check_eps(outer + inner));
    EXPECT_TRUE(jpeg_seen());

    // Hints of later documents count as well, and a later trailer ends only one scan.
    const Bytes two = kEpsLine + kToBody + "1 0 0 setrgbcolor\n%%Trailer\n%%EOF\n" + kEpsLine +
                      kToBody + "0 0 0 1 setcmykcolor\n%%EOF\n";
    set_embedded(false);
    EXPECT_EQ(Verdict::PossiblyRgb, check_eps(two));
    set_embedded(true);
    EXPECT_EQ(Verdict::PossiblyBoth, check_eps(two));

    // A later scan starts in the header state: the operator before its end of setup and
    // the grey list of the second document.
    const Bytes grey = kEpsLine + "%%DocumentProcessColors: Cyan\n%%EndComments\n" +
                       "1 0 0 setrgbcolor\n%%DocumentProcessColors: Black\n";
    EXPECT_EQ(Verdict::Undetermined, check_eps(grey));
}

TEST_F(EpsAnalysisTest, PreambleWindowOf60Bytes) {
    struct Case {
        const char* name;
        Bytes contents;
        Verdict verdict;
    };
    const Bytes cmyk = "%%DocumentProcessColors: Cyan\n%%EndComments\n";
    const Case cases[] = {
        {"%! ends at byte 60", fill(58, ' ') + "%!\n" + cmyk, Verdict::Cmyk},
        // The file check's signature test already refuses this one.
        {"%! ends at byte 61", fill(59, ' ') + "%!\n" + cmyk, Verdict::Mislabelled},
        // The signature test finds "%!"; the analysis's C5 swallows the "%".
        {"a byte C5 before the %!", fill(57, ' ') + "\xC5%!\n" + cmyk, Verdict::Invalid},
        {"a percent sign and another byte restart", "%x%!\n" + cmyk, Verdict::Cmyk},
        {"a broken magic is not looked at again",
         Bytes("\xC5\xD0\xD3\xC5\xD0\xD3\xC6", 7) + le32(0) + "%!\n" + cmyk, Verdict::Cmyk},
        {"a percent sign breaks a partial magic", Bytes("\xC5\xD0%!\n", 5) + cmyk,
         Verdict::NothingToReport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.verdict, check_eps(c.contents));
    }
}

// The analysis on the open file alone, for starts the EPS signature test refuses.
TEST_F(EpsAnalysisTest, StartOf25_25IsAcceptedByTheAnalysis) {
    const Bytes contents = "%%\n%%DocumentProcessColors: Cyan\n%%EndComments\n";
    const std::string path = scratch_.write("doc.eps", contents);
    const PlatformFile file = platform_open_read(path.c_str());
    ASSERT_TRUE(is_open(file));
    file_reader.file_name = path.c_str();
    reset_reader_for_file(file);
    file_reader.verdict = 0;
    EXPECT_EQ(Verdict::Cmyk, analyse_eps(false, false));
    platform_close(file);
    file_reader.handle = kNoFile;
    // The file check does not get that far: no "%!" or magic in the first 60 bytes.
    EXPECT_EQ(Verdict::Mislabelled, check_eps(contents));
    // With "%!" further on it does, and the scan begins after the first "%%".
    EXPECT_EQ(Verdict::Cmyk, check_eps("%%\n%%DocumentProcessColors: Cyan\n%!\n%%EndComments\n"));
}

// ---- Binary EPS files --------------------------------------------------------------------

// A binary EPS file: the 30-byte header, then `after_header` from byte 30 on.
Bytes binary_eps(std::uint32_t ps_start, std::uint32_t ps_length, const Bytes& after_header) {
    return eps_binary_header(ps_start, ps_length) + after_header;
}

TEST_F(EpsAnalysisTest, BinaryHeaderLeadsToTheSection) {
    const Bytes ps = kEpsLine + "%%DocumentProcessColors: Cyan Magenta Yellow Black\n" +
                     "%%EndComments\n%%EOF\n";
    const Bytes preview =
        Bytes("II*\0", 4) + "%!PS-Adobe-3.0\n%%DocumentProcessColors: Black\n" + fill(300, 0x11);
    // The section after the preview: the preview is passed over by positioning.
    const std::uint32_t at = static_cast<std::uint32_t>(30 + preview.size());
    EXPECT_EQ(Verdict::Cmyk,
              check_eps(binary_eps(at, static_cast<std::uint32_t>(ps.size()), preview + ps)));
    // The section first, the preview after it.
    EXPECT_EQ(Verdict::Cmyk,
              check_eps(binary_eps(30, static_cast<std::uint32_t>(ps.size()), ps + preview)));
}

TEST_F(EpsAnalysisTest, EndLimitStopsAtTheBlockBoundaryAfterTheSection) {
    // From byte 30 a section with no colour of its own, padded up to byte 4096; from 4096 a
    // "preview" that holds an operator; from 8192 another.
    const Bytes head = kEpsLine + kToBody;
    const Bytes first_block = head + fill(4096 - 30 - head.size(), ' ');
    const Bytes second_block = "1 0 0 setrgbcolor\n" + fill(4096 - 18, ' ');
    const Bytes third_block = "0 0 0 1 setcmykcolor\n";
    const Bytes after_header = first_block + second_block + third_block;
    struct Case {
        std::uint32_t length;
        Verdict verdict;
    };
    const Case cases[] = {
        {4065, Verdict::NothingToReport},  // limit 4095: the block at 4096 starts past it
        {4066, Verdict::PossiblyRgb},      // limit 4096: a block starting at it is read
        {4067, Verdict::PossiblyRgb},      // limit 4097: that block, not the one at 8192
        {8162, Verdict::PossiblyBoth},     // limit 8192
        {100, Verdict::NothingToReport},   // the rest of the first block is read all the same
    };
    for (const bool embedded : {false, true}) {
        set_embedded(embedded);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "length " << c.length << " embedded " << embedded);
            EXPECT_EQ(c.verdict, check_eps(binary_eps(30, c.length, after_header)));
        }
    }
    // Within the first block the rest of the block after the section is scanned.
    set_embedded(false);
    EXPECT_EQ(Verdict::PossiblyCmyk,
              check_eps(binary_eps(30, static_cast<std::uint32_t>(head.size()),
                                   head + "0 0 0 1 setcmykcolor\n")));
}

TEST_F(EpsAnalysisTest, BinaryHeaderFaults) {
    struct Case {
        const char* name;
        Bytes contents;
        Verdict verdict;
    };
    const Bytes ps = kEpsLine + "%%DocumentProcessColors: Cyan\n%%EndComments\n";
    const Case cases[] = {
        {"section past the end of the file", binary_eps(100000, 50, ps), Verdict::Invalid},
        {"header cut after the magic", Bytes("\xC5\xD0\xD3\xC6\x1E\x00", 6), Verdict::Invalid},
        {"header cut after the fields", Bytes("\xC5\xD0\xD3\xC6", 4) + le32(12) + le32(5),
         Verdict::Invalid},
        // Four bytes of magic are counted, then 56 bytes of the section.
        {"%! ends at the 60th counted byte", binary_eps(30, 500, fill(54, ' ') + "%!\n" + ps),
         Verdict::Cmyk},
        {"%! ends at the 61st", binary_eps(30, 500, fill(55, ' ') + "%!\n" + ps), Verdict::Invalid},
        {"no percent sign in the section", binary_eps(30, 500, fill(200, 'x')), Verdict::Invalid},
        {"length past the end of the file", binary_eps(30, 1000000, ps), Verdict::Cmyk},
        // 30 + 0xFFFFFFF0 passes 4 GB: the section runs to the end of the file rather than
        // to a wrapped limit of 14, which would end the data at the second block.
        {"position and length past 4 GB",
         binary_eps(30, 0xFFFFFFF0u,
                    kEpsLine + fill(5000, ' ') + "\n" + ps.substr(kEpsLine.size())),
         Verdict::Cmyk},
        {"a second magic in the section is not a header",
         binary_eps(30, 500, Bytes("\xC5\xD0\xD3\xC6", 4) + le32(9999) + "%!\n" + ps),
         Verdict::Cmyk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.verdict, check_eps(c.contents));
    }
    EXPECT_TRUE(sink_.entries().empty());
}

// ---- Failures ----------------------------------------------------------------------------

TEST_F(EpsAnalysisTest, ReadFailureDuringTheScanGivesIoError) {
    const Bytes contents =
        kEpsLine + kToBody + fill(5000, ' ') + "\n1 0 0 setrgbcolor\n" + fill(5000, ' ');
    // The signature test read the first block; the analysis reads the second.
    fail_platform_call(PlatformCall::Read, 5, 1, 1);
    EXPECT_EQ(Verdict::IoError, check_eps(contents));
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ(1, sink_.entries()[0].category);
    EXPECT_EQ("read error: 5", sink_.entries()[0].message);
}

TEST_F(EpsAnalysisTest, ReadFailureInALaterEmbeddedScanGivesIoError) {
    const Bytes contents =
        kEpsLine + "%%DocumentProcessColors: Cyan\n%%EndComments\n" + fill(9000, ' ');
    set_embedded(true);
    fail_platform_call(PlatformCall::Read, 5, 1, 1);
    EXPECT_EQ(Verdict::IoError, check_eps(contents));
    set_embedded(false);
    fail_platform_call(PlatformCall::Read, 5, 1, 1);
    EXPECT_EQ(Verdict::Cmyk, check_eps(contents));  // the first scan returned before it
    clear_platform_faults();
    EXPECT_EQ(1u, sink_.entries().size());
}

TEST_F(EpsAnalysisTest, PositioningFailureAtTheSectionGivesIoError) {
    const Bytes ps = kEpsLine + "%%DocumentProcessColors: Cyan\n%%EndComments\n";
    fail_platform_call(PlatformCall::Seek, 5, 0, 1);
    EXPECT_EQ(Verdict::IoError, check_eps(binary_eps(8000, 100, fill(7970, 0) + ps)));
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ("postitioning error: 5", sink_.entries()[0].message);
}

TEST_F(EpsAnalysisTest, PositioningFailureAtARefillGivesIoError) {
    fail_platform_call(PlatformCall::Tell, 5, 1, 1);
    EXPECT_EQ(Verdict::IoError, check_eps(kEpsLine + kToBody + fill(6000, ' ')));
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ("positioning failure: 5", sink_.entries()[0].message);
}

}  // namespace
