// The options record and its two copies: live for background scans, working for the
// settings window. Main thread, except that scans read their copy.
#pragma once

#include <cstdint>
#include <memory>

// An owned extension list; null means absent (matches no extension).
using ExtensionList = std::unique_ptr<char[]>;

// The kinds of file the extension lists name, in the order the check tries their lists;
// each is the index of its list in Options::extension_lists. The first four are the
// settings both programs keep; Psd and Pdf are kinds of the command-line tool alone,
// named only when its tool_flags ask for them. None: a setting that is not a list.
enum class ListKind : std::uint8_t {
    Jpeg = 0,
    Gif = 1,
    Tiff = 2,
    Eps = 3,
    Psd = 4,
    Pdf = 5,
    None = 0xFF
};
constexpr int kListKindCount = 6;

struct Options {
    std::uint16_t file_scan_flags;
    std::uint16_t background_scan_flags;
    std::uint16_t alerts;
    std::uint16_t logging_flags;
    std::uint16_t scanning_period;
    std::uint16_t tool_flags;  // kReadDetails...; never set by the desktop program
    ExtensionList extension_lists[kListKindCount];
};

inline ExtensionList& extension_list(Options& options, ListKind kind) {
    return options.extension_lists[static_cast<int>(kind)];
}
inline const ExtensionList& extension_list(const Options& options, ListKind kind) {
    return options.extension_lists[static_cast<int>(kind)];
}

// Bits of file_scan_flags.
constexpr std::uint16_t kUseMacintoshTypes = 0x01;
constexpr std::uint16_t kCheckTiff = 0x02;
constexpr std::uint16_t kCheckJpeg = 0x04;
constexpr std::uint16_t kCheckEps = 0x08;
constexpr std::uint16_t kWarnGif = 0x10;
constexpr std::uint16_t kExamineExtensions = 0x20;
constexpr std::uint16_t kEmbedded = 0x40;

// Bits of background_scan_flags.
constexpr std::uint16_t kBackgroundScansEnabled = 0x01;

// Bits of alerts.
constexpr std::uint16_t kExpandWindow = 0x01;
constexpr std::uint16_t kAudibleAlert = 0x02;
constexpr std::uint16_t kFlashTaskbarIcon = 0x04;
constexpr std::uint16_t kFlashTrayIcon = 0x08;

// Bits of logging_flags.
constexpr std::uint16_t kLogRgb = 0x01;
constexpr std::uint16_t kLogCmyk = 0x02;
constexpr std::uint16_t kLogGif = 0x04;
constexpr std::uint16_t kLogUnknownColours = 0x08;
constexpr std::uint16_t kLogEpsJpegs = 0x10;

// Bits of tool_flags: what only the command-line tool asks of a check. Clear, a check
// reads and answers exactly as the desktop program's does.
constexpr std::uint16_t kReadDetails = 0x01;  // colour model, bits and embedded profile
constexpr std::uint16_t kCheckPsd = 0x02;
constexpr std::uint16_t kCheckPdf = 0x04;

// By ListKind.
constexpr const char* kDefaultExtensionLists[kListKindCount] = {
    ".JPG;.JPEG;.JPE;.JFI;.JFIF", ".GIF", ".TIF;.TIFF", ".EPS;.EPSF", ".PSD;.PSB", ".PDF"};

struct OptionsState {
    Options live_options;
    Options working_options;
    bool options_applied;  // the settings window saves the options when it closes
};
extern OptionsState options_state;
extern Options& live_options;
extern Options& working_options;

// A duplicate of `text`, or an absent list for null.
ExtensionList duplicate_list(const char* text);

// Releases the lists of `options` and zeroes it.
void release_options(Options* options);

// Makes `to` a copy of `from` with lists of its own.
void copy_options(Options* to, const Options& from);

// Fills `options` with the defaults for the recorded platform.
void set_default_options(Options* options);

// The settings window's OK: live_options becomes a copy of working_options; sets
// options_applied.
void apply_options();
