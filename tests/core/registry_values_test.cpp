// Decoding of queried registry values: every type and length, texts up to the room of an
// extension list and never cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "desktop/settings_window/registry_values.h"

namespace {

// The system's expansion stood in for: "%L%" at the start expands to 190 characters, and
// any other text fails.
std::uint32_t fake_expand(const char* text, char* out, std::uint32_t size) {
    if (std::strncmp(text, "%L%", 3) != 0) return 0;
    const std::string result = std::string(190, 'L') + (text + 3);
    if (result.size() < size) std::memcpy(out, result.c_str(), result.size() + 1);
    return static_cast<std::uint32_t>(result.size() + 1);
}

TEST(RegistryValues, DecodesEveryTypeAndLength) {
    struct Case {
        std::uint32_t type;
        std::string data;
        const char* text;  // null: reads as nothing
    };
    const std::string a199(199, 'A'), l199 = std::string(190, 'L') + "123456789";
    const Case cases[] = {
        {1, ".TIF", ".TIF"},
        {1, std::string(".TIF\0.JPG", 9), ".TIF"},  // to the first zero
        {1, a199, a199.c_str()},
        {1, a199 + 'A', nullptr},  // never cut
        {2, "%L%123456789", l199.c_str()},
        {2, "%L%1234567890", nullptr},
        {2, "%X%", nullptr},
        {4, "\xFF\xFF\xFF\xFF", "-1"},
        {4, "\xFF\xFF", "65535"},  // missing high bytes are zero
        {4, "", "0"},
        {4, std::string("\1\0\0\0\0", 5), nullptr},
        {11, std::string(8, '\0'), nullptr},  // 64-bit number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + ": " + c.data);
        char out[kRegistryTextSize + 1];
        std::memset(out, 0xBD, sizeof out);
        const auto* data = reinterpret_cast<const unsigned char*>(c.data.data());
        EXPECT_EQ(c.text != nullptr, decode_registry_value(c.type, data, c.data.size(), fake_expand,
                                                           out, kRegistryTextSize) == 1);
        EXPECT_STREQ(c.text ? c.text : "", out);
        EXPECT_EQ('\xBD', out[kRegistryTextSize]);
    }
}

}  // namespace
