// Self-installation: started under an installer name, the program copies itself into a
// directory the user picks, registers its uninstall entry, makes its shortcuts and has the
// installer file deleted. Main thread, before any other window exists.
#pragma once

#include <cstddef>

#include "platform/win32/win32.h"

// The whole installation: the question, dialog 10, the success message and the installer
// file's deletion (unless it runs from a floppy disk). Shows its own messages.
void install_program();

// Dialog 10's procedure; ends the dialog with 1 after a successful installation and with 0
// on "Cancel".
INT_PTR CALLBACK installation_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Makes every directory on the way to `directory`, copies the running executable there as
// `executable_name` over any older copy, and writes the uninstall entry (its failure is
// not the installation's). Returns false when the directory is refused or cannot be made,
// or the copy fails.
bool copy_program(const char* directory, const char* executable_name);
