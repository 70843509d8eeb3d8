// The scaled window's cost per frame on SDL's dummy driver (where presenting costs nothing, so what is timed is
// the enlargement): the engine's update of the whole 800 x 600 screen into the 1600 x 1200 (or 2400 x 1800)
// display, and of the dirty rectangles of a typical frame (40 rectangles of 48 x 48, a sprite's old and new place
// for 20 sprites: 92,160 of 480,000 pixels). Beside it, SDL 1.2's own nearest-pixel stretch (SDL_SoftStretch)
// of the whole screen, and the limit: the enlarged frame's bytes written with one memcpy. Before anything is
// timed, the engine's enlargement is checked pixel for pixel against SDL_SoftStretch's.
// Depends on: Video (setWindowScale, updateWholeScreen, updateScreenRects), SDL, Google Benchmark.
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <SDL.h>

#include "BenchSupport.h"
#include "Video.h"

namespace {

const int dirtyCount = 40;
const Uint16 dirtySide = 48;

int openedScale = 0;

// Opens the dummy display scaled by factor (closing one of another scale first).
void openScaled(int factor)
{
    if (openedScale == factor)
        return;
    if (openedScale)
        shutdownVideo();
    silenceConsole();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    // On sdl12-compat a blurring scale method makes the engine enlarge by itself, as on the classic library.
    setenv("SDL12COMPAT_SCALE_METHOD", "linear", 1);
    setWindowScale(factor);
    if (initializeVideo() == SDL_FALSE || displaySurface() == screen)
        benchFailure("no display enlarged by the engine");
    openedScale = factor;
    for (int y = 0; y < screen->h; ++y) {
        Uint16 *row = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(screen->pixels) + y * screen->pitch);
        for (int x = 0; x < screen->w; ++x)
            row[x] = Uint16(x * 7 + y * 131);
    }
}

std::vector<SDL_Rect> dirtyRects()
{
    std::vector<SDL_Rect> rects;
    for (int i = 0; i < dirtyCount; ++i)
        rects.push_back(SDL_Rect{Sint16((i * 97) % (800 - dirtySide)), Sint16((i * 61) % (600 - dirtySide)),
                                 dirtySide, dirtySide});
    return rects;
}

void checkAgreesWithSoftStretch()
{
    openScaled(2);
    updateWholeScreen();
    SDL_Surface *display = displaySurface();
    SDL_Surface *stretched = SDL_CreateRGBSurface(SDL_SWSURFACE, display->w, display->h, 16, display->format->Rmask,
                                                  display->format->Gmask, display->format->Bmask, 0);
    SDL_SoftStretch(screen, nullptr, stretched, nullptr);
    for (int y = 0; y < display->h; ++y)
        if (std::memcmp(static_cast<Uint8 *>(display->pixels) + y * display->pitch,
                        static_cast<Uint8 *>(stretched->pixels) + y * stretched->pitch, display->w * 2) != 0)
            benchFailure("the engine's enlargement differs from SDL_SoftStretch in row " + std::to_string(y));
    SDL_FreeSurface(stretched);
}

void registerBenchmarks()
{
    for (int factor : {2, 3}) {
        std::string name = "scale" + std::to_string(factor);
        benchmark::RegisterBenchmark((name + "/engine_whole_screen").c_str(), [factor](benchmark::State &state) {
            openScaled(factor);
            for (auto _ : state)
                updateWholeScreen();
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/engine_dirty_rects").c_str(), [factor](benchmark::State &state) {
            openScaled(factor);
            const std::vector<SDL_Rect> rects = dirtyRects();
            std::vector<SDL_Rect> passed(rects.size());
            for (auto _ : state) {
                passed = rects;
                updateScreenRects(int(passed.size()), passed.data());
            }
            state.counters["pixels"] = double(dirtyCount) * dirtySide * dirtySide;
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/SDL_SoftStretch_whole_screen").c_str(),
                                     [factor](benchmark::State &state) {
            openScaled(factor);
            SDL_Surface *display = displaySurface();
            for (auto _ : state)
                SDL_SoftStretch(screen, nullptr, display, nullptr);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/limit").c_str(), [factor](benchmark::State &state) {
            const std::size_t bytes = std::size_t(800 * factor) * 600 * factor * 2;
            std::vector<Uint8> from(bytes, 0x5A);
            std::vector<Uint8> to(bytes);
            for (auto _ : state) {
                std::memcpy(to.data(), from.data(), bytes);
                benchmark::ClobberMemory();
            }
        })->Unit(benchmark::kMicrosecond);
    }
}

void prepareProgram()
{
    checkAgreesWithSoftStretch();
    registerBenchmarks();
}

void finishProgram()
{
    shutdownVideo();
    unsetenv("SDL12COMPAT_SCALE_METHOD");
    SDL_Quit();
}

}  // namespace

int main(int argc, char **argv)
{
    return runBenchmarkProgram(argc, argv, prepareProgram, finishProgram);
}
