// The start-up decisions of the desktop program: what its own file name makes it do, and
// which switches its command line holds. Pure functions of their text; the entry runs
// them on the main thread before anything else is set up.
#pragma once

#include <cstddef>
#include <cstdint>

// The executable's name decides between installing, going on as the program, and a
// silent exit.
enum class NameAnswer : std::uint8_t { Install, GoOn, Exit };

// The executable's path is had in a buffer of MAX_PATH characters, zero included.
constexpr std::size_t kModulePathSize = 260;

constexpr char kProgramName[] = "INKHOUND";
constexpr char kSetupName[] = "SETUP";
constexpr char kInstallName[] = "INSTALL";
// "INKH" followed by a non-zero decimal number also installs.
constexpr char kNumberedInstallerPrefix[] = "INKH";

// The answer for the executable's full path, as the module path query gives it; a path
// of kModulePathSize characters or more, or one without a backslash, answers Exit. The
// name is the text after the last backslash, cut at its last dot and upper-cased (a to z
// only); the extension is never looked at.
NameAnswer answer_for_executable_path(const char* path);

constexpr char kDeleteSwitch[] = "/DELETE";
constexpr char kRemoveSwitch[] = "/REMOVE";
constexpr char kDebugSwitch[] = "/DEBUG";
constexpr char kBackgroundSwitch[] = "/BACKGROUND";

struct StartSwitches {
    bool delete_copy;  // "/DELETE": the rest of the text names the copy to delete
    bool remove;
    bool debug;
    bool background;
};

// Reads the switches of the argument text (without the program's name). A switch counts
// wherever its text occurs. "/DELETE" is looked for exactly as typed, so only capitals
// start the deletion, and when it is there the text is left as it is and no other switch
// is read; otherwise the text is upper-cased in place (a to z only) and the others are
// looked for in any case the user typed them. A null text holds no switch.
StartSwitches read_start_switches(char* arguments);

// What a second start's hand-over does in the running program.
enum class HandOver : std::uint8_t {
    OpenSettings,   // the settings window opens on its "View log" page
    FrontSettings,  // the open settings window comes to the front
    FrontRemoval,   // the removal's question (or its last message) comes to the front
};

// While the removal asks or runs, the options and the list were never loaded and nothing
// may be opened on them or written back, so only the removal comes to the front. An open
// settings window comes to the front; otherwise it opens.
HandOver answer_hand_over(bool removing, bool settings_open);
