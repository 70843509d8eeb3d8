// Text: one 60-character line drawn on the 16-bit screen each frame. The engine's blitText against SDL_ttf
// rendering the same line every frame (TTF_RenderText_Solid from DejaVu Sans at the same pixel size, then one
// blit) and against blitting a line SDL_ttf rendered once (the limit). Two more rows for reference: the
// engine's one-blit-per-character path, and the pre-rendered line converted to the screen's format with a
// run-length colour key (the fastest a programmer could make SDL's blit). The engine's font file is made
// by fonttool from the same TrueType file; blitText is checked pixel for pixel against the per-character
// blits before anything is timed.
// Depends on: Font, FontManager, NFILoader, fonttool, SDL_ttf, Google Benchmark.
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include "BenchSupport.h"
#include "Font.h"
#include "FontManager.h"
#include "NFILoader.h"
#include "Video.h"

namespace {

const char line[] = "Zarvello draws this sixty character line of text each frame!";
static_assert(sizeof line == 61, "the line has 60 characters");
const int pixelSize = 12;
const Sint16 lineX = 20;
const Sint16 lineY = 280;
const SDL_Color white = {255, 255, 255, 0};

ScratchDirectory *fontDirectory = nullptr;
EngineFont *engineFont = nullptr;
TTF_Font *ttfFont = nullptr;

std::vector<Uint8> screenPixels()
{
    const Uint8 *pixels = static_cast<const Uint8 *>(screen->pixels);
    return std::vector<Uint8>(pixels, pixels + static_cast<size_t>(screen->pitch) * screen->h);
}

void prepareFonts()
{
    fontDirectory = new ScratchDirectory("text");
    runOrDie({"mkdir", "-p", fontDirectory->path() + "/gfx/fonts"});
    runOrDie({ZARVELLO_FONTTOOL, "make", ZARVELLO_BENCH_FONT_TTF, std::to_string(pixelSize),
              fontDirectory->path() + "/gfx/fonts/bench.font"});
    NFILoader::globalLoader()->addDataPath(fontDirectory->path().c_str());
    engineFont = FontManager::getFont("/gfx/fonts/bench.font", pixelSize, 255, 255, 255);
    if (!engineFont)
        benchFailure("the engine cannot load the font made by fonttool");

    if (TTF_Init() != 0 || !(ttfFont = TTF_OpenFont(ZARVELLO_BENCH_FONT_TTF, pixelSize)))
        benchFailure(std::string("SDL_ttf cannot open the font: ") + TTF_GetError());

    SDL_FillRect(screen, nullptr, 0);
    engineFont->blitTextPerCharacter(lineX, lineY, 0, line);
    const std::vector<Uint8> perCharacter = screenPixels();
    SDL_FillRect(screen, nullptr, 0);
    engineFont->blitText(lineX, lineY, 0, line);
    if (screenPixels() != perCharacter)
        benchFailure("blitText draws other pixels than one blit per character");
}

SDL_Surface *renderWithTtf()
{
    SDL_Surface *rendered = TTF_RenderText_Solid(ttfFont, line, white);
    if (!rendered)
        benchFailure(std::string("SDL_ttf cannot render the line: ") + TTF_GetError());
    return rendered;
}

void blitToScreen(SDL_Surface *surface)
{
    SDL_Rect place = {lineX, lineY, 0, 0};
    SDL_BlitSurface(surface, nullptr, screen, &place);
}

void registerBenchmarks()
{
    benchmark::RegisterBenchmark("text/line60/engine", [](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(engineFont->blitText(lineX, lineY, 0, line));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("text/line60/sdl_ttf", [](benchmark::State &state) {
        for (auto _ : state) {
            SDL_Surface *rendered = renderWithTtf();
            blitToScreen(rendered);
            SDL_FreeSurface(rendered);
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("text/line60/limit", [](benchmark::State &state) {
        SDL_Surface *rendered = renderWithTtf();
        for (auto _ : state)
            blitToScreen(rendered);
        SDL_FreeSurface(rendered);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("text/line60/engine_per_character", [](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(engineFont->blitTextPerCharacter(lineX, lineY, 0, line));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("text/line60/limit_screen_format", [](benchmark::State &state) {
        SDL_Surface *rendered = renderWithTtf();
        SDL_Surface *converted = SDL_DisplayFormat(rendered);
        const SDL_Color background = rendered->format->palette->colors[rendered->format->colorkey];
        SDL_SetColorKey(converted, SDL_SRCCOLORKEY | SDL_RLEACCEL,
                        SDL_MapRGB(converted->format, background.r, background.g, background.b));
        SDL_FreeSurface(rendered);
        for (auto _ : state)
            blitToScreen(converted);
        SDL_FreeSurface(converted);
    })->Unit(benchmark::kMicrosecond);
}

void prepareProgram()
{
    openBenchScreen();
    prepareFonts();
    registerBenchmarks();
}

void finishProgram()
{
    TTF_CloseFont(ttfFont);
    TTF_Quit();
    FontManager::destroyFontManager();
    delete NFILoader::globalLoader();
    delete fontDirectory;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
