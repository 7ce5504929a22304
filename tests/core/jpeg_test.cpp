// The JPEG analysis from crafted bytes: frame and scan headers, the Adobe transform, the
// walk's 60 bytes, fill bytes and the other places where the walk departs from common
// decoders, block boundaries, cut-off files and the failure rows.
#include <gtest/gtest.h>

#include "classify/analyses.h"
#include "tests/support/analysis_fixture.h"

namespace {

enum Code : unsigned { kSof0 = 0xC0, kSof1, kSof2, kSos = 0xDA, kApp1 = 0xE1, kApp14 = 0xEE };

const Bytes kStart("\xFF\xD8", 2);
const Bytes kEnd("\xFF\xD9", 2);
// Compressed data as it follows a scan header, without FF D8 in it.
const Bytes kEntropy = Bytes("\x12\x34\xFF\x00", 4) + fill(60, 0x56);
// Quantisation and Huffman tables: segments the walk enters without examining them.
const Bytes kTables = jpeg_segment(0xDB, fill(65, 1)) + jpeg_segment(0xC4, fill(30, 2));
const Bytes kAdobeHead = Bytes("Adobe", 5) + be16(100) + be16(0) + be16(0);

Bytes frame(unsigned code, unsigned components) {
    Bytes contents = Bytes("\x08", 1) + be16(16) + be16(16) + static_cast<char>(components);
    for (unsigned i = 0; i < components; ++i) contents += Bytes("\x01\x11\x00", 3);
    return jpeg_segment(code, contents);
}

Bytes scan(unsigned components) {
    Bytes contents(1, static_cast<char>(components));
    for (unsigned i = 0; i < components; ++i) contents += Bytes("\x01\x00", 2);
    return jpeg_segment(kSos, contents + Bytes("\x00\x3F\x00", 3));
}

Bytes adobe(unsigned transform) {
    return jpeg_segment(kApp14, kAdobeHead + static_cast<char>(transform));
}

Bytes baseline(unsigned components) {
    return kStart + kTables + frame(kSof0, components) + kEnd;
}

// Its frame header is passed over; its first scan decides.
Bytes progressive(const Bytes& before, unsigned components) {
    return kStart + before + kTables + frame(kSof2, components) + scan(components) + kEntropy +
           kEnd;
}

// A 3-component frame header after an application segment of `size` bytes: with 4088 its
// code is the first block's last byte, with 4086 its contents start the second block.
Bytes after_app(std::size_t size) {
    return kStart + jpeg_segment(kApp1, fill(size, 0x41)) + frame(kSof0, 3) + kEnd;
}

using JpegAnalysis = AnalysisTest;

TEST_F(JpegAnalysis, VerdictIsThatOfTheLastSegmentReached) {
    const Bytes app = jpeg_segment(kApp1, fill(40, 0x41));
    Bytes app27;  // with the start marker, 56 of the walk's 60 bytes
    for (int i = 0; i < 27; ++i) app27 += app;
    const Bytes rgb = frame(kSof0, 3) + kEnd;
    const Bytes two = kStart + frame(kSof0, 2);
    const Bytes restarts("\xFF\xD0\xFF\xD7", 4);
    const Bytes short_app("\xFF\xE1\x00\x04\x41\x41\x41", 7);  // its length one short
    const std::size_t frame_count = baseline(3).find(frame(kSof0, 3)) + 9;
    const Bytes cmyk = progressive(adobe(2), 4);
    // clang-format off
    expect_verdicts(analyse_jpeg, {
        {"baseline, 1 component", baseline(1), Verdict::NothingToReport},
        {"baseline, 3 components", baseline(3), Verdict::Rgb},
        {"baseline, 4 components", baseline(4), Verdict::Cmyk},
        {"2 components, then end of image", two + kEnd + kTables, Verdict::OtherColourSpace},
        {"2 components, then a table segment", two + kTables + kEnd, Verdict::Invalid},
        {"2 components, then a 3-component scan", two + scan(3) + kEntropy, Verdict::PossiblyRgb},
        {"2 components, then D0 and D7", two + restarts + kEnd, Verdict::OtherColourSpace},
        {"a deciding frame ends the walk", kStart + frame(kSof0, 3) + app + scan(4) + kEntropy,
         Verdict::Rgb},
        {"progressive, 3 components", progressive("", 3), Verdict::PossiblyRgb},
        {"progressive, 3 components, transform 1", progressive(adobe(1), 3), Verdict::Rgb},
        {"progressive, 3 components, transform 2", progressive(adobe(2), 3), Verdict::Cmyk},
        {"progressive, 4 components", progressive("", 4), Verdict::PossiblyCmyk},
        {"progressive, 4 components, transform 2", progressive(adobe(2), 4), Verdict::Cmyk},
        {"2 components, transform 1", progressive(adobe(1), 2), Verdict::OtherColourSpace},
        {"the last Adobe segment counts", progressive(adobe(2) + adobe(1), 3), Verdict::Rgb},
        // Length 13: the transform byte 2 after the segment is no part of it.
        {"Adobe segment of 13 bytes", kStart + jpeg_segment(kApp14, kAdobeHead) + "\x02" +
         progressive("", 3), Verdict::PossiblyRgb},
        {"not Adobe", progressive(jpeg_segment(kApp14, "Adobf" + kAdobeHead.substr(5) + "\x01"), 3),
         Verdict::PossiblyRgb},
        {"Adobe in APP1", progressive(jpeg_segment(kApp1, kAdobeHead + "\x01"), 3),
         Verdict::PossiblyRgb},
        // Length 5 leaves the count unread: here it would be the 3 after FF 01.
        {"frame header of 5 bytes", kStart + Bytes("\xFF\xC0\0\x05\x08\0\x10\xFF\x01\x03", 10),
         Verdict::Invalid},
        {"frame header of 6 bytes", kStart + Bytes("\xFF\xC0\0\x06\x08\0\x10\0\x10\x03", 10) + kEnd,
         Verdict::Rgb},
        {"scan header of 5 bytes", kStart + Bytes("\xFF\xDA\0\x05\x03\x01\0", 7), Verdict::Invalid},
        {"scan header of 6 bytes", kStart + Bytes("\xFF\xDA\0\x06\x03\x01\0\x02", 8) + kEntropy,
         Verdict::PossiblyRgb},
        {"extended frame header", kStart + frame(kSof1, 3) + kEnd, Verdict::Invalid},
        {"frame marker at walk bytes 59 and 60", kStart + app27 + app + rgb, Verdict::Rgb},
        {"frame marker at walk bytes 61, 62", kStart + app27 + app + app + rgb, Verdict::Invalid},
        {"27 segments and a TEM marker", kStart + app27 + "\xFF\x01" + rgb, Verdict::Rgb},
        {"start marker at bytes 57 and 58", fill(56, 0x20) + kStart + rgb, Verdict::Rgb},
        {"start marker at bytes 58 and 59", fill(57, 0x20) + kStart + rgb, Verdict::Invalid},
        {"FF FF D8 is no start marker", "\xFF" + kStart + rgb, Verdict::Invalid},
        {"no marker after the start marker", kStart + Bytes(1, '\0') + rgb, Verdict::Invalid},
        // A fill FF is taken as a code, "C0 00" as its length: the walk leaves the file.
        {"fill byte after a segment", kStart + kTables + "\xFF" + rgb, Verdict::Invalid},
        // A byte other than FF after a segment sends the walk back to a start marker.
        {"length one short", kStart + short_app + rgb, Verdict::Invalid},
        {"length one short, then a start marker", kStart + short_app + kStart + rgb, Verdict::Rgb},
        {"length 0", kStart + Bytes("\xFF\xE1\0\0", 4) + rgb, Verdict::Invalid},
        {"frame code at the first block's end", after_app(4088), Verdict::Rgb},
        {"frame contents in the second block", after_app(4086), Verdict::Rgb},
        {"frame beyond a 6000-byte segment", after_app(6000), Verdict::Rgb},
        // A header cut off before its component count says nothing; one cut after it does.
        {"frame cut before its count", baseline(3).substr(0, frame_count), Verdict::Invalid},
        {"frame cut after its count", baseline(3).substr(0, frame_count + 1), Verdict::Rgb},
        {"scan cut before its count", cmyk.substr(0, cmyk.find(scan(4)) + 4), Verdict::Invalid},
    });
    // clang-format on
}

TEST_F(JpegAnalysis, FailuresEndTheWalkWithIoError) {
    const PlatformCall read = PlatformCall::Read;
    // clang-format off
    expect_verdicts(analyse_jpeg, {
        {"the first read", baseline(3), Verdict::IoError, {"read error: 31"}, read},
        {"reading a length", after_app(4088), Verdict::IoError, {"read error: 31"}, read, 1},
        {"reading a frame header", after_app(4086), Verdict::IoError, {"read error: 31"}, read, 1},
        {"passing over a segment", after_app(6000), Verdict::IoError, {"postitioning error: 31"},
         PlatformCall::Seek},
        {"reading after a segment", after_app(6000), Verdict::IoError, {"read error: 31"}, read, 1},
    });
    // clang-format on
}

}  // namespace
