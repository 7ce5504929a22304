// The splash's decisions: which expanded data are a bitmap it may draw, the header's
// completion, the version line and the window's layout. The program's own image and the
// window's place on the screen are the end-to-end tests'.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "desktop/splash/splash_layout.h"
#include "tests/support/bytes.h"

namespace {

// A bitmap file: file header, info header, `colours` table entries, and `pixel_bytes`.
Bytes bitmap_file(std::int32_t width, std::int32_t height, unsigned bits,
                  std::uint32_t colours_used, std::size_t colours, std::size_t pixel_bytes,
                  std::uint32_t header_size = 40) {
    Bytes info = le32(header_size) + le32(static_cast<std::uint32_t>(width)) +
                 le32(static_cast<std::uint32_t>(height)) + le16(1) + le16(bits) + le32(0) +
                 le32(0) + le32(2835) + le32(2835) + le32(colours_used) + le32(0);
    info += fill(header_size > 40 ? header_size - 40 : 0, 0);
    const Bytes body = info + fill(4 * colours, 0x7F) + fill(pixel_bytes, 1);
    return "BM" + le32(static_cast<std::uint32_t>(14 + body.size())) + le32(0) + le32(0) + body;
}

std::uint32_t field(const Bytes& data, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + 14 + at);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

TEST(SplashBitmap, HeaderIsCheckedAndCompleted) {
    struct Row {
        const char* why;
        Bytes data;
        bool accepted;
        std::uint32_t colours_used, image_size;  // after completion
        std::size_t pixel_offset;
    };
    Bytes compressed = bitmap_file(4, 2, 8, 0, 256, 8);
    compressed[14 + 16] = 1;
    const Row rows[] = {
        {"1 bit, rows padded to 32 bits", bitmap_file(33, 3, 1, 0, 2, 24), true, 2, 24, 48},
        {"4 bits, fewer colours", bitmap_file(3, 2, 4, 5, 5, 8), true, 5, 8, 60},
        {"24 bits keep no table", bitmap_file(3, 2, 24, 0, 0, 24), true, 0, 24, 40},
        {"a longer info header", bitmap_file(2, 1, 8, 1, 1, 4, 108), true, 1, 4, 112},
        {"core header", bitmap_file(4, 2, 8, 0, 256, 8, 12), false, 0, 0, 0},
        {"16 bits", bitmap_file(4, 2, 16, 0, 0, 16), false, 0, 0, 0},
        {"2 bits", bitmap_file(16, 2, 2, 0, 4, 8), false, 0, 0, 0},
        {"257 colours at 8 bits", bitmap_file(4, 2, 8, 257, 257, 8), false, 0, 0, 0},
        {"the table short", bitmap_file(4, 2, 8, 0, 255, 0), false, 0, 0, 0},
        {"rows claimed far past", bitmap_file(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0, 8), false, 0, 0, 0},
        {"top-down", bitmap_file(4, -2, 8, 0, 256, 8), false, 0, 0, 0},
        {"compressed", compressed, false, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        Bytes data = row.data;
        const Bytes before = data;
        SplashBitmap bitmap = {};
        const bool accepted =
            check_splash_bitmap(reinterpret_cast<unsigned char*>(&data[0]), data.size(), &bitmap);
        ASSERT_EQ(row.accepted, accepted);
        if (!accepted) {
            EXPECT_EQ(before, data);
            continue;
        }
        EXPECT_EQ(row.colours_used, field(data, 32));
        EXPECT_EQ(row.image_size, field(data, 20));
        EXPECT_EQ(row.pixel_offset, bitmap.pixel_offset);
    }
}

TEST(SplashLayout, TextWiderThanTheImageWidensTheWindow) {
    struct Row {
        int image_width, image_height, text_width, text_height;
        SplashLayout expected;
    };
    const Row rows[] = {
        {244, 244, 224, 13, {244, 283, 10, 257, 0, 0}},  // exactly the image minus 20
        {244, 244, 225, 13, {245, 283, 10, 257, 0, 0}},  // image centred: (245 - 244) / 2
        {244, 244, 301, 16, {321, 292, 10, 260, 38, 0}},
        {10, 10, 0, 0, {20, 10, 10, 10, 5, 0}},
    };
    for (const Row& row : rows) {
        const SplashLayout got =
            lay_out_splash(row.image_width, row.image_height, row.text_width, row.text_height);
        SCOPED_TRACE(row.text_width);
        EXPECT_EQ(row.expected.client_width, got.client_width);
        EXPECT_EQ(row.expected.client_height, got.client_height);
        EXPECT_EQ(row.expected.text_x, got.text_x);
        EXPECT_EQ(row.expected.text_y, got.text_y);
        EXPECT_EQ(row.expected.image_x, got.image_x);
        EXPECT_EQ(0, got.image_y);
    }
}

TEST(SplashLayout, VersionLineNamesTheMaker) {
    char text[kSplashTextSize];
    format_splash_text(text, sizeof text);
    EXPECT_STREQ("Inkhound version 1.6 (c) Tarnholt Software", text);
}

}  // namespace
