// The start-up decisions by executable name and command line. Only the backslash
// separates a Windows path here, on every build, since the name is always a Windows one.
#include "desktop/app/modes.h"

#include <cstdlib>
#include <cstring>

#include "platform/paths.h"

namespace {

bool installs_as_numbered_installer(const char* rest) {
    // Read as the standard conversion reads a long: leading blanks and a sign are taken;
    // INKH0, INKH16A and a bare INKH do not install. An out-of-range number is clamped,
    // never to 0, so it still installs.
    char* end = nullptr;
    const long number = std::strtol(rest, &end, 10);
    return number != 0 && *end == '\0';
}

}  // namespace

NameAnswer answer_for_executable_path(const char* path) {
    if (path == nullptr) return NameAnswer::Exit;
    const std::size_t length = strnlen(path, kModulePathSize);
    if (length >= kModulePathSize) return NameAnswer::Exit;
    const char* last_backslash = std::strrchr(path, '\\');
    if (last_backslash == nullptr) return NameAnswer::Exit;

    const char* file_name = last_backslash + 1;
    char name[kModulePathSize];
    std::memcpy(name, file_name, static_cast<std::size_t>(path + length - file_name) + 1);
    char* dot = std::strrchr(name, '.');
    if (dot != nullptr) *dot = '\0';
    upper_case_ascii(name);

    if (std::strcmp(name, kSetupName) == 0 || std::strcmp(name, kInstallName) == 0)
        return NameAnswer::Install;
    const std::size_t prefix = sizeof kNumberedInstallerPrefix - 1;
    if (std::strncmp(name, kNumberedInstallerPrefix, prefix) != 0) return NameAnswer::Exit;
    if (std::strcmp(name, kProgramName) == 0) return NameAnswer::GoOn;
    return installs_as_numbered_installer(name + prefix) ? NameAnswer::Install : NameAnswer::Exit;
}

StartSwitches read_start_switches(char* arguments) {
    StartSwitches switches = {};
    if (arguments == nullptr) return switches;
    if (std::strstr(arguments, kDeleteSwitch) != nullptr) {
        switches.delete_copy = true;
        return switches;
    }
    upper_case_ascii(arguments);
    switches.remove = std::strstr(arguments, kRemoveSwitch) != nullptr;
    switches.debug = std::strstr(arguments, kDebugSwitch) != nullptr;
    switches.background = std::strstr(arguments, kBackgroundSwitch) != nullptr;
    return switches;
}

HandOver answer_hand_over(bool removing, bool settings_open) {
    if (removing) return HandOver::FrontRemoval;
    return settings_open ? HandOver::FrontSettings : HandOver::OpenSettings;
}
