// The settings window's clicks that wait for the background scan's pause: when they go
// on, when they ask for the pause again, and when a cancel drops them.
#include "desktop/common/pause_wait.h"

#include <gtest/gtest.h>

namespace {

TEST(PauseWait, AClickGoesOnOncePausedAsksAgainWhenResumedAndACancelDropsIt) {
    using S = ScannerState;
    using C = ScannerCommand;
    const struct {
        S state;
        C command;
        bool cancelled;
        WaitStep step;
    } cases[] = {
        {S::Active, C::Pause, false, WaitStep::KeepWaiting},   // still inside a file
        {S::Active, C::Resume, false, WaitStep::AskForPause},  // "Resume scanning" meanwhile
        {S::Paused, C::Pause, false, WaitStep::Go},
        {S::Delaying, C::NoCommand, false, WaitStep::Go},  // the scan ended meanwhile
        {S::Idle, C::NoCommand, false, WaitStep::Go},      // no scanner, or it never started
        {S::Active, C::Pause, true, WaitStep::Drop},
        {S::Paused, C::Pause, true, WaitStep::Drop},  // paused as the user cancelled
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.state) << " "
                                        << static_cast<int>(row.command) << " " << row.cancelled);
        EXPECT_EQ(static_cast<int>(row.step),
                  static_cast<int>(next_wait_step(row.state, row.command, row.cancelled)));
    }
}

}  // namespace
