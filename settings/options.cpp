// The options record's defaults, copies and settings table. The copies are made on the
// user-interface thread while no scan reads them.
#include "settings/options.h"

#include <cstring>

#include "platform/identity.h"
#include "resources/resource.h"

OptionsState options_state;
Options& live_options = options_state.live_options;
Options& working_options = options_state.working_options;

ExtensionList duplicate_list(const char* text) {
    if (text == nullptr) return nullptr;
    const std::size_t size = std::strlen(text) + 1;
    ExtensionList copy(new char[size]);
    std::memcpy(copy.get(), text, size);
    return copy;
}

void release_options(Options* options) {
    options->file_scan_flags = 0;
    options->background_scan_flags = 0;
    options->alerts = 0;
    options->logging_flags = 0;
    options->scanning_period = 0;
    for (ExtensionList& list : options->extension_lists) list.reset();
}

void copy_options(Options* to, const Options& from) {
    if (to == &from) return;
    to->file_scan_flags = from.file_scan_flags;
    to->background_scan_flags = from.background_scan_flags;
    to->alerts = from.alerts;
    to->logging_flags = from.logging_flags;
    to->scanning_period = from.scanning_period;
    for (int kind = 0; kind < kListKindCount; ++kind)
        to->extension_lists[kind] = duplicate_list(from.extension_lists[kind].get());
}

void set_default_options(Options* options) {
    // Macintosh file types are read only where the system keeps them: Windows NT.
    const std::uint16_t mac_types = platform_state.platform_id == 2 ? kUseMacintoshTypes : 0;
    options->file_scan_flags = mac_types | kCheckTiff | kCheckJpeg | kCheckEps | kExamineExtensions;
    options->background_scan_flags = kBackgroundScansEnabled;
    options->alerts = kAudibleAlert | kFlashTaskbarIcon | kFlashTrayIcon;
    options->logging_flags = kLogRgb;
    options->scanning_period = 15;
    for (int kind = 0; kind < kListKindCount; ++kind)
        options->extension_lists[kind] = duplicate_list(kDefaultExtensionLists[kind]);
}

void apply_options() {
    release_options(&live_options);
    copy_options(&live_options, working_options);
    options_state.options_applied = true;
}

std::uint8_t lock_mask() {
    switch (platform_state.platform_id) {
        case 2:
            return kLockAlways | kLockOnNt;
        case 1:
            return kLockAlways | kLock9x;
        default:
            return kLockAlways | kLockOther;
    }
}

namespace {
constexpr SettingKind kCheck = SettingKind::CheckBox;
constexpr SettingKind kList = SettingKind::ListField;
constexpr SettingKind kNumber = SettingKind::NumberField;
constexpr auto kScan = &Options::file_scan_flags;
constexpr auto kBackground = &Options::background_scan_flags;
constexpr auto kAlerts = &Options::alerts;
constexpr auto kLogging = &Options::logging_flags;
// The extension controls are locked where the platform is neither Windows NT nor 95/98.
constexpr std::uint8_t kListLocks = kLockOther;
}  // namespace

const SettingBinding settings_table[kSettingCount] = {
    {1, IDC_USE_MAC_TYPES, kCheck, kUseMacintoshTypes, kScan, ListKind::None, kLock9x | kLockOther},
    {1, IDC_CHECK_TIFF, kCheck, kCheckTiff, kScan, ListKind::None, 0},
    {1, IDC_CHECK_JPEG, kCheck, kCheckJpeg, kScan, ListKind::None, 0},
    {1, IDC_CHECK_EPS, kCheck, kCheckEps, kScan, ListKind::None, 0},
    {1, IDC_EMBEDDED, kCheck, kEmbedded, kScan, ListKind::None, kLockAlways},
    {1, IDC_WARN_GIF, kCheck, kWarnGif, kScan, ListKind::None, 0},
    {1, IDC_EXAMINE_EXTENSIONS, kCheck, kExamineExtensions, kScan, ListKind::None, kLockOther},
    {1, IDC_TIFF_EXTENSIONS, kList, 0, nullptr, ListKind::Tiff, kListLocks},
    {1, IDC_JPEG_EXTENSIONS, kList, 0, nullptr, ListKind::Jpeg, kListLocks},
    {1, IDC_EPS_EXTENSIONS, kList, 0, nullptr, ListKind::Eps, kListLocks},
    {1, IDC_GIF_EXTENSIONS, kList, 0, nullptr, ListKind::Gif, kListLocks},
    {2, IDC_ENABLE_BACKGROUND, kCheck, kBackgroundScansEnabled, kBackground, ListKind::None, 0},
    {2, IDC_SCANNING_PERIOD, kNumber, 0, &Options::scanning_period, ListKind::None, 0},
    {2, IDC_EXPAND_WINDOW, kCheck, kExpandWindow, kAlerts, ListKind::None, 0},
    {2, IDC_AUDIBLE_ALERT, kCheck, kAudibleAlert, kAlerts, ListKind::None, 0},
    {2, IDC_FLASH_TASKBAR, kCheck, kFlashTaskbarIcon, kAlerts, ListKind::None, 0},
    {2, IDC_FLASH_TRAY, kCheck, kFlashTrayIcon, kAlerts, ListKind::None, 0},
    {2, IDC_LOG_RGB, kCheck, kLogRgb, kLogging, ListKind::None, 0},
    {2, IDC_LOG_CMYK, kCheck, kLogCmyk, kLogging, ListKind::None, 0},
    {2, IDC_LOG_GIF, kCheck, kLogGif, kLogging, ListKind::None, 0},
    {2, IDC_LOG_UNKNOWN, kCheck, kLogUnknownColours, kLogging, ListKind::None, 0},
    {2, IDC_LOG_EPS_JPEGS, kCheck, kLogEpsJpegs, kLogging, ListKind::None, 0},
};

bool is_setting_locked(const SettingBinding& binding) {
    return (binding.lock_flags & lock_mask()) != 0;
}

void clear_locked_setting(const SettingBinding& binding, Options* options) {
    switch (binding.kind) {
        case SettingKind::CheckBox:
            options->*binding.number =
                static_cast<std::uint16_t>(options->*binding.number & ~binding.mask);
            break;
        case SettingKind::ListField:
            extension_list(*options, binding.list).reset();
            break;
        case SettingKind::NumberField:
            options->*binding.number = 0;
            break;
    }
}
