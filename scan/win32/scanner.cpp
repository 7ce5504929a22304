// The background scanner's requests. The scanner thread is not started in this program's
// settings mode, so its state stays Idle and each request finds nothing to wait for.
#include "scan/win32/scanner.h"

ScannerControl scanner_control;

void pause_scanning() {}
void resume_scanning(int) {}
void stop_scanning() {}
bool is_scanning_paused() {
    return scanner_control.scanner_state.load(std::memory_order_relaxed) ==
           static_cast<std::uint8_t>(ScannerState::Paused);
}
