// Real TIFF and JPEG files made by common tools (tests/fixtures/make-tiff-jpeg.sh), each
// checked with the default options against the verdict its structure calls for.
#include <gtest/gtest.h>

#include <string>

#include "check.h"
#include "collect_sink.h"
#include "options.h"
#include "scratch.h"

namespace {

struct Fixture {
    const char* file;  // under the fixture directory, "/"-separated
    Verdict verdict;
    const char* reason;
};

const Fixture kFixtures[] = {
    {"tiff/rgb-le.tif", Verdict::Rgb, "photometric 2 in a little-endian file"},
    {"tiff/rgb-be.tif", Verdict::Rgb, "photometric 2, a SHORT in the field's first two bytes"},
    {"tiff/cmyk-le.tif", Verdict::Cmyk, "photometric 5, 4 samples, no ExtraSamples: 4 - 0"},
    {"tiff/cmyk-be.tif", Verdict::Cmyk, "the same in a big-endian file"},
    {"tiff/cmyk-alpha.tif", Verdict::Cmyk, "photometric 5, 5 samples, 1 extra sample: 5 - 1"},
    {"tiff/cmyk-alpha-no-extra.tif", Verdict::PossiblyCmyk,
     "photometric 5, 5 samples, ExtraSamples removed: 5 - 0 is not 4"},
    {"tiff/grey.tif", Verdict::NothingToReport, "photometric 1, black is zero"},
    {"tiff/bilevel.tif", Verdict::NothingToReport, "photometric 0, white is zero"},
    {"tiff/palette.tif", Verdict::PossiblyRgb, "photometric 3, palette colour"},
    {"tiff/palette-be.tif", Verdict::PossiblyRgb, "photometric 3 in a big-endian file"},
    {"tiff/lab.tif", Verdict::OtherColourSpace, "photometric 8, CIE L*a*b*"},
    {"tiff/ycbcr.tif", Verdict::OtherColourSpace, "photometric 6, YCbCr"},

    {"jpeg/baseline-rgb.jpg", Verdict::Rgb, "C0 frame with 3 components ends the walk"},
    {"jpeg/baseline-grey.jpg", Verdict::NothingToReport, "C0 frame with 1 component"},
    {"jpeg/baseline-cmyk.jpg", Verdict::Cmyk,
     "C0 frame with 4 components; the transform 2 before it refines only 7 and 8"},
    {"jpeg/big-app-cmyk.jpg", Verdict::Cmyk,
     "C0 frame with 4 components past a 5356-byte APP2 segment and the first block"},
    {"jpeg/progressive-rgb.jpg", Verdict::PossiblyRgb,
     "C2 passed over, first scan with 3 components, no Adobe segment"},
    {"jpeg/progressive-rgb-adobe0.jpg", Verdict::PossiblyRgb,
     "first scan with 3 components, Adobe transform 0 changes nothing"},
    {"jpeg/progressive-rgb-adobe1.jpg", Verdict::Rgb,
     "first scan with 3 components, Adobe transform 1 turns 8 into 3"},
    {"jpeg/progressive-cmyk.jpg", Verdict::Cmyk,
     "first scan with 4 components, Adobe transform 2 turns 7 into 2"},
    {"jpeg/progressive-cmyk-no-adobe.jpg", Verdict::PossiblyCmyk,
     "first scan with 4 components, no Adobe segment"},
    {"jpeg/progressive-grey.jpg", Verdict::NothingToReport, "first scan with 1 component"},
};

std::string fixture_path(const char* file) {
    std::string path = std::string(INKHOUND_FIXTURE_DIR) + "/" + file;
    for (char& c : path)
        if (c == '/') c = kPathSeparator;
    return path;
}

TEST(FixtureFiles, EachGetsTheVerdictItsStructureCallsFor) {
    reset_core_state();
    Options options = {};
    set_default_options(&options);
    CollectingSink sink;
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(std::string(fixture.file) + ": " + fixture.reason);
        const std::string path = fixture_path(fixture.file);
        ASSERT_FALSE(read_whole_file(path).empty()) << "missing fixture " << path;
        EXPECT_EQ(fixture.verdict, check_file(path.c_str(), options));
    }
    EXPECT_TRUE(sink.entries().empty());
}

}  // namespace
