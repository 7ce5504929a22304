// Bytes made into the file under examination: written to a scratch directory and opened in
// the reader the way the file check opens them.
#pragma once

#include <string>

#include "tests/support/scratch.h"

// Writes `contents` to `name` in `dir` and opens it as the file under examination (reader
// reset, verdict word 0, no embedded JPEG seen), closing any file left open; false when
// it cannot be opened.
// The fault switch is left as set, for the faults a test wants the analysis to meet.
bool open_bytes(const ScratchDir& dir, const std::string& name, const Bytes& contents);

// Closes the file under examination, if any, and clears the fault switch.
void close_examined_file();
