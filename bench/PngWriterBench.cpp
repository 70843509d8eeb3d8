// Screenshots of an 800 x 600 x 16 screen as PNG files: the engine's pngOfSurface against stb_image_write
// (stbi_write_png_to_mem at its default compression level 8, after the surface is turned into 8-bit RGB,
// which the timing includes, since a game would have to do it), each reporting its time and its
// file's bytes ("bytes" counter). Four screens: the dialogs example's screen drawn from the shipped skin and
// font, a tiled field (procedural grass, path and water tiles with a shaded sprite and a line of text), smooth
// shading that changes at every pixel, and noise. Before anything is timed, both files of each screen are
// decoded with stb_image and must show the screen's pixels (ScreenPictures.h).
// Depends on: PngWriter, Dialog, FontManager, Gui (`skin`), SkinLoader, NFILoader, stb_image_write, stb_image,
// Google Benchmark.
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <SDL.h>
#include <benchmark/benchmark.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "BenchSupport.h"
#include "ScreenPictures.h"
#include "Dialog.h"
#include "Font.h"
#include "FontManager.h"
#include "Gui.h"
#include "ImageList.h"
#include "NFILoader.h"
#include "PngWriter.h"
#include "SkinLoader.h"
#include "Video.h"

namespace {

struct Screen {
    const char *name;
    SDL_Surface *surface;
};
std::vector<Screen> screens;

// A copy of the display as it is now.
SDL_Surface *copyOfScreen()
{
    SDL_Surface *copy = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    if (!copy)
        benchFailure("no copy of the screen");
    return copy;
}

// The dialogs example's screen: an enabled dialog with text and an OK button, a disabled one below it.
SDL_Surface *dialogsScreen()
{
    SDL_FillRect(screen, nullptr, 0);
    EngineFont *font = FontManager::getFont("DejaVu Sans", 12, 0, 0, 0);
    ImageList *buttons = loadButtonImages("/gfx/buttons/rectangle/medium.tga");
    if (!font || !buttons)
        benchFailure("the shipped font or button images are missing: " ZARVELLO_DATA_ARCHIVE);
    SDL_Rect mainDialog = {100, 80, 420, 200}, otherDialog = {180, 340, 420, 160};
    makeDialog(SDL_TRUE, &mainDialog, skin, "Hello");
    font->blitText(124, 130, 0, "The OK button answers to a key of the game's own:");
    font->blitText(124, 150, 0, "\"keyPress\" in dialogs.conf (Return unless it says otherwise).");
    font->blitText(124, 190, 0, "OK pressed 0 times");
    buttons->blitImage(0, Sint16(mainDialog.x + mainDialog.w - 120), Sint16(mainDialog.y + mainDialog.h - 48));
    makeDialog(SDL_FALSE, &otherDialog, skin, "A disabled dialog");
    font->blitText(204, 390, 0, "Nothing here answers.");
    buttons->blitImage(3, Sint16(otherDialog.x + otherDialog.w - 120), Sint16(otherDialog.y + otherDialog.h - 48));
    buttons->release();
    return copyOfScreen();
}

// A field of 32 x 32 tiles (textured grass, a stone path, water), a shaded round sprite and a line of text.
SDL_Surface *tiledScreen()
{
    std::mt19937 random(42);
    SDL_Surface *tiles[3];
    const Uint8 base[3][3] = {{60, 140, 50}, {150, 140, 120}, {40, 80, 170}};
    for (int t = 0; t < 3; ++t) {
        tiles[t] = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 16, screen->format->Rmask, screen->format->Gmask,
                                        screen->format->Bmask, 0);
        SDL_Rect all = {0, 0, 32, 32};
        SDL_FillRect(tiles[t], &all, SDL_MapRGB(screen->format, base[t][0], base[t][1], base[t][2]));
        for (int i = 0; i < 60; ++i) {  // blades, pebbles, ripples
            int shade = int(random() % 40) - 20;
            SDL_Rect dot = {Sint16(random() % 31), Sint16(random() % 31), Uint16(1 + t), 1};
            SDL_FillRect(tiles[t], &dot, SDL_MapRGB(screen->format, Uint8(base[t][0] + shade),
                                                    Uint8(base[t][1] + shade), Uint8(base[t][2] + shade)));
        }
    }
    for (int y = 0; y < 600; y += 32)
        for (int x = 0; x < 800; x += 32) {
            int kind = (y / 32 == 9 || x / 32 == 12) ? 1 : (x > 520 && y > 360) ? 2 : 0;
            SDL_Rect from = {0, 0, 32, 32}, to = {Sint16(x), Sint16(y), 0, 0};
            SDL_BlitSurface(tiles[kind], &from, screen, &to);
        }
    for (SDL_Surface *t : tiles)
        SDL_FreeSurface(t);
    for (int y = -24; y < 24; ++y)
        for (int x = -24; x < 24; ++x)
            if (x * x + y * y < 24 * 24) {
                Uint8 light = Uint8(255 - (x + 24) * 2 - (y + 24) * 2);
                SDL_Rect dot = {Sint16(300 + x), Sint16(250 + y), 1, 1};
                SDL_FillRect(screen, &dot, SDL_MapRGB(screen->format, light, Uint8(light / 3), 40));
            }
    EngineFont *font = FontManager::getFont("DejaVu Sans", 12, 255, 255, 255);
    if (!font)
        benchFailure("the shipped font is missing: " ZARVELLO_DATA_ARCHIVE);
    font->blitText(20, 570, 0, "Score 004210   Lives 3   Level 7: the stone path");
    return copyOfScreen();
}

SDL_Surface *noiseScreen()
{
    std::mt19937 random(7);
    SDL_Surface *copy = copyOfScreen();
    for (int y = 0; y < copy->h; ++y) {
        Uint16 *row = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(copy->pixels) + y * copy->pitch);
        for (int x = 0; x < copy->w; ++x)
            row[x] = Uint16(random());
    }
    return copy;
}

// Smooth shading that changes at every pixel (what filters are for): three crossing waves of colour.
SDL_Surface *shadedScreen()
{
    SDL_Surface *copy = copyOfScreen();
    for (int y = 0; y < copy->h; ++y) {
        Uint16 *row = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(copy->pixels) + y * copy->pitch);
        for (int x = 0; x < copy->w; ++x)
            row[x] = Uint16(SDL_MapRGB(copy->format, Uint8(128 + 127 * std::sin(x / 37.0 + y / 53.0)),
                                       Uint8(128 + 127 * std::sin(x / 61.0 - y / 29.0)),
                                       Uint8(128 + 127 * std::cos((x + y) / 47.0))));
    }
    return copy;
}


void prepare()
{
    openBenchScreen();
    NFILoader::globalLoader()->addNFIFile(ZARVELLO_DATA_ARCHIVE);
    skin = loadSkin("default");
    if (!skin)
        benchFailure("the shipped skin is missing: " ZARVELLO_DATA_ARCHIVE);
    screens = {{"dialogs", dialogsScreen()}, {"tiled", tiledScreen()}, {"shaded", shadedScreen()},
               {"noise", noiseScreen()}};
    for (const Screen &s : screens) {
        checkDecodesTo(pngOfSurface(s.surface), s.surface, "the engine");
        checkDecodesTo(stbPng(s.surface), s.surface, "stb_image_write");
        SDL_Surface *surface = s.surface;
        benchmark::RegisterBenchmark((std::string("png/") + s.name + "/engine").c_str(),
                                     [surface](benchmark::State &state) {
            size_t bytes = 0;
            for (auto _ : state)
                bytes = pngOfSurface(surface).size();
            state.counters["bytes"] = double(bytes);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("png/") + s.name + "/stb_image_write").c_str(),
                                     [surface](benchmark::State &state) {
            size_t bytes = 0;
            for (auto _ : state)
                bytes = stbPng(surface).size();
            state.counters["bytes"] = double(bytes);
        })->Unit(benchmark::kMillisecond);
    }
}

void finish()
{
    for (const Screen &s : screens)
        SDL_FreeSurface(s.surface);
    delete NFILoader::globalLoader();
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepare, finish);
}
