// The platform the program runs on, recorded once at start-up on the main thread (from
// platform_query_id, or as a test or the command-line tool chooses) before any scan
// starts; read from every thread afterwards.
#pragma once

// 2 Windows NT (and every POSIX system), 1 Windows 95/98, 0 other.
struct PlatformState {
    int platform_id;
};
extern PlatformState platform_state;
