// Attaches Macintosh Finder information to a test file the way this system keeps it.
#pragma once

#include <string>

#include "tests/support/bytes.h"

// The Finder information stream of `path` becomes `info`. Returns false when the file
// system here cannot keep it (the test then skips).
bool attach_finder_info(const std::string& path, const Bytes& info);
