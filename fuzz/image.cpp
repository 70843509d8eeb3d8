// Fuzz target: image loading through the image cache. The input is a ".tga" data file, loose and as an archive
// member; each is asked for through ImageManager::getImage, which converts it into a 16-bit surface in the
// layout of the screen (the dummy video driver's 800 x 600 x 16 mode, set once), then drawn and tiled onto the
// screen. The cache is destroyed after every input.
#include <cstddef>
#include <cstdint>

#include <SDL.h>

#include "FuzzSupport.h"
#include "GraphicSurface.h"
#include "ImageManager.h"
#include "Memory.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initializeWithScreen();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInputAsFiles("/gfx/loose.tga", "/gfx/member.tga", data, size);
    for (const char *name : {"/gfx/loose.tga", "/gfx/member.tga"}) {
        GraphicSurface *image = ImageManager::getImage(name);
        if (!image)
            continue;
        image->blitToScreen(-3, 590);
        SDL_Rect area = {10, 10, 50, 40};
        image->tileToRect(&area);
        image->setColorKey(255, 0, 255);
        image->blitToScreen(795, -2);
    }
    ImageManager::destroyImageManager();
    fuzz::endInput(baseline);
    return 0;
}
