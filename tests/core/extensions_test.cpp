// The extension list check: good lists in normal form, bad lists refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "extensions.h"

namespace {

TEST(ExtensionList, GoodListsComeBackInNormalForm) {
    const std::pair<const char*, const char*> cases[] = {
        {";;;", ""},
        {";;.TIF;;;.TIFF;", ".TIF;.TIFF"},
        {".JPG;.JPEG;.JPG", ".JPG;.JPEG"},  // a copy at the end is cut off
        {".TIF;.TIFF;.TIF;.TIFF", ".TIF;.TIFF"},
        {".TIF;.TIF;", ".TIF"},
        {".A;.B;.A;.C;.B", ".A;.B;.C"},
        {".1234;.0;.Z9", ".1234;.0;.Z9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        char text[kExtensionListSize];
        std::strcpy(text, c.first);
        EXPECT_TRUE(normalise_extension_list(text));
        EXPECT_STREQ(c.second, text);
    }
}

TEST(ExtensionList, MalformedListsAreBad) {
    for (const char* typed : {".TIFFX", "TIF", ".", ".;.TIF", ".TIF; .JPG", ".tif", ".T.F",
                              ".TIF;X", ".TIF ", ".\xC9T", ".TI-", ".TIF;..JPG"}) {
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

}  // namespace
