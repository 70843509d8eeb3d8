// ReplayGame: a small game on the engine's public interface that is replayable as a game team would write it: a
// square walked by the arrow keys in fixed steps (held keys from isKeyDown), a steady 60 frames a second, a
// sparkle whose colour comes from random numbers seeded with the frame clock, and a start position read from the
// player's save "start" ("X Y"), which it saves again when it ends. It names itself "replaygame" (or the name
// after --name=); --tweak draws one pixel of the square differently from frame 30 on, as a change to a game's
// drawing would. It logs "replay game: frame N at X,Y" when it ends. Escape ends it.
// Depends on: the engine's public headers and library.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#include "Clock.h"
#include "Console.h"
#include "Game.h"
#include "Gui.h"
#include "Init.h"
#include "Input.h"
#include "PlayerData.h"
#include "RenderQueue.h"
#include "Video.h"

namespace {

const int side = 24;
int squareX = 100;
int squareY = 100;
int frames = 0;
bool tweak = false;
unsigned seed = 1;

unsigned nextRandom()
{
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
}

void step()
{
    squareX += (isKeyDown(SDLK_RIGHT) ? 2 : 0) - (isKeyDown(SDLK_LEFT) ? 2 : 0);
    squareY += (isKeyDown(SDLK_DOWN) ? 2 : 0) - (isKeyDown(SDLK_UP) ? 2 : 0);
    squareX = squareX < 0 ? 0 : squareX > 800 - side ? 800 - side : squareX;
    squareY = squareY < 40 ? 40 : squareY > 600 - side ? 600 - side : squareY;
}

SDL_bool setUp()
{
    seed = frameClockTicks();
    char text[32];
    Sint32 got = loadPlayerFile("start", text, sizeof text - 1);
    if (got > 0) {
        text[got] = '\0';
        std::sscanf(text, "%d %d", &squareX, &squareY);
    }
    return SDL_TRUE;
}

void frame()
{
    ++frames;
    clearScreenArea(nullptr, 20, 40, 60);
    SDL_Rect square = {Sint16(squareX), Sint16(squareY), side, side};
    clearScreenArea(&square, 250, 200, 40);
    if (tweak && frames >= 30) {
        SDL_Rect pixel = {Sint16(squareX + 3), Sint16(squareY + 3), 1, 1};
        clearScreenArea(&pixel, 200, 200, 40);
    }
    SDL_Rect sparkle = {Sint16(nextRandom() % 760), Sint16(nextRandom() % 30), 8, 8};
    clearScreenArea(&sparkle, Uint8(nextRandom()), Uint8(nextRandom()), Uint8(nextRandom()));
    RenderQueue::globalRenderQueue()->addRegion(0, 0, 800, 600);
}

void cleanUp()
{
    char text[32];
    int length = std::snprintf(text, sizeof text, "%d %d", squareX, squareY);
    savePlayerFile("start", text, Uint32(length));
    Console::addString("replay game: frame %d at %d,%d", frames, squareX, squareY);
}

}  // namespace

int main(int argc, char **argv)
{
    const char *name = "replaygame";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tweak") == 0)
            tweak = true;
        else if (std::strncmp(argv[i], "--name=", 7) == 0)
            name = argv[i] + 7;
    }
    setGameName(name);
    setWindowCaption("Replay Game");
    setSkinRequired(SDL_FALSE);
    setFrameRate(60);
    setFixedStep(step, 60, 5);
    GameHooks hooks = {setUp, frame, nullptr, cleanUp};
    return runEngine(argc, argv, &hooks);
}
