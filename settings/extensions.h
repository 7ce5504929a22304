// The check of a typed extension list and its normal form (no empty items, no
// duplicates, no stray semicolons). The settings page runs it on its four boxes; the
// command-line tool on its list options.
#pragma once

#include <cstddef>

#include "platform/paths.h"  // upper_case_ascii, as the settings page's boxes upper-case typing

// The boxes hold at most 199 characters.
constexpr std::size_t kExtensionListSize = 200;

// Checks the list in `text` (a zero-terminated text of at most kExtensionListSize - 1
// characters) and rewrites it in place in normal form. Returns true for a good list;
// for a bad one returns false with the text partly rewritten (callers keep their own
// copy of what was typed).
bool normalise_extension_list(char* text);
