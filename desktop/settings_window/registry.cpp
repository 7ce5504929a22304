// The options' registry storage over the real HKEY_LOCAL_MACHINE key: one open per value,
// as each read may create the key and write its default. Main thread.
#include "platform/win32/win32.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/identity.h"
#include "settings/dirlist.h"
#include "desktop/common/startup.h"
#include "desktop/settings_window/registry_values.h"
#include "desktop/settings_window/registry.h"

namespace {

// The nine stored values, each bound to its number field or its list field.
struct StoredOption {
    const char* value_name;
    std::uint16_t Options::*number;
    ListKind list;  // None for a number
};

constexpr StoredOption kStoredOptions[] = {
    {kFileScanFlagsValue, &Options::file_scan_flags, ListKind::None},
    {kBackgroundScanFlagsValue, &Options::background_scan_flags, ListKind::None},
    {kAlertsValue, &Options::alerts, ListKind::None},
    {kLoggingFlagsValue, &Options::logging_flags, ListKind::None},
    {kScanningPeriodValue, &Options::scanning_period, ListKind::None},
    {kTiffExtensionsValue, nullptr, ListKind::Tiff},
    {kJpegExtensionsValue, nullptr, ListKind::Jpeg},
    {kEpsExtensionsValue, nullptr, ListKind::Eps},
    {kGifExtensionsValue, nullptr, ListKind::Gif},
};

// Registry key names hold at most 255 characters.
constexpr std::size_t kKeyPathSize = 256;

// Closes the key on every path out of the function that opened it.
struct KeyGuard {
    HKEY key = nullptr;
    KeyGuard() = default;
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;
    ~KeyGuard() {
        if (key != nullptr) RegCloseKey(key);
    }
};

// The program's key joined with `subkey`; false when that would not fit.
bool form_key_path(const char* subkey, char* out) {
    const int length = std::snprintf(out, kKeyPathSize, "%s\\%s", kProgramKey, subkey);
    return length > 0 && static_cast<std::size_t>(length) < kKeyPathSize;
}

// Opens or creates the key to read and write it; returns the system's answer, and leaves
// the guard empty on failure.
LONG create_key(const char* path, KeyGuard* guard, DWORD* disposition) {
    const LONG result =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &guard->key, disposition);
    if (result != ERROR_SUCCESS) guard->key = nullptr;
    return result;
}

// Stores `text` as a string of its characters without the terminating zero, or, without
// a text, `number` as a four-byte number.
void set_value(HKEY key, const char* value_name, const char* text, std::uint32_t number) {
    if (text != nullptr) {
        RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text)));
    } else {
        const DWORD value = number;
        RegSetValueExA(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
    }
}

std::uint32_t expand_variables(const char* text, char* out, std::uint32_t size) {
    return ExpandEnvironmentStringsA(text, out, size);
}

// Copies `text` whole into `out`, or leaves `out` empty when it does not fit.
void copy_whole(const char* text, char* out, std::size_t size) {
    const std::size_t length = std::strlen(text);
    if (length < size) std::memcpy(out, text, length + 1);
}

// The default of a missing value becomes the text, and is stored when the key can be
// written (`writable_key` is null otherwise).
void take_default(HKEY writable_key, const char* value_name, char* out, std::size_t size,
                  const char* default_text, const std::uint32_t* default_number) {
    if (default_text != nullptr) {
        if (writable_key != nullptr) set_value(writable_key, value_name, default_text, 0);
        copy_whole(default_text, out, size);
    } else if (default_number != nullptr) {
        if (writable_key != nullptr) set_value(writable_key, value_name, nullptr, *default_number);
        char text[12];  // "4294967295" and its zero
        std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(*default_number));
        copy_whole(text, out, size);
    }
}

}  // namespace

void read_registry_value(const char* subkey, const char* value_name, char* out, std::size_t size,
                         const char* default_text, const std::uint32_t* default_number) {
    if (size == 0) return;
    out[0] = '\0';
    char path[kKeyPathSize];
    if (!form_key_path(subkey, path)) return;

    KeyGuard guard;
    DWORD disposition = 0;
    const bool writable = create_key(path, &guard, &disposition) == ERROR_SUCCESS;
    if (!writable) {
        // A user of Windows NT without the right to write HKEY_LOCAL_MACHINE still gets
        // the stored options; with no key at all, the defaults. Nothing is written.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &guard.key) !=
            ERROR_SUCCESS) {
            guard.key = nullptr;
            take_default(nullptr, value_name, out, size, default_text, default_number);
            return;
        }
        disposition = REG_OPENED_EXISTING_KEY;
    }
    const HKEY writable_key = writable ? guard.key : nullptr;
    if (disposition == REG_CREATED_NEW_KEY) {
        take_default(writable_key, value_name, out, size, default_text, default_number);
        return;
    }

    unsigned char data[kRegistryTextSize];
    DWORD type = 0;
    DWORD length = sizeof data;
    const LONG queried = RegQueryValueExA(guard.key, value_name, nullptr, &type, data, &length);
    if (queried == ERROR_FILE_NOT_FOUND) {
        take_default(writable_key, value_name, out, size, default_text, default_number);
        return;
    }
    // Any other failure, such as a value longer than the room, reads as nothing and the
    // value stays as it is.
    if (queried != ERROR_SUCCESS) return;
    decode_registry_value(type, data, length < sizeof data ? length : sizeof data, expand_variables,
                          out, size);
}

void write_registry_value(const char* subkey, const char* value_name, const char* text,
                          std::uint32_t number) {
    char path[kKeyPathSize];
    if (!form_key_path(subkey, path)) return;
    KeyGuard guard;
    DWORD disposition = 0;
    if (create_key(path, &guard, &disposition) != ERROR_SUCCESS) return;
    set_value(guard.key, value_name, text, number);
}

void load_options() {
    load_directory_list();
    platform_state.platform_id = platform_query_id();
    Options defaults = {};
    set_default_options(&defaults);
    release_options(&live_options);
    char text[kRegistryTextSize];
    for (const StoredOption& stored : kStoredOptions) {
        if (stored.number != nullptr) {
            const std::uint32_t fallback = defaults.*stored.number;
            read_registry_value(kOptionsSubkey, stored.value_name, text, sizeof text, nullptr,
                                &fallback);
            live_options.*stored.number = registry_number(text);
        } else {
            read_registry_value(kOptionsSubkey, stored.value_name, text, sizeof text,
                                extension_list(defaults, stored.list).get(), nullptr);
            extension_list(live_options, stored.list) = duplicate_list(text);
        }
    }
}

void save_options(const Options& options) {
    // A read-only program folder or list file keeps the previous list on disk: the next
    // start would scan other folders than those the user just chose.
    if (!save_directory_list())
        MessageBoxA(startup.main_window, kListNotSavedMessage, kListNotSavedCaption, MB_OK);
    // An absent list is stored as the number 0.
    for (const StoredOption& stored : kStoredOptions) {
        if (stored.number != nullptr)
            write_registry_value(kOptionsSubkey, stored.value_name, nullptr,
                                 options.*stored.number);
        else
            write_registry_value(kOptionsSubkey, stored.value_name,
                                 extension_list(options, stored.list).get(), 0);
    }
}

void delete_registry_keys() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemovedOptionsKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemovedProgramKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
}
