/// @file
/// A game uses it to get a font by name, size and colour.
/// FontManager: the font cache and the font file loader. A font is identified by its data name and its colour
/// (the size only makes the data name of a bare name); each combination is loaded once and shared, and stays
/// until the cache is destroyed. A font file is a 51-byte header (see FontHeader) and 96 glyph records of charWidth (4 bytes),
/// charHeight (4 bytes) and charWidth x charHeight bytes, non-zero for ink, all numbers little-endian.
/// Depends on: Font, FontFormat, NFILoader, GraphicSurface, Video (`screen`), Memory, Utility, Console, CacheIndex,
/// PointerArray.
#ifndef ZARVELLO_FONTMANAGER_H
#define ZARVELLO_FONTMANAGER_H

#include <SDL_types.h>

class CacheIndex;
class EngineFont;

/// Writes into filename, a buffer of 256 bytes, the data name under which getFont looks for fontName in size:
/// a name beginning with "/" as it is, otherwise "/gfx/fonts/<fontName>_<size>.font" with every space made "_".
void makeFontFilename(const char *fontName, Uint8 size, char *filename);

/// The font cache: a singleton made by the GUI start-up, reached through static functions.
class FontManager {
public:
    /// The cache, created on the first call.
    static FontManager *globalManager();

    /// Releases every cached font and destroys the cache; a later globalManager() makes a new, empty one.
    static void destroyFontManager();

    /// The font fontName in size with ink (r, g, b), from the cache or loaded now; null, after logging why, when
    /// it cannot be loaded. The cache keeps the font; a caller that holds on to it retains it. A bare name means
    /// "/gfx/fonts/<name>_<size>.font" with spaces made "_"; a name beginning with "/" is the data name itself.
    static EngineFont *getFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);

private:
    FontManager();
    ~FontManager();
    FontManager(const FontManager &) = delete;
    FontManager &operator=(const FontManager &) = delete;

    EngineFont *retreiveFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);
    /// A new font with retain count 0 from the file, or null after logging why.
    EngineFont *loadFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);
    /// Appends font and takes a reference to it; SDL_FALSE when the list cannot grow.
    SDL_bool addFont(EngineFont *font);
    SDL_bool growToSize(Uint32 newMax);

    EngineFont **list;
    Uint32 currentSize;
    Uint32 maxSize;
    // (data name and colour) -> the first font of that key in list; addFont fails when it
    // cannot grow, as when the list cannot.
    CacheIndex *index;
};

#endif
