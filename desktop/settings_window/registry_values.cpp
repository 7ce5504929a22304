// Decoding of queried registry values into the text the options are read from, and of
// that text into a number. Main thread.
#include "desktop/settings_window/registry_values.h"

#include <cstdio>
#include <cstring>

namespace {

// The characters of a string value: up to its first zero or the end of its data.
std::size_t string_length(const unsigned char* data, std::size_t length) {
    const void* zero = length > 0 ? std::memchr(data, 0, length) : nullptr;
    return zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) : length;
}

bool is_white_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

int decode_registry_value(std::uint32_t type, const unsigned char* data, std::size_t length,
                          ExpandVariables expand, char* out, std::size_t size) {
    if (size == 0) return 0;
    out[0] = '\0';
    switch (type) {
        case kRegistryString:
        case kRegistryExpandString: {
            const std::size_t characters = string_length(data, length);
            if (characters >= size) return 0;
            if (type == kRegistryString) {
                std::memcpy(out, data, characters);
                out[characters] = '\0';
                return 1;
            }
            char text[kRegistryTextSize];
            if (characters >= sizeof text || expand == nullptr) return 0;
            std::memcpy(text, data, characters);
            text[characters] = '\0';
            // One byte more than the room: the ANSI expansion of some systems asks for a
            // byte beyond what it writes.
            char expanded[kRegistryTextSize + 1] = {};
            const std::uint32_t needed = expand(text, expanded, sizeof expanded);
            // Whatever a failed expansion left in the buffer is not looked at.
            if (needed == 0 || needed > sizeof expanded) return 0;
            expanded[needed - 1] = '\0';
            const std::size_t expanded_length = std::strlen(expanded);
            if (expanded_length >= size) return 0;
            std::memcpy(out, expanded, expanded_length + 1);
            return 1;
        }
        case kRegistryNumber: {
            if (length > 4) return 0;
            std::uint32_t number = 0;
            for (std::size_t i = length; i > 0; --i) number = (number << 8) | data[i - 1];
            char text[12];  // "-2147483648" and its zero
            std::snprintf(text, sizeof text, "%ld",
                          static_cast<long>(static_cast<std::int32_t>(number)));
            if (std::strlen(text) >= size) return 0;
            std::memcpy(out, text, std::strlen(text) + 1);
            return 1;
        }
        default:
            return 0;
    }
}

std::uint16_t registry_number(const char* text) {
    while (is_white_space(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    // Unsigned arithmetic wraps, so the low 16 bits come out right however long the
    // digits run.
    std::uint32_t number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) number = number * 10 + (*text - '0');
    if (negative) number = 0u - number;
    return static_cast<std::uint16_t>(number);
}
