// The progress line of long runs on stderr: files seen and checked, files per second,
// elapsed time and the current folder, kept up to date by a thread of its own. Started,
// fed and stopped on the main thread.
#pragma once

#include "cli/cli.h"
#include "report/report.h"

// Whether the run shows it: as --progress or --no-progress say, else when stderr is a
// terminal.
bool progress_wanted(const ParsedArguments& args);

// Starts the line for the counters of `scan`, drawn at once and then four times a second
// until stop_progress. Without a thread for it the run goes on without the line.
void start_progress(const ScanState* scan);

// The folder of `path` becomes the line's current folder.
void note_progress_folder(const char* path);

// Around any other write to stderr: the line is cleared and not drawn again until
// released. Without the line, nothing.
void hold_progress();
void release_progress();

// Around a write to stdout: as hold_progress and release_progress where stdout is a
// terminal too, which the line shares; elsewhere nothing, so that the results written to
// a file or a pipe do not keep the line off the screen.
void hold_progress_for_stdout();
void release_progress_for_stdout();

// Ends the thread and clears the line.
void stop_progress();
