// GlyphLayout: renders a font's characters 32 to 127 with FreeType at one pixel size in monochrome and lays
// them out as a font file does: every cell as wide as the character's advance, one baseline for all inside the
// common character height. A glyph image larger than glyphSizeLimit pixels a side (a damaged font's metrics)
// is refused before FreeType draws it.
// Depends on: FreeType, FontFormat.
#ifndef ZARVELLO_TOOLS_GLYPHLAYOUT_H
#define ZARVELLO_TOOLS_GLYPHLAYOUT_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <vector>

#include "FontFormat.h"

// One rendered glyph: its advance, and its ink relative to the pen on the baseline.
struct RenderedGlyph {
    bool present = false;
    int advance = 0;
    int left = 0;  // columns from the pen to the bitmap's left edge
    int top = 0;   // rows from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    std::vector<bool> ink;  // rows x width, top row first
};

// The font rendered at one pixel size and laid out as a font file lays it out.
struct FontLayout {
    std::vector<RenderedGlyph> glyphs = std::vector<RenderedGlyph>(fontFormat::glyphCount);
    int ascent = 0;  // rows from the strip's top to the shared baseline
    std::uint64_t charHeight = 0;
    std::uint64_t totalWidth = 0;
    std::uint64_t maxWidth = 0;
    std::uint64_t presentCount = 0;
    std::string missing;  // characters 32 to 126 the font has no glyph for

    std::uint64_t stripPixels() const { return ((totalWidth + 1) & ~static_cast<std::uint64_t>(1)) * charHeight; }
    bool fitsFontFile() const
    {
        return totalWidth <= 0xFFFF && charHeight <= 0xFFFF && stripPixels() <= fontFormat::maxStripPixels;
    }
};

// The largest glyph image, in pixels a side, that rendering at pixelSize may make: eight times the size.
long glyphSizeLimit(long pixelSize);

// Why a scalable font's unitsPerEm is damaged (outside 16 to 16384); "" when it is sound or not scalable.
std::string unitsPerEmProblem(FT_Face face);

// Renders and lays out the characters at pixelSize; false with error set when FreeType cannot, or a glyph
// would exceed glyphSizeLimit.
bool layOut(FT_Face face, long pixelSize, FontLayout &layout, std::string &error);

// The largest pixel size below tooBig whose strip a font file holds, 0 when there is none.
long largestFittingSize(FT_Face face, long tooBig, const FontLayout &tooBigLayout);

#endif
