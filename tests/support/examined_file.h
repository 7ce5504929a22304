// Bytes made into the file under examination: written to a scratch directory, then either
// run through the file check or opened in the reader the way the check opens them.
#pragma once

#include <string>

#include "options.h"
#include "scratch.h"
#include "verdict.h"

// Writes `contents` to `name` in `dir` and returns the file check's verdict on it.
Verdict check_bytes(const ScratchDir& dir, const std::string& name, const Bytes& contents,
                    const Options& options);

// Writes `contents` to `name` in `dir` and opens it as the file under examination (reader
// reset, verdict word 0), closing any file left open; false when it cannot be opened.
// The fault switch is left as set, for the faults a test wants the analysis to meet.
bool open_bytes(const ScratchDir& dir, const std::string& name, const Bytes& contents);

// Closes the file under examination, if any, and clears the fault switch.
void close_examined_file();
