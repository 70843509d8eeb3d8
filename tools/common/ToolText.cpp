// ToolText: numbers, colours and printable names for the data tools.
// Depends on: the C++ standard library.
#include "ToolText.h"

#include <cstdio>
#include <vector>

namespace tool {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseNumber(const std::string &text, long long minimum, long long maximum, long long &value)
{
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at == text.size())
        return false;
    // Accumulated as a magnitude that stops growing past any 64-bit value, so that no digit string overflows.
    unsigned long long magnitude = 0;
    const unsigned long long ceiling = 1ull << 63;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9')
            return false;
        if (magnitude <= ceiling)
            magnitude = magnitude * 10 + static_cast<unsigned>(text[at] - '0');
    }
    if (magnitude > ceiling || (!negative && magnitude == ceiling))
        return false;
    const long long number = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
    if (number < minimum || number > maximum)
        return false;
    value = number;
    return true;
}

bool parseColour(const std::string &text, std::uint8_t rgb[3])
{
    if (text.size() == 6 && text.find(',') == std::string::npos) {
        for (int i = 0; i < 3; ++i) {
            const int high = hexDigit(text[2 * i]);
            const int low = hexDigit(text[2 * i + 1]);
            if (high < 0 || low < 0)
                return false;
            rgb[i] = static_cast<std::uint8_t>(high * 16 + low);
        }
        return true;
    }
    std::uint8_t read[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find(',', start) : text.size();
        long long value;
        if (end == std::string::npos || !parseNumber(text.substr(start, end - start), 0, 255, value))
            return false;
        read[i] = static_cast<std::uint8_t>(value);
        start = end + 1;
    }
    for (int i = 0; i < 3; ++i)
        rgb[i] = read[i];
    return true;
}

std::string printable(const std::string &text)
{
    std::string shown;
    shown.reserve(text.size());
    auto escape = [&shown](unsigned char byte) {
        char code[5];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        shown += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f) {
            escape(byte);
        } else if (byte == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            escape(byte);
            escape(static_cast<unsigned char>(text[++i]));
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

}  // namespace tool
