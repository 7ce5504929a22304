// The start-up splash: the compressed logo from the resources, expanded through a
// temporary file, shown with the version line for four seconds. Main thread, before any
// other window exists.
#pragma once

#include <cstddef>

#include "platform/win32/win32.h"
#include "desktop/splash/splash_layout.h"

// What the splash window paints, set up by show_splash before the window is made.
struct SplashState {
    char text[kSplashTextSize];
    int text_length;
    SplashLayout layout;
    SplashBitmap bitmap;
};
extern SplashState splash_state;

// Shows the splash and returns when it has closed; any failure means no splash, at once.
void show_splash();

// Writes raw data resource 2 of `instance` into a new "splash.tmp" in the current
// directory (never over an existing file of that name), expands it from there into
// `buffer`, and lets the file be deleted. Returns the count of bytes expanded, or -1 when
// anything fails or the data fill the whole `size` (too long to be the image).
int expand_splash_image(HINSTANCE instance, unsigned char* buffer, std::size_t size);
