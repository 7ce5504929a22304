// The installer's and remover's decisions: the deletion command line both ways, the
// removal's wildcard and directory, the proposed directory, the floppy test, the
// installed paths and which links are the program's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "desktop/install/installation.h"
#include "desktop/install/self_deletion.h"

namespace {

const std::string kLongPath = "C:\\" + std::string(243, 'd') + "\\Inkhound.exe";  // 259

TEST(DeletionCommand, OnlyAWellFormedTailAndAFullPathAreAccepted) {
    struct Row {
        std::string text;
        const char* path;  // null: refused
        unsigned handle;
        bool removal;
    };
    const Row rows[] = {
        {"/DELETE:\\\\srv\\share\\Inkhound.exe,00000010,N", "\\\\srv\\share\\Inkhound.exe", 0x10,
         false},
        {"/DELETE:" + kLongPath + ",00000010,Y", kLongPath.c_str(), 0x10, true},
        {"/DELETE:C:\\" + kLongPath + ",00000010,Y", nullptr, 0, false},  // 262 characters
        {"/DELETE C:\\P\\Inkhound.exe,0000001C,Y", nullptr, 0, false},
        {"/DELETE:,0000001C,Y", nullptr, 0, false},
        {"/DELETE:C:Inkhound.exe,0000001C,Y", nullptr, 0, false},
        {"/DELETE:C:\\,0000001C,Y", nullptr, 0, false},
        {"/DELETE:C:\\*.*,0000001C,Y", nullptr, 0, false},
        {"/DELETE:\"C:\\P\\Inkhound.exe\",0000001C,Y", nullptr, 0, false},
        {"/DELETE:C:\\P\\x.exe:stream,0000001C,Y", nullptr, 0, false},
        {"/DELETE:\\\\srv\\Inkhound.exe,00000010,N", nullptr, 0, false},  // no share
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        DeletionRequest request = {};
        const bool accepted = parse_deletion_command(row.text.c_str(), &request);
        ASSERT_EQ(row.path != nullptr, accepted);
        if (!accepted) continue;
        EXPECT_STREQ(row.path, request.path);
        EXPECT_EQ(row.handle, request.handle);
        EXPECT_EQ(row.removal, request.removal);
    }
}

TEST(DeletionCommand, TwoLongestPathsRoundTripWithTheCopyQuoted) {
    const std::string copy = "C:\\Documents and Settings\\" + std::string(224, 't') + "\\Del1.tmp";
    ASSERT_EQ(259u, copy.size());
    char command[kDeletionCommandSize];
    ASSERT_TRUE(build_deletion_command(copy.c_str(), kLongPath.c_str(), 0x2C, true, command,
                                       sizeof command));
    EXPECT_EQ("\"" + copy + "\" /DELETE:" + kLongPath + ",0000002C,Y", std::string(command));

    EXPECT_FALSE(build_deletion_command(copy.c_str(), kLongPath.c_str(), 0x2C, true, command,
                                        kDeletionCommandSize - 20));
    EXPECT_STREQ("", command);
    EXPECT_FALSE(build_deletion_command("Del1.tmp", "C:\\a.exe", 0x2C, false, command, 600));
}

TEST(DeletionCommand, RemovalTouchesOnlyTheProgramsDirectory) {
    const char* rows[][3] = {
        // path, search, directory removed ("" none)
        {"C:\\Inkhound.exe", "C:\\*", ""},
        {"\\\\srv\\share\\Inkhound.exe", "\\\\srv\\share\\*", ""},
        {"\\\\srv\\share\\d\\Inkhound.exe", "\\\\srv\\share\\d\\*", "\\\\srv\\share\\d"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        char search[kInstallPathSize] = {}, directory[kInstallPathSize] = {};
        ASSERT_TRUE(build_removal_search(row[0], search, sizeof search));
        EXPECT_STREQ(row[1], search);
        EXPECT_EQ(row[2][0] != '\0', removal_directory(row[0], directory, sizeof directory));
        EXPECT_STREQ(row[2], directory);
    }
}

TEST(DeletionCommand, RemovalDeletesOnlyTheProgramsOwnFiles) {
    const std::pair<const char*, bool> names[] = {
        {"inkhound.dfo", true},
        {"Inkhound.TM7", true},
        {"Inkhound immediate.log", true},
        {"INKA0B1.TMP", true},  // the log's unfinished replacement
        {"Inkhound.tm8", false},
        {"Inkhound notes - client contacts.txt", false},
        {"ink.tmp", false},
        {"inkA0B1C.tmp", false},
        {"inkGG.tmp", false},
    };
    for (const auto& [name, own] : names) EXPECT_EQ(own, is_program_own_file(name)) << name;
}

TEST(Installation, ProposedDirectoryAndFloppyTest) {
    const char* proposals[][2] = {
        {"d:\\winnt\\system", "d:\\Program Files\\Tarnholt"},
        {"\\\\server\\windows", "C:\\Program Files\\Tarnholt"},
    };
    for (const auto& row : proposals) {
        char out[kInstallPathSize];
        proposed_directory(row[0], out, sizeof out);
        EXPECT_STREQ(row[1], out) << row[0];
    }
    const std::pair<const char*, bool> floppies[] = {
        {"b:\\x\\INSTALL.EXE", true},
        {"\\\\A:\\SETUP.EXE", false},
        {"A", false},
        {"", false},
    };
    for (const auto& [path, floppy] : floppies) EXPECT_EQ(floppy, is_floppy_path(path)) << path;
}

TEST(Installation, TypedDirectoryIsRefusedRatherThanCut) {
    // The longest directory leaves room for "\\Inkhound immediate.log" within 259 characters.
    const std::string fits = "C:\\" + std::string(233, 'd');
    ASSERT_EQ(259u, fits.size() + sizeof "\\Inkhound immediate.log" - 1);
    const std::string rows[][3] = {
        // typed, directory, program ("" refused)
        {"C:\\", "C:\\", "C:\\Inkhound.exe"},
        {fits, fits + "\\", fits + "\\Inkhound.exe"},
        {fits + "\\", fits + "\\", fits + "\\Inkhound.exe"},
        {fits + "d", "", ""},
        {fits + std::string(10, 'd'), "", ""},  // the program itself would still fit
        {"Tarnholt", "", ""},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        char directory[kInstallPathSize], program[kInstallPathSize];
        EXPECT_EQ(!row[2].empty(),
                  installed_program_paths(row[0].c_str(), "Inkhound.exe", directory, program));
        EXPECT_EQ(row[0].rfind(fits + "d", 0) == 0, is_install_directory_too_long(row[0].c_str()));
        EXPECT_EQ(row[1], directory);
        EXPECT_EQ(row[2], program);
    }
    // Every directory below the root, in order.
    const char* directory = "\\\\srv\\share\\a b\\c, d\\";
    std::string made;
    for (std::size_t end = next_directory_end(directory, 0); end != 0;
         end = next_directory_end(directory, end))
        made += std::string(directory, end) + "|";
    EXPECT_EQ("\\\\srv\\share\\a b|\\\\srv\\share\\a b\\c, d|", made);
}

TEST(Installation, LinksAreFoundByTargetName) {
    const std::pair<const char*, bool> targets[] = {
        {"D:\\old\\OLDINKHOUND.EXE.BAK", true},
        {"C:\\INKHOUND.EXE\\other.exe", false},  // only the file-name part counts
    };
    for (const auto& [target, ours] : targets)
        EXPECT_EQ(ours, is_program_link_target(target)) << target;
}

}  // namespace
