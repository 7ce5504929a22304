// Decoding of queried registry values: every type and length, texts up to the room of an
// extension list and never cut, and the numbers the options keep of them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/registry_values.h"

namespace {

// A stand-in for the system's expansion: %DIR% and %LONG% (190 characters) expand,
// %FAIL% fails.
std::uint32_t fake_expand(const char* text, char* out, std::uint32_t size) {
    std::string result = text;
    if (result.find("%FAIL%") != std::string::npos) return 0;
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"%DIR%", "C:\\Art"},
                                      {"%LONG%", std::string(190, 'L')}})
        for (std::size_t at; (at = result.find(name)) != std::string::npos;)
            result.replace(at, name.size(), value);
    if (result.size() + 1 <= size) std::memcpy(out, result.c_str(), result.size() + 1);
    return static_cast<std::uint32_t>(result.size() + 1);
}

TEST(RegistryValues, DecodesEveryTypeAndLength) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string data;
        const char* text;  // null: reads as nothing
    };
    const std::string a199(199, 'A'), a200(200, 'A'), l199 = std::string(190, 'L') + "xxxxxxxxx";
    const Case cases[] = {
        {"string without zero", 1, ".TIF", ".TIF"},
        {"string with zero", 1, std::string(".TIF\0", 5), ".TIF"},
        {"embedded zero", 1, std::string(".TIF\0.JPG", 9), ".TIF"},
        {"empty string", 1, "", ""},
        {"199 characters", 1, a199, a199.c_str()},
        {"199 characters and zero", 1, a199 + '\0', a199.c_str()},
        {"200 characters", 1, a200, nullptr},
        {"200 characters and zero", 1, a200 + '\0', nullptr},
        {"expandable", 2, "%DIR%\\x", "C:\\Art\\x"},
        {"expandable with zero", 2, std::string("%DIR%\0%LONG%", 12), "C:\\Art"},
        {"expands to 199", 2, "%LONG%xxxxxxxxx", l199.c_str()},
        {"expands to 200", 2, "%LONG%xxxxxxxxxx", nullptr},
        {"expansion fails", 2, "%FAIL%", nullptr},
        {"number", 4, std::string("\x14\0\0\0", 4), "20"},
        {"negative number", 4, "\xFF\xFF\xFF\xFF", "-1"},
        {"lowest number", 4, std::string("\0\0\0\x80", 4), "-2147483648"},
        {"two-byte number", 4, "\xFF\xFF", "65535"},
        {"one-byte number", 4, "\x07", "7"},
        {"number without data", 4, "", "0"},
        {"five-byte number", 4, std::string("\1\0\0\0\0", 5), nullptr},
        {"big-endian number", 5, std::string("\0\0\0\x14", 4), nullptr},
        {"binary", 3, ".TIF", nullptr},
        {"multi-string", 7, std::string(".TIF\0\0", 6), nullptr},
        {"none", 0, "", nullptr},
        {"64-bit number", 11, std::string(8, '\0'), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char out[kRegistryTextSize + 1];
        std::memset(out, 0xBD, sizeof out);
        const auto* data = reinterpret_cast<const unsigned char*>(c.data.data());
        const int decoded =
            decode_registry_value(c.type, data, c.data.size(), fake_expand, out, kRegistryTextSize);
        EXPECT_EQ(c.text != nullptr, decoded == 1);
        EXPECT_STREQ(c.text ? c.text : "", out);
        EXPECT_EQ('\xBD', out[kRegistryTextSize]);
    }
}

TEST(RegistryValues, NumbersKeepTheirLow16Bits) {
    const std::pair<const char*, int> cases[] = {
        {"20", 20}, {" \t-1", 0xFFFF}, {"+7x", 7},      {"", 0},
        {"abc", 0}, {"65536", 0},      {"70000", 4464}, {"4294967297", 1},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(number, registry_number(text)) << text;
}

}  // namespace
