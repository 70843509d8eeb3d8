// LittleEndian: the byte strings of 16- and 32-bit little-endian numbers, the one number layout of every file
// format the tests write by hand (archives, fonts, skins, TGA headers).
// Depends on: the C++ standard library only.
#ifndef ZARVELLO_TESTS_LITTLEENDIAN_H
#define ZARVELLO_TESTS_LITTLEENDIAN_H

#include <cstdint>
#include <string>

inline std::string le16(std::uint32_t value)
{
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

inline std::string le32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

#endif
