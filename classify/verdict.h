// The verdict of one file check: its codes, names and message texts. The same numbers
// are the report categories 1 to 15, so they must keep these values (verdict.cpp checks
// them against the categories when it compiles).
#pragma once

#include <cstdint>

enum class Verdict : std::uint16_t {
    IoError = 1,
    Cmyk = 2,
    Rgb = 3,
    CmykAndRgb = 4,
    Gif = 5,
    EmbeddedJpeg = 6,  // report category only
    PossiblyCmyk = 7,
    PossiblyRgb = 8,
    PossiblyBoth = 9,
    PossiblyGif = 10,  // report category only
    OtherColourSpace = 11,
    Undetermined = 12,
    Invalid = 13,
    NothingToReport = 14,
    Mislabelled = 15,
    Count,  // not a verdict: one past the last code
};

// The message text of a verdict the check returns, or nullptr (codes 2, 3, 4, 5 and 14,
// the report-only codes 6 and 10, and anything outside 1 to 15).
const char* verdict_message(Verdict verdict);

// The enumerator's name ("Rgb", "PossiblyCmyk", ...), or "?" outside 1 to 15.
const char* verdict_name(Verdict verdict);
