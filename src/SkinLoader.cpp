// The skin loader: reads the ten part records field by field through the data loader, refuses a record whose
// kind does not fit its slot, closes the file, then takes every image through the image cache (bevel and
// button sheets cut into image lists) and every font pair through the font cache. Any failure deletes the
// skin, which releases whatever the earlier parts took.
#include "SkinLoader.h"

#include <cstring>

#include "Console.h"
#include "Font.h"
#include "FontManager.h"
#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageManager.h"
#include "Memory.h"
#include "Utility.h"

namespace {

const char *const slotLabels[SKINSLOT_COUNT] = {
    "enabled caption background", "enabled caption button", "enabled caption bevels", "enabled caption font",
    "disabled caption background", "disabled caption button", "disabled caption bevels", "disabled caption font",
    "dialog background", "dialog bevels",
};

const SkinPartType slotTypes[SKINSLOT_COUNT] = {
    SKINPART_TILE, SKINPART_BUTTON, SKINPART_BEVEL, SKINPART_FONT,
    SKINPART_TILE, SKINPART_BUTTON, SKINPART_BEVEL, SKINPART_FONT,
    SKINPART_TILE, SKINPART_BEVEL,
};

const char *kindName(SkinPartType type)
{
    switch (type) {
    case SKINPART_TILE: return "tile";
    case SKINPART_BEVEL: return "bevel";
    case SKINPART_BUTTON: return "button";
    case SKINPART_FONT: return "font";
    }
    return "unknown";
}

bool isKnownKind(SkinPartType type)
{
    return type == SKINPART_TILE || type == SKINPART_BEVEL || type == SKINPART_BUTTON || type == SKINPART_FONT;
}

// The part's file name; the field may fill all 256 bytes without a terminator.
int filenameLength(const SkinPart &part)
{
    const void *end = std::memchr(part.filename, 0, sizeof part.filename);
    return end ? static_cast<int>(static_cast<const char *>(end) - part.filename) : static_cast<int>(sizeof part.filename);
}

SDL_bool readSkinPart(const char *skinName, NFILoader *loader, NFIHandle fileHandle, SkinPart &part)
{
    try {
        Sint32 type;
        if (!loader->readByteStream(fileHandle, &type, sizeof type))
            throw "Error reading skin part field type";
        part.type = static_cast<SkinPartType>(type);
        if (!loader->readByteStream(fileHandle, part.filename, sizeof part.filename))
            throw "Error reading skin part field filename";
        if (!loader->readByteStream(fileHandle, part.rgb, sizeof part.rgb))
            throw "Error reading skin part field rgb";
        // The flags may hold any 32-bit value; only zero and non-zero matter.
        Uint32 flag;
        if (!loader->readByteStream(fileHandle, &flag, sizeof flag))
            throw "Error reading skin part field transparent";
        part.transparent = flag != 0 ? SDL_TRUE : SDL_FALSE;
        if (!loader->readByteStream(fileHandle, &flag, sizeof flag))
            throw "Error reading skin part field vertical";
        part.vertical = flag != 0 ? SDL_TRUE : SDL_FALSE;
    } catch (const char *message) {
        Console::addString("loadSkin ('%s'): %s", skinName, message);
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

// Takes an image through the cache; bevel and button sheets get the colour key when the part asks for it.
GraphicSurface *partImage(const char *path, const SkinPart &part, const char *skinName, const char *what,
                          const char *partName)
{
    GraphicSurface *surface = ImageManager::getImage(path);
    if (!surface) {
        Console::addString("loadSkin ('%s') : Error loading %s graphic for %s", skinName, what, partName);
        return nullptr;
    }
    if (part.type != SKINPART_TILE && part.transparent)
        surface->setColorKey(255, 0, 255);
    return surface;
}

SDL_bool getPartData(const char *skinName, SkinPart &part, const char *partName)
{
    char path[256];
    int nameLength = filenameLength(part);
    if (part.type == SKINPART_FONT)
        zarvello::snprintf(255, path, "/gfx/fonts/%.*s", nameLength, part.filename);
    else
        zarvello::snprintf(255, path, "/gfx/skins/%.*s", nameLength, part.filename);

    switch (part.type) {
    case SKINPART_TILE: {
        GraphicSurface *surface = partImage(path, part, skinName, "tile", partName);
        if (!surface)
            return SDL_FALSE;
        surface->retain();
        part.tile = surface;
        break;
    }
    case SKINPART_BEVEL: {
        GraphicSurface *surface = partImage(path, part, skinName, "bevel", partName);
        if (!surface)
            return SDL_FALSE;
        part.bevels = new ImageList(surface, 3, 3);
        part.bevels->retain();
        break;
    }
    case SKINPART_BUTTON: {
        GraphicSurface *surface = partImage(path, part, skinName, "button", partName);
        if (!surface)
            return SDL_FALSE;
        part.buttons = part.vertical ? new ImageList(surface, 1, 4) : new ImageList(surface, 4, 1);
        part.buttons->retain();
        break;
    }
    case SKINPART_FONT: {
        EngineFont *mainFont = FontManager::getFont(path, 0, part.rgb[0], part.rgb[1], part.rgb[2]);
        EngineFont *shadowFont = FontManager::getFont(path, 0, part.rgb[3], part.rgb[4], part.rgb[5]);
        if (!mainFont || !shadowFont) {
            Console::addString("loadSkin ('%s') : Error loading font for %s", skinName, partName);
            return SDL_FALSE;
        }
        mainFont->retain();
        shadowFont->retain();
        part.font[0] = mainFont;
        part.font[1] = shadowFont;
        break;
    }
    }
    return SDL_TRUE;
}

void deallocSkinPart(SkinPart &part)
{
    switch (part.type) {
    case SKINPART_TILE:
        if (part.tile)
            part.tile->release();
        break;
    case SKINPART_BEVEL:
        if (part.bevels)
            part.bevels->release();
        break;
    case SKINPART_BUTTON:
        if (part.buttons)
            part.buttons->release();
        break;
    case SKINPART_FONT:
        if (part.font[0])
            part.font[0]->release();
        if (part.font[1])
            part.font[1]->release();
        break;
    }
    part.font[0] = nullptr;
    part.font[1] = nullptr;
}

// The data name of the named skin's file.
void skinDataName(char (&path)[256], const char *skinName)
{
    zarvello::snprintf(255, path, "/gfx/skins/%s.skin", skinName ? skinName : "");
}

}  // namespace

const char *skinSlotLabel(int slot)
{
    return slot >= 0 && slot < SKINSLOT_COUNT ? slotLabels[slot] : "unknown slot";
}

SkinPartType skinSlotType(int slot)
{
    return slot >= 0 && slot < SKINSLOT_COUNT ? slotTypes[slot] : SKINPART_TILE;
}

EngineSkin::EngineSkin(const char *name)
{
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot)
        std::memset(part(slot), 0, sizeof(SkinPart));
    skinName = zarvello::strdup(name);
}

EngineSkin::~EngineSkin()
{
    if (skinName)
        mem_dealloc(skinName);
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot)
        deallocSkinPart(*part(slot));
}

SkinPart *EngineSkin::part(int slot)
{
    SkinPart *parts[SKINSLOT_COUNT] = {
        &enabledCaptionBack, &enabledCaptionButton, &enabledCaptionBevels, &enabledCaptionFont,
        &disabledCaptionBack, &disabledCaptionButton, &disabledCaptionBevels, &disabledCaptionFont,
        &dialogBack, &dialogBevels,
    };
    return slot >= 0 && slot < SKINSLOT_COUNT ? parts[slot] : nullptr;
}

SDL_bool readSkinSpecs(const char *skinName, NFILoader *loader, NFIHandle fileHandle, EngineSkin *theSkin)
{
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        SkinPart &part = *theSkin->part(slot);
        SDL_bool ok = readSkinPart(skinName, loader, fileHandle, part);
        // A part of another known kind would make the slot's accessor hand out the wrong kind of object.
        if (ok && isKnownKind(part.type) && part.type != slotTypes[slot]) {
            Console::addString("loadSkin ('%s'): the %s slot (part %d) holds a %s part, not a %s part", skinName,
                               slotLabels[slot], slot, kindName(part.type), kindName(slotTypes[slot]));
            ok = SDL_FALSE;
        }
        if (!ok) {
            loader->closeFile(fileHandle);
            delete theSkin;
            return SDL_FALSE;
        }
    }
    return SDL_TRUE;
}

SDL_bool readSkinData(const char *skinName, EngineSkin *theSkin)
{
    for (int slot = 0; slot < SKINSLOT_COUNT; ++slot) {
        if (!getPartData(skinName, *theSkin->part(slot), slotLabels[slot])) {
            delete theSkin;
            return SDL_FALSE;
        }
    }
    return SDL_TRUE;
}

SDL_bool skinFileExists(const char *skinName)
{
    char path[256];
    skinDataName(path, skinName);
    return NFILoader::globalLoader()->fileExists(path);
}

EngineSkin *loadSkin(const char *skinName)
{
    char path[256];
    skinDataName(path, skinName);

    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle fileHandle = loader->openFile(path);
    if (fileHandle < 0) {
        Console::addString("loadSkin ('%s'): %s", path, "Unable to open skin file");
        return nullptr;
    }

    EngineSkin *skin = new EngineSkin(skinName);
    if (!readSkinSpecs(skinName, loader, fileHandle, skin))
        return nullptr;
    loader->closeFile(fileHandle);
    if (!readSkinData(skinName, skin))
        return nullptr;
    return skin;
}
