// The PostScript line scan: the line rules, each state's keywords, the process colour list
// and Photoshop's image comment. Every document is scanned with the reader's block ending
// before it and after each of its bytes, so that each line is taken once by read_line and
// otherwise from the block.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/model/aligned_scan.h"
#include "tests/support/collect_sink.h"
#include "classify/reader.h"
#include "tests/support/scratch.h"

namespace {

const std::string kFullLine(255, 'x');  // as long as a line can be
// The scan starts after "%!", so its first line is the rest of the %!PS-Adobe line.
const Bytes kToBody = "%%EndComments\n%%EndSetup\n";
const Bytes kBody = "PS-Adobe-3.0 EPSF-3.0\n" + kToBody;
const Bytes kPhotoshop = "PS-Adobe-3.0\n%%Creator: Adobe Photoshop 5.0\n" + kToBody;

Bytes list(const char* process_colours) {
    return std::string("PS-Adobe-3.0\n%%DocumentProcessColors: ") + process_colours +
           "\n%%EndComments\n%%EndSetup\nsetrgbcolor\n";
}
Bytes image(const char* numbers) {
    return kPhotoshop + "%ImageData:" + numbers + "\nsetrgbcolor\n";
}

struct FindingsCase {
    Bytes text;
    EpsFindings findings;
    bool jpeg = false;  // embedded_jpeg_seen afterwards; JPEG-encoded data is looked for
};

class PostScriptScanTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }

    std::string placed(const Bytes& text) {
        return scratch_.write("doc.eps", Bytes(kDocumentStart, ' ') + text);
    }
    // One scan of each text, first from the start of a block, then with the block's end
    // after each of its bytes: every run must give the findings and stop at the same place.
    void expect_findings(const std::vector<FindingsCase>& cases) {
        for (const FindingsCase& c : cases) {
            SCOPED_TRACE(c.text);
            const std::string path = placed(c.text);
            const ScanRun run = scan_at(path, 0, {false, true, -1});
            EXPECT_EQ(c.findings, run.findings);
            EXPECT_EQ(c.jpeg, run.embedded_jpeg_seen);
            for (std::uint32_t in_block = 1; in_block <= c.text.size(); ++in_block)
                ASSERT_EQ(run.calls,
                          scan_at(path, kDocumentStart - in_block, {false, true, -1}).calls)
                    << in_block << " bytes before the block's end";
        }
    }

    ScratchDir scratch_;
};

// Certain findings end the scan at the end of the header or setup (but not in a Photoshop
// file); hints go on to the body's operator.
TEST_F(PostScriptScanTest, HeaderAndSetupFindings) {
    expect_findings({
        // clang-format off
        {list("cyan"), FoundCmyk}, {list("Magenta"), FoundCmyk}, {list("YELLOW"), FoundCmyk},
        {list("Black"), FoundGrey}, {list(""), HintNoProcessColours | HintRgb},
        {list("Cyan Orange"), FoundOtherSpace}, {list("Black, 42 (Black)"), FoundGrey},
        {list("BLACKISH"), FoundOtherSpace},  // black, then the unknown name ISH
        {list("Blackcyan"), FoundCmyk},       // the prefix is passed, then read on
        {list("Cya"), FoundOtherSpace}, {list("z"), FoundOtherSpace},
        // clang-format on
        {"%%PageProcessColors: Black\n%%DocumentProcessColors: Cyan\n", FoundGrey},
        {"%%PageProcessColors: Cyan %%DocumentProcessColors: Black\n", FoundGrey},
        {"%%DocumentCustomColors: (A)\n%%rgbcustomcolor: 1 0 0 (A)\n", HintRgb | HintOtherColour},
        {"%%Creator: x %%DocumentProcessColors: Cyan\n", 0},  // a creator line is only that
        {"%%Creator: Illustrator\n%%Creator: Photoshop\n" + kToBody + "%ImageData: 1 1 8 3 0 1 1\n",
         0},
        // clang-format off
        {"%%Creator: Photoshop\n%%DocumentProcessColors: Cyan\n" + kToBody +
         "%ImageData: 1 1 8 3 0 1 1\n", FoundCmyk | FoundRgb},
        {"%%DocumentProcessColors:\n%%EndComments\n%%PageProcessColors: Cyan\n%%EndSetup\n"
         "setcmykcolor\n", HintNoProcessColours | HintCmyk},
        // clang-format on
        {"%%EndComments\n%%PageProcessColors: Black\n%%EndSetup\nsetrgbcolor\n", FoundCmyk},
        {"%%EndComments\n%%PageProcessColors: %%EndSetup\nsetrgbcolor\n", FoundCmyk},
        {"setrgbcolor\n%%EndComments\n0 0 0 1 setcmykcolor\n/DeviceRGB\n", 0},
        {"%%EndComments\n%%BeginSetup\n%%EOF\nsetrgbcolor\n", 0},
        {"%%endcomments\n%%endsetup\n1 0 0 setrgbcolor\n", HintRgb},
        {"PS-Adobe-3.0\r%%EndComments\r%%EndSetup\r0 0 0 1 setcmykcolor\r%%EOF\r", HintCmyk},
    });
}

// Operators count as read, outside the prolog, one per line; device names count everywhere
// after the setup, and are certain in Photoshop files, as is the image comment's mode. Its
// numbers are read as "%d" reads them; one beyond an int stands for no mode or encoding.
TEST_F(PostScriptScanTest, BodyPrologAndImageFindings) {
    expect_findings({
        // clang-format off
        {kBody + "1 0 0 setrgbcolor\n", HintRgb}, {kBody + "0 1 1 sethsbcolor\n", HintRgb},
        {kBody + "0 0 0 1 setcmykcolor\n", HintCmyk}, {kBody + "0.5 setcolor\n", HintOtherColour},
        {kBody + "/DeviceRGB setcolorspace\n", HintOtherColour},
        {kBody + "0 setcmykcolor 1 setrgbcolor\n", HintRgb},
        {kBody + "/DeviceRGB colorimage\n/DeviceCMYK\n", HintRgb | HintCmyk},
        {kBody + "/DeviceCMYK /DeviceRGB\n", HintRgb},
        {kBody + "1 0 0 SETRGBCOLOR\n/devicergb\n", 0},
        {kBody + Bytes("0 0 0 1 set\0cmyk\0color\n", 23), HintCmyk},  // zero bytes dropped
        {kBody + "%%%EOF\nsetrgbcolor\n", 0},  // found after a false start a byte before
        {kBody + "%%beginprolog\n/x { setcmykcolor } def\n%%EndProlog\nsetrgbcolor\n", HintRgb},
        {kBody + "%%BeginProlog\n/DeviceRGB setcolorspace\n%%EndProlog\n", HintRgb},
        {kBody + "%%Trailer\nsetrgbcolor\n", 0}, {kBody + "%%PageTrailer\nsetrgbcolor\n", 0},
        {kBody + "%%eof\nsetrgbcolor\n", 0}, {kBody + "%%BeginBinary: 10\nsetrgbcolor\n", 0},
        {kBody + "setrgbcolor %%EOF\nsetcmykcolor\n", HintRgb | HintCmyk},
        {kBody + kFullLine + std::string(33, ' ') + "setcmykcolor\n", HintCmyk},  // 300 characters
        // The operator ends at the line's 255th byte; after CR LF the LF is its first.
        {kBody + std::string(244, 'x') + "setrgbcolor\n", HintRgb},
        {kBody + std::string(245, 'x') + "setrgbcolor\n", 0},  // cut before its last byte
        {kBody + "x\r\n" + std::string(244, 'x') + "setrgbcolor\n", 0},
        {kPhotoshop + "/DeviceRGB\nsetcmykcolor\n", FoundRgb},
        {kPhotoshop + "%%BeginProlog\n/DeviceCMYK\n", FoundCmyk},
        {kPhotoshop + "%IMAGEDATA: 1 1 8 4 0 1 1\nsetrgbcolor\n", HintRgb},
        {image(" 1 1 8 4 0 1 3 \"beginimage\""), FoundCmyk, true},
        {image(" 1 1 8 3 0 1 4"), FoundRgb, true}, {image(" 1 1 8 2 0 1 5"), FoundOtherSpace, true},
        {image(" 1 1 8 1 0 1 6"), FoundGrey, true}, {image(" 1 1 8 9 0 1 3"), HintRgb, true},
        {image(" 1 1 8 4 0 1 2"), FoundCmyk}, {image(" 1 1 8 4 0 1 7"), FoundCmyk},
        {image(" 1 1 8 4 0 1"), HintRgb}, {image(" 1 1 8 - 4 0 1 3"), HintRgb},
        {image("1\t1  8\v4 0 1 +3"), FoundCmyk, true}, {image(" 1 1 8 -4 0 1 3"), HintRgb, true},
        {image(" 1 1 8 4294967300 0 1 3"), HintRgb, true},
        {image(" 1 1 8 4 0 1 -4294967293"), FoundCmyk},
        // clang-format on
    });
}

// Where a line begins decides what a cut after 255 bytes leaves of a keyword at its end:
// after a line of at most 254 bytes and its line end, or a run of line ends in which one
// ends a line and the next is dropped as the first byte of another, in turn. The 255
// bytes before the newline hold "setrgbcolor" whole only when the line begins at them.
TEST_F(PostScriptScanTest, CutLinesAfterRunsOfLineEnds) {
    const Bytes rgb = std::string(244, 'x') + "setrgbcolor\n";
    const Bytes zero_rgb = std::string(243, 'x') + Bytes("\0setrgbcolor\n", 13);
    const Bytes cmyk = std::string(243, 'x') + "setcmykcolor\n";
    expect_findings({
        // clang-format off
        {kBody + "x\n" + rgb, HintRgb}, {kBody + "x\n\n" + rgb, 0},
        {kBody + "x\n\n\n" + rgb, HintRgb}, {kBody + "x\r\r\n\n" + rgb, 0},
        {kBody + std::string(253, 'x') + "\r\n" + rgb, 0},
        {kBody + std::string(254, 'x') + "\n" + rgb, HintRgb},
        {kBody + std::string(255, 'x') + "\n" + rgb, 0},
        {kBody + std::string(255, 'x') + "\r\n" + rgb, HintRgb},
        {kBody + std::string(509, 'x') + "\n" + rgb, HintRgb},
        {kBody + std::string(510, 'x') + "\n" + rgb, 0},
        {kBody + "x\n" + zero_rgb, HintRgb}, {kBody + "x\r\n" + zero_rgb, 0},
        {kBody + "x\n" + std::string(243, 'x') + "setrgbcolor\n" + cmyk, HintRgb | HintCmyk},
        {kBody + "x\n\n" + std::string(243, 'x') + "setrgbcolor\n" + cmyk, HintRgb},
        {kBody + std::string(5000, 'x') + "\n" + rgb, HintRgb},  // lines cut across blocks
        // clang-format on
    });
}

// Once the body has given an operator's hint, lines that could only give it again are
// passed over; the other operators, names and comments still count.
TEST_F(PostScriptScanTest, RepeatedOperatorsLeaveTheOthersCounted) {
    expect_findings({
        {kBody + "1 setrgbcolor\n1 0 sethsbcolor\n0 0 0 1 setcmykcolor\n0.5 setcolor\n",
         HintRgb | HintCmyk | HintOtherColour},
        {kBody + "0 setcmykcolor\n1 setcmykcolor\n/DeviceRGB\n", HintRgb | HintCmyk},
        {kBody + "1 setrgbcolor\n1 setrgbcolor %%EOF\n%%BeginProlog\n1 setcmykcolor\n%%EndProlog\n"
                 "0 setcolor\n",
         HintRgb | HintOtherColour},
    });
}

// A failure ends the scan at once: the line whose end lies in the block that could not be
// read is not looked at.
TEST_F(PostScriptScanTest, AFailedBlockReadEndsTheScan) {
    const std::string path =
        placed(kBody + std::string(kBlockSize - kBody.size() - 12, ' ') + "\nsetrgbcolor\n");
    EXPECT_EQ("0@4096 failed", scan_at(path, 0, {false, true, 1}).calls);
}

// The searches behind the scan, 16 bytes at a time and a byte at a time, over every kind
// of byte they look for, with ranges ending anywhere in and after the vector loads.
TEST(LineSearches, VectorAndBytewiseSearchesAgree) {
    std::mt19937 random(7);
    const unsigned char special[] = {0x0D, 0x0A, 0, '%', '/', 'D', 'b', 'c', 'o', 'k', 't', 0xFF};
    const OperatorBytes operators[] = {{{'b', 'k', 't'}}, {{0, 'k', 0}}, {{0, 0, 0}}};
    unsigned char bytes[160];
    for (int round = 0; round < 3000; ++round) {
        const unsigned sparse = 1 + round % 40;  // from every byte special to hardly any
        for (unsigned char& b : bytes)
            b = random() % sparse == 0 ? special[random() % sizeof special] : 'x';
        const std::uint32_t from = random() % 80;
        const std::uint32_t to = from + random() % (sizeof bytes - from + 1);
        SCOPED_TRACE(testing::Message() << "round " << round << " [" << from << ", " << to << ")");
        const OperatorBytes& looked_for = operators[round % 3];
        const std::uint32_t attention = find_attention_portable(bytes, from, to, looked_for);
        ASSERT_EQ(attention, find_attention(bytes, from, to, looked_for));
#if defined(__SSE2__)
        ASSERT_EQ(attention, find_attention_sse2(bytes, from, to, looked_for));
#endif
        ASSERT_EQ(find_line_end_portable(bytes, from, to), find_line_end(bytes, from, to));
        ASSERT_EQ(find_last_line_end_portable(bytes, from, to),
                  find_last_line_end(bytes, from, to));
    }
}

}  // namespace
