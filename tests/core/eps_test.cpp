// The EPS analysis from crafted bytes: the preamble and its 60-byte window, binary headers
// and their end limit, "Embedded", Photoshop files, the findings' verdicts and every
// failure.
#include <gtest/gtest.h>

#include "classify/analyses.h"
#include "tests/support/analysis_fixture.h"
#include "classify/postscript.h"

namespace {

using V = Verdict;
const Bytes kEpsLine = "%!PS-Adobe-3.0 EPSF-3.0\n";
const Bytes kToBody = "%%EndComments\n%%EndSetup\n";
const Bytes kCyan = "%%DocumentProcessColors: Cyan\n%%EndComments\n";
const Bytes kMagic = "\xC5\xD0\xD3\xC6";

Verdict (*const once)() = [] { return analyse_eps(false, false); };
Verdict (*const embedded)() = [] { return analyse_eps(true, false); };

using EpsAnalysis = AnalysisTest;

// Certain findings decide whenever there are any, hints only when there are none; more
// than one kind of either is undetermined.
TEST_F(EpsAnalysis, FindingsGiveTheVerdict) {
    const auto header = [](const char* comments) { return kEpsLine + comments + kToBody; };
    // clang-format off
    expect_verdicts(once, {
        {"black only", header("%%DocumentProcessColors: Black\n"), V::NothingToReport},
        {"an unknown colour", header("%%DocumentProcessColors: Orange\n"), V::OtherColourSpace},
        {"custom colours", header("%%DocumentCustomColors: (A)\n"), V::OtherColourSpace},
        {"an empty list", header("%%DocumentProcessColors:\n"), V::NothingToReport},
        {"an empty list and custom RGB", header("%%DocumentProcessColors:\n%%RGBCustomColor:\n"),
         V::Undetermined},
        {"CMYK beats the hints", header("%%DocumentCustomColors: (A)\n%%DocumentProcessColors: Cyan\n"),
         V::Cmyk},
    });
    // clang-format on
}

TEST_F(EpsAnalysis, PreambleAndBinaryHeader) {
    const Bytes ps = kEpsLine + "%%DocumentProcessColors: Cyan Magenta\n%%EndComments\n%%EOF\n";
    const std::uint32_t size = static_cast<std::uint32_t>(ps.size());
    const Bytes preview = Bytes("II*\0", 4) + "%!PS-Adobe-3.0\n%%DocumentProcessColors: Black\n";
    const std::uint32_t after_preview = static_cast<std::uint32_t>(30 + preview.size());
    // clang-format off
    expect_verdicts(once, {
        {"\"%!\" ending at byte 60", fill(58, ' ') + "%!\n" + kCyan, V::Cmyk},
        {"at byte 61", fill(59, ' ') + "%!\n" + kCyan, V::Invalid},
        {"\"%%\" starts the scan too", "%%\n" + kCyan, V::Cmyk},
        {"C5 swallows the \"%\"", fill(57, ' ') + "\xC5%!\n" + kCyan, V::Invalid},
        {"\"%\" and another byte restart", "%x%!\n" + kCyan, V::Cmyk},
        {"after C5 D0 D3 even C5 restarts", Bytes("\xC5\xD0\xD3") + kMagic + le32(100000) + le32(5) +
         "%!\n" + kCyan, V::Cmyk},
        {"a \"%\" breaks a partial magic", Bytes("\xC5\xD0%!\n", 5) + kCyan, V::NothingToReport},
        {"section after the preview", eps_binary_header(after_preview, size) + preview + ps, V::Cmyk},
        {"section before the preview", eps_binary_header(30, size) + ps + preview, V::Cmyk},
        {"section past the end", eps_binary_header(100000, 50) + ps, V::Invalid},
        {"header cut in its fields", kMagic + "\x1E", V::Invalid},
        // Four bytes of magic are counted, then 56 of the section.
        {"start at counted byte 60", eps_binary_header(30, 500) + fill(54, ' ') + "%!\n" + ps, V::Cmyk},
        {"start at counted byte 61", eps_binary_header(30, 500) + fill(55, ' ') + "%!\n" + ps,
         V::Invalid},
        {"the end of the file ends the section", eps_binary_header(30, 1000000) + ps, V::Cmyk},
        // A limit wrapped to 14 would end the data at the second block.
        {"section length past 4 GB", eps_binary_header(30, 0xFFFFFFF0u) + kEpsLine + fill(5000, ' ') +
         "\n" + ps.substr(kEpsLine.size()), V::Cmyk},
        {"a second magic is no header", eps_binary_header(30, 500) + kMagic + le32(9999) + "%!\n" + ps,
         V::Cmyk},
    });
    // clang-format on
}

// The limit is looked at only when a block is read: a block that starts at or before it is
// read whole, the next one not.
TEST_F(EpsAnalysis, EndLimitAtAndPastABlockBoundary) {
    const Bytes head = kEpsLine + kToBody;
    const Bytes section = head + fill(4096 - 30 - head.size(), ' ') + "1 0 0 setrgbcolor\n" +
                          fill(4096 - 18, ' ') + "0 0 0 1 setcmykcolor\n";
    const auto header = [](std::uint32_t length) { return eps_binary_header(30, length); };
    for (Verdict (*analysis)() : {once, embedded}) {
        // clang-format off
        expect_verdicts(analysis, {
            {"limit 4095", header(4065) + section, V::NothingToReport},
            {"limit 4096", header(4066) + section, V::PossiblyRgb},
            {"limit 8191, the next block at 8192", header(8162) + section, V::PossiblyBoth},
            {"the first block only", header(static_cast<std::uint32_t>(head.size())) + head +
             "0 0 0 1 setcmykcolor\n", V::PossiblyCmyk},
        });
        // clang-format on
    }
}

// The image comment decides, and JPEG-encoded data is noted only when asked, whatever the
// mode; with "Embedded" off and on.
TEST_F(EpsAnalysis, PhotoshopFiles) {
    const Bytes head =
        "%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Adobe Photoshop Version 7.0\r\n%%EndComments\r\n"
        "%%BeginProlog\r\n%%EndProlog\r\n%%BeginSetup\r\n%%EndSetup\r\n%ImageData: ";
    const Bytes tail = "\r\n%%BeginBinary: 100\r\n" + fill(100, 0xA5) + "\r\n%%EndBinary\r\n";
    for (int settings = 0; settings < 4; ++settings) {
        const bool repeat = (settings & 1) != 0, find_jpeg = (settings & 2) != 0;
        for (const char* numbers : {"100 80 8 4 1 100 5 \"beginimage\"", "100 80 8 7 1 100 3"}) {
            SCOPED_TRACE(testing::Message() << settings << ": " << numbers);
            open(head + numbers + tail);
            EXPECT_EQ(numbers[9] == '4' ? V::Cmyk : V::NothingToReport,
                      analyse_eps(repeat, find_jpeg));
            EXPECT_EQ(find_jpeg, file_reader.embedded_jpeg_seen);
        }
    }
}

// Without "Embedded" the scan ends with the first document's header, trailer or end; with
// it, each later scan starts in the header state and adds its findings.
TEST_F(EpsAnalysis, EmbeddedDocumentsAddTheirFindings) {
    const Bytes nested = kEpsLine + kCyan + "%%EndSetup\n%%BeginDocument: inner.eps\n" +
                         "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Adobe Photoshop 6.0\n" + kToBody +
                         "%ImageData: 4 4 8 3 0 4 3 \"beginimage\"\n%%EndDocument\n%%EOF\n";
    const Bytes three = kEpsLine + kToBody + "1 0 0 setrgbcolor\n%%Trailer\n" + kToBody +
                        "%%EOF\n" + kToBody + "0 0 0 1 setcmykcolor\n";
    const Bytes grey = kEpsLine + kCyan + "1 0 0 setrgbcolor\n%%DocumentProcessColors: Black\n";
    expect_verdicts(once, {{"nested", nested, V::Cmyk}, {"three", three, V::PossiblyRgb}});
    expect_verdicts(embedded, {{"nested", nested, V::CmykAndRgb},
                               {"three", three, V::PossiblyBoth},
                               {"CMYK and grey", grey, V::Undetermined}});
}

// A failure is reported once and ends the scan and its repetition.
TEST_F(EpsAnalysis, FailuresGiveIoError) {
    const Bytes body = kEpsLine + kToBody + fill(5000, ' ') + "\n1 0 0 setrgbcolor\n";
    const Bytes far = eps_binary_header(8000, 100) + fill(7970, 0) + kEpsLine + kCyan;
    const Bytes later = kEpsLine + kCyan + fill(9000, ' ');
    const PlatformCall read = PlatformCall::Read;
    // clang-format off
    expect_verdicts(once, {
        {"the first read", body, V::IoError, {"read error: 31"}, read},
        {"reading the text", body, V::IoError, {"read error: 31"}, read, 1},
        {"moving to the section", far, V::IoError, {"postitioning error: 31"}, PlatformCall::Seek},
    });
    expect_verdicts(embedded, {{"a later scan", later, V::IoError, {"read error: 31"}, read, 1}});
    // clang-format on
}

}  // namespace
