// The PostScript line scan: the line rules, each state's keywords, the process colour list
// and Photoshop's image comment, every scan also checked against the byte-at-a-time model;
// then the block scan against the model over generated documents.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <vector>

#include "collect_sink.h"
#include "examined_file.h"
#include "postscript.h"
#include "postscript_model.h"
#include "reader.h"

namespace {

using Lines = std::vector<std::string>;
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
    bool jpeg = false;      // embedded_jpeg_seen afterwards; JPEG-encoded data is looked for
    int failing_read = -1;  // block reads that succeed before one fails; -1: none fails
};

class PostScriptScanTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override { close_examined_file(); }

    // One scan of each text from its start; the real one must agree with the model.
    void expect_findings(const std::vector<FindingsCase>& cases) {
        for (const FindingsCase& c : cases) {
            SCOPED_TRACE(c.text);
            const ScanSetup setup = {0, false, true, c.failing_read};
            const ScanRun run = fast_scan_run(scratch_.write("doc.eps", c.text), c.text, setup);
            EXPECT_EQ("", describe_difference(model_scan_run(c.text, setup), run));
            EXPECT_EQ(c.findings, run.calls.at(0).findings);
            EXPECT_EQ(c.jpeg, run.embedded_jpeg_seen);
        }
    }

    ScratchDir scratch_;
};

// A first CR or LF of a line and every zero byte are dropped but count against the 255.
TEST_F(PostScriptScanTest, LineEndsZeroBytesAndTheCutAfter255) {
    const std::pair<Bytes, Lines> cases[] = {
        // clang-format off
        {"ab\ncd\n", {"ab", "cd", ""}}, {"ab\rcd\r", {"ab", "cd", ""}}, {"ab\r\ncd", {"ab", "cd"}},
        {"ab\n\n\ncd", {"ab", "", "cd"}}, {Bytes("a\0b\0\nc", 6), {"ab", "c"}}, {"", {""}},
        {Bytes("\0\rab\n", 5), {"", "ab", ""}}, {kFullLine + "\nz", {kFullLine, "z"}},
        {kFullLine + std::string(45, 'y'), {kFullLine, std::string(45, 'y')}},
        {"\n" + kFullLine, {std::string(254, 'x'), "x"}},
        {fill(10, 0) + kFullLine, {std::string(245, 'x'), "xxxxxxxxxx"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_TRUE(open_bytes(scratch_, "lines.txt", c.first));
        Lines lines;
        char line[kLineBufferSize];
        while (!file_reader.end_of_data) {
            const std::size_t length = read_line(line);
            EXPECT_EQ(std::strlen(line), length);
            lines.emplace_back(line, length);
        }
        EXPECT_EQ(c.second, lines);
    }
}

// Certain findings end the scan at the end of the header or setup (but not in a Photoshop
// file); hints go on to the body's operator.
TEST_F(PostScriptScanTest, HeaderAndSetupFindings) {
    expect_findings({
        // clang-format off
        {list("cyan Magenta YELLOW"), FoundCmyk}, {list("Black"), FoundGrey},
        {list(""), HintNoProcessColours | HintRgb}, {list("Cyan Orange"), FoundOtherSpace},
        {list("(atend)"), FoundOtherSpace}, {list("Black, 42 (Black)"), FoundGrey},
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
        {kBody + "/DeviceRGB\n/DeviceCMYK\n", HintRgb | HintCmyk},
        {kBody + "/DeviceCMYK /DeviceRGB\n", HintRgb},
        {kBody + "1 0 0 SETRGBCOLOR\n/devicergb\n", 0},
        {kBody + "%%beginprolog\n/x { setcmykcolor } def\n%%EndProlog\nsetrgbcolor\n", HintRgb},
        {kBody + "%%BeginProlog\n/DeviceRGB setcolorspace\n%%EndProlog\n", HintRgb},
        {kBody + "%%Trailer\nsetrgbcolor\n", 0}, {kBody + "%%PageTrailer\nsetrgbcolor\n", 0},
        {kBody + "%%eof\nsetrgbcolor\n", 0}, {kBody + "%%BeginBinary: 10\nsetrgbcolor\n", 0},
        {kBody + "setrgbcolor %%EOF\nsetcmykcolor\n", HintRgb | HintCmyk},
        {kBody + "%ImageData: 1 1 8 4 0 1 1\nsetrgbcolor\n", HintRgb},
        {kBody + kFullLine + std::string(33, ' ') + "setcmykcolor\n", HintCmyk},  // 300 characters
        {kBody + std::string(250, 'x') + "setcmykcolor\n", 0},  // the operator cut in two
        // The line's end lies in the next block, whose read fails: the line is not looked at.
        {kBody + std::string(4096 - kBody.size() - 12, ' ') + "\nsetrgbcolor\n", 0, false, 1},
        {kPhotoshop + "/DeviceRGB\nsetcmykcolor\n", FoundRgb},
        {kPhotoshop + "%%BeginProlog\n/DeviceCMYK\n", FoundCmyk},
        {kPhotoshop + "%IMAGEDATA: 1 1 8 4 0 1 1\nsetrgbcolor\n", HintRgb},
        {image(" 1 1 8 4 0 1 3 \"beginimage\""), FoundCmyk, true},
        {image(" 1 1 8 3 0 1 4"), FoundRgb, true}, {image(" 1 1 8 2 0 1 5"), FoundOtherSpace, true},
        {image(" 1 1 8 1 0 1 6"), FoundGrey, true}, {image(" 1 1 8 9 0 1 3"), HintRgb, true},
        {image(" 1 1 8 4 0 1 2"), FoundCmyk}, {image(" 1 1 8 4 0 1 7"), FoundCmyk},
        {image(" 1 1 8 4 0 1"), HintRgb}, {image(" 1 1 8 4 0 1 x3"), HintRgb},
        {image("1\t1  8\v4 0 1 +3"), FoundCmyk, true}, {image(" 1 1 8 -4 0 1 3"), HintRgb, true},
        {image(" 1 1 8 - 4 0 1 3"), HintRgb}, {image(" 1 1 8 4294967300 0 1 3"), HintRgb, true},
        {image(" 1 1 8 4 0 1 4294967299"), FoundCmyk},
        {image(" 1 1 8 4 0 1 -4294967293"), FoundCmyk},
        // clang-format on
    });
}

TEST(LineMap, BothClassifiersAgreeWithAPlainOne) {
    std::mt19937 random(7);
    const unsigned char special[] = {0x0D, 0x0A, 0, '%', '/', 'o', 'l', 'x', 0xFF, 0x8D};
    for (int round = 0; round < 2000; ++round) {
        unsigned char bytes[65];
        for (unsigned char& b : bytes)
            b = (random() % 3) ? special[random() % sizeof special]
                               : static_cast<unsigned char>(random());
        LineMapWord plain = {0, 0};
        for (int i = 0; i < 64; ++i) {
            const unsigned char b = bytes[i];
            const std::uint64_t bit = std::uint64_t{1} << i;
            if (b == 0x0D || b == 0x0A) plain.line_ends |= bit;
            if (b == 0 || b == '%' || b == '/' || (b == 'o' && bytes[i + 1] == 'l'))
                plain.attention |= bit;
        }
        for (const LineMapWord word : {map_line_word(bytes), map_line_word_portable(bytes)}) {
            ASSERT_EQ(plain.line_ends, word.line_ends) << round;
            ASSERT_EQ(plain.attention, word.attention) << round;
        }
    }
}

unsigned pick(std::mt19937& random, std::size_t n) {
    return static_cast<unsigned>(random() % n);
}

// Keywords in assorted cases, some split by a zero byte; every kind of line end; zero and
// random bytes; long runs; image comments; and runs up to just before a block boundary.
Bytes make_document(std::mt19937& random, std::size_t size) {
    // clang-format off
    static const char* const kWords[] = {
        "%%Creator: Adobe Photoshop", "%%Creator:", "Photoshop", "%%EndComments", "%%EndSetup",
        "%%BeginProlog", "%%EndProlog", "%%DocumentProcessColors:", "%%PageProcessColors:",
        "Cyan", "Magenta", "Yellow", "Black", "BLACKISH", "(atend)", "Orange", "%%RGBCustomColor",
        "%%DocumentCustomColors", "setrgbcolor", "sethsbcolor", "setcmykcolor", "setcolor",
        "setcolorspace", "/DeviceRGB", "/DeviceCMYK", "%%BeginBinary:", "%%EOF", "%%PageTrailer",
        "%%Trailer", "%ImageData:", "moveto", "ol", "o", "l", "%", "/", "%%"};
    static const char* const kStarts[] = {"", "%!PS-Adobe-3.0\n%%EndComments\n%%EndSetup\n",
        "%!PS-Adobe-3.0\r\n%%Creator: Adobe Photoshop\r\n%%EndComments\r\n%%EndSetup\r\n"};
    static const char* const kGaps[] = {" ", " ", "\t ", " +", " -", "-"};
    static const Bytes kBreaks[] = {"\n", "\r", "\r\n", "\n\r", "\n\n", "\r\r", Bytes(1, 0),
        Bytes(3, 0) + " "};
    // clang-format on
    Bytes out = kStarts[pick(random, 3)];
    while (out.size() < size) {
        const unsigned kind = pick(random, 9);
        if (kind < 3) {
            std::string word = kWords[pick(random, sizeof kWords / sizeof kWords[0])];
            const unsigned how = pick(random, 6);  // 0: every letter's case flipped, 1: some
            for (char& c : word)
                if (std::isalpha(static_cast<unsigned char>(c)) &&
                    (how == 0 || (how == 1 && pick(random, 2))))
                    c = static_cast<char>(c ^ 0x20);
            if (pick(random, 8) == 0) word.insert(pick(random, word.size() + 1), 1, '\0');
            out += word;
        } else if (kind < 5) {
            out += kBreaks[pick(random, 8)];
        } else if (kind == 5) {
            for (unsigned n = pick(random, 30); n > 0; --n)
                out += static_cast<char>(pick(random, 256));
        } else if (kind == 6) {
            out += std::string(200 + pick(random, 200), "xo l%/"[pick(random, 6)]);
        } else if (kind == 7) {
            const std::size_t to_boundary = kBlockSize - out.size() % kBlockSize;
            const std::size_t back = pick(random, 14);
            if (to_boundary > back) out += std::string(to_boundary - back, " x"[pick(random, 2)]);
        } else {
            out += "%ImageData:";
            for (unsigned n = 5 + pick(random, 4); n > 0; --n) {
                out += kGaps[pick(random, 6)];
                out += std::to_string(pick(random, 10) ? pick(random, 8) : random() % 100000000);
            }
        }
    }
    return out;
}

// The fast scan against the model: whole files, with and without repetition and the image
// comment's encoding, from a position inside the data, and with a failing block read.
TEST_F(PostScriptScanTest, BlockScanMatchesTheModel) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const Bytes text = make_document(random, round % 10 == 0 ? 30000 : 200 + random() % 13000);
        const std::string path = scratch_.write("doc.eps", text);
        const ScanSetup setups[] = {{0, true, true, -1},
                                    {0, false, false, -1},
                                    {random() % text.size(), true, random() % 2 == 0, -1},
                                    {random() % 3, true, true, static_cast<int>(random() % 4)}};
        for (const ScanSetup& setup : setups) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " start " << setup.start
                                              << " failing read " << setup.failing_read);
            ASSERT_EQ("", describe_difference(model_scan_run(text, setup),
                                              fast_scan_run(path, text, setup)));
        }
    }
}

}  // namespace
