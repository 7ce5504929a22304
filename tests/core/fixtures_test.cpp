// Real TIFF, JPEG and EPS files made by common tools (tests/fixtures/make-tiff-jpeg.sh,
// make-eps.sh), each checked with the default options against the verdict its structure
// calls for, and the colour model and bits exiftool reads in it (an EPS states none: its
// verdict's).
#include <gtest/gtest.h>

#include <string>

#include "classify/check.h"
#include "classify/reader.h"
#include "tests/support/collect_sink.h"
#include "settings/options.h"

namespace {

struct Fixture {
    const char* file;  // under the fixture directory
    Verdict verdict;
    const char* reason;
    const char* model;  // null: unknown
    int bits;
};

// clang-format off
const Fixture kFixtures[] = {
    {"tiff/rgb-le.tif", Verdict::Rgb, "photometric 2 in a little-endian file", "rgb", 8},
    {"tiff/cmyk-le.tif", Verdict::Cmyk, "photometric 5, 4 samples, no ExtraSamples: 4 - 0", "cmyk", 8},
    {"tiff/cmyk-be.tif", Verdict::Cmyk, "the same in a big-endian file, SHORTs in the first half", "cmyk", 8},
    {"tiff/cmyk-alpha.tif", Verdict::Cmyk, "photometric 5, 5 samples, 1 extra sample: 5 - 1", "cmyk", 8},
    {"tiff/cmyk-alpha-no-extra.tif", Verdict::PossiblyCmyk, "5 samples, ExtraSamples removed", "multichannel", 8},
    {"tiff/grey.tif", Verdict::NothingToReport, "photometric 1, black is zero", "grey", 8},
    {"tiff/bilevel.tif", Verdict::NothingToReport, "photometric 0, white is zero", "bitmap", 1},
    {"tiff/palette.tif", Verdict::PossiblyRgb, "photometric 3, palette colour", "palette", 4},
    {"tiff/ycbcr.tif", Verdict::OtherColourSpace, "photometric 6, YCbCr: any other space", "ycbcr", 8},
    {"jpeg/baseline-rgb.jpg", Verdict::Rgb, "C0 frame with 3 components ends the walk", "rgb", 8},
    {"jpeg/baseline-grey.jpg", Verdict::NothingToReport, "C0 frame with 1 component", "grey", 8},
    {"jpeg/baseline-cmyk.jpg", Verdict::Cmyk, "C0 frame with 4; transform 2 refines only 7, 8", "cmyk", 8},
    {"jpeg/big-app-cmyk.jpg", Verdict::Cmyk, "C0 frame with 4 past a 5356-byte APP2 segment", "cmyk", 8},
    {"jpeg/progressive-rgb.jpg", Verdict::PossiblyRgb, "C2 passed over, scan with 3, no Adobe", "rgb", 8},
    {"jpeg/progressive-rgb-adobe1.jpg", Verdict::Rgb, "scan with 3, transform 1 turns 8 into 3", "rgb", 8},
    {"jpeg/progressive-cmyk.jpg", Verdict::Cmyk, "scan with 4, transform 2 turns 7 into 2", "cmyk", 8},
    {"jpeg/progressive-cmyk-no-adobe.jpg", Verdict::PossiblyCmyk, "scan with 4, no Adobe", "cmyk", 8},
    {"jpeg/progressive-grey.jpg", Verdict::NothingToReport, "scan with 1 component", "grey", 8},
    {"eps/gs-cmyk-drawing.eps", Verdict::NothingToReport, "no list, no %%EndSetup: no operator", nullptr, 0},
    {"eps/im-cmyk-image.eps", Verdict::Cmyk, "a CMYK process colour list", "cmyk", 0},
    {"eps/im-rgb-image.eps", Verdict::NothingToReport, "no list, no %%EndSetup: the header is all", nullptr, 0},
    {"eps/tiff2ps-cmyk.eps", Verdict::NothingToReport, "%ImageData:, but not Photoshop's", nullptr, 0},
    {"eps/binary-ps-then-tiff.eps", Verdict::Cmyk, "the header leads to im-cmyk-image at byte 30", "cmyk", 0},
    {"eps/binary-tiff-then-ps.eps", Verdict::NothingToReport, "and past the preview to im-rgb-image", nullptr, 0},
};
// clang-format on

TEST(FixtureFiles, EachGetsTheVerdictItsStructureCallsFor) {
    reset_core_state();
    Options options = {};
    set_default_options(&options);
    options.tool_flags = kReadDetails;
    CollectingSink sink;
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(std::string(fixture.file) + ": " + fixture.reason);
        std::string path = std::string(INKHOUND_FIXTURE_DIR) + "/" + fixture.file;
        for (char& c : path) c = c == '/' ? kPathSeparator : c;
        EXPECT_EQ(fixture.verdict, check_file(path.c_str(), options));
        const FileDetails& details = file_reader.details;
        EXPECT_STREQ(fixture.model, colour_model_name(details.model));
        EXPECT_EQ(fixture.bits, details.bits);
        // exiftool: ColorSpaceData CMYK, ProfileDescription as below; no other has one.
        const bool profile = std::string(fixture.file) == "jpeg/big-app-cmyk.jpg";
        EXPECT_EQ(profile ? IccSpace::Cmyk : IccSpace::None, details.icc_space);
        EXPECT_STREQ(profile ? "Artifex PS CMYK Profile" : "", details.icc_description);
    }
    EXPECT_TRUE(sink.entries().empty());

    // A caller that does not ask, as the desktop program, has the verdict alone.
    options.tool_flags = 0;
    std::string path = std::string(INKHOUND_FIXTURE_DIR) + "/jpeg/big-app-cmyk.jpg";
    for (char& c : path) c = c == '/' ? kPathSeparator : c;
    EXPECT_EQ(Verdict::Cmyk, check_file(path.c_str(), options));
    EXPECT_EQ(ColourModel::Unknown, file_reader.details.model);
    EXPECT_EQ(IccSpace::None, file_reader.details.icc_space);
}

}  // namespace
