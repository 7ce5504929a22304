// The Photoshop document analysis from crafted documents: the signature, the verdict of
// each colour mode, broken headers and a read failure, and the details: depth, channels
// and the profile found among the image resources, or not found in broken sections.
#include <gtest/gtest.h>

#include "classify/psd.h"
#include "tests/support/analysis_fixture.h"

namespace {

// Header: signature, version, 6 reserved, channels, height, width, depth, mode.
Bytes header(unsigned mode, unsigned version = 1, unsigned channels = 3, unsigned depth = 8) {
    return Bytes("8BPS", 4) + be16(version) + fill(6, 0) + be16(channels) + be32(8) + be32(8) +
           be16(depth) + be16(mode);
}

// An image resource: "8BIM", its id, a Pascal name padded to even, size, data padded to even.
Bytes resource(unsigned id, const Bytes& data, const Bytes& name = "") {
    Bytes out = Bytes("8BIM", 4) + be16(id) + Bytes(1, static_cast<char>(name.size())) + name;
    if (out.size() % 2 != 0) out += '\0';
    out += be32(static_cast<std::uint32_t>(data.size())) + data;
    return data.size() % 2 != 0 ? out + '\0' : out;
}

// A document of `mode` with colour mode data and image resources, then some image data.
Bytes document(unsigned mode, const Bytes& mode_data, const Bytes& resources) {
    return header(mode) + be32(static_cast<std::uint32_t>(mode_data.size())) + mode_data +
           be32(static_cast<std::uint32_t>(resources.size())) + resources + be32(0) +
           fill(64, 0x80);
}

// A CMYK profile with a version 2 description.
Bytes profile(const char* text) {
    const Bytes desc = Bytes("desc\0\0\0\0", 8) +
                       be32(static_cast<std::uint32_t>(strlen(text) + 1)) + text + Bytes(1, '\0') +
                       fill(90, 0);
    const std::uint32_t size = 128 + 4 + 12 + static_cast<std::uint32_t>(desc.size());
    const Bytes head = be32(size) + fill(12, 0) + "CMYK" + fill(16, 0) + "acsp";
    return head + fill(128 - head.size(), 0) + be32(1) + "desc" + be32(144) +
           be32(static_cast<std::uint32_t>(desc.size())) + desc;
}

using PsdAnalysis = AnalysisTest;

TEST_F(PsdAnalysis, SignatureIsTheStartWithVersionOneOrTwo) {
    struct Case {
        const char* what;
        Bytes file;
        bool psd;
    };
    const Case cases[] = {
        {"PSD", header(3), true},
        {"PSB", header(3, 2), true},
        {"version 0", header(3, 0), false},
        {"version 3", header(3, 3), false},
        {"not at the start", " " + header(3), false},
        {"cut inside the version", Bytes("8BPS\0", 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.file);
        EXPECT_EQ(c.psd, looks_like_psd());
    }
}

TEST_F(PsdAnalysis, VerdictOfEachColourModeAndOfBrokenHeaders) {
    // A section past the file and the layers are never read for the verdict.
    const Bytes far = header(4) + be32(0xFFFFFFF0);
    expect_verdicts(analyse_psd,
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
                        {"mode past the table", header(0xFFFF), Verdict::Undetermined},
                        {"PSB", header(4, 2), Verdict::Cmyk},
                        {"colour mode data past the file", far, Verdict::Cmyk},
                        {"header cut short", header(3).substr(0, 25), Verdict::Invalid},
                        {"version 3", header(3, 3), Verdict::Invalid},
                        {"read failure", header(3), Verdict::IoError, {"read error: 31"}},
                    });
}

TEST_F(PsdAnalysis, DetailsAndTheProfileAmongTheResources) {
    const Bytes icc = profile("Coated FOGRA39");
    const Bytes thumbnail = resource(1036, fill(5001, 1), "thumbs");  // both padded
    struct Case {
        const char* what;
        Bytes file;
        IccSpace space;
        const char* description;
    };
    Bytes past_section = document(3, "", resource(1039, icc));
    past_section.replace(26 + 4, 4, be32(static_cast<std::uint32_t>(icc.size())));
    Bytes not_a_resource = document(3, "", resource(1039, icc));
    not_a_resource.replace(26 + 8, 4, "MeSa");
    const Case cases[] = {
        {"after another resource", document(3, fill(768, 0), thumbnail + resource(1039, icc)),
         IccSpace::Cmyk, "Coated FOGRA39"},
        {"none", document(3, "", thumbnail), IccSpace::None, ""},
        {"runs past its section", past_section, IccSpace::Broken, ""},
        {"runs past the file", document(3, "", resource(1039, icc)).substr(0, 200),
         IccSpace::Broken, ""},
        // Wrapped round to 32 bits, the resources would start at the length itself.
        {"resources past 32-bit positions", header(3) + be32(0xFFFFFFFC) + resource(1039, icc),
         IccSpace::None, ""},
        {"not marked as a resource", not_a_resource, IccSpace::None, ""},
        {"colour mode data past the file", header(3) + be32(0xFFFFFF00) + fill(64, 0),
         IccSpace::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.file);
        file_reader.read_details = true;
        file_reader.details = {};
        EXPECT_EQ(Verdict::Rgb, analyse_psd());
        const FileDetails& details = file_reader.details;
        EXPECT_EQ(ColourModel::Rgb, details.model);
        EXPECT_EQ(8, details.bits);
        EXPECT_EQ(3, details.channels);
        EXPECT_EQ(c.space, details.icc_space);
        EXPECT_STREQ(c.description, details.icc_description);
        EXPECT_FALSE(file_reader.failed);
        EXPECT_TRUE(sink_.messages().empty());
    }
}

}  // namespace
