// The names of the colour models and profile spaces in records, and the rule of a
// profile that contradicts its file's colour data.
#include "classify/details.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr const char* kModelNames[] = {nullptr,   "rgb", "cmyk",  "grey",         "bitmap",
                                       "palette", "lab", "ycbcr", "multichannel", "duotone"};
static_assert(sizeof kModelNames / sizeof kModelNames[0] == static_cast<int>(ColourModel::Count),
              "kModelNames: one name per ColourModel");

constexpr const char* kSpaceNames[] = {nullptr, "RGB", "CMYK", "GRAY", "Lab", "other", "broken"};
static_assert(sizeof kSpaceNames / sizeof kSpaceNames[0] == static_cast<int>(IccSpace::Count),
              "kSpaceNames: one name per IccSpace");

constexpr const char* kPdfSpaceNames[] = {"rgb", "cmyk", "grey", "lab", "spot", "other"};
static_assert(sizeof kPdfSpaceNames / sizeof kPdfSpaceNames[0] == kPdfSpaceCount,
              "kPdfSpaceNames: one name per PdfSpace");

constexpr const char* kPdfProblemNames[] = {nullptr,     "encrypted", "unreadable",
                                            "recovered", "capped",    "not examined"};
static_assert(sizeof kPdfProblemNames / sizeof kPdfProblemNames[0] ==
                  static_cast<int>(PdfProblem::Count),
              "kPdfProblemNames: one name per PdfProblem");

// The profile space that suits each model's data. Palette and YCbCr data are RGB colours
// stored another way, bitmap data a grey of one bit; multichannel and duotone data have no
// one space, and are never said to be contradicted.
struct ModelSpace {
    ColourModel model;
    IccSpace space;
};
constexpr ModelSpace kModelSpaces[] = {
    {ColourModel::Rgb, IccSpace::Rgb},   {ColourModel::Palette, IccSpace::Rgb},
    {ColourModel::YCbCr, IccSpace::Rgb}, {ColourModel::Cmyk, IccSpace::Cmyk},
    {ColourModel::Grey, IccSpace::Grey}, {ColourModel::Bitmap, IccSpace::Grey},
    {ColourModel::Lab, IccSpace::Lab},
};

}  // namespace

const char* colour_model_name(ColourModel model) {
    const int index = static_cast<int>(model);
    return index < static_cast<int>(ColourModel::Count) ? kModelNames[index] : nullptr;
}

const char* icc_space_name(IccSpace space) {
    const int index = static_cast<int>(space);
    return index < static_cast<int>(IccSpace::Count) ? kSpaceNames[index] : nullptr;
}

const char* pdf_space_name(PdfSpace space) {
    const int index = static_cast<int>(space);
    return index < kPdfSpaceCount ? kPdfSpaceNames[index] : "other";
}

const char* pdf_problem_name(PdfProblem problem) {
    const int index = static_cast<int>(problem);
    return index < static_cast<int>(PdfProblem::Count) ? kPdfProblemNames[index] : nullptr;
}

int icc_conflict_answer(ColourModel model, IccSpace space) {
    if (space == IccSpace::None || space == IccSpace::Broken) return -1;
    // A profile of another space (XYZ, YCbCr, many inks) suits none of these models.
    for (const ModelSpace& row : kModelSpaces)
        if (row.model == model) return row.space != space ? 1 : 0;
    return -1;
}

bool icc_conflicts(ColourModel model, IccSpace space) {
    return icc_conflict_answer(model, space) == 1;
}

void clear_file_details(FileDetails* details) {
    static_assert(kFileDetailsHeadSize + sizeof(PdfInventory) == sizeof(FileDetails),
                  "the inventory comes last");
    const bool inventory_written = details->pdf.examined;
    std::memset(details, 0, kFileDetailsHeadSize);
    if (inventory_written) details->pdf = {};
}
