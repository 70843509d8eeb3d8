// ToolText: the words the data tools read and print. Numbers are whole decimal numbers with an optional sign;
// a colour is either three such numbers from 0 to 255 separated by commas ("255,0,255") or six hexadecimal
// digits ("ff00ff"), in every tool. Names from files are printed with their control characters escaped, so
// that a name cannot move the cursor, clear the screen or start a new line on a terminal.
// Depends on: the C++ standard library.
#ifndef ZARVELLO_TOOLS_TOOLTEXT_H
#define ZARVELLO_TOOLS_TOOLTEXT_H

#include <cstdint>
#include <string>

namespace tool {

/// Reads a whole decimal number (optional "+" or "-", then digits, nothing else) within [minimum, maximum].
bool parseNumber(const std::string &text, long long minimum, long long maximum, long long &value);

/// Reads a colour "R,G,B" (decimal, 0 to 255 each) or "rrggbb" (hexadecimal) into red, green, blue.
bool parseColour(const std::string &text, std::uint8_t rgb[3]);

/// The value of a hexadecimal digit, -1 for any other character.
int hexDigit(char c);

/// text with every control character (bytes below 32, 127, and the C1 controls U+0080 to U+009F) written as
/// \xNN per byte; anything else is kept as it is.
std::string printable(const std::string &text);

}  // namespace tool

#endif
