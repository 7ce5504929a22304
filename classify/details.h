// What a check learns of a file beside its verdict: the colour model, bits per sample and
// channel count its header states, and the colour profile it carries. Filled by the
// analyses from the headers they walk, read by the caller after the check; never a cause
// of a verdict.
#pragma once

#include <cstdint>

enum class ColourModel : std::uint8_t {
    Unknown = 0,
    Rgb,
    Cmyk,
    Grey,
    Bitmap,
    Palette,
    Lab,
    YCbCr,
    Multichannel,
    Duotone,
    Count,  // not a model: one past the last
};

// None: no profile found (or not looked for); Broken: a profile that cannot be read whole
// as it claims to be.
enum class IccSpace : std::uint8_t { None = 0, Rgb, Cmyk, Grey, Lab, Other, Broken, Count };

// Bytes of a description, its terminating zero included; a longer one is cut at a
// character boundary.
constexpr std::size_t kIccDescriptionSize = 128;

struct FileDetails {
    ColourModel model;
    std::uint8_t bits;       // bits per sample; 0: not stated
    std::uint16_t channels;  // samples per pixel, extra ones included; 0: not stated
    IccSpace icc_space;
    char icc_description[kIccDescriptionSize];  // UTF-8; empty: none
    bool icc_conflict;                          // the profile's space contradicts the colour data
};

// "rgb", "cmyk", ...; null for Unknown.
const char* colour_model_name(ColourModel model);
// "rgb", "cmyk", "grey", "lab", "other", "broken"; null for None.
const char* icc_space_name(IccSpace space);

// Whether a profile of `space` contradicts data of `model`: only when both are known and
// the model has a space of its own that differs (finish_details uses it).
bool icc_conflicts(ColourModel model, IccSpace space);
// The same as an answer that may be unknown: -1 when either side says nothing certain
// (no profile or a broken one; a model without a space of its own),
// else 1 for a contradiction and 0 for none.
int icc_conflict_answer(ColourModel model, IccSpace space);
