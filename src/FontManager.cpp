// FontManager: the font cache, and loading a font file into a glyph strip of one colour.
// The cache keeps its fonts in the order they were loaded, with an index beside them keyed by data name and
// colour, that answers exactly as a walk in that order would: the first font of the key. One data name and
// colour is one file drawn in one colour, so the size asked for is not part of the key: a data name asked for
// with any size, or a bare name whose file records another point size, is found again rather than loaded again,
// and asking for the same thing again never grows the cache.
// Loading reads the fields in file order and stops at the first failure with its reason; the bytes come in one
// read through the data loader rather than one per field (see FontFields). A file must be well formed to load:
// its glyphs fit the strip side by side and top-aligned, the strip is at most 65,536 pixels (its positions are
// 16-bit), and no glyph's data is allocated before it is known to fit in what is left of the file.
#include "FontManager.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "CacheIndex.h"
#include "Console.h"
#include "Font.h"
#include "FontFormat.h"
#include "GraphicSurface.h"
#include "Memory.h"
#include "NFILoader.h"
#include "PointerArray.h"
#include "Utility.h"
#include "Video.h"

namespace {

FontManager *globalFontManager = nullptr;

const Uint32 headerBytes = fontFormat::headerSize;
const Uint64 maxStripPixels = 65536;
const Uint32 cacheGrowth = 10;

// Paints one glyph into the locked strip with its left edge at column startX; the caller has checked that the
// glyph lies inside the strip.
void blitChar(FontCharacter *character, int startX, SDL_Surface *surf, Uint8 r, Uint8 g, Uint8 b)
{
    Uint16 ink = static_cast<Uint16>(SDL_MapRGB(surf->format, r, g, b));
    Uint16 background = static_cast<Uint16>(SDL_MapRGB(surf->format, 255, 0, 255));
    Uint32 stride = surf->pitch / 2;
    Uint16 *pixels = static_cast<Uint16 *>(surf->pixels);
    const char *data = character->charData;
    for (Uint32 y = 0; y < character->charHeight; ++y)
        for (Uint32 x = 0; x < character->charWidth; ++x)
            pixels[startX + y * stride + x] = *data++ ? ink : background;
}

// The part of a font's cache key beside its data name.
Uint32 colourKey(Uint8 r, Uint8 g, Uint8 b)
{
    return static_cast<Uint32>(r) << 8 | static_cast<Uint32>(g) << 16 | static_cast<Uint32>(b) << 24;
}

// The glyph records of one file while it loads; frees whatever was read when it goes.
struct GlyphRecords {
    FontCharacter glyphs[EngineFont::numChars] = {};

    ~GlyphRecords()
    {
        for (FontCharacter &glyph : glyphs)
            delete[] glyph.charData;
    }
};

// The fields of one open font file, in file order. Every byte a well-formed file's fields can reach (the header,
// 96 glyph headers and at most one strip of glyph data, since glyphs lie side by side and none is taller than
// the strip) comes in one read through the data loader, which spares a read per field. Should that read fail,
// or a field lie past it, the fields are read one by one through the loader from there on, so that a failure
// still names the field at which the file gives out.
class FontFields {
public:
    explicit FontFields(NFIHandle handle);
    ~FontFields() { delete[] block; }
    FontFields(const FontFields &) = delete;
    FontFields &operator=(const FontFields &) = delete;

    // Reads the next field, or throws failure.
    void read(void *destination, Uint32 bytes, const char *failure);

private:
    NFILoader *loader;
    NFIHandle handle;
    char *block;
    Uint32 held;  // bytes of the file at the start of block
    Uint32 at;    // the next field's place in the file
    bool direct;  // the fields come through the loader one by one
};

FontFields::FontFields(NFIHandle handle)
    : loader(NFILoader::globalLoader()), handle(handle), block(nullptr), held(0), at(0), direct(false)
{
    const Uint64 reach = headerBytes + 8 * EngineFont::numChars + maxStripPixels;
    const Sint32 length = loader->fileSize(handle);
    const Uint32 wanted = static_cast<Uint32>(length <= 0 ? 0 : std::min<Uint64>(length, reach));
    if (wanted == 0)
        return;
    block = new (std::nothrow) char[wanted];
    if (block && loader->readByteStream(handle, block, wanted))
        held = wanted;
}

void FontFields::read(void *destination, Uint32 bytes, const char *failure)
{
    if (!direct && static_cast<Uint64>(at) + bytes <= held) {
        std::memcpy(destination, block + at, bytes);
        at += bytes;
        return;
    }
    if (!direct) {
        direct = true;
        if (!loader->seek(handle, static_cast<Sint32>(at), SEEK_SET))
            throw failure;
    }
    if (!loader->readByteStream(handle, destination, bytes))
        throw failure;
}

// Reads the header and the 96 glyphs, throwing the reason of the first failure.
void readFontFile(NFIHandle handle, FontHeader &header, GlyphRecords &records)
{
    NFILoader *loader = NFILoader::globalLoader();
    FontFields fields(handle);
    fields.read(&header.fontSpecVersion, 1, "Error reading header field fontSpecVersion");
    if (header.fontSpecVersion != 1)
        throw "Unsupported font spec";
    fields.read(header.fontName, fontFormat::nameFieldSize, "Error reading header field fontName");
    fields.read(&header.pointSize, 1, "Error reading header field pointSize");
    fields.read(&header.fontStyle, 1, "Error reading header field fontStyle");
    fields.read(&header.charHeight, 4, "Error reading header field charHeight");
    fields.read(&header.maxCharWidth, 4, "Error reading header field maxCharWidth");
    fields.read(&header.averageCharWidth, 4, "Error reading header field averageCharWidth");
    fields.read(&header.totalCharWidth, 4, "Error reading header field totalCharWidth");

    // A row is stored at an even number of pixels (the pitch of a 16-bit surface).
    Uint64 rowPixels = (static_cast<Uint64>(header.totalCharWidth) + 1) & ~static_cast<Uint64>(1);
    if (header.totalCharWidth > 0xFFFF || header.charHeight > 0xFFFF ||
        rowPixels * header.charHeight > maxStripPixels)
        throw "Glyph strip larger than 65536 pixels";

    Sint32 fileLength = loader->fileSize(handle);
    Uint64 consumed = headerBytes;
    Uint64 widthSoFar = 0;
    for (FontCharacter &glyph : records.glyphs) {
        fields.read(&glyph.charWidth, 4, "Error reading char header field charWidth");
        fields.read(&glyph.charHeight, 4, "Error reading char header field charHeight");
        consumed += 8;
        widthSoFar += glyph.charWidth;
        if (widthSoFar > header.totalCharWidth)
            throw "Glyphs wider than totalCharWidth";
        if (glyph.charHeight > header.charHeight)
            throw "Glyph taller than charHeight";
        Uint64 dataBytes = static_cast<Uint64>(glyph.charWidth) * glyph.charHeight;
        if (fileLength < 0 || consumed + dataBytes > static_cast<Uint64>(fileLength))
            throw "Error reading character data";
        if (dataBytes > 0) {
            glyph.charData = new (std::nothrow) char[dataBytes];
            if (!glyph.charData)
                throw "Error reading character data";
            fields.read(glyph.charData, static_cast<Uint32>(dataBytes), "Error reading character data");
        }
        consumed += dataBytes;
    }
}

}  // namespace

void makeFontFilename(const char *fontName, Uint8 size, char *filename)
{
    if (fontName[0] == '/') {
        zarvello::snprintf(255, filename, "%s", fontName);
        return;
    }
    zarvello::snprintf(255, filename, "/gfx/fonts/%s_%d.font", fontName, size);
    for (char *c = filename; *c; ++c)
        if (*c == ' ')
            *c = '_';
}

FontManager::FontManager() : list(nullptr), currentSize(0), maxSize(0), index(new CacheIndex())
{
    list = allocatePointers<EngineFont>(cacheGrowth);
    if (list)
        maxSize = cacheGrowth;
}

FontManager::~FontManager()
{
    for (Uint32 i = 0; i < currentSize; ++i)
        list[i]->releaseFromCache();
    if (list)
        mem_dealloc(list);
    delete index;
}

FontManager *FontManager::globalManager()
{
    if (!globalFontManager)
        globalFontManager = new FontManager();
    return globalFontManager;
}

void FontManager::destroyFontManager()
{
    delete globalFontManager;
    globalFontManager = nullptr;
}

EngineFont *FontManager::getFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b)
{
    return globalManager()->retreiveFont(fontName, size, r, g, b);
}

EngineFont *FontManager::retreiveFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b)
{
    if (!fontName)
        return nullptr;
    char filename[256];
    makeFontFilename(fontName, size, filename);
    EngineFont *cached = static_cast<EngineFont *>(index->find(filename, colourKey(r, g, b)));
    if (cached)
        return cached;
    EngineFont *font = loadFont(fontName, size, r, g, b);
    if (font && !addFont(font)) {
        font->retain();
        font->release();
        return nullptr;
    }
    return font;
}

SDL_bool FontManager::addFont(EngineFont *font)
{
    if (currentSize == maxSize && !growToSize(currentSize + cacheGrowth))
        return SDL_FALSE;
    if (!index->add(font->getFilename(), colourKey(font->r, font->g, font->b), font))
        return SDL_FALSE;
    font->retainForCache(font->getFilename());
    list[currentSize++] = font;
    return SDL_TRUE;
}

SDL_bool FontManager::growToSize(Uint32 newMax)
{
    if (newMax <= currentSize || !growPointers(list, currentSize, newMax))
        return SDL_FALSE;
    maxSize = newMax;
    return SDL_TRUE;
}

EngineFont *FontManager::loadFont(const char *fontName, Uint8 size, Uint8 r, Uint8 g, Uint8 b)
{
    char filename[256];
    makeFontFilename(fontName, size, filename);
    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle handle = loader->openFile(filename);
    if (handle == -1) {
        Console::addString("loadFont ('%s'): %s", filename, "Unable to open font file");
        return nullptr;
    }

    FontHeader header = {};
    GlyphRecords records;
    try {
        readFontFile(handle, header, records);
    } catch (const char *reason) {
        Console::addString("loadFont ('%s'): %s", filename, reason);
        loader->closeFile(handle);
        return nullptr;
    }
    loader->closeFile(handle);

    GraphicSurface *strip = GraphicSurface::newSurface(static_cast<Uint16>(header.totalCharWidth),
                                                       static_cast<Uint16>(header.charHeight), filename);
    if (!strip)
        return nullptr;
    SDL_Surface *sdlStrip = strip->getSurface();
    if (SDL_LockSurface(sdlStrip) < 0) {
        strip->retain();
        strip->release();
        Console::addString("Couldn't lock surface loading '%s'", filename);
        return nullptr;
    }

    EngineFont *font = new EngineFont(strip, header, r, g, b);
    Sint32 rollingX = 0;
    for (int k = 0; k < EngineFont::numChars; ++k) {
        FontCharacter &glyph = records.glyphs[k];
        blitChar(&glyph, rollingX, sdlStrip, r, g, b);
        font->chars[k].x = static_cast<Sint16>(rollingX);
        font->chars[k].y = 0;
        font->chars[k].w = static_cast<Uint16>(glyph.charWidth);
        font->chars[k].h = static_cast<Uint16>(glyph.charHeight);
        rollingX += static_cast<Sint32>(glyph.charWidth);
    }
    // Without the runs the font still draws, through one SDL blit per character.
    font->recordGlyphRuns(sdlStrip, SDL_MapRGB(screen->format, 255, 0, 255));
    SDL_UnlockSurface(sdlStrip);
    strip->setColorKey(255, 0, 255);
    return font;
}
