// The extension list check: good lists in normal form, bad lists refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "extensions.h"

namespace {

TEST(ExtensionList, GoodListsComeBackInNormalForm) {
    struct Case {
        const char* typed;
        const char* normal;
    };
    const Case cases[] = {
        {"", ""},
        {";", ""},
        {";;;", ""},
        {".TIF", ".TIF"},
        {";;.TIF;;;.TIFF;", ".TIF;.TIFF"},
        {".JPG;.JPEG;.JPG", ".JPG;.JPEG"},
        {".TIF;.TIFF;.TIF;.TIFF", ".TIF;.TIFF"},
        {".TIF;.TIF;.TIF", ".TIF"},
        {".TIF;.TIF;", ".TIF"},
        {".A;.B;.A;.C;.B", ".A;.B;.C"},
        {".JPG;.JPEG;.JPE;.JFI;.JFIF", ".JPG;.JPEG;.JPE;.JFI;.JFIF"},
        {".1234;.0", ".1234;.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        char text[kExtensionListSize];
        std::strcpy(text, c.typed);
        EXPECT_TRUE(normalise_extension_list(text));
        EXPECT_STREQ(c.normal, text);
    }
}

TEST(ExtensionList, MalformedListsAreBad) {
    const char* bad[] = {".TIFFX", "TIF", ".", ".;.TIF", ".TIF; .JPG", ".TI-", ".tif",
                         ".TIF;..JPG", ".T.F", "..", ".TIF;X", " .TIF", ".TIF ",
                         ".ABCDE;.TIF", ".\xC9T"};
    for (const char* typed : bad) {
        SCOPED_TRACE(typed);
        char text[kExtensionListSize];
        std::strcpy(text, typed);
        EXPECT_FALSE(normalise_extension_list(text));
    }
}

TEST(ExtensionList, LongestListStaysInItsBuffer) {
    std::string typed;
    while (typed.size() + 6 <= kExtensionListSize - 1) typed += ".ABCD;";
    typed.resize(kExtensionListSize - 1, ';');
    char text[kExtensionListSize + 1];
    std::strcpy(text, typed.c_str());
    text[kExtensionListSize] = '\x7F';
    EXPECT_TRUE(normalise_extension_list(text));
    EXPECT_STREQ(".ABCD", text);
    EXPECT_EQ('\x7F', text[kExtensionListSize]);
}

TEST(ExtensionList, UpperCasingTouchesOnlyAToZ) {
    char text[] = ".jpg;.t\xE9" "f";
    upper_case_ascii(text);
    EXPECT_STREQ(".JPG;.T\xE9" "F", text);
}

}  // namespace
