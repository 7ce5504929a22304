// The PostScript line scan: the line rules, each state's keywords, the process colour
// list, Photoshop's image comment, and the block scan checked against the byte-at-a-time
// model over many generated inputs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "collect_sink.h"
#include "counters.h"
#include "postscript.h"
#include "postscript_model.h"
#include "reader.h"
#include "scratch.h"

namespace {

const Bytes kBodyStart = "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%EndSetup\n";
const Bytes kPhotoshopStart =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Adobe Photoshop Version 5.0\n%%EndComments\n"
    "%%EndSetup\n";

class PostScriptScanTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override {
        platform_close(file_reader.handle);
        file_reader.handle = kNoFile;
        clear_platform_faults();
    }

    // One scan from the start of `text`, the real one checked against the model.
    ScanRun scan(const Bytes& text, bool find_jpeg = false, bool repeat = false) {
        const std::string path = scratch_.write("doc.eps", text);
        const ScanSetup setup = {0, repeat, find_jpeg, -1};
        const ScanRun fast = fast_scan_run(path, text, setup);
        EXPECT_EQ("", describe_difference(model_scan_run(text, setup), fast));
        return fast;
    }
    EpsFindings findings_of(const Bytes& text, bool find_jpeg = false) {
        const ScanRun run = scan(text, find_jpeg);
        return run.calls.empty() ? 0xFFFF : run.calls[0].findings;
    }

    // Every line read_line gives for `bytes`, to the end of the data.
    std::vector<std::string> lines_of(const Bytes& bytes) {
        const std::string path = scratch_.write("lines.txt", bytes);
        const PlatformFile file = platform_open_read(path.c_str());
        EXPECT_TRUE(is_open(file));
        file_reader.file_name = nullptr;
        reset_reader_for_file(file);
        rewind_reader(true);
        file_reader.verdict = 0;
        std::vector<std::string> lines;
        char line[kLineBufferSize];
        while (!file_reader.end_of_data && file_reader.verdict != 1) {
            const std::size_t length = read_line(line);
            EXPECT_EQ(std::strlen(line), length);
            lines.emplace_back(line, length);
        }
        platform_close(file);
        file_reader.handle = kNoFile;
        return lines;
    }

    ScratchDir scratch_;
};

using Lines = std::vector<std::string>;

// ---- read_line ----------------------------------------------------------------------------

TEST_F(PostScriptScanTest, LineEndsAndTheirSkipping) {
    struct Case {
        const char* name;
        Bytes bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"LF", "ab\ncd\n", {"ab", "cd", ""}},
        {"CR only", "ab\rcd\r", {"ab", "cd", ""}},
        {"CR LF: the LF is the skipped first byte of the next line",
         "ab\r\ncd\r\n",
         {"ab", "cd", ""}},
        {"no end at the end of the data", "ab\ncd", {"ab", "cd"}},
        {"a skipped first byte counts as taken, so a second line end ends an empty line",
         "ab\n\n\ncd",
         {"ab", "", "cd"}},
        {"zero bytes dropped", Bytes("a\0b\0\nc", 6), {"ab", "c"}},
        {"a zero byte taken first lets a CR end an empty line",
         Bytes("\0\rab\n", 5),
         {"", "ab", ""}},
        {"empty file", "", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.lines, lines_of(c.bytes));
    }
}

TEST_F(PostScriptScanTest, LongLinesAreCutAfter255BytesTaken) {
    const std::string x255(255, 'x');
    // 300 characters: a line of 255 and a line of 45.
    EXPECT_EQ((Lines{x255, std::string(45, 'y')}), lines_of(x255 + std::string(45, 'y')));
    // Exactly 255 then LF: the LF starts the next line and is dropped there.
    EXPECT_EQ((Lines{x255, "z"}), lines_of(x255 + "\nz"));
    // A leading LF and the zero bytes count against the 255 although they are dropped.
    EXPECT_EQ((Lines{std::string(254, 'x'), "x"}), lines_of("\n" + x255));
    EXPECT_EQ((Lines{std::string(245, 'x'), "xxxxxxxxxx"}), lines_of(fill(10, 0) + x255));
}

TEST_F(PostScriptScanTest, ReadFailureEndsTheLineAndTheScanAtOnce) {
    CollectingSink sink;
    // The first block ends with "setrgbcolor" on a line whose end lies in the second
    // block; that block's read fails, so the line is not looked at.
    const Bytes text = kBodyStart + std::string(4096 - kBodyStart.size() - 12, ' ') +
                       "\nsetrgbcolor" + "\n" + std::string(5000, ' ');
    const std::string path = scratch_.write("doc.eps", text);
    const ScanSetup setup = {0, false, false, 1};
    const ScanRun fast = fast_scan_run(path, text, setup);
    EXPECT_EQ("", describe_difference(model_scan_run(text, setup), fast));
    EXPECT_TRUE(fast.failed);
    ASSERT_EQ(1u, fast.calls.size());
    EXPECT_EQ(0, fast.calls[0].findings);
    ASSERT_EQ(1u, sink.entries().size());
    EXPECT_EQ("read error: 5", sink.entries()[0].message);
}

// ---- State 0: the header --------------------------------------------------------------------

TEST_F(PostScriptScanTest, ProcessColourLists) {
    struct Case {
        const char* list;
        EpsFindings findings;
    };
    const Case cases[] = {
        {"Cyan Magenta Yellow Black", FoundCmyk},
        {"Cyan Magenta Yellow", FoundCmyk},
        {"Yellow", FoundCmyk},
        {"Black", FoundGrey},
        {"", HintNoProcessColours},
        {"   ", HintNoProcessColours},
        {"Cyan Orange", FoundOtherSpace},
        {"Orange Cyan", FoundOtherSpace},
        {"(atend)", FoundOtherSpace},
        {"BLACKISH", FoundOtherSpace},     // black, then the unknown name ISH
        {"Blackcyan", FoundCmyk},          // two names read on from the prefix
        {"cyan black", FoundCmyk},         // the line is upper-cased
        {"Black, 42 (Black)", FoundGrey},  // punctuation and digits are passed over
        {"Black\tCyan", FoundCmyk},
        {"Cya", FoundOtherSpace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const Bytes header = std::string("PS-Adobe-3.0\n%%DocumentProcessColors: ") + c.list +
                             "\n%%EndComments\n%%EndSetup\nsetrgbcolor\n";
        // Certain findings end the scan at the end of the header; the others go on to the
        // body's operator.
        const EpsFindings expected =
            (c.findings & kCertainFindings) ? c.findings : c.findings | HintRgb;
        EXPECT_EQ(expected, findings_of(header));
    }
}

TEST_F(PostScriptScanTest, TheFirstProcessColourListOfTheHeaderCounts) {
    EXPECT_EQ(FoundGrey,
              findings_of("%%PageProcessColors: Black\n%%DocumentProcessColors: Cyan\n"));
    // On one line the document list is taken, from its own colon.
    EXPECT_EQ(FoundGrey, findings_of("%%PageProcessColors: Cyan %%DocumentProcessColors: Black\n"));
}

TEST_F(PostScriptScanTest, HeaderWithCertainFindingReturnsAtItsEnd) {
    const Bytes text = "%%DocumentProcessColors: Cyan Magenta Yellow\n%%EndComments\nrest\n";
    const ScanRun run = scan(text);
    ASSERT_EQ(1u, run.calls.size());
    EXPECT_EQ(FoundCmyk, run.calls[0].findings);
    EXPECT_EQ(text.size() - 5, run.calls[0].position);  // just after "%%EndComments\n"
}

TEST_F(PostScriptScanTest, PhotoshopGoesOnPastTheHeaderAndSetup) {
    const Bytes text =
        "%%Creator: Adobe Photoshop\n%%DocumentProcessColors: Cyan\n"
        "%%EndComments\n%%EndSetup\n%ImageData: 10 10 8 3 0 10 1 \"beginimage\"\n";
    EXPECT_EQ(FoundCmyk | FoundRgb, findings_of(text));
}

TEST_F(PostScriptScanTest, HeaderComments) {
    struct Case {
        const char* name;
        Bytes text;
        EpsFindings findings;
    };
    const Case cases[] = {
        {"RGB custom colour", "%%RGBCustomColor: 1 0 0 (Red)\n", HintRgb},
        {"document custom colours", "%%DocumentCustomColors: (Pantone 300)\n", HintOtherColour},
        {"both", "%%DocumentCustomColors: (A)\n%%RGBCustomColor: 1 0 0 (A)\n",
         HintRgb | HintOtherColour},
        {"mixed case", "%%rgbcustomcolor: x\n", HintRgb},
        // The creator line is passed on at once, so a list on it is not read.
        {"creator first", "%%Creator: x %%DocumentProcessColors: Cyan\n", 0},
        // Only the first creator comment is looked at.
        {"second creator",
         "%%Creator: Illustrator\n%%Creator: Photoshop\n%%EndComments\n"
         "%%EndSetup\n%ImageData: 1 1 8 3 0 1 1\n",
         0},
        {"operators in the header are not counted", "setrgbcolor /DeviceCMYK\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.findings, findings_of(c.text));
    }
}

// ---- State 1: from the header's end to the setup's end ---------------------------------------

TEST_F(PostScriptScanTest, SetupState) {
    struct Case {
        const char* name;
        Bytes text;
        EpsFindings findings;
    };
    const Case cases[] = {
        {"page colours after the header are CMYK unread",
         "%%EndComments\n%%PageProcessColors: Black\n%%EndSetup\nsetrgbcolor\n", FoundCmyk},
        {"page colours on the end-of-setup line, then return",
         "%%EndComments\n%%PageProcessColors: %%EndSetup\nsetrgbcolor\n", FoundCmyk},
        {"a header list stops the page one",
         "%%DocumentProcessColors: \n%%EndComments\n%%PageProcessColors: Cyan\n%%EndSetup\n"
         "setcmykcolor\n",
         HintNoProcessColours | HintCmyk},
        {"operators before the end of the setup",
         "%%EndComments\n0 0 0 1 setcmykcolor\n/DeviceRGB\n", 0},
        {"no end of the setup: never past it", "%%EndComments\n%%BeginSetup\n%%EOF\nsetrgbcolor\n",
         0},
        {"mixed case end of setup", "%%endcomments\n%%endsetup\n1 0 0 setrgbcolor\n", HintRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.findings, findings_of(c.text));
    }
}

// ---- States 2 and 3: body and prolog -------------------------------------------------------

TEST_F(PostScriptScanTest, BodyOperatorsAndColourSpaces) {
    struct Case {
        const char* name;
        Bytes body;
        EpsFindings findings;
    };
    const Case cases[] = {
        {"setrgbcolor", "1 0 0 setrgbcolor\n", HintRgb},
        {"sethsbcolor", "0 1 1 sethsbcolor\n", HintRgb},
        {"setcmykcolor", "0 0 0 1 setcmykcolor\n", HintCmyk},
        {"setcolor", "0.5 setcolor\n", HintOtherColour},
        {"setcolorspace counts as setcolor", "/DeviceRGB setcolorspace\n", HintOtherColour},
        {"one operator per line, rgb first", "0 setcmykcolor 1 setrgbcolor\n", HintRgb},
        {"device names", "/DeviceRGB\n/DeviceCMYK\n", HintRgb | HintCmyk},
        {"rgb name first on a line", "/DeviceCMYK /DeviceRGB\n", HintRgb},
        {"operators are matched as read", "1 0 0 SETRGBCOLOR\n/devicergb\n", 0},
        {"an operator in the prolog is not counted",
         "%%BeginProlog\n/x { setcmykcolor } def\n%%EndProlog\nsetrgbcolor\n", HintRgb},
        {"a device name in the prolog is", "%%BeginProlog\n/DeviceRGB setcolorspace\n%%EndProlog\n",
         HintRgb},
        {"mixed case prolog comments", "%%beginprolog\nsetcmykcolor\n%%endprolog\n", 0},
        {"trailer returns", "%%Trailer\nsetrgbcolor\n", 0},
        {"page trailer returns", "%%PageTrailer\nsetrgbcolor\n", 0},
        {"end of file returns", "%%eof\nsetrgbcolor\n", 0},
        {"binary data returns", "%%BeginBinary: 10\nsetrgbcolor\n", 0},
        {"a structure comment with an operator: the operator wins",
         "setrgbcolor %%EOF\nsetcmykcolor\n", HintRgb | HintCmyk},
        {"image comment outside Photoshop files", "%ImageData: 1 1 8 4 0 1 1\nsetrgbcolor\n",
         HintRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.findings, findings_of(kBodyStart.substr(2) + c.body));
    }
}

TEST_F(PostScriptScanTest, PhotoshopDeviceNamesAreCertain) {
    EXPECT_EQ(FoundRgb, findings_of(kPhotoshopStart + "/DeviceRGB\nsetcmykcolor\n"));
    EXPECT_EQ(FoundCmyk, findings_of(kPhotoshopStart + "%%BeginProlog\n/DeviceCMYK\n"));
    // Operators stay hints, and come before the device names on a line.
    EXPECT_EQ(HintOtherColour, findings_of(kPhotoshopStart + "/DeviceRGB setcolorspace\n"));
}

TEST_F(PostScriptScanTest, PhotoshopImageComment) {
    struct Case {
        const char* numbers;
        bool find_jpeg;
        EpsFindings findings;
        bool jpeg;
    };
    const Case cases[] = {
        {" 100 80 8 4 0 100 1 \"beginimage\"", false, FoundCmyk, false},
        {" 100 80 8 3 0 100 1", false, FoundRgb, false},
        {" 100 80 8 2 0 100 1", false, FoundOtherSpace, false},
        {" 100 80 1 1 0 100 1", false, FoundGrey, false},
        {" 100 80 8 9 0 100 1", false, HintRgb, false},  // other modes: on to the operators
        {" 100 80 8 3 0 100 3", true, FoundRgb, true},
        {" 100 80 8 3 0 100 4", true, FoundRgb, true},
        {" 100 80 8 4 0 100 5", true, FoundCmyk, true},
        {" 100 80 8 4 0 100 6", true, FoundCmyk, true},
        {" 100 80 8 4 0 100 7", true, FoundCmyk, false},
        {" 100 80 8 4 0 100 2", true, FoundCmyk, false},
        {" 100 80 8 4 0 100 3", false, FoundCmyk, false},  // not asked
        {" 100 80 8 9 0 100 3", true, HintRgb, true},      // set even when the mode is other
        {" 100 80 8 4 0 100", true, HintRgb, false},       // six numbers: passed over
        {" 100 80 8 4 0 100 x3", true, HintRgb, false},
        {"100\t80  8\v4 0 100 +3", true, FoundCmyk, true},  // white space and signs as %d
        {" 100 80 8 -4 0 100 3", true, HintRgb, true},
        {" 100 80 8 4294967300 0 100 3", true, HintRgb, true},  // beyond an int: no mode
        {" 100 80 8 4 0 100 4294967299", true, FoundCmyk, false},
        {" 100 80 8 4 0 100 -4294967293", true, FoundCmyk, false},
        {" 100 80 8 - 4 0 100 3", true, HintRgb, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numbers);
        scan_counters.embedded_jpeg_seen = false;
        const Bytes text = kPhotoshopStart + "%ImageData:" + c.numbers + "\nsetrgbcolor\n";
        const ScanRun run = scan(text, c.find_jpeg);
        EXPECT_EQ(c.findings, run.calls[0].findings);
        EXPECT_EQ(c.jpeg, run.embedded_jpeg_seen);
    }
    // Matched as read only.
    EXPECT_EQ(HintRgb, findings_of(kPhotoshopStart + "%IMAGEDATA: 1 1 8 4 0 1 1\nsetrgbcolor\n"));
}

TEST_F(PostScriptScanTest, ALineOf300CharactersIsTwoLines) {
    // The operator lies in the second part, so it counts; one split by the cut does not.
    const Bytes whole =
        kBodyStart + std::string(255, 'x') + std::string(33, ' ') + "setcmykcolor\n";
    EXPECT_EQ(HintCmyk, findings_of(whole.substr(2)));
    const Bytes split = kBodyStart + std::string(250, 'x') + "setcmykcolor\n";
    EXPECT_EQ(0, findings_of(split.substr(2)));
}

TEST_F(PostScriptScanTest, CarriageReturnsAloneEndLines) {
    const Bytes text = "PS-Adobe-3.0\r%%EndComments\r%%EndSetup\r0 0 0 1 setcmykcolor\r%%EOF\r";
    const ScanRun run = scan(text);
    EXPECT_EQ(HintCmyk, run.calls[0].findings);
    EXPECT_EQ(text.size(), run.calls[0].position);
}

// ---- Block classification and the differential check ------------------------------------

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
            const std::uint64_t bit = std::uint64_t{1} << i;
            if (bytes[i] == 0x0D || bytes[i] == 0x0A) plain.line_ends |= bit;
            if (bytes[i] == 0 || bytes[i] == '%' || bytes[i] == '/' ||
                (bytes[i] == 'o' && bytes[i + 1] == 'l'))
                plain.attention |= bit;
        }
        for (const LineMapWord word : {map_line_word(bytes), map_line_word_portable(bytes)}) {
            ASSERT_EQ(plain.line_ends, word.line_ends) << round;
            ASSERT_EQ(plain.attention, word.attention) << round;
        }
    }
}

// Documents made of the scan's keywords in assorted cases, line ends of every kind, zero
// bytes, long runs, and pieces placed across 4096-byte block boundaries.
class DocumentMaker {
   public:
    explicit DocumentMaker(unsigned seed) : random_(seed) {}

    Bytes make(std::size_t size) {
        static const char* const kStarts[] = {
            "", "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%EndSetup\n",
            "%!PS-Adobe-3.0\r\n%%Creator: Adobe Photoshop\r\n%%EndComments\r\n%%EndSetup\r\n"};
        Bytes out = kStarts[pick(3)];
        while (out.size() < size) add_piece(out);
        return out;
    }

   private:
    unsigned pick(unsigned n) { return static_cast<unsigned>(random_() % n); }

    std::string vary_case(const std::string& word) {
        std::string out = word;
        const unsigned how = pick(6);
        for (char& c : out) {
            if (how == 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (how == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (how == 2 && pick(2) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
                c = static_cast<char>(c ^ 0x20);
        }
        return out;
    }

    void add_piece(Bytes& out) {
        static const char* const kWords[] = {"%%Creator: Adobe Photoshop",
                                             "%%Creator:",
                                             "Photoshop",
                                             "%%EndComments",
                                             "%%EndSetup",
                                             "%%BeginProlog",
                                             "%%EndProlog",
                                             "%%DocumentProcessColors:",
                                             "%%PageProcessColors:",
                                             "Cyan",
                                             "Magenta",
                                             "Yellow",
                                             "Black",
                                             "BLACKISH",
                                             "(atend)",
                                             "Orange",
                                             "%%RGBCustomColor",
                                             "%%DocumentCustomColors",
                                             "setrgbcolor",
                                             "sethsbcolor",
                                             "setcmykcolor",
                                             "setcolor",
                                             "setcolorspace",
                                             "/DeviceRGB",
                                             "/DeviceCMYK",
                                             "%%BeginBinary:",
                                             "%%EOF",
                                             "%%PageTrailer",
                                             "%%Trailer",
                                             "%ImageData:",
                                             "moveto",
                                             "lineto",
                                             "closepath fill",
                                             "o",
                                             "l",
                                             "%",
                                             "/",
                                             "%%"};
        static const char* const kEnds[] = {"\n", "\r", "\r\n", "\n\r", "\n\n", "\r\r"};
        switch (pick(14)) {
            case 0:
            case 1:
            case 2: {
                const std::string word = kWords[pick(sizeof kWords / sizeof kWords[0])];
                // Keywords matched as read stay as they are more often than not; a few
                // are split by a zero byte, which the line drops.
                std::string piece = pick(3) == 0 ? vary_case(word) : word;
                if (pick(8) == 0)
                    piece.insert(pick(static_cast<unsigned>(piece.size()) + 1), 1, '\0');
                out += piece;
                break;
            }
            case 3:
            case 4:
                out += kEnds[pick(6)];
                break;
            case 5:
                out += " ";
                break;
            case 6:
                for (unsigned n = pick(40); n > 0; --n) out += static_cast<char>(' ' + pick(95));
                break;
            case 7:
                out += Bytes(1 + pick(3), '\0');
                break;
            case 8:
                for (unsigned n = 1 + pick(20); n > 0; --n) out += static_cast<char>(pick(256));
                break;
            case 9:
                out += std::string(200 + pick(200), "xo l%/"[pick(6)]);
                break;
            case 10: {
                // Pad so that what follows straddles the next block boundary.
                const std::size_t boundary = (out.size() / kBlockSize + 1) * kBlockSize;
                const std::size_t back = pick(14);
                if (boundary - out.size() > back)
                    out += std::string(boundary - out.size() - back, pick(2) ? ' ' : 'x');
                break;
            }
            case 11: {
                out += "%ImageData:";
                const unsigned count = 5 + pick(4);
                for (unsigned i = 0; i < count; ++i) {
                    out += pick(4) ? " " : "\t ";
                    if (pick(8) == 0) out += "+-"[pick(2)];
                    out += std::to_string(pick(10) ? pick(8) : random_() % 100000000);
                }
                break;
            }
            case 12:
                out += Bytes("o\0l", 3);
                break;
            default:
                out += "Cyan Magenta";
                break;
        }
    }

    std::mt19937 random_;
};

TEST_F(PostScriptScanTest, BlockScanMatchesTheModel) {
    DocumentMaker maker(20240611);
    std::mt19937 random(99);
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = (round % 10 == 0) ? 30000 : 200 + random() % 13000;
        const Bytes text = maker.make(size);
        const std::string path = scratch_.write("doc.eps", text);
        ScanSetup setups[] = {
            {0, true, true, -1},
            {0, false, false, -1},
            {random() % text.size(), true, random() % 2 == 0, -1},
            {random() % 3, true, true, static_cast<int>(random() % 4)},
        };
        for (const ScanSetup& setup : setups) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " start " << setup.start
                                              << " failing read " << setup.failing_read);
            const std::string difference =
                describe_difference(model_scan_run(text, setup), fast_scan_run(path, text, setup));
            ASSERT_EQ("", difference);
            ++compared;
        }
    }
    EXPECT_EQ(1200, compared);
}

}  // namespace
