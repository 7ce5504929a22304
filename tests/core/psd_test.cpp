// The Photoshop document analysis from crafted documents: the signature and the verdict of
// each colour mode, broken headers and a read failure, and the details: depth, channels
// and the profile found among the image resources, or not found in broken sections.
#include <gtest/gtest.h>

#include "classify/psd.h"
#include "tests/support/analysis_fixture.h"

namespace {

// Header: signature, version, 6 reserved, channels, height, width, depth, mode.
Bytes header(unsigned mode, unsigned version = 1) {
    return Bytes("8BPS", 4) + be16(version) + fill(6, 0) + be16(3) + be32(8) + be32(8) + be16(8) +
           be16(mode);
}

// An image resource: "8BIM", its id, a Pascal name padded to even, size, data padded to even.
Bytes resource(unsigned id, const Bytes& data, const Bytes& name = "") {
    Bytes out = Bytes("8BIM", 4) + be16(id) + static_cast<char>(name.size()) + name;
    out += Bytes(out.size() % 2, '\0') + be32(static_cast<std::uint32_t>(data.size())) + data;
    return out + Bytes(data.size() % 2, '\0');
}

Bytes document(const Bytes& mode_data, const Bytes& resources) {
    return header(3) + be32(static_cast<std::uint32_t>(mode_data.size())) + mode_data +
           be32(static_cast<std::uint32_t>(resources.size())) + resources + fill(64, 0x80);
}

// As the check runs them: the analysis only after the signature test.
Verdict check_psd() {
    if (looks_like_psd()) return analyse_psd();
    return file_reader.failed ? Verdict::IoError : Verdict::Mislabelled;
}

using PsdAnalysis = AnalysisTest;

TEST_F(PsdAnalysis, VerdictOfEachColourModeAndOfBrokenHeaders) {
    expect_verdicts(check_psd,
                    {
                        {"bitmap", header(0), Verdict::NothingToReport},
                        {"greyscale", header(1), Verdict::NothingToReport},
                        {"indexed", header(2), Verdict::PossiblyRgb},
                        {"RGB", header(3), Verdict::Rgb},
                        {"CMYK", header(4), Verdict::Cmyk},
                        {"multichannel", header(7), Verdict::OtherColourSpace},
                        {"duotone", header(8), Verdict::NothingToReport},
                        {"Lab", header(9), Verdict::OtherColourSpace},
                        {"no such mode", header(5), Verdict::Undetermined},
                        {"PSB", header(4, 2), Verdict::Cmyk},

                        {"header cut short", header(3).substr(0, 25), Verdict::Invalid},

                        {"version 3", header(3, 3), Verdict::Mislabelled},
                        {"not at the start", " " + header(3), Verdict::Mislabelled},
                        {"read failure", header(3), Verdict::IoError, {"read error: 31"}},
                    });
}

TEST_F(PsdAnalysis, DetailsAndTheProfileAmongTheResources) {
    // A profile's header and an empty tag table: its space shows where it was read from.
    const Bytes icc = be32(132) + fill(12, 0) + "CMYK" + fill(16, 0) + "acsp" + fill(92, 0);
    const Bytes thumbnail = resource(1036, fill(5001, 1), "thumbs");  // both padded
    const Bytes profiled = document("", resource(1039, icc));
    const auto poked = [&](std::size_t at, const Bytes& bytes) {
        return Bytes(profiled).replace(at, bytes.size(), bytes);
    };
    struct Case {
        const char* what;
        Bytes file;
        IccSpace space;
    };
    const Case cases[] = {
        {"after another resource", document(fill(768, 0), thumbnail + resource(1039, icc)),
         IccSpace::Cmyk},
        {"runs past its section", poked(30, be32(132)), IccSpace::Broken},
        {"runs past the file", profiled.substr(0, 100), IccSpace::Broken},
        {"not marked as a resource", poked(34, "MeSa"), IccSpace::None},
        // Wrapped round to 32 bits, the resources would start at the length itself.
        {"resources past 32-bit positions", header(3) + be32(0xFFFFFFFC) + resource(1039, icc),
         IccSpace::None},
        {"colour mode data past the file", header(3) + be32(0xFFFFFF00) + fill(64, 0),
         IccSpace::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.file);
        file_reader.read_details = true;
        file_reader.details = {};
        // The model and bits of every colour mode are checked against the corpus.
        EXPECT_EQ(Verdict::Rgb, analyse_psd());
        EXPECT_EQ(3, file_reader.details.channels);
        EXPECT_EQ(c.space, file_reader.details.icc_space);
        EXPECT_TRUE(sink_.messages().empty());
    }
}

}  // namespace
