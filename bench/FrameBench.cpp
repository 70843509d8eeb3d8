// A typical game frame on the 800 x 600, 16-bit dummy screen: the background tiled from a 32 x 32 tile, 300
// colour-keyed 32 x 32 sprites cut from one 256 x 256 sprite sheet (8 x 8 cells) moving a little each frame,
// 20 lines of text, and the dirty rectangles (each sprite's old and new place, each line) queued and flushed.
// The engine draws it through its API (GraphicSurface::tileToRect, ImageList::blitImage, EngineFont::blitText,
// RenderQueue); plain SDL 1.2 draws the same frame directly (the images loaded by SDL_image and converted to
// the screen's format, run-length colour-keyed blits, each line rendered once by SDL_ttf and kept in the
// screen's format with a run-length colour key, SDL_UpdateRects). The limit is the frame's written bytes (the
// whole background, the sprites' opaque pixels and the text's ink) copied with one memcpy of that size.
// Before anything is timed, the engine's frame without its text is checked pixel for pixel against plain SDL's.
// Depends on: GraphicSurface, ImageList, ImageManager, Font, FontManager, RenderQueue, NFILoader, TgaWriter,
// fonttool, SDL_image, SDL_ttf, Google Benchmark.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include "BenchSupport.h"
#include "Font.h"
#include "FontManager.h"
#include "GraphicSurface.h"
#include "ImageList.h"
#include "ImageManager.h"
#include "NFILoader.h"
#include "RenderQueue.h"
#include "TgaWriter.h"
#include "Video.h"

namespace {

const int tileSide = 32;
const int sheetCells = 8;
const int spriteCount = 300;
const int lineCount = 20;
const int fontSize = 12;
const Sint16 textX = 16;

struct Sprite {
    Sint16 x, y;
    Uint32 cell;
};

// Where sprite i is in frame f: every sprite drifts by its own step, wrapping inside the screen.
Sprite spriteAt(int i, Uint32 f)
{
    const Uint32 x = (static_cast<Uint32>(i) * 97 + f * (1 + i % 3)) % (800 - tileSide + 1);
    const Uint32 y = (static_cast<Uint32>(i) * 61 + f * (1 + i % 2)) % (600 - tileSide + 1);
    return Sprite{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint32>(i) % (sheetCells * sheetCells)};
}

Sint16 lineY(int k)
{
    return static_cast<Sint16>(12 + k * 29);
}

struct FrameData {
    ScratchDirectory directory{"frame"};
    std::string lines[lineCount];
    // The engine's side.
    GraphicSurface *tile = nullptr;
    ImageList *sprites = nullptr;
    EngineFont *font = nullptr;
    // Plain SDL's side.
    SDL_Surface *sdlTile = nullptr;
    SDL_Surface *sdlSheet = nullptr;
    SDL_Surface *sdlLines[lineCount] = {};
    TTF_Font *ttf = nullptr;
    // The limit's.
    size_t frameBytes = 0;
};

FrameData *data = nullptr;

// The tile: a shaded brick pattern. The sheet: on magenta (transparent), each cell holds a disc of its own size
// and colour with a darker rim, so that every sprite has runs of every length.
void writeImages(const std::string &root)
{
    std::vector<std::uint8_t> tile(tileSide * tileSide * 3);
    for (int y = 0; y < tileSide; ++y)
        for (int x = 0; x < tileSide; ++x) {
            std::uint8_t *p = &tile[(y * tileSide + x) * 3];
            const bool mortar = y % 16 == 0 || (x + (y / 16) * 16) % 32 == 0;
            p[0] = static_cast<std::uint8_t>(mortar ? 200 : 120 + x * 2);
            p[1] = static_cast<std::uint8_t>(mortar ? 200 : 60 + y);
            p[2] = static_cast<std::uint8_t>(mortar ? 190 : 40);
        }
    const int sheetSide = tileSide * sheetCells;
    std::vector<std::uint8_t> sheet(sheetSide * sheetSide * 3);
    for (int y = 0; y < sheetSide; ++y)
        for (int x = 0; x < sheetSide; ++x) {
            std::uint8_t *p = &sheet[(y * sheetSide + x) * 3];
            const int cell = (y / tileSide) * sheetCells + x / tileSide;
            const int dx = x % tileSide * 2 - (tileSide - 1);
            const int dy = y % tileSide * 2 - (tileSide - 1);
            const int radius = 2 * (9 + cell % 7);
            const int distance = dx * dx + dy * dy;
            if (distance > radius * radius) {
                p[0] = 255, p[1] = 0, p[2] = 255;
            } else {
                const bool rim = distance > (radius - 4) * (radius - 4);
                p[0] = static_cast<std::uint8_t>((cell * 37) % 200 + (rim ? 0 : 50));
                p[1] = static_cast<std::uint8_t>((cell * 91) % 200 + (rim ? 0 : 40));
                p[2] = static_cast<std::uint8_t>((cell * 53) % 200 + (rim ? 0 : 30));
            }
        }
    std::string error;
    if (!writeTga(root + "/gfx/frame/tile.tga", tile.data(), tileSide, tileSide, 3, TgaWriteOptions(), error) ||
        !writeTga(root + "/gfx/frame/sprites.tga", sheet.data(), sheetSide, sheetSide, 3, TgaWriteOptions(), error))
        benchFailure(error);
}

SDL_Surface *loadWithSdlImage(const std::string &path)
{
    SDL_Surface *loaded = IMG_Load(path.c_str());
    if (!loaded)
        benchFailure(std::string("SDL_image cannot load ") + path + ": " + IMG_GetError());
    SDL_Surface *converted = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    return converted;
}

// The pixels of a 16-bit surface that its colour key leaves transparent are not written by a blit.
size_t opaquePixels(SDL_Surface *surface, const SDL_Rect &part)
{
    size_t count = 0;
    SDL_LockSurface(surface);
    for (int y = part.y; y < part.y + part.h; ++y) {
        const Uint8 *bytes = static_cast<Uint8 *>(surface->pixels) + y * surface->pitch;
        const Uint16 *row = reinterpret_cast<const Uint16 *>(bytes);
        for (int x = part.x; x < part.x + part.w; ++x)
            count += row[x] != surface->format->colorkey;
    }
    SDL_UnlockSurface(surface);
    return count;
}

void prepare()
{
    data = new FrameData();
    const std::string &root = data->directory.path();
    runOrDie({"mkdir", "-p", root + "/gfx/frame", root + "/gfx/fonts"});
    writeImages(root);
    runOrDie({ZARVELLO_FONTTOOL, "make", ZARVELLO_BENCH_FONT_TTF, std::to_string(fontSize),
              root + "/gfx/fonts/DejaVu_Sans_12.font"});
    NFILoader::globalLoader()->addDataPath(root.c_str());
    for (int k = 0; k < lineCount; ++k)
        data->lines[k] = "Line " + std::to_string(k + 1) + ": score " + std::to_string(1000 * (k + 3) + 7 * k) +
                         ", lives 3, level " + std::to_string(k % 9 + 1);

    data->tile = ImageManager::getImage("/gfx/frame/tile.tga");
    GraphicSurface *sheet = ImageManager::getImage("/gfx/frame/sprites.tga");
    data->font = FontManager::getFont("DejaVu Sans", fontSize, 255, 255, 255);
    if (!data->tile || !sheet || !data->font)
        benchFailure("the engine cannot load the frame's images and font");
    sheet->setColorKey(255, 0, 255);
    data->sprites = new ImageList(sheet, sheetCells, sheetCells);
    data->sprites->retain();

    data->sdlTile = loadWithSdlImage(root + "/gfx/frame/tile.tga");
    data->sdlSheet = loadWithSdlImage(root + "/gfx/frame/sprites.tga");
    SDL_SetColorKey(data->sdlSheet, SDL_SRCCOLORKEY | SDL_RLEACCEL, SDL_MapRGB(data->sdlSheet->format, 255, 0, 255));
    if (TTF_Init() != 0 || !(data->ttf = TTF_OpenFont(ZARVELLO_BENCH_FONT_TTF, fontSize)))
        benchFailure(std::string("SDL_ttf cannot open the font: ") + TTF_GetError());
    const SDL_Color white = {255, 255, 255, 0};
    size_t inkPixels = 0;
    for (int k = 0; k < lineCount; ++k) {
        SDL_Surface *rendered = TTF_RenderText_Solid(data->ttf, data->lines[k].c_str(), white);
        if (!rendered)
            benchFailure(std::string("SDL_ttf cannot render a line: ") + TTF_GetError());
        const SDL_Color background = rendered->format->palette->colors[rendered->format->colorkey];
        data->sdlLines[k] = SDL_DisplayFormat(rendered);
        SDL_FreeSurface(rendered);
        SDL_SetColorKey(data->sdlLines[k], SDL_SRCCOLORKEY,
                        SDL_MapRGB(data->sdlLines[k]->format, background.r, background.g, background.b));
        SDL_Rect whole = {0, 0, static_cast<Uint16>(data->sdlLines[k]->w), static_cast<Uint16>(data->sdlLines[k]->h)};
        inkPixels += opaquePixels(data->sdlLines[k], whole);
        SDL_SetColorKey(data->sdlLines[k], SDL_SRCCOLORKEY | SDL_RLEACCEL, data->sdlLines[k]->format->colorkey);
    }

    // Counted in frame 0; the sprites' cells, and so their opaque pixels, are the same in every frame.
    size_t spritePixels = 0;
    SDL_Surface *plainSheet = SDL_DisplayFormat(data->sdlSheet);
    SDL_SetColorKey(plainSheet, SDL_SRCCOLORKEY, data->sdlSheet->format->colorkey);
    for (int i = 0; i < spriteCount; ++i) {
        const Sprite sprite = spriteAt(i, 0);
        SDL_Rect cell = {static_cast<Sint16>(sprite.cell % sheetCells * tileSide),
                         static_cast<Sint16>(sprite.cell / sheetCells * tileSide), tileSide, tileSide};
        spritePixels += opaquePixels(plainSheet, cell);
    }
    SDL_FreeSurface(plainSheet);
    data->frameBytes = (static_cast<size_t>(screen->w) * screen->h + spritePixels + inkPixels) * 2;
}

void engineFrame(Uint32 f, bool withText)
{
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    SDL_Rect whole = {0, 0, static_cast<Uint16>(screen->w), static_cast<Uint16>(screen->h)};
    data->tile->tileToRect(&whole);
    for (int i = 0; i < spriteCount; ++i) {
        const Sprite was = spriteAt(i, f - 1);
        const Sprite now = spriteAt(i, f);
        data->sprites->blitImage(now.cell, now.x, now.y);
        queue->addRegion(was.x, was.y, tileSide, tileSide);
        queue->addRegion(now.x, now.y, tileSide, tileSide);
    }
    if (withText) {
        for (int k = 0; k < lineCount; ++k) {
            const char *line = data->lines[k].c_str();
            data->font->blitText(textX, lineY(k), 0, line);
            queue->addRegion(textX, lineY(k), static_cast<Uint16>(data->font->textSize(line)),
                             static_cast<Uint16>(data->font->charHeight()));
        }
    }
    queue->updateScreen();
}

void sdlFrame(Uint32 f, bool withText)
{
    SDL_Rect dirty[2 * spriteCount + lineCount];
    int count = 0;
    for (int y = 0; y < screen->h; y += tileSide)
        for (int x = 0; x < screen->w; x += tileSide) {
            SDL_Rect place = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
            SDL_BlitSurface(data->sdlTile, nullptr, screen, &place);
        }
    for (int i = 0; i < spriteCount; ++i) {
        const Sprite was = spriteAt(i, f - 1);
        const Sprite now = spriteAt(i, f);
        SDL_Rect cell = {static_cast<Sint16>(now.cell % sheetCells * tileSide),
                         static_cast<Sint16>(now.cell / sheetCells * tileSide), tileSide, tileSide};
        SDL_Rect place = {now.x, now.y, 0, 0};
        SDL_BlitSurface(data->sdlSheet, &cell, screen, &place);
        dirty[count++] = SDL_Rect{was.x, was.y, tileSide, tileSide};
        dirty[count++] = SDL_Rect{now.x, now.y, tileSide, tileSide};
    }
    if (withText) {
        for (int k = 0; k < lineCount; ++k) {
            SDL_Rect place = {textX, lineY(k), 0, 0};
            SDL_BlitSurface(data->sdlLines[k], nullptr, screen, &place);
            dirty[count++] = SDL_Rect{textX, lineY(k), static_cast<Uint16>(data->sdlLines[k]->w),
                                      static_cast<Uint16>(data->sdlLines[k]->h)};
        }
    }
    SDL_UpdateRects(screen, count, dirty);
}

std::vector<Uint8> screenPixels()
{
    const Uint8 *pixels = static_cast<const Uint8 *>(screen->pixels);
    return std::vector<Uint8>(pixels, pixels + static_cast<size_t>(screen->pitch) * screen->h);
}

void checkFramesAgree()
{
    SDL_FillRect(screen, nullptr, 0);
    engineFrame(7, false);
    const std::vector<Uint8> engine = screenPixels();
    SDL_FillRect(screen, nullptr, 0);
    sdlFrame(7, false);
    if (screenPixels() != engine)
        benchFailure("the engine's frame differs from plain SDL's");
}

void registerBenchmarks()
{
    benchmark::RegisterBenchmark("frame/engine", [](benchmark::State &state) {
        Uint32 f = 0;
        for (auto _ : state)
            engineFrame(++f, true);
        state.counters["frame_bytes"] = static_cast<double>(data->frameBytes);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("frame/sdl", [](benchmark::State &state) {
        Uint32 f = 0;
        for (auto _ : state)
            sdlFrame(++f, true);
        state.counters["frame_bytes"] = static_cast<double>(data->frameBytes);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("frame/limit", [](benchmark::State &state) {
        std::vector<Uint8> from(data->frameBytes, 0x5A);
        std::vector<Uint8> to(data->frameBytes);
        for (auto _ : state) {
            std::memcpy(to.data(), from.data(), data->frameBytes);
            benchmark::ClobberMemory();
        }
        state.counters["frame_bytes"] = static_cast<double>(data->frameBytes);
    })->Unit(benchmark::kMicrosecond);
}

void prepareProgram()
{
    openBenchScreen();
    prepare();
    checkFramesAgree();
    registerBenchmarks();
}

void finishProgram()
{
    for (SDL_Surface *line : data->sdlLines)
        SDL_FreeSurface(line);
    SDL_FreeSurface(data->sdlSheet);
    SDL_FreeSurface(data->sdlTile);
    TTF_CloseFont(data->ttf);
    TTF_Quit();
    data->sprites->release();
    ImageManager::destroyImageManager();
    FontManager::destroyFontManager();
    delete NFILoader::globalLoader();
    delete data;
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
