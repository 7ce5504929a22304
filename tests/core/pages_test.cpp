// The settings pages' enable rules, decided from check box states alone.
#include "settings/pages.h"

#include <gtest/gtest.h>

#include <map>

#include "resources/resource.h"

namespace {

using Boxes = std::map<std::uint16_t, CheckState>;

CheckState read_from(std::uint16_t box, void* context) {
    const Boxes& boxes = *static_cast<Boxes*>(context);
    const auto found = boxes.find(box);
    return found == boxes.end() ? CheckState::Unchecked : found->second;
}

const EnableRule& rule_for(std::uint16_t control) {
    for (const EnableRule& rule : enable_rules)
        if (rule.control_id == control) return rule;
    ADD_FAILURE() << "no rule for " << control;
    return enable_rules[0];
}

constexpr CheckState kOn = CheckState::Checked;
constexpr CheckState kOff = CheckState::Unchecked;
constexpr CheckState kGrey = CheckState::Indeterminate;

TEST(EnableRules, FollowTheirCheckBoxes) {
    struct Case {
        std::uint16_t control;
        Boxes boxes;
        EnableDecision expected;
    };
    const Case cases[] = {
        {IDC_JPEG_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kOn}, {IDC_CHECK_JPEG, kOn}}, EnableDecision::Enable},
        {IDC_JPEG_EXTENSIONS_LABEL, {{IDC_EXAMINE_EXTENSIONS, kOn}, {IDC_CHECK_JPEG, kOff}}, EnableDecision::Disable},
        {IDC_TIFF_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kOff}, {IDC_CHECK_TIFF, kOn}}, EnableDecision::Disable},
        {IDC_GIF_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kOn}, {IDC_WARN_GIF, kOn}}, EnableDecision::Enable},
        {IDC_EPS_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kOn}, {IDC_CHECK_EPS, kOn}}, EnableDecision::Enable},
        // An indeterminate box decides nothing; the other still can.
        {IDC_EPS_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kOn}}, EnableDecision::Enable},
        {IDC_EPS_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kOff}}, EnableDecision::Disable},
        {IDC_EPS_EXTENSIONS, {{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kGrey}}, EnableDecision::Leave},
        // "Embedded" has a rule without a condition: the rules never change it.
        {IDC_EMBEDDED, {{IDC_EXAMINE_EXTENSIONS, kOn}}, EnableDecision::Leave},
        {IDC_ALERTS_GROUP, {{IDC_ENABLE_BACKGROUND, kOff}}, EnableDecision::Disable},
        {IDC_SCANNING_PERIOD, {{IDC_ENABLE_BACKGROUND, kOn}}, EnableDecision::Enable},
    };
    for (const Case& c : cases) {
        Boxes boxes = c.boxes;
        EXPECT_EQ(decide_enable(rule_for(c.control), read_from, &boxes), c.expected)
            << "control " << c.control;
    }
}

TEST(EnableRules, LeaveTheLoggingBoxesAndTheFileKindsAlone) {
    for (std::uint16_t free_box : {IDC_LOG_RGB, IDC_LOG_CMYK, IDC_LOG_UNKNOWN, IDC_LOG_GIF,
                                   IDC_LOG_EPS_JPEGS, IDC_USE_MAC_TYPES, IDC_CHECK_TIFF,
                                   IDC_EXAMINE_EXTENSIONS, IDC_ENABLE_BACKGROUND})
        for (const EnableRule& rule : enable_rules) EXPECT_NE(rule.control_id, free_box);
}

}  // namespace
