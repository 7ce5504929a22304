// The settings pages' enable rules, decided from check box states alone.
#include "desktop/settings_window/pages.h"

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

// Which control follows which box is the end-to-end tests' (they click every box); here,
// what no click makes: an indeterminate box decides nothing, the other still can.
TEST(EnableRules, AnIndeterminateBoxDecidesNothing) {
    const std::pair<Boxes, EnableDecision> cases[] = {
        {{{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kOn}}, EnableDecision::Enable},
        {{{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kOff}}, EnableDecision::Disable},
        {{{IDC_EXAMINE_EXTENSIONS, kGrey}, {IDC_CHECK_EPS, kGrey}}, EnableDecision::Leave},
    };
    for (const auto& c : cases) {
        Boxes boxes = c.first;
        EXPECT_EQ(c.second, decide_enable(rule_for(IDC_EPS_EXTENSIONS), read_from, &boxes));
    }
}

}  // namespace
