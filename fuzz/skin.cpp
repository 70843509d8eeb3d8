// Fuzz target: the skin loader with its parts. The data directory holds a copy of the shipped data archive
// (its images and caption font are the fixed data set the skin records can name); the input is a skin file,
// loose ("fuzz") and as the member of a second archive ("member"). A skin that loads is drawn from every
// accessor, as the demonstration draws its dialogs (over small areas: tiling a tiny image costs one blit per
// tile), then deleted; the caches are destroyed after every input.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include <SDL.h>

#include "Font.h"
#include "FontManager.h"
#include "FuzzSupport.h"
#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageManager.h"
#include "Memory.h"
#include "SkinLoader.h"

namespace {

void drawSheet(ImageList *sheet)
{
    if (!sheet)
        return;
    for (Uint32 i = 0; i < sheet->count(); ++i) {
        sheet->blitImage(i, static_cast<Sint16>(20 * i), 100);
        SDL_Rect area = {0, 200, 48, 30};
        sheet->tileImage(i, &area);
    }
}

void draw(EngineSkin *skin)
{
    for (SDL_bool enabled : {SDL_TRUE, SDL_FALSE}) {
        SDL_Rect area = {5, 5, 64, 22};
        if (GraphicSurface *back = skin->getCaptionBack(enabled))
            back->tileToRect(&area);
        drawSheet(skin->getCaptionBevels(enabled));
        drawSheet(skin->getCaptionButton(enabled));
        for (Uint32 which = 0; which < 3; ++which)
            if (EngineFont *font = skin->getCaptionFont(enabled, which))
                font->blitText(12, 8, 0, "I am a dialog box");
    }
    SDL_Rect body = {5, 27, 64, 48};
    if (GraphicSurface *back = skin->getDialogBack())
        back->tileToRect(&body);
    drawSheet(skin->getDialogBevels());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initializeWithScreen();
    std::filesystem::copy_file(ZARVELLO_SHIPPED_ARCHIVE, fuzz::dataDirectory() + "/default.nfi");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInputAsFiles("/gfx/skins/fuzz.skin", "/gfx/skins/member.skin", data, size);
    for (const char *name : {"fuzz", "member"}) {
        if (EngineSkin *skin = loadSkin(name)) {
            draw(skin);
            delete skin;
        }
    }
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    fuzz::endInput(baseline);
    return 0;
}
