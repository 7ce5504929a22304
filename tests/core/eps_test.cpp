// The EPS analysis through the file check: the preamble and its 60-byte window, binary
// headers and their end limit, "Embedded", Photoshop files, the findings' verdicts, every
// failure, and files written by real tools (tests/fixtures/make-eps.sh).
#include <gtest/gtest.h>

#include <vector>

#include "analyses.h"
#include "check.h"
#include "collect_sink.h"
#include "examined_file.h"
#include "postscript.h"
#include "reader.h"

namespace {

using V = Verdict;
const Bytes kEpsLine = "%!PS-Adobe-3.0 EPSF-3.0\n";
const Bytes kToBody = "%%EndComments\n%%EndSetup\n";
const Bytes kCyan = "%%DocumentProcessColors: Cyan\n%%EndComments\n";
const Bytes kMagic = "\xC5\xD0\xD3\xC6";

// As Photoshop writes one: CR LF line ends, creator, prolog and setup, then the image comment
// (width, height, bits, mode, pad channels, block size, encoding) and binary data.
Bytes photoshop_eps(const std::string& image_data) {
    return "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Photoshop Version 7.0\r\n%%EndComments\r\n"
           "%%BeginProlog\r\n%%EndProlog\r\n%%BeginSetup\r\n%%EndSetup\r\n%ImageData: " +
           image_data + "\r\n%%BeginBinary: 100\r\n" + fill(100, 0xA5) + "\r\n%%EndBinary\r\n";
}

struct VerdictCase {
    Bytes contents;
    Verdict verdict;
};

class EpsAnalysisTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        set_embedded(false);
    }
    void TearDown() override { close_examined_file(); }

    void set_embedded(bool on) {
        options_.file_scan_flags =
            static_cast<std::uint16_t>(kExamineExtensions | kCheckEps | (on ? kEmbedded : 0));
    }
    Verdict check_eps(const Bytes& b) { return check_bytes(scratch_, "doc.eps", b, options_); }
    void expect_verdicts(const std::vector<VerdictCase>& cases) {
        for (std::size_t row = 0; row < cases.size(); ++row) {
            SCOPED_TRACE(::testing::Message() << "row " << row);
            EXPECT_EQ(cases[row].verdict, check_eps(cases[row].contents));
        }
        EXPECT_TRUE(sink_.entries().empty());
    }
    void expect_failure(const Bytes& contents, PlatformCall call, int skip, Verdict verdict,
                        const std::vector<std::string>& messages) {
        sink_.clear();
        fail_platform_call(call, 5, skip, 1);
        EXPECT_EQ(verdict, check_eps(contents)) << static_cast<int>(call);
        clear_platform_faults();
        EXPECT_EQ(messages, sink_.messages());
        for (const CollectedEntry& entry : sink_.entries()) EXPECT_EQ(1, entry.category);
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

// Certain findings decide whenever there are any; hints only when there are none.
TEST(FindingsToVerdict, CertainFindingsFirstThenHints) {
    const std::pair<EpsFindings, Verdict> cases[] = {
        // clang-format off
        {0x00, V::NothingToReport}, {0x01, V::Cmyk}, {0x02, V::Rgb}, {0x03, V::CmykAndRgb},
        {0x04, V::OtherColourSpace}, {0x08, V::NothingToReport}, {0x0A, V::Undetermined},
        {0x0F, V::Undetermined}, {0x10, V::PossiblyCmyk}, {0x20, V::PossiblyRgb},
        {0x30, V::PossiblyBoth}, {0x40, V::OtherColourSpace}, {0x80, V::NothingToReport},
        {0x60, V::Undetermined}, {0xF0, V::Undetermined}, {0x21, V::Cmyk}, {0xF2, V::Rgb},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(c.second, findings_to_verdict(c.first));
    }
}

TEST_F(EpsAnalysisTest, PreambleAndBinaryHeader) {
    const Bytes ps = kEpsLine + "%%DocumentProcessColors: Cyan Magenta\n%%EndComments\n%%EOF\n";
    const std::uint32_t size = static_cast<std::uint32_t>(ps.size());
    const Bytes preview = Bytes("II*\0", 4) + "%!PS-Adobe-3.0\n%%DocumentProcessColors: Black\n";
    const std::uint32_t after_preview = static_cast<std::uint32_t>(30 + preview.size());
    expect_verdicts({
        {fill(58, ' ') + "%!\n" + kCyan, V::Cmyk},         // "%!" ends at byte 60
        {fill(59, ' ') + "%!\n" + kCyan, V::Mislabelled},  // at 61: not EPS by its signature
        {fill(57, ' ') + "\xC5%!\n" + kCyan, V::Invalid},  // C5 swallows the "%"
        {"%x%!\n" + kCyan, V::Cmyk},                       // "%" and another byte restart
        // No magic: after C5 D0 D3 any byte but C6, even C5, leads back to the start state.
        {Bytes("\xC5\xD0\xD3") + kMagic + le32(100000) + le32(5) + "%!\n" + kCyan, V::Cmyk},
        {Bytes("\xC5\xD0%!\n", 5) + kCyan, V::NothingToReport},  // "%" breaks a partial magic
        {eps_binary_header(after_preview, size) + preview + ps, V::Cmyk},
        {eps_binary_header(30, size) + ps + preview, V::Cmyk},
        {eps_binary_header(100000, 50) + ps, V::Invalid},  // section past the end of the file
        // Headers cut short, in the fields and after them.
        {kMagic + "\x1E", V::Invalid},
        {kMagic + le32(12) + le32(5), V::Invalid},
        // Four bytes of magic are counted, then 56 of the section.
        {eps_binary_header(30, 500) + fill(54, ' ') + "%!\n" + ps, V::Cmyk},
        {eps_binary_header(30, 500) + fill(55, ' ') + "%!\n" + ps, V::Invalid},
        {eps_binary_header(30, 500) + fill(200, 'x'), V::Invalid},
        {eps_binary_header(30, 1000000) + ps, V::Cmyk},  // the end of the file ends the data
        // Past 4 GB: a limit wrapped to 14 would end the data at the second block.
        {eps_binary_header(30, 0xFFFFFFF0u) + kEpsLine + fill(5000, ' ') + "\n" +
             ps.substr(kEpsLine.size()),
         V::Cmyk},
        // A second magic, in the section, is no header.
        {eps_binary_header(30, 500) + kMagic + le32(9999) + "%!\n" + ps, V::Cmyk},
    });
}

// The limit is looked at only when a block is read: a block that starts at or before it is
// read whole, the next one not.
TEST_F(EpsAnalysisTest, EndLimitAtAndPastABlockBoundary) {
    const Bytes head = kEpsLine + kToBody;
    const Bytes section = head + fill(4096 - 30 - head.size(), ' ') + "1 0 0 setrgbcolor\n" +
                          fill(4096 - 18, ' ') + "0 0 0 1 setcmykcolor\n";
    const std::pair<std::uint32_t, Verdict> cases[] = {
        // clang-format off
        {4065, V::NothingToReport}, {4066, V::PossiblyRgb},  // limits 4095 and 4096
        {4067, V::PossiblyRgb}, {8162, V::PossiblyBoth},     // 4097: not the block at 8192
        {100, V::NothingToReport},
        // clang-format on
    };
    for (const bool embedded : {false, true}) {
        set_embedded(embedded);
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << "length " << c.first << " embedded " << embedded);
            EXPECT_EQ(c.second, check_eps(eps_binary_header(30, c.first) + section));
        }
    }
    EXPECT_EQ(V::PossiblyCmyk,
              check_eps(eps_binary_header(30, static_cast<std::uint32_t>(head.size())) + head +
                        "0 0 0 1 setcmykcolor\n"));
}

// The image comment decides, and JPEG-encoded data is noted only when asked, whatever the
// mode; with "Embedded" off and on.
TEST_F(EpsAnalysisTest, PhotoshopFiles) {
    for (const bool embedded : {false, true}) {
        for (const bool log_jpegs : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "embedded " << embedded << " log " << log_jpegs);
            set_embedded(embedded);
            options_.logging_flags = log_jpegs ? kLogEpsJpegs : 0;
            EXPECT_EQ(V::Cmyk, check_eps(photoshop_eps("100 80 8 4 1 100 5 \"beginimage\"")));
            EXPECT_EQ(log_jpegs, file_reader.embedded_jpeg_seen);
            EXPECT_EQ(V::NothingToReport, check_eps(photoshop_eps("100 80 8 7 1 100 3")));
            EXPECT_EQ(log_jpegs, file_reader.embedded_jpeg_seen);
        }
    }
}

// Without "Embedded" the scan ends with the first document's header, trailer or end; with
// it, each later scan starts in the header state and adds its findings.
TEST_F(EpsAnalysisTest, EmbeddedDocumentsAddTheirFindings) {
    const Bytes nested = kEpsLine + kCyan + "%%EndSetup\n%%BeginDocument: inner.eps\n" +
                         "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Adobe Photoshop 6.0\n" + kToBody +
                         "%ImageData: 4 4 8 3 0 4 3 \"beginimage\"\n%%EndDocument\n%%EOF\n";
    const Bytes three = kEpsLine + kToBody + "1 0 0 setrgbcolor\n%%Trailer\n" + kToBody +
                        "%%EOF\n" + kToBody + "0 0 0 1 setcmykcolor\n";
    const Bytes grey = kEpsLine + kCyan + "1 0 0 setrgbcolor\n%%DocumentProcessColors: Black\n";
    options_.logging_flags = kLogEpsJpegs;
    EXPECT_EQ(V::Cmyk, check_eps(nested));
    EXPECT_FALSE(file_reader.embedded_jpeg_seen);
    EXPECT_EQ(V::PossiblyRgb, check_eps(three));
    set_embedded(true);
    EXPECT_EQ(V::CmykAndRgb, check_eps(nested));
    EXPECT_TRUE(file_reader.embedded_jpeg_seen);
    EXPECT_EQ(V::PossiblyBoth, check_eps(three));
    EXPECT_EQ(V::Undetermined, check_eps(grey));
}

// "%%" starts the scan as "%!" does, though the signature test wants "%!" or the magic.
TEST_F(EpsAnalysisTest, StartOf25_25IsAcceptedByTheAnalysis) {
    const Bytes contents = "%%\n%%DocumentProcessColors: Cyan\n%%EndComments\n";
    ASSERT_TRUE(open_bytes(scratch_, "direct.eps", contents));
    EXPECT_EQ(V::Cmyk, analyse_eps(false, false));
    close_examined_file();
    EXPECT_EQ(V::Mislabelled, check_eps(contents));
    EXPECT_EQ(V::Cmyk, check_eps("%%\n%%DocumentProcessColors: Cyan\n%!\n%%EndComments\n"));
}

// A failure is reported once, in category 1, and ends the scan and its repetition. The
// signature test makes the first read and refill.
TEST_F(EpsAnalysisTest, FailuresGiveIoError) {
    const Bytes body = kEpsLine + kToBody + fill(5000, ' ') + "\n1 0 0 setrgbcolor\n";
    const Bytes later = kEpsLine + kCyan + fill(9000, ' ');
    expect_failure(body, PlatformCall::Read, 1, V::IoError, {"read error: 5"});
    expect_failure(body, PlatformCall::Tell, 1, V::IoError, {"positioning failure: 5"});
    expect_failure(eps_binary_header(8000, 100) + fill(7970, 0) + kEpsLine + kCyan,
                   PlatformCall::Seek, 0, V::IoError, {"postitioning error: 5"});
    expect_failure(later, PlatformCall::Read, 1, V::Cmyk, {});  // no later scan
    set_embedded(true);
    expect_failure(later, PlatformCall::Read, 1, V::IoError, {"read error: 5"});
}

// clang-format off
const VerdictCase kFixtures[] = {
    {"gs-cmyk-drawing.eps", V::NothingToReport}, // no list, no %%EndSetup: operators never reached
    {"im-cmyk-image.eps", V::Cmyk},              // a CMYK process colour list
    {"im-rgb-image.eps", V::NothingToReport},    // no list, no %%EndSetup: the header is all
    {"tiff2ps-cmyk.eps", V::NothingToReport},    // %ImageData:, but not Photoshop's, no %%EndSetup
    {"binary-ps-then-tiff.eps", V::Cmyk},        // the header leads to im-cmyk-image at byte 30
    {"binary-tiff-then-ps.eps", V::NothingToReport},  // and past the preview to im-rgb-image
};
// clang-format on

TEST_F(EpsAnalysisTest, FilesFromRealTools) {
    options_.logging_flags = kLogEpsJpegs;
    for (const bool embedded : {false, true}) {
        set_embedded(embedded);
        for (const VerdictCase& c : kFixtures) {
            SCOPED_TRACE(c.contents + (embedded ? ", embedded" : ""));
            const std::string path = INKHOUND_FIXTURE_DIR "/eps/" + c.contents;
            EXPECT_EQ(c.verdict, check_file(path.c_str(), options_));
            EXPECT_FALSE(file_reader.embedded_jpeg_seen);
        }
    }
}

}  // namespace
