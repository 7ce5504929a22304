// The splash image's checks and the splash window's arithmetic. The bitmap comes from our
// own resource, but it is read as any file would be: nothing in its header is trusted.
#include "desktop/splash/splash_layout.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Offsets in the info header.
constexpr std::size_t kHeaderSizeAt = 0, kWidthAt = 4, kHeightAt = 8, kPlanesAt = 12,
                      kBitCountAt = 14, kCompressionAt = 16, kImageSizeAt = 20, kColoursUsedAt = 32;
constexpr int kTextMargin = 20;

std::uint32_t read_le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t read_le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void write_le32(unsigned char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

bool check_splash_bitmap(unsigned char* data, std::size_t length, SplashBitmap* out) {
    if (length < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M')
        return false;
    unsigned char* header = data + kFileHeaderSize;
    const std::size_t available = length - kFileHeaderSize;
    const std::uint32_t header_size = read_le32(header + kHeaderSizeAt);
    if (header_size == kCoreHeaderSize || header_size < kInfoHeaderSize || header_size > available)
        return false;

    const std::int32_t width = static_cast<std::int32_t>(read_le32(header + kWidthAt));
    const std::int32_t height = static_cast<std::int32_t>(read_le32(header + kHeightAt));
    const unsigned bits = read_le16(header + kBitCountAt);
    if (width <= 0 || height <= 0 || read_le16(header + kPlanesAt) != 1 ||
        read_le32(header + kCompressionAt) != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;

    // Widened: a hostile width or height must not wrap the sums below.
    std::uint64_t colours = read_le32(header + kColoursUsedAt);
    const std::uint64_t most_colours = std::uint64_t{1} << bits;
    if (colours > most_colours) return false;
    if (colours == 0 && bits != 24) colours = most_colours;
    const std::uint64_t row_size = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixels_size = row_size * static_cast<std::uint64_t>(height);
    const std::uint64_t pixel_offset = header_size + 4 * colours;
    if (pixel_offset + pixels_size > available) return false;

    write_le32(header + kColoursUsedAt, static_cast<std::uint32_t>(colours));
    if (read_le32(header + kImageSizeAt) == 0)
        write_le32(header + kImageSizeAt, static_cast<std::uint32_t>(pixels_size));
    out->info_header = header;
    out->pixel_offset = static_cast<std::size_t>(pixel_offset);
    out->width = width;
    out->height = height;
    return true;
}

void format_splash_text(char* out, std::size_t size) {
    static_assert(sizeof "Inkhound version " INKHOUND_VERSION_TEXT " " + sizeof kMakersNotice <=
                      kSplashTextSize + 1,
                  "the version line fits its buffer");
    if (size == 0) return;
    // Only a buffer smaller than kSplashTextSize cuts the line.
    const int version = std::snprintf(out, size, kSplashVersionFormat, INKHOUND_VERSION_TEXT);
    if (version < 0 || static_cast<std::size_t>(version) >= size) return;
    std::snprintf(out + version, size - static_cast<std::size_t>(version), " %s", kMakersNotice);
}

SplashLayout lay_out_splash(int image_width, int image_height, int text_width, int text_height) {
    SplashLayout layout = {};
    layout.client_width =
        image_width - kTextMargin < text_width ? text_width + kTextMargin : image_width;
    layout.client_height = image_height + 3 * text_height;
    layout.text_x = (layout.client_width - text_width) / 2;
    layout.text_y = layout.client_height - 2 * text_height;
    layout.image_x = (layout.client_width - image_width) / 2;
    layout.image_y = 0;
    return layout;
}

WindowPlacement centre_splash(int left, int top, int right, int bottom, int screen_width,
                              int screen_height) {
    WindowPlacement placement = {};
    placement.width = right - left;
    placement.height = bottom - top + 1;
    placement.x = (screen_width - placement.width) / 2;
    placement.y = (screen_height - (bottom - top)) / 2;
    return placement;
}
