// Real TIFF, JPEG and EPS files made by common tools (tests/fixtures/make-tiff-jpeg.sh,
// make-eps.sh), each checked with the default options against the verdict its structure
// calls for.
#include <gtest/gtest.h>

#include <string>

#include "classify/check.h"
#include "tests/support/collect_sink.h"
#include "settings/options.h"

namespace {

struct Fixture {
    const char* file;  // under the fixture directory
    Verdict verdict;
    const char* reason;
};

// clang-format off
const Fixture kFixtures[] = {
    {"tiff/rgb-le.tif", Verdict::Rgb, "photometric 2 in a little-endian file"},
    {"tiff/cmyk-le.tif", Verdict::Cmyk, "photometric 5, 4 samples, no ExtraSamples: 4 - 0"},
    {"tiff/cmyk-be.tif", Verdict::Cmyk, "the same in a big-endian file, SHORTs in the first half"},
    {"tiff/cmyk-alpha.tif", Verdict::Cmyk, "photometric 5, 5 samples, 1 extra sample: 5 - 1"},
    {"tiff/cmyk-alpha-no-extra.tif", Verdict::PossiblyCmyk, "5 samples, ExtraSamples removed"},
    {"tiff/grey.tif", Verdict::NothingToReport, "photometric 1, black is zero"},
    {"tiff/bilevel.tif", Verdict::NothingToReport, "photometric 0, white is zero"},
    {"tiff/palette.tif", Verdict::PossiblyRgb, "photometric 3, palette colour"},
    {"tiff/ycbcr.tif", Verdict::OtherColourSpace, "photometric 6, YCbCr: any other space"},
    {"jpeg/baseline-rgb.jpg", Verdict::Rgb, "C0 frame with 3 components ends the walk"},
    {"jpeg/baseline-grey.jpg", Verdict::NothingToReport, "C0 frame with 1 component"},
    {"jpeg/baseline-cmyk.jpg", Verdict::Cmyk, "C0 frame with 4; transform 2 refines only 7, 8"},
    {"jpeg/big-app-cmyk.jpg", Verdict::Cmyk, "C0 frame with 4 past a 5356-byte APP2 segment"},
    {"jpeg/progressive-rgb.jpg", Verdict::PossiblyRgb, "C2 passed over, scan with 3, no Adobe"},
    {"jpeg/progressive-rgb-adobe1.jpg", Verdict::Rgb, "scan with 3, transform 1 turns 8 into 3"},
    {"jpeg/progressive-cmyk.jpg", Verdict::Cmyk, "scan with 4, transform 2 turns 7 into 2"},
    {"jpeg/progressive-cmyk-no-adobe.jpg", Verdict::PossiblyCmyk, "scan with 4, no Adobe"},
    {"jpeg/progressive-grey.jpg", Verdict::NothingToReport, "scan with 1 component"},
    {"eps/gs-cmyk-drawing.eps", Verdict::NothingToReport, "no list, no %%EndSetup: no operator"},
    {"eps/im-cmyk-image.eps", Verdict::Cmyk, "a CMYK process colour list"},
    {"eps/im-rgb-image.eps", Verdict::NothingToReport, "no list, no %%EndSetup: the header is all"},
    {"eps/tiff2ps-cmyk.eps", Verdict::NothingToReport, "%ImageData:, but not Photoshop's"},
    {"eps/binary-ps-then-tiff.eps", Verdict::Cmyk, "the header leads to im-cmyk-image at byte 30"},
    {"eps/binary-tiff-then-ps.eps", Verdict::NothingToReport, "and past the preview to im-rgb-image"},
};
// clang-format on

TEST(FixtureFiles, EachGetsTheVerdictItsStructureCallsFor) {
    reset_core_state();
    Options options = {};
    set_default_options(&options);
    CollectingSink sink;
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(std::string(fixture.file) + ": " + fixture.reason);
        std::string path = std::string(INKHOUND_FIXTURE_DIR) + "/" + fixture.file;
        for (char& c : path) c = c == '/' ? kPathSeparator : c;
        EXPECT_EQ(fixture.verdict, check_file(path.c_str(), options));
    }
    EXPECT_TRUE(sink.entries().empty());
}

}  // namespace
