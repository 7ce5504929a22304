// Where the options live in the registry, and how a queried value becomes the text the
// options are read from. Portable: the registry calls themselves are in
// desktop/settings_window/registry.cpp. Main thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/extensions.h"

// Under HKEY_LOCAL_MACHINE: the program's key, and the subkey of the nine option values.
constexpr char kProgramKey[] = "SOFTWARE\\Tarnholt Software\\Inkhound";
constexpr char kOptionsSubkey[] = "Options";
// What removal deletes, in this order; the company key above the program's stays.
constexpr char kRemovedOptionsKey[] = "Software\\Tarnholt Software\\Inkhound\\Options";
constexpr char kRemovedProgramKey[] = "Software\\Tarnholt Software\\Inkhound";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkhound";

constexpr char kFileScanFlagsValue[] = "File Scan Flags";
constexpr char kBackgroundScanFlagsValue[] = "Background Scan Flags";
constexpr char kAlertsValue[] = "Alerts";
constexpr char kLoggingFlagsValue[] = "Logging Flags";
constexpr char kScanningPeriodValue[] = "Scanning Period";
constexpr char kTiffExtensionsValue[] = "TIFF File Extensions";
constexpr char kJpegExtensionsValue[] = "JPEG File Extensions";
constexpr char kEpsExtensionsValue[] = "EPS File Extensions";
constexpr char kGifExtensionsValue[] = "GIF File Extensions";

// Value types, numbered as the system numbers them.
constexpr std::uint32_t kRegistryString = 1;        // REG_SZ
constexpr std::uint32_t kRegistryExpandString = 2;  // REG_EXPAND_SZ
constexpr std::uint32_t kRegistryNumber = 4;        // REG_DWORD, little-endian

// A value is read into as much room as an extension list takes, so that every list the
// settings window can store reads back whole; a longer value reads as nothing.
constexpr std::size_t kRegistryTextSize = kExtensionListSize;

// Expands environment variables the way ExpandEnvironmentStringsA does: writes the
// expansion of `text` into `out` when it fits `size` bytes with its zero, and returns
// the size the expansion needs with its zero, or 0 on failure.
using ExpandVariables = std::uint32_t (*)(const char* text, char* out, std::uint32_t size);

// Turns a queried value (its type and its `length` bytes of data) into text: a string's
// characters up to its length or its first zero, whichever comes first; an expandable
// string the same, then expanded within kRegistryTextSize bytes; a number of at most
// four bytes (missing high bytes zero) as its signed decimal text. Returns 1 with the
// text in `out`, or 0 with `out` empty for any other type, a longer number, a failed
// expansion, or a text that does not fit `size` bytes with its zero: such a value is
// never cut.
int decode_registry_value(std::uint32_t type, const unsigned char* data, std::size_t length,
                          ExpandVariables expand, char* out, std::size_t size);

// A stored number as the options keep it: leading white space skipped, an optional sign,
// the digits up to the first other character (none give 0), and of the result the low
// 16 bits, so "-1" gives 0xFFFF.
std::uint16_t registry_number(const char* text);
