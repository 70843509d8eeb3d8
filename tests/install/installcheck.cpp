// A game's view of the installed engine: start up from the run directory (the shipped skin and font beside the
// program), take an image and a font through the caches, draw a line of text, shut down, and end with nothing
// of the program's own memory left allocated. Exit status 0 when all of that held.
// Depends on: the installed engine (<zarvello/...>), SDL 1.2.
#include <cstdio>
#include <cstring>

#include <zarvello/Font.h>
#include <zarvello/FontManager.h>
#include <zarvello/GraphicSurface.h>
#include <zarvello/ImageManager.h>
#include <zarvello/Init.h>
#include <zarvello/Memory.h>
#include <zarvello/NFILoader.h>
#include <zarvello/Version.h>
#include <zarvello/Video.h>

static_assert(ZARVELLO_VERSION_ATLEAST(1, 0, 0), "the engine is at least 1.0.0");

static int fail(const char *what)
{
    std::fprintf(stderr, "installcheck: %s\n", what);
    return 1;
}

static int useTheCaches()
{
    GraphicSurface *image = ImageManager::getImage("/gfx/buttons/rectangle/medium.tga");
    if (!image || image->width() <= 0)
        return fail("the image did not load through the image cache");
    if (ImageManager::getImage("/gfx/buttons/rectangle/medium.tga") != image)
        return fail("the image cache loaded the same image twice");

    EngineFont *font = FontManager::getFont("DejaVu Sans", 12, 255, 255, 255);
    if (!font || std::strcmp(font->getFilename(), "/gfx/fonts/DejaVu_Sans_12.font") != 0)
        return fail("the font did not load through the font cache");
    const char *text = "Zarvello " ZARVELLO_VERSION_STRING;
    if (font->blitText(10, 10, 0, text) != std::strlen(text) || font->textSize(text) == 0)
        return fail("the text was not drawn");
    return 0;
}

int main(int argc, char **argv)
{
    if (initializeSystem(argc, argv) != SDL_TRUE) {
        shutdownSystem();
        return fail("start-up failed");
    }
    int status = useTheCaches();
    shutdownSystem();
    if (totalAllocatedMemory() != 0)
        return fail("memory of the program's own was left allocated");
    if (status == 0)
        std::printf("installcheck: Zarvello %s works from the install\n", ZARVELLO_VERSION_STRING);
    return status;
}
