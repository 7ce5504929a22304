// The verdicts' names and message texts, read from the report categories' table: the
// verdict codes are the categories 1 to 15.
#include "classify/verdict.h"

#include "report/report.h"

namespace {

constexpr bool same_code(Verdict verdict, ReportCategory category) {
    return static_cast<int>(verdict) == static_cast<int>(category);
}

// Every verdict is the report category of its name, and a verdict or a category added
// without the other does not compile; the category table's own checks then demand its row.
static_assert(same_code(Verdict::IoError, ReportCategory::IoError), "IoError");
static_assert(same_code(Verdict::Cmyk, ReportCategory::Cmyk), "Cmyk");
static_assert(same_code(Verdict::Rgb, ReportCategory::Rgb), "Rgb");
static_assert(same_code(Verdict::CmykAndRgb, ReportCategory::CmykAndRgb), "CmykAndRgb");
static_assert(same_code(Verdict::Gif, ReportCategory::Gif), "Gif");
static_assert(same_code(Verdict::EmbeddedJpeg, ReportCategory::EmbeddedJpeg), "EmbeddedJpeg");
static_assert(same_code(Verdict::PossiblyCmyk, ReportCategory::PossiblyCmyk), "PossiblyCmyk");
static_assert(same_code(Verdict::PossiblyRgb, ReportCategory::PossiblyRgb), "PossiblyRgb");
static_assert(same_code(Verdict::PossiblyBoth, ReportCategory::PossiblyBoth), "PossiblyBoth");
static_assert(same_code(Verdict::PossiblyGif, ReportCategory::PossiblyGif), "PossiblyGif");
static_assert(same_code(Verdict::OtherColourSpace, ReportCategory::OtherColourSpace),
              "OtherColourSpace");
static_assert(same_code(Verdict::Undetermined, ReportCategory::Undetermined), "Undetermined");
static_assert(same_code(Verdict::Invalid, ReportCategory::Invalid), "Invalid");
static_assert(same_code(Verdict::NothingToReport, ReportCategory::NothingToReport),
              "NothingToReport");
static_assert(same_code(Verdict::Mislabelled, ReportCategory::Mislabelled), "Mislabelled");
static_assert(same_code(Verdict::Count, ReportCategory::Count),
              "the verdicts are the categories from IoError on, no more and no fewer");
static_assert(static_cast<int>(ReportCategory::IoError) == 1,
              "the verdict codes start at 1, after the summary and general categories");

constexpr int kFirstVerdict = static_cast<int>(Verdict::IoError);
constexpr int kVerdictEnd = static_cast<int>(Verdict::Count);

const CategoryInfo* find_verdict(Verdict verdict) {
    const int code = static_cast<int>(verdict);
    return code >= kFirstVerdict && code < kVerdictEnd ? category_info(code) : nullptr;
}

}  // namespace

const char* verdict_message(Verdict verdict) {
    const CategoryInfo* info = find_verdict(verdict);
    return info ? info->message : nullptr;
}

const char* verdict_name(Verdict verdict) {
    const CategoryInfo* info = find_verdict(verdict);
    return info ? info->name : "?";
}
