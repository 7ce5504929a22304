// Removal and self-deletion: the "/REMOVE" mode, the program's shortcuts found by their
// targets, and the temporary copy that deletes the executable once its process has ended.
// Main thread of the removing program, or of the temporary copy.
#pragma once

#include "platform/win32/win32.h"

// The "/REMOVE" mode: the question, the registry keys, the shortcuts, and the start of
// the temporary copy. When the copy cannot start, the user is told which file to delete.
void remove_program();

// Copies the running executable to a "Del" temporary file and starts it with the deletion
// command line: "Y" (`removal`) also deletes the program's files and directory. Returns
// whether the copy was started; the caller then ends its process so the copy can go on.
bool start_self_deletion(bool removal);

// The "/DELETE" mode, in the temporary copy: reads `arguments`, waits for the named
// process to end, and deletes. A malformed text deletes nothing.
void delete_removed_copy(const char* arguments);
