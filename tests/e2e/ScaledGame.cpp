// ScaledGame: a game on the engine's public interface that asks for a scaled window, for the tests under a real
// X server. It draws a picture whose neighbouring pixels differ (1-pixel checks of black and white beside
// coloured bands), so a blurred or shifted enlargement shows, and logs every mouse press with the position it
// got. Command line: "-scale N" (setWindowScale), "-redraw" (redraw-everything: the picture is drawn in every
// frame and nothing is queued), "-sprite" (a 32 x 32 box moves 2 pixels each frame, its old and new places
// queued), "-cheapest" (setCheapestPresent); the rest goes to the engine. The player's
// setting "windowScale" may choose the scale too.
// Depends on: the engine's public headers and library.
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#include "Console.h"
#include "Init.h"
#include "RenderQueue.h"
#include "Video.h"

namespace {

bool redraw = false;
bool sprite = false;
Sint16 spriteX = 0;

void drawPicture()
{
    clearScreenArea(nullptr, 0, 0, 128);
    SDL_Rect red = {0, 0, 400, 300};
    clearScreenArea(&red, 255, 0, 0);
    SDL_Rect green = {400, 300, 400, 300};
    clearScreenArea(&green, 0, 255, 0);
    // Checks of single pixels from (100, 100) to (131, 131).
    for (Sint16 y = 100; y < 132; ++y)
        for (Sint16 x = 100; x < 132; ++x) {
            SDL_Rect dot = {x, y, 1, 1};
            Uint8 level = (x + y) % 2 ? 255 : 0;
            clearScreenArea(&dot, level, level, level);
        }
}

SDL_bool setUp()
{
    if (!redraw)
        drawPicture();
    return SDL_TRUE;
}

void frame()
{
    if (redraw)
        drawPicture();
    if (sprite) {
        SDL_Rect old = {spriteX, 400, 32, 32};
        clearScreenArea(&old, 0, 0, 128);
        RenderQueue::globalRenderQueue()->addRect(&old);
        spriteX = Sint16((spriteX + 2) % 768);
        SDL_Rect now = {spriteX, 400, 32, 32};
        clearScreenArea(&now, 255, 255, 0);
        RenderQueue::globalRenderQueue()->addRect(&now);
    }
}

void event(SDL_Event *event)
{
    if (event->type == SDL_MOUSEBUTTONDOWN)
        Console::addString("game press %d,%d", event->button.x, event->button.y);
}

}  // namespace

int main(int argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-scale") == 0 && i + 1 < argc) {
            setWindowScale(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "-redraw") == 0) {
            redraw = true;
            RenderQueue::setRedrawEverything(SDL_TRUE);
        } else if (std::strcmp(argv[i], "-sprite") == 0) {
            sprite = true;
        } else if (std::strcmp(argv[i], "-cheapest") == 0) {
            setCheapestPresent(SDL_TRUE);
        } else {
            argv[kept++] = argv[i];
        }
    }
    registerWindowScaleSetting("windowScale");
    GameHooks hooks = {setUp, frame, event, nullptr};
    return runEngine(kept, argv, &hooks);
}
