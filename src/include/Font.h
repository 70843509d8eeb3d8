/// @file
/// A game uses it to draw and measure text in a loaded font.
/// Font: a bitmap font loaded in one colour. The 96 glyphs of codes 32 to 127 are painted side by side on one
/// colour-keyed 16-bit strip; text is drawn one line at a time onto `screen` and measured so that the measure is
/// exactly the distance the pen moves. Fonts are made and cached by FontManager.
/// Depends on: ManagedResource, GraphicSurface (the strip), Video (`screen`), Utility (bounded formatter).
#ifndef ZARVELLO_FONT_H
#define ZARVELLO_FONT_H

#include <SDL_types.h>
#include <SDL_video.h>

#include "ManagedResource.h"

class GraphicSurface;

/// The 51-byte header of a font file, as read.
struct FontHeader {
    /// The format version; 1 is the only one loaded.
    Uint8 fontSpecVersion;
    /// The font's name, zero-terminated within the field; not interpreted.
    char fontName[32];
    /// The point size; part of the font cache's key.
    Uint8 pointSize;
    /// A style code, kept for style(); not interpreted.
    Uint8 fontStyle;
    Uint32 charHeight;        ///< Height of the glyph strip in pixels: the line height.
    Uint32 maxCharWidth;      ///< The widest glyph, kept for maxCharWidth(); not interpreted.
    Uint32 averageCharWidth;  ///< The average glyph width, kept for averageCharWidth(); not interpreted.
    Uint32 totalCharWidth;    ///< Width of the glyph strip in pixels.
};

/// One glyph record while a file is being loaded: charWidth x charHeight bytes, non-zero meaning ink.
struct FontCharacter {
    Uint32 charWidth;   ///< Glyph width in pixels, also the pen's advance.
    Uint32 charHeight;  ///< Glyph height in pixels.
    char *charData;     ///< charWidth x charHeight bytes, rows top to bottom.
};

/// A bitmap font in one colour, made and cached by FontManager; text is drawn onto `screen`.
class EngineFont : public ManagedResource {
public:
    /// The first character code with a glyph.
    static const int firstChar = 32;
    /// The number of glyphs (codes 32 to 127).
    static const int numChars = 96;
    /// The longest text drawn at once, and the default for a constrain of 0.
    static const Uint32 maxTextLength = 511;

    /// Draws at most constrain characters of str (0 or above 511: 511) in one line onto the screen, top-left at
    /// (destX, destY), and returns how many characters it took. Codes outside 32..127 draw nothing and do not
    /// move the pen; every glyph keeps its place even when an earlier one was clipped.
    Uint32 blitText(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str);

    /// Formats str (cut at 511 characters, and at constrain when that is not 0), then draws it as blitText.
    Uint32 blitTextFmt(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str, ...)
        __attribute__((format(printf, 5, 6)));

    /// The same pixels as blitText, drawn with one colour-keyed SDL blit per character.
    Uint32 blitTextPerCharacter(Sint16 destX, Sint16 destY, Uint32 constrain, const char *str);

    /// Width in pixels of text: the distance the pen moves when blitText draws it (its first 511 characters).
    Uint32 textSize(const char *text) const;
    /// Width in pixels of the formatted text (cut at 511 characters).
    Uint32 textSizeFmt(const char *text, ...) const __attribute__((format(printf, 2, 3)));

    /// The file's format version (1).
    Uint8 version() const { return fontInfo.fontSpecVersion; }
    /// The header's name, terminated even when it fills all 32 bytes of its field.
    const char *name() const { return nameText; }
    /// The point size the file records.
    Uint8 size() const { return fontInfo.pointSize; }
    /// The style code the file records.
    Uint8 style() const { return fontInfo.fontStyle; }
    /// The line height in pixels; callers centre text vertically with it.
    Uint32 charHeight() const { return fontInfo.charHeight; }
    /// The widest glyph's width as the file records it.
    Uint32 maxCharWidth() const { return fontInfo.maxCharWidth; }
    /// The average glyph width as the file records it.
    Uint32 averageCharWidth() const { return fontInfo.averageCharWidth; }

    /// The data name the font was loaded from, or "/invalid/font/object" for a font without a strip.
    const char *getFilename() const;

    /// The rectangle of code c within the strip; null for codes outside 32..127.
    const SDL_Rect *charRect(unsigned char c) const
    {
        return (c >= firstChar && c < firstChar + numChars) ? &chars[c - firstChar] : nullptr;
    }

    /// The glyph strip (borrowed), or null for a font without one.
    GraphicSurface *getSurface() const { return surface; }

    /// Blends the strip with the given per-surface alpha.
    void setAlpha(Uint8 alpha);

private:
    friend class FontManager;

    /// One horizontal run of ink inside a glyph, in glyph coordinates.
    struct GlyphRun {
        Uint16 y;
        Uint16 x;
        Uint16 length;
    };

    /// Takes one reference to strip.
    EngineFont(GraphicSurface *strip, const FontHeader &header, Uint8 r, Uint8 g, Uint8 b);
    ~EngineFont() override;

    /// Records the ink runs of every glyph from the painted strip, which must be locked; keyPixel is the value
    /// the strip's colour key will have. SDL_FALSE when memory for the runs is refused.
    SDL_bool recordGlyphRuns(SDL_Surface *lockedStrip, Uint32 keyPixel);

    /// Whether the run blitter gives exactly the pixels of the per-character blit now: the strip is keyed with
    /// the recorded key, not blended, in the screen's 16-bit layout, and the screen is not locked by a caller.
    bool runBlitterApplies() const;

    GraphicSurface *surface;
    FontHeader fontInfo;
    SDL_Rect chars[numChars];
    Uint8 r, g, b;

    char nameText[sizeof(FontHeader::fontName) + 1];
    Uint32 inkPixel;
    Uint32 keyPixel;
    bool runsRecorded;
    GlyphRun *runs;
    Uint32 runStart[numChars + 1];
};

#endif
