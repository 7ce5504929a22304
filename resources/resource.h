// Names of every resource and control id. Plain macros, so that the resource compiler
// and the portable core read the same file; no system header is needed.
#pragma once

// Controls that no code looks up: the pages' explanations, group boxes without rules.
#define IDC_STATIC (-1)

// Dialog templates: the five settings pages in sheet order, and the installation options.
#define IDD_FILE_SCANNING 1
#define IDD_BACKGROUND 2
#define IDD_DIRECTORIES 3
#define IDD_IMMEDIATE_SCAN 4
#define IDD_VIEW_LOG 5
#define IDD_INSTALL_OPTIONS 10

// "File Scanning" page.
#define IDC_USE_MAC_TYPES 101
#define IDC_CHECK_TIFF 102
#define IDC_CHECK_JPEG 103
#define IDC_CHECK_EPS 104
#define IDC_EMBEDDED 105
#define IDC_WARN_GIF 106
#define IDC_EXAMINE_EXTENSIONS 107
#define IDC_TIFF_EXTENSIONS_LABEL 108
#define IDC_TIFF_EXTENSIONS 109
#define IDC_JPEG_EXTENSIONS_LABEL 110
#define IDC_JPEG_EXTENSIONS 111
#define IDC_EPS_EXTENSIONS_LABEL 112
#define IDC_EPS_EXTENSIONS 113
#define IDC_GIF_EXTENSIONS_LABEL 114
#define IDC_GIF_EXTENSIONS 115

// "Background" page.
#define IDC_ENABLE_BACKGROUND 201
#define IDC_SCANNING_PERIOD_LABEL 202
#define IDC_SCANNING_PERIOD 203
#define IDC_ALERTS_GROUP 204
#define IDC_FLASH_TASKBAR 205
#define IDC_FLASH_TRAY 206
#define IDC_AUDIBLE_ALERT 207
#define IDC_EXPAND_WINDOW 208
#define IDC_LOG_RGB 209
#define IDC_LOG_CMYK 210
#define IDC_LOG_UNKNOWN 211
#define IDC_LOG_GIF 212
#define IDC_LOG_EPS_JPEGS 213

// "Directories" page.
#define IDC_DIRECTORIES_TREE 301
#define IDC_ADD_DIRECTORY 302
#define IDC_REMOVE_DIRECTORY 303
#define IDC_SCAN_NOW 304

// "Immediate scan" page.
#define IDC_IMMEDIATE_TREE 401
#define IDC_INCLUDE_SUBDIRECTORIES 402
#define IDC_SCAN 403

// "View log" page: the results view, and the "Print log" button it adds to the sheet.
#define IDC_LOG_VIEW 501
#define IDC_PRINT_LOG 502

// Installation options (its OK and Cancel are the system's IDOK and IDCANCEL).
#define IDC_INSTALL_DIRECTORY 1001
#define IDC_DESKTOP_SHORTCUT 1002
#define IDC_START_MENU_SHORTCUT 1003
#define IDC_STARTUP_SHORTCUT 1004

// The tray menu: menu resource 1, its first submenu, and the submenu's commands.
#define IDR_TRAY_MENU 1
#define IDM_SETTINGS 101
#define IDM_CLOSE 102
#define IDM_PAUSE_OR_RESUME 103

// Icons: the program's (also the idle tray image), a scan running, the alert flash.
#define IDI_NORMAL 1
#define IDI_ACTIVE 3
#define IDI_ALERT 4

// The drive tree's images, loaded in this order; the last two are its overlays 1 and 2.
#define IDB_FOLDER 1
#define IDB_INCLUDED_FOLDER 2
#define IDB_FLOPPY_35 3
#define IDB_FLOPPY_525 4
#define IDB_FIXED_DRIVE 5
#define IDB_REMOVABLE_DRIVE 6
#define IDB_NETWORK_DRIVE 7
#define IDB_UNKNOWN_NETWORK_DRIVE 8
#define IDB_MISSING_DRIVE 9
#define IDB_ROOT_INCLUDED 10
#define IDB_INCLUDED_BELOW 11

// The alert sound, of the resource type "WAVE".
#define IDW_ALERT_SOUND 1

// The splash image: an SZDD-compressed bitmap file, raw data.
#define IDR_SPLASH_IMAGE 2
