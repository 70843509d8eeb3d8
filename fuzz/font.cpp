// Fuzz target: the font loader and text drawing. The input is a font file, loose ("/gfx/fonts/Fuzz_12.font",
// asked for by its bare name and size) and as an archive member (asked for by its data name); a font that
// loads draws every byte value as text at the screen's edges and inside, formatted and measured. The font
// cache is destroyed after every input.
#include <cstddef>
#include <cstdint>

#include <SDL.h>

#include "Font.h"
#include "FontManager.h"
#include "FuzzSupport.h"
#include "Memory.h"

namespace {

void drawWith(EngineFont *font)
{
    char every[256];
    for (int i = 1; i < 256; ++i)
        every[i - 1] = static_cast<char>(i);
    every[255] = '\0';
    font->blitText(-7, -3, 0, every);
    font->blitText(780, 590, 0, every);
    font->blitText(10, 300, 40, every + 31);
    font->blitTextPerCharacter(-20, 595, 0, every + 31);
    font->blitTextFmt(32000, 10, 700, "%s %d", every, 12345);
    volatile Uint32 width = font->textSize(every) + font->textSizeFmt("%s", every + 31);
    (void)width;
    volatile const char *name = font->name();
    (void)name;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initializeWithScreen();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInputAsFiles("/gfx/fonts/Fuzz_12.font", "/gfx/fonts/member.font", data, size);
    if (EngineFont *font = FontManager::getFont("Fuzz", 12, 255, 255, 255))
        drawWith(font);
    if (EngineFont *font = FontManager::getFont("/gfx/fonts/member.font", 0, 10, 20, 30))
        drawWith(font);
    FontManager::destroyFontManager();
    fuzz::endInput(baseline);
    return 0;
}
