// GlyphLayout: the characters of a font rendered by FreeType and laid out on one baseline.
// Depends on: FreeType, FontFormat.
#include "GlyphLayout.h"

#include <algorithm>
#include <cmath>

namespace {

using fontFormat::firstChar;
using fontFormat::glyphCount;

bool renderGlyph(FT_Face face, long pixelSize, int code, RenderedGlyph &glyph, std::string &error)
{
    FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
    if (index == 0)
        return true;
    // The outline is measured before it is drawn: a damaged font can ask for images of gigabytes.
    FT_Error status = FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO);
    FT_GlyphSlot slot = face->glyph;
    if (!status) {
        const long limit = glyphSizeLimit(pixelSize);
        const FT_Pos width = (slot->metrics.width + 63) >> 6;
        const FT_Pos height = (slot->metrics.height + 63) >> 6;
        if (width > limit || height > limit || width < 0 || height < 0) {
            error = "at " + std::to_string(pixelSize) + " pixels character " + std::to_string(code) + " would be " +
                    std::to_string(width) + " x " + std::to_string(height) + " pixels; a glyph image may be at most " +
                    std::to_string(limit) + " x " + std::to_string(limit) +
                    " pixels (eight times the pixel size), so the font's measures are damaged";
            return false;
        }
        status = FT_Render_Glyph(slot, FT_RENDER_MODE_MONO);
    }
    if (status) {
        error = "FreeType cannot render character " + std::to_string(code) + " (error " + std::to_string(status) + ")";
        return false;
    }
    const FT_Bitmap &bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0 &&
        bitmap.width > 0) {
        error = "character " + std::to_string(code) + " comes in a pixel mode other than monochrome or grey";
        return false;
    }
    glyph.present = true;
    glyph.advance = static_cast<int>(std::max<FT_Pos>(0, (slot->advance.x + 32) >> 6));
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.ink.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, false);
    // "pitch" takes a row pointer one row down; a negative pitch means the rows are stored bottom up.
    const unsigned char *topRow =
        bitmap.pitch < 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(glyph.rows - 1) * -bitmap.pitch : bitmap.buffer;
    for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char *row = topRow + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
            bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] & (0x80 >> (x & 7))) != 0 : row[x] >= 128;
            glyph.ink[static_cast<std::size_t>(y) * glyph.width + x] = on;
        }
    }
    return true;
}

// Picks the pixel size: scalable fonts take any, bitmap fonts need a strike of that size.
bool setPixelSize(FT_Face face, long pixelSize, std::string &error)
{
    if (FT_IS_SCALABLE(face)) {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0)
            return true;
        error = "FreeType refuses the size " + std::to_string(pixelSize);
        return false;
    }
    std::string sizes;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size &strike = face->available_sizes[i];
        long ppem = (strike.y_ppem + 32) >> 6;
        if (ppem == pixelSize || (ppem == 0 && strike.height == pixelSize))
            return FT_Select_Size(face, i) == 0;
        sizes += (sizes.empty() ? "" : ", ") + std::to_string(ppem ? ppem : strike.height);
    }
    error = "the bitmap font has no " + std::to_string(pixelSize) + "-pixel size (it has: " +
            (sizes.empty() ? "none" : sizes) + ")";
    return false;
}


}  // namespace

long glyphSizeLimit(long pixelSize)
{
    return 8 * pixelSize;
}

std::string unitsPerEmProblem(FT_Face face)
{
    if (!FT_IS_SCALABLE(face) || (face->units_per_EM >= 16 && face->units_per_EM <= 16384))
        return "";
    return "the font is damaged: its unitsPerEm is " + std::to_string(face->units_per_EM) +
           ", where a font has 16 to 16384";
}

bool layOut(FT_Face face, long pixelSize, FontLayout &layout, std::string &error)
{
    if (!setPixelSize(face, pixelSize, error))
        return false;
    for (int k = 0; k < glyphCount; ++k)
        if (!renderGlyph(face, pixelSize, firstChar + k, layout.glyphs[k], error))
            return false;
    // One baseline for all: as far down as the tallest glyph reaches up, with room for the deepest descent.
    int descent = 0;
    for (int k = 0; k < glyphCount; ++k) {
        const RenderedGlyph &glyph = layout.glyphs[k];
        if (!glyph.present) {
            if (firstChar + k != 127)
                layout.missing += static_cast<char>(firstChar + k);
            continue;
        }
        if (glyph.rows > 0 && glyph.width > 0) {
            layout.ascent = std::max(layout.ascent, glyph.top);
            descent = std::max(descent, glyph.rows - glyph.top);
        }
    }
    layout.charHeight = static_cast<std::uint64_t>(std::max(0, layout.ascent + descent));
    for (const RenderedGlyph &glyph : layout.glyphs) {
        layout.totalWidth += static_cast<std::uint64_t>(glyph.advance);
        layout.maxWidth = std::max<std::uint64_t>(layout.maxWidth, static_cast<std::uint64_t>(glyph.advance));
        layout.presentCount += glyph.advance > 0;
    }
    return true;
}

namespace {

bool fitsAt(FT_Face face, long pixelSize)
{
    FontLayout layout;
    std::string ignored;
    return layOut(face, pixelSize, layout, ignored) && layout.fitsFontFile();
}

}  // namespace

// A scalable font's strip grows with the square of the size, so the search starts at the size that estimate
// gives and walks to the boundary from there; a bitmap font offers its strikes.
long largestFittingSize(FT_Face face, long tooBig, const FontLayout &tooBigLayout)
{
    if (!FT_IS_SCALABLE(face)) {
        long best = 0;
        for (int i = 0; i < face->num_fixed_sizes; ++i) {
            const FT_Bitmap_Size &strike = face->available_sizes[i];
            const long ppem = (strike.y_ppem + 32) >> 6;
            const long size = ppem ? ppem : strike.height;
            if (size < tooBig && size > best && fitsAt(face, size))
                best = size;
        }
        return best;
    }
    const double scale = std::sqrt(static_cast<double>(fontFormat::maxStripPixels) /
                                   static_cast<double>(std::max<std::uint64_t>(1, tooBigLayout.stripPixels())));
    long size = std::clamp(static_cast<long>(static_cast<double>(tooBig) * std::min(1.0, scale)), 1L, tooBig - 1);
    if (fitsAt(face, size)) {
        while (size + 1 < tooBig && fitsAt(face, size + 1))
            ++size;
        return size;
    }
    while (size > 1 && !fitsAt(face, size))
        --size;
    return fitsAt(face, size) ? size : 0;
}

