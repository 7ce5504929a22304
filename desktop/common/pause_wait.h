// What a click that needs the background scan paused (OK, "Add", "Remove", "Scan", "Scan
// now") does while it waits and when the wait ends. Plain decisions: the waiting loop of
// the user-interface thread applies them.
#pragma once

#include <cstdint>

#include "scan/background.h"

enum class WaitStep : std::uint8_t {
    KeepWaiting,  // the scan is still inside a file: pump messages, look again
    AskForPause,  // no pause is asked for any more: ask again, then keep waiting
    Go,           // the scan has paused (or no scanner runs): do what was clicked
    Drop,         // the window is closing: drop the click, write nothing
};

// The next step of a wait, from the scanner's state and command as they are now and
// whether the user cancelled or closed the settings window meanwhile. A cancel wins over
// a pause reached at the same moment, so that Cancel never writes anything.
WaitStep next_wait_step(ScannerState state, ScannerCommand command, bool cancelled);
