// Requests to the background scanner, made by the main window and the settings window on
// the user-interface thread. Until the scanner thread runs its state stays Idle and every
// request returns at once.
#pragma once

#include <atomic>
#include <cstdint>

enum class ScannerState : std::uint8_t { Idle = 0, Delaying = 1, Active = 2, Paused = 3 };
enum class ScannerCommand : std::uint8_t { NoCommand = 0, Pause = 4, Stop = 5, Resume = 6 };

struct ScannerControl {
    std::atomic<std::uint8_t> scanner_state;  // a ScannerState
    std::atomic<std::uint8_t> scanner_command;  // a ScannerCommand
};
extern ScannerControl scanner_control;

// Asks the scanner to pause and waits until it has (at most 20 seconds).
void pause_scanning();
// Lets a paused scanner go on, its next scan `delay_seconds` later (0: a full period).
void resume_scanning(int delay_seconds);
// Asks the scanner to stop and waits until it has (at most 20 seconds).
void stop_scanning();
bool is_scanning_paused();
