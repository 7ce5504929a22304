// Names of every resource and control id. Plain macros, so that the resource compiler
// and the portable core read the same file; no system header is needed.
#pragma once

// "File Scanning" page.
#define IDC_USE_MAC_TYPES 101
#define IDC_CHECK_TIFF 102
#define IDC_CHECK_JPEG 103
#define IDC_CHECK_EPS 104
#define IDC_EMBEDDED 105
#define IDC_WARN_GIF 106
#define IDC_EXAMINE_EXTENSIONS 107
#define IDC_TIFF_EXTENSIONS 109
#define IDC_JPEG_EXTENSIONS 111
#define IDC_EPS_EXTENSIONS 113
#define IDC_GIF_EXTENSIONS 115

// "Background" page.
#define IDC_ENABLE_BACKGROUND 201
#define IDC_SCANNING_PERIOD 203
#define IDC_FLASH_TASKBAR 205
#define IDC_FLASH_TRAY 206
#define IDC_AUDIBLE_ALERT 207
#define IDC_EXPAND_WINDOW 208
#define IDC_LOG_RGB 209
#define IDC_LOG_CMYK 210
#define IDC_LOG_UNKNOWN 211
#define IDC_LOG_GIF 212
#define IDC_LOG_EPS_JPEGS 213
