// The path helpers: joining with exactly one separator, refusing what would not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paths.h"
#include "platform.h"

namespace {

const std::string S(1, kPathSeparator);

TEST(Paths, JoinPutsExactlyOneSeparatorBetween) {
    struct Case {
        std::string directory, name, joined;
    };
    const Case cases[] = {
        {"C:", "x.tif", "C:" + S + "x.tif"},
        {"C:" + S, "x.tif", "C:" + S + "x.tif"},
        {"dir", S + "x.tif", "dir" + S + "x.tif"},
        {"dir" + S, S + "x", "dir" + S + S + "x"},  // both: neither is removed
        {"", "x", S + "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.joined);
        char out[kPathLimit];
        ASSERT_TRUE(join_path(c.directory.c_str(), c.name.c_str(), out, sizeof out));
        EXPECT_EQ(c.joined, out);
    }
}

TEST(Paths, JoinRefusesWhatWouldNotFit) {
    char out[8 + 1];
    out[8] = '\x7F';
    EXPECT_TRUE(join_path("abc", "defg", out, 9));  // 8 characters and the zero
    EXPECT_EQ("abc" + S + "defg", std::string(out));
    EXPECT_FALSE(join_path("abc", "defgh", out, 9));
    EXPECT_STREQ("", out);
    const std::string directory(kPathLimit - 3, 'd');
    char path[kPathLimit];
    EXPECT_TRUE(join_path(directory.c_str(), "n", path, sizeof path));
    EXPECT_FALSE(join_path(directory.c_str(), "nn", path, sizeof path));
}

TEST(Paths, FileNameAndExtension) {
    EXPECT_STREQ("x.tif", path_file_name(("a" + S + "b" + S + "x.tif").c_str()));
    EXPECT_STREQ("x.tif", path_file_name("x.tif"));
    EXPECT_STREQ("", path_file_name(("a" + S).c_str()));
    EXPECT_STREQ(".tif", find_extension(("a.b" + S + "x.tif").c_str()));
    EXPECT_STREQ("", find_extension(("dir.old" + S + "F").c_str()));
    EXPECT_STREQ(".", find_extension("x."));
}

TEST(Paths, TrailingSeparators) {
    char path[8] = "abc";
    ASSERT_TRUE(add_trailing_separator(path, sizeof path));
    EXPECT_EQ("abc" + S, std::string(path));
    ASSERT_TRUE(add_trailing_separator(path, sizeof path));
    EXPECT_EQ("abc" + S, std::string(path));
    remove_trailing_separator(path);
    EXPECT_STREQ("abc", path);
    remove_trailing_separator(path);
    EXPECT_STREQ("abc", path);
    char full[4] = "abc";
    EXPECT_FALSE(add_trailing_separator(full, sizeof full));
    EXPECT_STREQ("abc", full);
}

TEST(Paths, FilesBesideTheExecutable) {
    char module[kPathLimit];
    ASSERT_EQ(1, platform_module_path(module, sizeof module));
    char log[kPathLimit];
    ASSERT_TRUE(path_beside_executable("Inkhound.log", log, sizeof log));
    const std::size_t directory = std::strlen(module) - std::strlen(path_file_name(module));
    EXPECT_EQ(std::string(module, directory) + "Inkhound.log", log);
    char tiny[4];
    EXPECT_FALSE(path_beside_executable("Inkhound.log", tiny, sizeof tiny));
    EXPECT_STREQ("", tiny);
}

}  // namespace
