/// @file
/// A game uses it to load a skin for its dialogs.
/// Skins: the images and fonts that dialog boxes are drawn from, loaded from a ".skin" file of ten fixed records
/// ("/gfx/skins/<name>.skin" through the data loader). Record k (274 bytes, from byte 274 * k; no header, little-
/// endian) holds type (4, signed), filename (256, NUL-terminated), rgb (6: main then shadow colour),
/// transparent (4) and vertical (4). The skin holds one counted reference to every surface, image list and font.
/// Depends on: NFILoader, ImageManager, ImageList, FontManager, GraphicSurface, Font, Memory, Console, Utility.
#ifndef ZARVELLO_SKINLOADER_H
#define ZARVELLO_SKINLOADER_H

#include <SDL_types.h>

#include "NFILoader.h"

class GraphicSurface;
class ImageList;
class EngineFont;
class EngineSkin;

/// The kind of a skin part. The type field of a record may hold any other value; such a part loads nothing.
enum SkinPartType : Sint32 {
    SKINPART_TILE = 0,
    SKINPART_BEVEL = 1,
    SKINPART_BUTTON = 2,
    SKINPART_FONT = 3
};

/// One of the ten parts of a skin: a record of the skin file and the object it loaded.
struct SkinPart {
    /// Which kind of object the part loads.
    SkinPartType type;
    char filename[256];  ///< below "/gfx/skins/" (images) or "/gfx/fonts/" (fonts); all 256 bytes may be name
    unsigned char rgb[6];  ///< main font colour, then shadow font colour
    SDL_bool transparent;  ///< bevels and buttons: magenta becomes transparent
    SDL_bool vertical;  ///< buttons: the four cells are stacked top to bottom
    union {  // the member that type names; all null for any other type
        GraphicSurface *tile;
        ImageList *bevels;
        ImageList *buttons;
        EngineFont *font[2];  ///< main, shadow
    };
};

/// The ten parts in file order, with the slot each fills.
enum SkinSlot {
    SKINSLOT_ENABLED_CAPTION_BACK,
    SKINSLOT_ENABLED_CAPTION_BUTTON,
    SKINSLOT_ENABLED_CAPTION_BEVELS,
    SKINSLOT_ENABLED_CAPTION_FONT,
    SKINSLOT_DISABLED_CAPTION_BACK,
    SKINSLOT_DISABLED_CAPTION_BUTTON,
    SKINSLOT_DISABLED_CAPTION_BEVELS,
    SKINSLOT_DISABLED_CAPTION_FONT,
    SKINSLOT_DIALOG_BACK,
    SKINSLOT_DIALOG_BEVELS,
    SKINSLOT_COUNT
};

/// Size of one part record and of a whole skin file; bytes after the tenth record are never read.
const Uint32 skinPartRecordSize = 274;
/// The size of a whole skin file: ten records.
const Uint32 skinFileSize = skinPartRecordSize * SKINSLOT_COUNT;

/// The label that messages use for a slot ("enabled caption background"), and the kind of part it must hold.
const char *skinSlotLabel(int slot);
/// The kind of part a slot must hold.
SkinPartType skinSlotType(int slot);

/// Loads the named skin and every image and font it names; null, after one "loadSkin (...)" console line,
/// when the file cannot be opened or read, a part of the wrong kind sits in a slot, or a part cannot be loaded.
/// Nothing is left held on failure.
EngineSkin *loadSkin(const char *skinName);

/// Whether the data loader finds the named skin's file ("/gfx/skins/<name>.skin"); nothing is read or logged.
SDL_bool skinFileExists(const char *skinName);

/// Reads the ten records from the open file into theSkin. On failure the file is closed, the skin deleted.
SDL_bool readSkinSpecs(const char *skinName, NFILoader *loader, NFIHandle fileHandle, EngineSkin *theSkin);

/// Loads the images and fonts of the ten parts. On failure the skin is deleted.
SDL_bool readSkinData(const char *skinName, EngineSkin *theSkin);

/// A loaded skin: the surfaces, image lists and fonts dialog boxes are drawn from.
class EngineSkin {
public:
    /// Releases every object the parts hold.
    ~EngineSkin();

    EngineSkin(const EngineSkin &) = delete;
    EngineSkin &operator=(const EngineSkin &) = delete;

    /// The skin's name as given to loadSkin.
    const char *getName() const { return skinName; }

    /// The accessors lend their pointers without taking a reference; an empty slot gives null.
    GraphicSurface *getCaptionBack(SDL_bool enabled) const
    {
        return enabled ? enabledCaptionBack.tile : disabledCaptionBack.tile;
    }
    /// The caption button sheet (four cells) of the enabled or disabled style.
    ImageList *getCaptionButton(SDL_bool enabled) const
    {
        return enabled ? enabledCaptionButton.buttons : disabledCaptionButton.buttons;
    }
    /// The caption bar's 3 x 3 bevel sheet of the enabled or disabled style.
    ImageList *getCaptionBevels(SDL_bool enabled) const
    {
        return enabled ? enabledCaptionBevels.bevels : disabledCaptionBevels.bevels;
    }
    /// Entry 0 is the main caption font, entry 1 the shadow font; any other entry gives null.
    EngineFont *getCaptionFont(SDL_bool enabled, Uint32 which) const
    {
        if (which > 1)
            return nullptr;
        return enabled ? enabledCaptionFont.font[which] : disabledCaptionFont.font[which];
    }
    /// The tile that fills a dialog's body.
    GraphicSurface *getDialogBack() const { return dialogBack.tile; }
    /// The 3 x 3 bevel sheet that frames a dialog's body.
    ImageList *getDialogBevels() const { return dialogBevels.bevels; }

    /// The part in a slot (0 to 9, file order), for the loader and the tools; null for any other slot.
    SkinPart *part(int slot);

private:
    explicit EngineSkin(const char *name);
    friend EngineSkin *loadSkin(const char *skinName);

    SkinPart enabledCaptionBack;
    SkinPart enabledCaptionButton;
    SkinPart enabledCaptionBevels;
    SkinPart enabledCaptionFont;
    SkinPart disabledCaptionBack;
    SkinPart disabledCaptionButton;
    SkinPart disabledCaptionBevels;
    SkinPart disabledCaptionFont;
    SkinPart dialogBack;
    SkinPart dialogBevels;
    char *skinName;
};

#endif
