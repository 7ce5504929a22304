// The options record's defaults and copies. The copies are made on the
// user-interface thread while no scan reads them.
#include "settings/options.h"

#include <cstring>

#include "platform/identity.h"

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
    options->tool_flags = 0;
    for (ExtensionList& list : options->extension_lists) list.reset();
}

void copy_options(Options* to, const Options& from) {
    if (to == &from) return;
    to->file_scan_flags = from.file_scan_flags;
    to->background_scan_flags = from.background_scan_flags;
    to->alerts = from.alerts;
    to->logging_flags = from.logging_flags;
    to->scanning_period = from.scanning_period;
    to->tool_flags = from.tool_flags;
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
    options->tool_flags = 0;
    for (int kind = 0; kind < kListKindCount; ++kind)
        options->extension_lists[kind] = duplicate_list(kDefaultExtensionLists[kind]);
}

void apply_options() {
    release_options(&live_options);
    copy_options(&live_options, working_options);
    options_state.options_applied = true;
}
