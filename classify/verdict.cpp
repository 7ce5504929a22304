// The verdict table: code, name and message text of every file check result.
#include "verdict.h"

const VerdictInfo kVerdicts[15] = {
    {Verdict::IoError, "IoError", "File I/O error"},
    {Verdict::Cmyk, "Cmyk", nullptr},
    {Verdict::Rgb, "Rgb", nullptr},
    {Verdict::CmykAndRgb, "CmykAndRgb", nullptr},
    {Verdict::Gif, "Gif", nullptr},
    {Verdict::EmbeddedJpeg, "EmbeddedJpeg", nullptr},
    {Verdict::PossiblyCmyk, "PossiblyCmyk", "possibly CMYK"},
    {Verdict::PossiblyRgb, "PossiblyRgb", "possibly RGB"},
    {Verdict::PossiblyBoth, "PossiblyBoth", "possibly both CMYK and RGB"},
    {Verdict::PossiblyGif, "PossiblyGif", nullptr},
    {Verdict::OtherColourSpace, "OtherColourSpace", "File uses another colour space"},
    {Verdict::Undetermined, "Undetermined", "Can't determine if RGB or CMYK"},
    {Verdict::Invalid, "Invalid", "File looks to be invalid"},
    {Verdict::NothingToReport, "NothingToReport", nullptr},
    {Verdict::Mislabelled, "Mislabelled", "File is mis-labelled"},
};

static const VerdictInfo* find_verdict(Verdict verdict) {
    const unsigned code = static_cast<unsigned>(verdict);
    if (code < 1 || code > 15) return nullptr;
    return &kVerdicts[code - 1];
}

const char* verdict_message(Verdict verdict) {
    const VerdictInfo* info = find_verdict(verdict);
    return info ? info->message : nullptr;
}

const char* verdict_name(Verdict verdict) {
    const VerdictInfo* info = find_verdict(verdict);
    return info ? info->name : "?";
}
