// The table that binds the settings pages' controls to the options record's fields, and
// the locks each control has on each platform. User-interface thread.
#pragma once

#include <cstdint>

#include "settings/options.h"

// Bits of a setting's lock flags and of lock_mask: locked always, on Windows NT, on
// Windows 95/98, on any other platform.
constexpr std::uint8_t kLockAlways = 0x01;
constexpr std::uint8_t kLockOnNt = 0x02;
constexpr std::uint8_t kLock9x = 0x04;
constexpr std::uint8_t kLockOther = 0x08;

// kLockAlways plus the bit of the recorded platform.
std::uint8_t lock_mask();

enum class SettingKind : std::uint8_t { CheckBox = 1, ListField = 2, NumberField = 3 };

struct SettingBinding {
    std::uint16_t page;  // 1 "File Scanning", 2 "Background"
    std::uint16_t control_id;
    SettingKind kind;
    std::uint16_t mask;              // the bit for a check box, else 0
    std::uint16_t Options::*number;  // the number field, or null for a list
    ListKind list;                   // the list field, or None for a number
    std::uint8_t lock_flags;         // kLock... bits: where the control is locked
};

constexpr int kSettingCount = 22;
extern const SettingBinding settings_table[kSettingCount];

// Whether a row's control is locked on the recorded platform.
bool is_setting_locked(const SettingBinding& binding);

// The value a locked row leaves in its field when a page stores its values: the bit
// cleared, the list released (absent), the number 0.
void clear_locked_setting(const SettingBinding& binding, Options* options);
