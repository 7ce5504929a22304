// The immediate scan: one directory, or the whole scan directory list, walked on a worker
// thread into the results view. Started on the user-interface thread.
#pragma once

// Starts the scan of `directory` (null: the whole list) and returns at once. Nothing
// starts without memory or a thread.
void start_immediate_scan(const char* directory, bool include_subdirectories);
