// FontManager: the font cache and the font file loader. A font is identified by its data name, the point size
// its file records and its colour; each combination is loaded once and shared, and stays until the cache is
// destroyed; an index beside the array of fonts finds one by that key. A bare font name means the data name
// "/gfx/fonts/<name>_<size>.font" with spaces made "_"; a name beginning with "/" is the data name itself.
// A font file is a 51-byte header (see FontHeader) and 96 glyph records of charWidth (4 bytes), charHeight
// (4 bytes) and charWidth x charHeight bytes, non-zero for ink, all numbers little-endian.
// Depends on: Font, NFILoader, GraphicSurface, Video (`screen`), Memory, Utility, Console, CacheIndex.
#ifndef ZARVELLO_FONTMANAGER_H
#define ZARVELLO_FONTMANAGER_H

#include <SDL_types.h>

#include "CacheIndex.h"

class EngineFont;

class FontManager {
public:
    /// The cache, created on the first call.
    static FontManager *globalManager();

    /// Releases every cached font and destroys the cache; a later globalManager() makes a new, empty one.
    static void destroyFontManager();

    /// The font in size and ink (r, g, b), cached or loaded now and borrowed; null, after logging why, on failure.
    static EngineFont *getFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);

private:
    FontManager();
    ~FontManager();
    FontManager(const FontManager &) = delete;
    FontManager &operator=(const FontManager &) = delete;

    EngineFont *retreiveFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);
    // A new font with retain count 0 from the file, or null after logging why.
    EngineFont *loadFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b);
    // Appends font and takes a reference to it; SDL_FALSE, nothing changed, when the list or index cannot grow.
    SDL_bool addFont(EngineFont *font);
    SDL_bool growToSize(Uint32 newMax);

    EngineFont **list;
    Uint32 currentSize;
    Uint32 maxSize;
    CacheIndex index;  // (data name, point size and colour) -> the first font in list of that key
};

#endif
