// The path helpers: joining with exactly one separator, refusing what would not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "platform/platform.h"

namespace {

const std::string S(1, kPathSeparator);

TEST(Paths, JoinPutsExactlyOneSeparatorBetweenAndRefusesWhatWouldNotFit) {
    const std::string cases[][3] = {
        {"C:", "x.tif", "C:" + S + "x.tif"},
        {"C:" + S, "x.tif", "C:" + S + "x.tif"},
        {"dir", S + "x.tif", "dir" + S + "x.tif"},
        {"dir" + S, S + "x", "dir" + S + S + "x"},  // both: neither is removed
        {"", "x", S + "x"},
    };
    for (const auto& c : cases) {
        char out[kPathLimit];
        ASSERT_TRUE(join_path(c[0].c_str(), c[1].c_str(), out, sizeof out)) << c[2];
        EXPECT_EQ(c[2], out);
    }
    char out[8 + 1];
    EXPECT_TRUE(join_path("abc", "defg", out, 9));  // 8 characters and the zero
    EXPECT_FALSE(join_path("abc", "defgh", out, 9));
    EXPECT_STREQ("", out);
}

TEST(Paths, FileNameExtensionAndTrailingSeparators) {
    EXPECT_STREQ("x.tif", path_file_name(("a" + S + "b" + S + "x.tif").c_str()));
    EXPECT_STREQ("x.tif", path_file_name("x.tif"));
    EXPECT_STREQ(".tif", find_extension(("a.b" + S + "x.tif").c_str()));
    EXPECT_STREQ("", find_extension(("dir.old" + S + "F").c_str()));
    char path[5] = "abc";
    EXPECT_TRUE(add_trailing_separator(path, sizeof path));
    EXPECT_EQ("abc" + S, path);
    EXPECT_TRUE(add_trailing_separator(path, sizeof path));
    EXPECT_EQ("abc" + S, path);
    path[3] = 'd';
    EXPECT_FALSE(add_trailing_separator(path, sizeof path));
    char text[] = "az.t\351f";
    upper_case_ascii(text);
    EXPECT_STREQ("AZ.T\351F", text);
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
