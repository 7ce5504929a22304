// The settings pages' decisions that need no window: which controls each page's check
// boxes enable, and what a box's text stores. The page procedures apply them to the real
// controls on the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>

// Page keys of the settings pages, as settings_table numbers them.
constexpr int kFileScanningPage = 1;
constexpr int kBackgroundPage = 2;
constexpr int kDirectoriesPage = 3;
constexpr int kImmediateScanPage = 4;

// A control's mark for the life of its page: -1 locked (never enabled), 0 otherwise.
constexpr long kLockedMarker = -1;

// A check box as it reads: unchecked, checked, or indeterminate.
enum class CheckState : std::uint8_t { Unchecked, Checked, Indeterminate };

// Requirement of one condition: the box must be checked, or unchecked.
constexpr std::uint8_t kMustBeChecked = 1;
constexpr std::uint8_t kMustBeUnchecked = 2;

struct EnableCondition {
    std::uint8_t requirement;  // 0: no condition
    std::uint16_t check_box;
};

struct EnableRule {
    std::uint16_t page;
    std::uint16_t control_id;
    EnableCondition conditions[2];
};

constexpr int kEnableRuleCount = 16;
extern const EnableRule enable_rules[kEnableRuleCount];

enum class EnableDecision : std::uint8_t { Disable, Enable, Leave };

// What a rule makes of its control given the states of its check boxes: any failed
// condition disables it; else one passed enables it; else (no condition, or none decided
// because a box is indeterminate) it stays as it is.
using ReadCheckState = CheckState (*)(std::uint16_t check_box, void* context);
EnableDecision decide_enable(const EnableRule& rule, ReadCheckState read, void* context);

// The texts the "File Scanning" page shows when a list box is bad.
constexpr char kBadExtensionsMessage[] = "Bad file extension definitions string";
constexpr char kBadExtensionsCaption[] = "Syntax Error";
