// FontFormat: the byte layout of a bitmap font file, in one place for the reader, the font tool and the tests.
// Numbers are little-endian. A 51-byte header: version byte 1, fontName[32], pointSize byte, fontStyle byte,
// then charHeight, maxCharWidth, averageCharWidth and totalCharWidth as 32-bit numbers. Then one record per
// character 32 to 127: charWidth and charHeight (32-bit each) and charWidth x charHeight bytes, top row first,
// non-zero meaning ink. The glyphs side by side make the strip, whose rows the reader counts at an even width.
// Depends on: nothing.
#ifndef ZARVELLO_FONTFORMAT_H
#define ZARVELLO_FONTFORMAT_H

#include <cstdint>

namespace fontFormat {

const std::uint8_t version = 1;
const std::uint32_t headerSize = 51;
const std::uint32_t nameOffset = 1;
const std::uint32_t nameFieldSize = 32;
const std::uint32_t pointSizeOffset = 33;
const std::uint32_t styleOffset = 34;
const std::uint32_t charHeightOffset = 35;
const std::uint32_t maxCharWidthOffset = 39;
const std::uint32_t averageCharWidthOffset = 43;
const std::uint32_t totalCharWidthOffset = 47;
const int firstChar = 32;                            // the first character with a glyph
const int glyphCount = 96;                           // characters 32 to 127
const std::uint32_t glyphHeaderSize = 8;             // charWidth, charHeight before each glyph's bytes
const std::uint64_t maxStripPixels = 65536;          // the largest strip, rows counted at an even width

}  // namespace fontFormat

#endif
