// The shell's side of installation and removal: special folders and the program's links.
// Main thread.
#pragma once

#include "platform/win32/win32.h"

// The folders that receive shortcuts.
enum class SpecialFolder : int { DesktopFolder = 0, ProgramsFolder = 1, StartupFolder = 2 };

// Fills `path` (kInstallPathSize characters) with the folder's path, or empties it when
// the shell cannot give it.
void get_special_folder(SpecialFolder folder, char* path);

// Makes `folder`\`subfolder`\`name`.lnk (no subfolder when null) pointing at
// `directory`\`executable_name`, described as `name`, with `arguments` when not null.
// Saved first as a temporary link and moved into place by the shell, which replaces an
// older link. Returns whether the link is in place; failures are silent.
bool create_shortcut(const char* folder, const char* subfolder, const char* executable_name,
                     const char* directory, const char* name, const char* arguments);

// Deletes the links whose targets are the program's from the "Tarnholt" program group,
// the startup group, the programs folder and the desktop, then the group when empty.
void delete_shortcuts();

// Fills `target` (kInstallPathSize characters) with the target path stored in the link
// file, or empties it when the link cannot be read.
void read_shortcut_target(const char* link_path, char* target);
