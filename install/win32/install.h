// Self-installation: started under an installer name, the program copies itself into a
// directory the user picks, registers its uninstall entry, makes its shortcuts and has the
// installer file deleted. Main thread, before any other window exists.
#pragma once

#include <cstddef>

#include "platform/win32/win32.h"

// The folders that receive shortcuts.
enum class SpecialFolder : int { DesktopFolder = 0, ProgramsFolder = 1, StartupFolder = 2 };

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

// Fills `path` (kInstallPathSize characters) with the folder's path, or empties it when
// the shell cannot give it.
void get_special_folder(SpecialFolder folder, char* path);

// Makes `folder`\`subfolder`\`name`.lnk (no subfolder when null) pointing at
// `directory`\`executable_name`, described as `name`, with `arguments` when not null.
// Saved first as a temporary link and moved into place by the shell, which replaces an
// older link. Returns whether the link is in place; failures are silent.
bool create_shortcut(const char* folder, const char* subfolder, const char* executable_name,
                     const char* directory, const char* name, const char* arguments);
