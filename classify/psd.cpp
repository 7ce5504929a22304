// The Photoshop document analysis: the header, then for the details only the colour mode
// data's length (skipped) and the image resources, walked as far as the profile. Runs on
// the thread of the scan that runs, through the one buffered reader.
#include "classify/psd.h"

#include <cstdint>

#include "classify/icc.h"
#include "classify/reader.h"

namespace {

constexpr std::uint32_t kSignature = 0x38425053;          // "8BPS"
constexpr std::uint32_t kResourceSignature = 0x3842494D;  // "8BIM"
constexpr std::uint32_t kVersionPsd = 1;
constexpr std::uint32_t kVersionPsb = 2;
constexpr std::uint32_t kHeaderSize = 26;
constexpr std::uint32_t kReservedSize = 6;
constexpr std::uint32_t kResourceIccProfile = 1039;
// Signature, id, an empty name padded to even, size: the least a resource takes.
constexpr std::uint32_t kResourceHeaderMin = 4 + 2 + 2 + 4;

// The colour modes as the verdicts and models of the same colours in a TIFF file: grey and
// one-bit data have nothing to report, indexed colours are possibly RGB. A duotone's data
// is one grey channel (its inks lie in the colour mode data); Lab and multichannel data are
// another colour space.
struct ModeRow {
    std::uint16_t mode;
    Verdict verdict;
    ColourModel model;
};
constexpr ModeRow kModes[] = {
    {0, Verdict::NothingToReport, ColourModel::Bitmap},
    {1, Verdict::NothingToReport, ColourModel::Grey},
    {2, Verdict::PossiblyRgb, ColourModel::Palette},
    {3, Verdict::Rgb, ColourModel::Rgb},
    {4, Verdict::Cmyk, ColourModel::Cmyk},
    {7, Verdict::OtherColourSpace, ColourModel::Multichannel},
    {8, Verdict::NothingToReport, ColourModel::Duotone},
    {9, Verdict::OtherColourSpace, ColourModel::Lab},
};

const ModeRow* find_mode(std::uint32_t mode) {
    for (const ModeRow& row : kModes)
        if (row.mode == mode) return &row;
    return nullptr;
}

// Where the profile resource lies, once the walk has found it.
struct ProfileFound {
    bool found;
    bool out_of_reach;  // its size runs past the image resources section or 32-bit positions
    std::uint32_t offset;
    std::uint32_t size;
};

bool walk_ended() {
    const FileReader& reader = file_reader;
    return reader.failed || reader.end_of_data || reader.stop;
}

// From just after the header: the colour mode data, skipped by its length, then the image
// resources, each passed over by its name and size until resource 1039. A section or a
// resource out of the reader's 32-bit positions, or not marked as a resource, ends the walk
// without a profile.
void find_profile(void* context) {
    ProfileFound& profile = *static_cast<ProfileFound*>(context);
    seek_to(kHeaderSize);
    const std::uint64_t resources = std::uint64_t{kHeaderSize} + 4 + read_u32();
    if (walk_ended() || resources > 0xFFFFFFFFu) return;
    seek_to(static_cast<std::uint32_t>(resources));
    const std::uint64_t section_end = resources + 4 + read_u32();
    std::uint64_t position = resources + 4;
    while (!walk_ended() && position + kResourceHeaderMin <= section_end &&
           position <= 0xFFFFFFFFu) {
        seek_to(static_cast<std::uint32_t>(position));
        if (read_u32() != kResourceSignature) return;
        const std::uint32_t id = read_u16();
        // The name's length byte and its text, padded to an even count.
        const std::uint32_t name = 1 + static_cast<std::uint32_t>(read_byte());
        for (std::uint32_t i = 1; i < name + (name & 1); ++i) read_byte();
        const std::uint32_t size = read_u32();
        if (walk_ended()) return;
        const std::uint64_t data = position + 4 + 2 + name + (name & 1) + 4;
        if (id == kResourceIccProfile) {
            const std::uint64_t end = data + size;
            profile = {true, end > section_end || end > 0xFFFFFFFFu,
                       static_cast<std::uint32_t>(data), size};
            return;
        }
        position = data + size + (size & 1);
    }
}

void gather_details(const ModeRow* row, std::uint32_t depth, std::uint32_t channels) {
    FileDetails& details = file_reader.details;
    details.model = row != nullptr ? row->model : ColourModel::Unknown;
    details.bits = depth <= 0xFF ? static_cast<std::uint8_t>(depth) : 0;
    details.channels = static_cast<std::uint16_t>(channels);
    ProfileFound profile = {};
    if (!read_after_analysis(find_profile, &profile) || !profile.found) return;
    if (profile.out_of_reach)
        details.icc_space = IccSpace::Broken;
    else
        read_icc_profile_at({profile.offset, profile.size}, &details);
}

}  // namespace

bool looks_like_psd() {
    rewind_reader(false);
    file_reader.verdict = 0;
    const std::uint32_t signature = read_u32();
    const std::uint32_t version = read_u16();
    if (file_reader.verdict == 1 || file_reader.end_of_data) return false;
    return signature == kSignature && (version == kVersionPsd || version == kVersionPsb);
}

Verdict analyse_psd() {
    FileReader& reader = file_reader;
    rewind_reader(false);
    reader.verdict = 0;
    const std::uint32_t signature = read_u32();
    const std::uint32_t version = read_u16();
    for (std::uint32_t i = 0; i < kReservedSize; ++i) read_byte();
    const std::uint32_t channels = read_u16();
    read_u32();  // height and width: a PSB's may pass a PSD's limits, and neither matters
    read_u32();
    const std::uint32_t depth = read_u16();
    const std::uint32_t mode = read_u16();
    if (reader.failed) return Verdict::IoError;
    if (reader.end_of_data || signature != kSignature ||
        (version != kVersionPsd && version != kVersionPsb))
        return Verdict::Invalid;
    const ModeRow* row = find_mode(mode);
    const Verdict verdict = row != nullptr ? row->verdict : Verdict::Undetermined;
    reader.verdict = static_cast<std::uint16_t>(verdict);
    if (reader.read_details) gather_details(row, depth, channels);
    return verdict;
}
