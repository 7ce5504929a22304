// The waiting loop's decisions for clicks that need the background scan paused. Any
// thread; no state.
#include "desktop/common/pause_wait.h"

WaitStep next_wait_step(ScannerState state, ScannerCommand command, bool cancelled) {
    if (cancelled) return WaitStep::Drop;
    if (state != ScannerState::Active) return WaitStep::Go;
    // A "Resume scanning" from the tray menu while the window is open takes the pause
    // back: without a new request the click would wait for the whole scan.
    if (command == ScannerCommand::NoCommand || command == ScannerCommand::Resume)
        return WaitStep::AskForPause;
    return WaitStep::KeepWaiting;  // a pause or a stop is on its way
}
