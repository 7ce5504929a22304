// The settings pages' controls bound to the options record, and their locks.
#include "desktop/settings_window/bindings.h"

#include "platform/identity.h"
#include "resources/resource.h"

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
