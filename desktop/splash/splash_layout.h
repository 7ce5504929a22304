// The splash screen's decisions: whether the expanded image is a bitmap file the window
// can draw, the completion of its header, the version line, and where the image and the
// text go. Pure functions; the window is desktop/splash/splash.cpp. Main thread, at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char kSplashClass[] = "InkhoundSplash";
constexpr char kSplashTitle[] = "Inkhound";
constexpr char kSplashTempFile[] = "splash.tmp";
constexpr int kSplashResource = 2;  // IDR_SPLASH_IMAGE, raw data: the SZDD-compressed bitmap
constexpr unsigned kSplashMilliseconds = 4000;
// The expanded bitmap file must be smaller than this.
constexpr std::size_t kSplashBufferSize = 62000;
constexpr std::size_t kSplashTextSize = 100;
constexpr char kSplashVersionFormat[] = "Inkhound version %s";
constexpr char kMakersNotice[] = "(c) Tarnholt Software";

// A checked bitmap file in the expansion buffer.
struct SplashBitmap {
    unsigned char* info_header;  // the BITMAPINFOHEADER, just after the 14-byte file header
    std::size_t pixel_offset;    // of the pixel rows, from the info header
    int width;
    int height;
};

// Checks the `length` bytes of an expanded bitmap file and completes its info header in
// place: a count of colours used of 0 becomes 2 to the power of the bit count (24 bits
// keep 0), an image size of 0 becomes the padded row size times the height. Accepted are
// files that begin with "BM", have an info header of at least 40 bytes (not the older
// 12-byte core header), a positive width and height, one plane, no compression, 1, 4, 8 or
// 24 bits per pixel, at most 2 to the power of the bit count colours, and the colour table
// and every pixel row wholly inside the data. Returns false, touching nothing, otherwise.
bool check_splash_bitmap(unsigned char* data, std::size_t length, SplashBitmap* out);

// The version line: "Inkhound version 1.6", a blank and the maker's notice; it always
// fits kSplashTextSize.
void format_splash_text(char* out, std::size_t size);

struct SplashLayout {
    int client_width, client_height;
    int text_x, text_y;
    int image_x, image_y;
};

// The client area: as wide as the image, or the text plus 20 when the image minus 20 is
// narrower than the text; as high as the image and three text heights. The image at the
// top, centred; the text centred, one text height below the image. Halves truncated.
SplashLayout lay_out_splash(int image_width, int image_height, int text_width, int text_height);

struct WindowPlacement {
    int x, y, width, height;
};

// The window's place from its frame-adjusted client rectangle: one pixel higher than that
// rectangle, centred on the screen by the rectangle's own size.
WindowPlacement centre_splash(int left, int top, int right, int bottom, int screen_width,
                              int screen_height);
