// The desktop program's start-up decisions: its executable's name and its command line.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "desktop/tray/alert_sound.h"
#include "desktop/app/modes.h"

namespace {

TEST(StartModes, ExecutableNameDecides) {
    const std::string too_long = "C:\\" + std::string(kModulePathSize - 16, 'd') + "\\INKHOUND.EXE";
    const std::pair<std::string, NameAnswer> cases[] = {
        {too_long.substr(1), NameAnswer::GoOn},  // 259 characters
        {too_long, NameAnswer::Exit},
        {"C:\\x.y\\INSTALL", NameAnswer::Install},  // any extension, even none
        {"C:\\INKH -7.EXE", NameAnswer::Install},   // blanks and a sign, as strtol takes them
        {"C:\\INKH160.TAR.EXE", NameAnswer::Exit},  // cut at the last dot only
        {"INKHOUND.EXE", NameAnswer::Exit},         // no backslash
    };
    for (const auto& [path, answer] : cases)
        EXPECT_EQ(answer, answer_for_executable_path(path.c_str())) << path;
}

TEST(StartModes, SwitchesAreFoundAnywhere) {
    // The typed text, the switches found (Delete, Remove, debuG, Background), the text after.
    const std::string cases[][3] = {
        {"X/REMOVEX /Debug", "RG", "X/REMOVEX /DEBUG"},
        {"/DELETE:c:\\x.exe,0000001C,Y /remove", "D", "/DELETE:c:\\x.exe,0000001C,Y /remove"},
    };
    for (const auto& c : cases) {
        std::string text = c[0];
        const StartSwitches s = read_start_switches(&text[0]);
        const std::string found = std::string(s.delete_copy ? "D" : "") + (s.remove ? "R" : "") +
                                  (s.debug ? "G" : "") + (s.background ? "B" : "");
        EXPECT_EQ(c[1], found) << c[0];
        EXPECT_EQ(c[2], text) << c[0];
    }
}

}  // namespace

namespace {

// The sound calls as a script: what the machine answers, and what was asked of it.
struct SoundScript {
    unsigned devices;
    bool own_plays;
    bool file_plays;
    std::string asked;
};
SoundScript* script;

TEST(AlertSound, FallsBackFromTheOwnSoundToTheChordToOneBeep) {
    const SoundCalls calls = {
        [] { return script->devices; },
        [] {
            script->asked += "own ";
            return script->own_plays;
        },
        [](const char* name) {
            script->asked += std::string(name) + " ";
            return script->file_plays;
        },
        [](unsigned kind) { script->asked += "beep" + std::to_string(kind & 0xFF) + " "; }};
    const std::pair<SoundScript, const char*> cases[] = {
        {{0, true, true, ""}, "beep16 beep255 "},
        {{1, true, true, ""}, "own "},
        {{1, false, true, ""}, "own Chord.wav "},
        {{1, false, false, ""}, "own Chord.wav beep16 "},
    };
    for (const auto& c : cases) {
        SoundScript run = c.first;
        script = &run;
        play_alert_sound(calls);
        EXPECT_EQ(run.asked, c.second) << "devices " << run.devices;
    }
}

}  // namespace
