// The desktop program's start-up decisions: the executable's name and the switches of
// its command line.
#include <gtest/gtest.h>

#include <string>

#include "shell/modes.h"

namespace {

TEST(StartModes, ExecutableNameDecides) {
    struct Case {
        std::string path;
        NameAnswer answer;
    };
    const std::string too_long = "C:\\" + std::string(kModulePathSize - 16, 'd') + "\\INKHOUND.EXE";
    const Case cases[] = {
        {"C:\\Program Files\\Tarnholt\\Inkhound.exe", NameAnswer::GoOn},
        {"C:\\x\\INKHOUND", NameAnswer::GoOn},
        {"A:\\SETUP.EXE", NameAnswer::Install},
        {"A:\\setup.exe", NameAnswer::Install},
        {"C:\\x.y\\Install.bin", NameAnswer::Install},  // the extension is never looked at
        {"C:\\INKH160.EXE", NameAnswer::Install},
        {"C:\\inkh-7.exe", NameAnswer::Install},
        {"C:\\INKH 42.EXE", NameAnswer::Install},  // leading blanks, as strtol takes them
        {"C:\\INKH99999999999999999999.EXE", NameAnswer::Install},  // clamped, not 0
        {"C:\\INKH0.EXE", NameAnswer::Exit},
        {"C:\\INKH+0.EXE", NameAnswer::Exit},
        {"C:\\INKH16A.EXE", NameAnswer::Exit},
        {"C:\\INKH16 .EXE", NameAnswer::Exit},
        {"C:\\INKH160.TAR.EXE", NameAnswer::Exit},  // cut at the last dot only
        {"C:\\INKHX.EXE", NameAnswer::Exit},
        {"C:\\INKH.EXE", NameAnswer::Exit},
        {"C:\\INKHOUNDS.EXE", NameAnswer::Exit},
        {"C:\\SETUP1.EXE", NameAnswer::Exit},
        {"C:\\.EXE", NameAnswer::Exit},
        {"C:\\dir\\", NameAnswer::Exit},
        {"INKHOUND.EXE", NameAnswer::Exit},  // no backslash
        {"C:/x/setup.exe", NameAnswer::Exit},
        {too_long, NameAnswer::Exit},
        {too_long.substr(1), NameAnswer::GoOn},  // 259 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.answer, answer_for_executable_path(c.path.c_str()));
    }
}

TEST(StartModes, SwitchesAreFoundAnywhere) {
    struct Case {
        std::string typed;
        StartSwitches switches;  // delete_copy, remove, debug, background
        std::string after;       // the argument text afterwards
    };
    const Case cases[] = {
        {"", {false, false, false, false}, ""},
        {"/background", {false, false, false, true}, "/BACKGROUND"},
        {"X/REMOVEX", {false, true, false, false}, "X/REMOVEX"},
        {"/Debug /BACKGROUND", {false, false, true, true}, "/DEBUG /BACKGROUND"},
        {"/delete:c:\\x.exe", {false, false, false, false}, "/DELETE:C:\\X.EXE"},
        {"/DELETE:c:\\x.exe,0000001C,Y /remove",
         {true, false, false, false},
         "/DELETE:c:\\x.exe,0000001C,Y /remove"},
        {"/BACK GROUND /REMOV", {false, false, false, false}, "/BACK GROUND /REMOV"},
        {"\xE9t\xE9 /b\xE4\x63kground", {}, "\xE9T\xE9 /B\xE4\x43KGROUND"},  // a to z only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::string text = c.typed;
        const StartSwitches got = read_start_switches(&text[0]);
        EXPECT_EQ(c.switches.delete_copy, got.delete_copy);
        EXPECT_EQ(c.switches.remove, got.remove);
        EXPECT_EQ(c.switches.debug, got.debug);
        EXPECT_EQ(c.switches.background, got.background);
        EXPECT_EQ(c.after, text.c_str());
    }
}

}  // namespace
