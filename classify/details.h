// What a check learns of a file beside its verdict: the colour model, bits per sample and
// channel count its header states, and the colour profile it carries. Filled by the
// analyses from the headers they walk, read by the caller after the check; never a cause
// of a verdict.
#pragma once

#include <cstddef>
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

// What a PDF's pages draw, counted by colour space in this order (records keep it).
enum class PdfSpace : std::uint8_t { Rgb = 0, Cmyk, Grey, Lab, Spot, Other, Count };
constexpr int kPdfSpaceCount = static_cast<int>(PdfSpace::Count);

// Why a PDF's inventory is not the whole file, the weightiest first: when several apply,
// the first of them is kept.
enum class PdfProblem : std::uint8_t {
    None = 0,
    Encrypted,    // no empty password opens it: nothing else is known
    Unreadable,   // the PDF library cannot open it at all
    Recovered,    // its cross-reference table was rebuilt: the inventory is of what was found
    Capped,       // a stream, the file's inflated bytes or the nesting hit a limit
    NotExamined,  // a build without the PDF library
    Count
};

// Colorant names kept, each cut to the bytes of a name; more are counted in spots_cut.
constexpr int kPdfSpotLimit = 32;
constexpr std::size_t kPdfSpotSize = 64;

// The inventory of a PDF, fixed-size so that it is copied with the rest of the details.
struct PdfInventory {
    bool examined;  // the check read the file as a PDF
    PdfProblem problem;
    std::uint32_t pages;
    std::uint64_t images[kPdfSpaceCount];  // image draws, by the space of the image
    std::uint64_t vector[kPdfSpaceCount];  // colour operators executed, by their space
    std::uint8_t spot_count;
    bool spots_cut;                           // more names than kPdfSpotLimit were met
    char spots[kPdfSpotLimit][kPdfSpotSize];  // sorted by byte value; each cut on purpose
    IccSpace intent_space;                    // None: no output intent with a profile
    char intent_description[kIccDescriptionSize];
};

struct FileDetails {
    ColourModel model;
    std::uint8_t bits;       // bits per sample; 0: not stated
    std::uint16_t channels;  // samples per pixel, extra ones included; 0: not stated
    IccSpace icc_space;
    char icc_description[kIccDescriptionSize];  // UTF-8; empty: none
    bool icc_conflict;                          // the profile's space contradicts the colour data
    PdfInventory pdf;                           // examined: false for every other kind
};

// Makes `details` all zero, as a check starts. The PDF inventory, most of the record, is
// cleared only when a check wrote it: its writers mark it examined before anything else.
void clear_file_details(FileDetails* details);
// Bytes of a record before its PDF inventory: all that a check of another kind writes.
constexpr std::size_t kFileDetailsHeadSize = offsetof(FileDetails, pdf);

// "rgb", "cmyk", ...; null for Unknown.
const char* colour_model_name(ColourModel model);
// "rgb", "cmyk", "grey", "lab", "other", "broken"; null for None.
const char* icc_space_name(IccSpace space);

// "rgb", "cmyk", "grey", "lab", "spot", "other".
const char* pdf_space_name(PdfSpace space);
// "encrypted", "unreadable", "recovered", "capped", "not examined"; null for None.
const char* pdf_problem_name(PdfProblem problem);

// Whether a profile of `space` contradicts data of `model`: only when both are known and
// the model has a space of its own that differs (finish_details uses it).
bool icc_conflicts(ColourModel model, IccSpace space);
// The same as an answer that may be unknown: -1 when either side says nothing certain
// (no profile or a broken one; a model without a space of its own),
// else 1 for a contradiction and 0 for none.
int icc_conflict_answer(ColourModel model, IccSpace space);
