// The check of one file: its kind from the extension lists, the Macintosh file type or
// its first 60 bytes, the mis-labelling test, and the analysis of its kind. One check at
// a time, on the thread of the scan that runs.
#pragma once

#include <cstdint>

#include "settings/options.h"
#include "platform/platform.h"
#include "classify/verdict.h"

enum class FileKind : std::uint8_t {
    None = 0,
    Jpeg = 1,
    Gif = 2,
    Tiff = 3,
    Eps = 4,
    Psd = 5,
    Pdf = 6
};
// A kind named by an extension list is one past its list's index.
static_assert(static_cast<int>(FileKind::Jpeg) == static_cast<int>(ListKind::Jpeg) + 1 &&
                  static_cast<int>(FileKind::Gif) == static_cast<int>(ListKind::Gif) + 1 &&
                  static_cast<int>(FileKind::Tiff) == static_cast<int>(ListKind::Tiff) + 1 &&
                  static_cast<int>(FileKind::Eps) == static_cast<int>(ListKind::Eps) + 1 &&
                  static_cast<int>(FileKind::Psd) == static_cast<int>(ListKind::Psd) + 1 &&
                  static_cast<int>(FileKind::Pdf) == static_cast<int>(ListKind::Pdf) + 1,
              "the check tries the lists in the order of their kinds");

// Checks the file at `path` (a full path shorter than the platform's path limit) with
// `options` and returns its verdict. Opens and closes the file itself, with
// platform_open_listed_file when its folder's listing gave it as regular (`listed`, else
// null), else with platform_open_read; leaves the reader's embedded_jpeg_seen and details
// (cleared after a failure) for the caller.
Verdict check_file(const char* path, const Options& options, const ListedFile* listed = nullptr);

// Adds one to the calling thread's scan's files_seen and shows the new total when the
// scan shows its progress: once for every file handed to the check, and for a file the
// walker refused.
void count_file_seen();

// Whether the upper-case `extension` (dot included) equals one entry of the
// ";"-separated `list`. An absent or empty list, and an empty extension, match nothing.
bool match_extension(const char* extension, const char* list);

// The extension of a path (from the last dot, when no separator follows it), upper-cased
// into `out` (at least kExtensionSize bytes); empty when there is none.
constexpr std::size_t kExtensionSize = kPathLimit;
void path_extension(const char* path, char* out);

// The four-character Macintosh file type kept with the file, into `out` (5 bytes); an
// empty string when there is none. Uses the reader's buffer.
void read_macintosh_type(const char* path, char* out);

// The content signature tests, on the open file of the current check: each rewinds the
// reader and looks at most at the first kSignatureWindow bytes (the PDF one at more). The TIFF one
// lives with the TIFF analysis, whose header search it shares (classify/analyses.h).
bool looks_like_jpeg();
bool looks_like_gif();
bool looks_like_eps();
// "%PDF-" within the first kPdfSignatureWindow bytes.
bool looks_like_pdf();
