// Fuzz target: image loading through the image cache. The input is a ".tga" data file, loose and as an archive
// member; each is asked for through ImageManager::getImage, which converts it into a 16-bit surface in the
// layout of the screen (the dummy video driver's 800 x 600 x 16 mode, set once), then drawn and tiled onto the
// screen. The cache is destroyed after every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <SDL.h>

#include "ConfigTable.h"
#include "FuzzSupport.h"
#include "GraphicSurface.h"
#include "ImageManager.h"
#include "Memory.h"
#include "Video.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    fuzz::initialize();
    fullscreen = SDL_FALSE;
    if (SDL_Init(SDL_INIT_TIMER) < 0 || !initializeVideo())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInput();
    fuzz::writeDataFile("/gfx/loose.tga", data, size);
    fuzz::writeArchive("member.nfi", "/gfx/member.tga", data, size);
    fuzz::freshLoader();
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
