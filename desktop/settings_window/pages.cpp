// The settings pages' enable rules. User-interface thread.
#include "desktop/settings_window/pages.h"

#include "resources/resource.h"

namespace {

constexpr EnableCondition kChecked(std::uint16_t box) {
    return {kMustBeChecked, box};
}
constexpr EnableCondition kNone = {0, 0};

}  // namespace

const EnableRule enable_rules[kEnableRuleCount] = {
    {1, IDC_TIFF_EXTENSIONS_LABEL, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_TIFF)}},
    {1, IDC_TIFF_EXTENSIONS, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_TIFF)}},
    {1, IDC_JPEG_EXTENSIONS_LABEL, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_JPEG)}},
    {1, IDC_JPEG_EXTENSIONS, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_JPEG)}},
    {1, IDC_EPS_EXTENSIONS_LABEL, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_EPS)}},
    {1, IDC_EPS_EXTENSIONS, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_CHECK_EPS)}},
    {1, IDC_EMBEDDED, {kNone, kNone}},
    {1, IDC_GIF_EXTENSIONS_LABEL, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_WARN_GIF)}},
    {1, IDC_GIF_EXTENSIONS, {kChecked(IDC_EXAMINE_EXTENSIONS), kChecked(IDC_WARN_GIF)}},
    {2, IDC_SCANNING_PERIOD_LABEL, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_SCANNING_PERIOD, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_ALERTS_GROUP, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_EXPAND_WINDOW, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_AUDIBLE_ALERT, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_FLASH_TASKBAR, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
    {2, IDC_FLASH_TRAY, {kChecked(IDC_ENABLE_BACKGROUND), kNone}},
};

EnableDecision decide_enable(const EnableRule& rule, ReadCheckState read, void* context) {
    bool passed = false;
    for (const EnableCondition& condition : rule.conditions) {
        if (condition.requirement == 0) continue;
        const CheckState state = read(condition.check_box, context);
        if (state == CheckState::Indeterminate) continue;
        const bool checked = state == CheckState::Checked;
        const bool holds = condition.requirement == kMustBeChecked ? checked : !checked;
        if (!holds) return EnableDecision::Disable;
        passed = true;
    }
    return passed ? EnableDecision::Enable : EnableDecision::Leave;
}
