// FontWriter: font files for tests, written byte by byte independently of fonttool. Layout (numbers are
// little-endian Uint32): fontSpecVersion (1 byte), fontName (32), pointSize (1), fontStyle (1), charHeight,
// maxCharWidth, averageCharWidth, totalCharWidth; then 96 glyphs of charWidth, charHeight and
// charWidth x charHeight bytes, rows top to bottom, non-zero meaning ink.
// Depends on: LittleEndian.h, FontFormat.h (the layout's sizes) and the C++ standard library.
#ifndef ZARVELLO_TESTS_FONTWRITER_H
#define ZARVELLO_TESTS_FONTWRITER_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FontFormat.h"
#include "LittleEndian.h"

namespace fontfile {

struct Glyph {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string data;  // width x height bytes

    bool ink(std::uint32_t x, std::uint32_t y) const { return data[y * width + x] != 0; }
};

// A glyph drawn as text rows of equal length: '.' is background, anything else ink. Ink bytes cycle through
// different non-zero values, since every non-zero byte is ink.
inline Glyph glyphFromRows(const std::vector<std::string> &rows)
{
    Glyph glyph;
    glyph.height = static_cast<std::uint32_t>(rows.size());
    glyph.width = rows.empty() ? 0 : static_cast<std::uint32_t>(rows[0].size());
    int inkByte = 0;
    for (const std::string &row : rows)
        for (char c : row)
            glyph.data += c == '.' ? '\0' : static_cast<char>(1 + (inkByte++ % 255));
    return glyph;
}

// A width x height glyph with a pattern that differs from glyph to glyph (seed), ink on roughly half the
// pixels, so that runs of every length and gaps appear.
inline Glyph patternGlyph(std::uint32_t width, std::uint32_t height, std::uint32_t seed)
{
    Glyph glyph;
    glyph.width = width;
    glyph.height = height;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t h = (x * 7 + y * 13 + seed * 31) ^ (x * y + seed);
            glyph.data += (h % 5 < 2 || x == 0 || y == height - 1) ? static_cast<char>(0x80 | (h & 0x7F)) : '\0';
        }
    return glyph;
}

struct Font {
    std::uint8_t version = 1;
    std::string name = "Test Font";  // padded with zero bytes or cut to 32 bytes
    std::uint8_t pointSize = 10;
    std::uint8_t style = 0;
    std::uint32_t charHeight = 0;
    std::uint32_t maxCharWidth = 0;
    std::uint32_t averageCharWidth = 0;
    std::uint32_t totalCharWidth = 0;
    std::vector<Glyph> glyphs = std::vector<Glyph>(fontFormat::glyphCount);
    std::string trailing;  // bytes after the last glyph

    Glyph &glyph(char c) { return glyphs[static_cast<unsigned char>(c) - fontFormat::firstChar]; }

    // Fills the header's sizes truthfully from the glyphs.
    Font &measure()
    {
        charHeight = maxCharWidth = totalCharWidth = 0;
        for (const Glyph &g : glyphs) {
            charHeight = std::max(charHeight, g.height);
            maxCharWidth = std::max(maxCharWidth, g.width);
            totalCharWidth += g.width;
        }
        averageCharWidth = totalCharWidth / fontFormat::glyphCount;
        return *this;
    }

    // The header alone.
    std::string header() const
    {
        std::string field = name.substr(0, fontFormat::nameFieldSize);
        field.resize(fontFormat::nameFieldSize, '\0');
        return std::string(1, static_cast<char>(version)) + field + static_cast<char>(pointSize) +
               static_cast<char>(style) + le32(charHeight) + le32(maxCharWidth) + le32(averageCharWidth) +
               le32(totalCharWidth);
    }

    std::string bytes() const
    {
        std::string out = header();
        for (const Glyph &g : glyphs)
            out += le32(g.width) + le32(g.height) + g.data;
        return out + trailing;
    }

    // Where glyph k's record starts in bytes().
    std::size_t glyphOffset(int k) const
    {
        std::size_t offset = fontFormat::headerSize;
        for (int i = 0; i < k; ++i)
            offset += fontFormat::glyphHeaderSize + glyphs[i].data.size();
        return offset;
    }
};

// A well-formed font of the given height whose glyph for code 32 + k is widthOf(k) wide, with patterned ink.
template <typename WidthOf>
Font patternedFont(std::uint32_t height, WidthOf widthOf)
{
    Font font;
    for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(fontFormat::glyphCount); ++k)
        font.glyphs[k] = patternGlyph(widthOf(k), height, k);
    font.measure();
    return font;
}

}  // namespace fontfile

#endif
