// The EPS analysis: finds where the PostScript text begins (at the start of a text EPS
// file, or through the binary header of one with a preview), runs the line scan once or
// to the end of the data, and turns its findings into a verdict. Runs on the thread of
// the scan that runs.
#include <cstdint>

#include "classify/analyses.h"
#include "classify/postscript.h"
#include "classify/reader.h"

namespace {

// States of the preamble machine.
enum PreambleState {
    kLookingForStart,  // P0
    kInBinarySection,  // P1: at the PostScript section of a binary EPS file
    kAfterC5,          // P2
    kAfterC5D0,        // P3
    kAfterC5D0D3,      // P4
    kAfterPercent,     // P5
};

constexpr int kPercent = 0x25;
constexpr int kExclamation = 0x21;

// Reads the preamble, at most 60 counted bytes; true when the scan is to start (the
// reader is then just after "%!" or "%%"). The bytes of the binary header's two fields are
// not counted, and the count goes on after the move to the section.
bool find_postscript_start() {
    FileReader& reader = file_reader;
    PreambleState state = kLookingForStart;
    for (int counted = 0; counted < kSignatureWindow; ++counted) {
        const int byte = read_byte();
        if (reader.verdict == 1 || reader.end_of_data) return false;
        switch (state) {
            case kLookingForStart:
                if (byte == 0xC5)
                    state = kAfterC5;
                else if (byte == kPercent)
                    state = kAfterPercent;
                break;
            case kInBinarySection:
                if (byte == kPercent) state = kAfterPercent;
                break;
            case kAfterC5:
                state = byte == 0xD0 ? kAfterC5D0 : kLookingForStart;
                break;
            case kAfterC5D0:
                state = byte == 0xD3 ? kAfterC5D0D3 : kLookingForStart;
                break;
            case kAfterC5D0D3: {
                if (byte != 0xC6) {
                    state = kLookingForStart;
                    break;
                }
                const std::uint32_t section = read_u32();
                const std::uint32_t length = read_u32();
                if (reader.verdict == 1 || reader.end_of_data) return false;
                // A length that would carry past 4 GB ends the section at the largest
                // position rather than at a wrapped one before it.
                const std::uint32_t room = 0xFFFFFFFFu - section;
                reader.end_limit = length > room ? 0xFFFFFFFFu : section + length;
                seek_to(section);
                if (reader.verdict == 1) return false;
                state = kInBinarySection;
                break;
            }
            case kAfterPercent:
                if (byte == kExclamation || byte == kPercent) return true;
                state = kLookingForStart;
                break;
        }
    }
    return false;
}

}  // namespace

Verdict findings_to_verdict(EpsFindings findings) {
    switch (findings & kCertainFindings) {
        case 0:
            break;
        case FoundCmyk:
            return Verdict::Cmyk;
        case FoundRgb:
            return Verdict::Rgb;
        case FoundCmyk | FoundRgb:
            return Verdict::CmykAndRgb;
        case FoundOtherSpace:
            return Verdict::OtherColourSpace;
        case FoundGrey:
            return Verdict::NothingToReport;
        default:
            return Verdict::Undetermined;
    }
    switch (findings & kHintFindings) {
        case 0:
            return Verdict::NothingToReport;
        case HintCmyk:
            return Verdict::PossiblyCmyk;
        case HintRgb:
            return Verdict::PossiblyRgb;
        case HintCmyk | HintRgb:
            return Verdict::PossiblyBoth;
        case HintOtherColour:
            return Verdict::OtherColourSpace;
        case HintNoProcessColours:
            return Verdict::NothingToReport;
        default:
            return Verdict::Undetermined;
    }
}

Verdict analyse_eps(bool scan_embedded, bool find_embedded_jpeg) {
    FileReader& reader = file_reader;
    rewind_reader(true);
    // A failed move to the start is kept: reading on would read from wherever the file
    // pointer was left.
    if (reader.verdict == 1) return Verdict::IoError;
    reader.verdict = static_cast<std::uint16_t>(Verdict::Invalid);
    if (!find_postscript_start()) return static_cast<Verdict>(reader.verdict);

    // Each call starts as at the head of a document, so documents placed later in the
    // file add their own findings.
    begin_eps_profile();
    EpsFindings findings = scan_postscript(find_embedded_jpeg);
    while (scan_embedded && !reader.end_of_data && reader.verdict != 1)
        findings |= scan_postscript(find_embedded_jpeg);

    if (reader.verdict == 1) return Verdict::IoError;
    finish_eps_profile(&reader.details);
    return findings_to_verdict(findings);
}
