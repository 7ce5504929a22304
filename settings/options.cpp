// The options record's defaults, copies and settings table. The copies are made on the
// user-interface thread while no scan reads them.
#include "options.h"

#include <cstring>

#include "resource.h"

PlatformState platform_state = {2};
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
    options->tiff_extensions.reset();
    options->jpeg_extensions.reset();
    options->eps_extensions.reset();
    options->gif_extensions.reset();
}

void copy_options(Options* to, const Options& from) {
    if (to == &from) return;
    to->file_scan_flags = from.file_scan_flags;
    to->background_scan_flags = from.background_scan_flags;
    to->alerts = from.alerts;
    to->logging_flags = from.logging_flags;
    to->scanning_period = from.scanning_period;
    to->tiff_extensions = duplicate_list(from.tiff_extensions.get());
    to->jpeg_extensions = duplicate_list(from.jpeg_extensions.get());
    to->eps_extensions = duplicate_list(from.eps_extensions.get());
    to->gif_extensions = duplicate_list(from.gif_extensions.get());
}

void set_default_options(Options* options) {
    options->file_scan_flags = platform_state.platform_id == 2 ? 0x2F : 0x2E;
    options->background_scan_flags = 0x01;
    options->alerts = 0x0E;
    options->logging_flags = 0x01;
    options->scanning_period = 15;
    options->tiff_extensions = duplicate_list(kDefaultTiffExtensions);
    options->jpeg_extensions = duplicate_list(kDefaultJpegExtensions);
    options->eps_extensions = duplicate_list(kDefaultEpsExtensions);
    options->gif_extensions = duplicate_list(kDefaultGifExtensions);
}

void apply_options() {
    release_options(&live_options);
    copy_options(&live_options, working_options);
    options_state.options_applied = true;
}

std::uint8_t lock_mask() {
    switch (platform_state.platform_id) {
        case 2:
            return 0x01 | 0x02;
        case 1:
            return 0x01 | 0x04;
        default:
            return 0x01 | 0x08;
    }
}

const SettingBinding settings_table[kSettingCount] = {
    {1, IDC_USE_MAC_TYPES, SettingKind::CheckBox, 0x01, &Options::file_scan_flags, nullptr, 0x0C},
    {1, IDC_CHECK_TIFF, SettingKind::CheckBox, 0x02, &Options::file_scan_flags, nullptr, 0},
    {1, IDC_CHECK_JPEG, SettingKind::CheckBox, 0x04, &Options::file_scan_flags, nullptr, 0},
    {1, IDC_CHECK_EPS, SettingKind::CheckBox, 0x08, &Options::file_scan_flags, nullptr, 0},
    {1, IDC_EMBEDDED, SettingKind::CheckBox, 0x40, &Options::file_scan_flags, nullptr, 0x01},
    {1, IDC_WARN_GIF, SettingKind::CheckBox, 0x10, &Options::file_scan_flags, nullptr, 0},
    {1, IDC_EXAMINE_EXTENSIONS, SettingKind::CheckBox, 0x20, &Options::file_scan_flags, nullptr,
     0x08},
    {1, IDC_TIFF_EXTENSIONS, SettingKind::ListField, 0, nullptr, &Options::tiff_extensions, 0x08},
    {1, IDC_JPEG_EXTENSIONS, SettingKind::ListField, 0, nullptr, &Options::jpeg_extensions, 0x08},
    {1, IDC_EPS_EXTENSIONS, SettingKind::ListField, 0, nullptr, &Options::eps_extensions, 0x08},
    {1, IDC_GIF_EXTENSIONS, SettingKind::ListField, 0, nullptr, &Options::gif_extensions, 0x08},
    {2, IDC_ENABLE_BACKGROUND, SettingKind::CheckBox, 0x01, &Options::background_scan_flags,
     nullptr, 0},
    {2, IDC_SCANNING_PERIOD, SettingKind::NumberField, 0, &Options::scanning_period, nullptr, 0},
    {2, IDC_EXPAND_WINDOW, SettingKind::CheckBox, 0x01, &Options::alerts, nullptr, 0},
    {2, IDC_AUDIBLE_ALERT, SettingKind::CheckBox, 0x02, &Options::alerts, nullptr, 0},
    {2, IDC_FLASH_TASKBAR, SettingKind::CheckBox, 0x04, &Options::alerts, nullptr, 0},
    {2, IDC_FLASH_TRAY, SettingKind::CheckBox, 0x08, &Options::alerts, nullptr, 0},
    {2, IDC_LOG_RGB, SettingKind::CheckBox, 0x01, &Options::logging_flags, nullptr, 0},
    {2, IDC_LOG_CMYK, SettingKind::CheckBox, 0x02, &Options::logging_flags, nullptr, 0},
    {2, IDC_LOG_GIF, SettingKind::CheckBox, 0x04, &Options::logging_flags, nullptr, 0},
    {2, IDC_LOG_UNKNOWN, SettingKind::CheckBox, 0x08, &Options::logging_flags, nullptr, 0},
    {2, IDC_LOG_EPS_JPEGS, SettingKind::CheckBox, 0x10, &Options::logging_flags, nullptr, 0},
};

bool is_setting_locked(const SettingBinding& binding) {
    return (binding.lock_flags & lock_mask()) != 0;
}

void clear_locked_setting(const SettingBinding& binding, Options* options) {
    switch (binding.kind) {
        case SettingKind::CheckBox:
            options->*binding.number = static_cast<std::uint16_t>(options->*binding.number &
                                                                  ~binding.mask);
            break;
        case SettingKind::ListField:
            (options->*binding.list).reset();
            break;
        case SettingKind::NumberField:
            options->*binding.number = 0;
            break;
    }
}
