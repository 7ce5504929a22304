// EPS files written by real tools (tests/fixtures/make-eps.sh), each with the verdict the
// rules give it and why, with "Embedded" off and on.
#include <gtest/gtest.h>

#include "check.h"
#include "collect_sink.h"
#include "counters.h"
#include "options.h"

namespace {

struct FixtureCase {
    const char* file;
    Verdict verdict;  // the same with "Embedded" off and on
    const char* reason;
};

const FixtureCase kFixtures[] = {
    {"gs-cmyk-drawing.eps", Verdict::NothingToReport,
     "no process colour list, and no %%EndSetup: the scan never leaves the setup state, so "
     "the prolog's and page's colour operators are never looked at"},
    {"im-cmyk-image.eps", Verdict::Cmyk,
     "%%DocumentProcessColors: Cyan Magenta Yellow Black, returned at %%EndComments; later "
     "scans find no header comment"},
    {"im-rgb-image.eps", Verdict::NothingToReport,
     "no list and no %%EndSetup: nothing past %%EndComments is looked at"},
    {"tiff2ps-cmyk.eps", Verdict::NothingToReport,
     "its %ImageData: line gives mode 4, but the creator is not Photoshop and there is no "
     "%%EndSetup before it"},
    {"binary-ps-then-tiff.eps", Verdict::Cmyk,
     "the header leads to the ImageMagick CMYK section at byte 30; the preview holds no "
     "header comment"},
    {"binary-tiff-then-ps.eps", Verdict::NothingToReport,
     "the header leads past the preview to the ImageMagick RGB section (no list, no "
     "%%EndSetup); without the header, no %! would lie in the first 60 bytes: 13"},
};

class EpsFixturesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.logging_flags = kLogEpsJpegs;
    }

    Options options_ = {};
    CollectingSink sink_;
};

TEST_F(EpsFixturesTest, VerdictsOfFilesFromRealTools) {
    for (const bool embedded : {false, true}) {
        options_.file_scan_flags =
            static_cast<std::uint16_t>(kExamineExtensions | kCheckEps | (embedded ? kEmbedded : 0));
        for (const FixtureCase& c : kFixtures) {
            SCOPED_TRACE(std::string(c.file) + (embedded ? ", embedded: " : ": ") + c.reason);
            const std::string path = std::string(INKHOUND_FIXTURE_DIR) + "/eps/" + c.file;
            EXPECT_EQ(c.verdict, check_file(path.c_str(), options_));
            EXPECT_FALSE(scan_counters.embedded_jpeg_seen.load());
        }
    }
    EXPECT_EQ(12, scan_counters.files_checked.load());
    EXPECT_TRUE(sink_.entries().empty());
}

}  // namespace
