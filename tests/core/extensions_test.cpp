// The extension list check: good lists in normal form, bad lists refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/extensions.h"

namespace {

TEST(ExtensionList, GoodListsComeBackInNormalForm) {
    std::string longest;  // as long as a box holds
    while (longest.size() + 6 < kExtensionListSize) longest += ".ABCD;";
    longest.resize(kExtensionListSize - 1, ';');
    const std::pair<std::string, const char*> cases[] = {
        {";;;", ""},
        {";;.TIF;;;.TIFF;", ".TIF;.TIFF"},
        {".JPG;.JPEG;.JPG", ".JPG;.JPEG"},  // a copy at the end is cut off
        {".TIF;.TIFF;.TIF;.TIFF", ".TIF;.TIFF"},
        {".TIF;.TIF;", ".TIF"},
        {".A;.B;.A;.C;.B", ".A;.B;.C"},
        {".1234;.0;.Z9", ".1234;.0;.Z9"},
        {longest, ".ABCD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        char text[kExtensionListSize + 1];
        text[kExtensionListSize] = '\x7F';  // past the box: never written
        std::strcpy(text, c.first.c_str());
        EXPECT_TRUE(normalise_extension_list(text));
        EXPECT_STREQ(c.second, text);
        EXPECT_EQ('\x7F', text[kExtensionListSize]);
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

}  // namespace
