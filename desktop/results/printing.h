// Printing the results view's text. User-interface thread.
#pragma once

#include <cstddef>

#include "platform/win32/win32.h"

constexpr char kPrintDocumentName[] = "InkhoundLog";

// Asks for the printer and prints `text` (`length` characters, converted in place to the
// device's character set) as many times as the dialog says. Returns false when the user
// must hear that it could not be done; a cancelled dialog is no failure.
bool print_text(char* text, std::size_t length);
