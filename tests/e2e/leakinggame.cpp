// leakinggame: a game on the engine that really leaks, for the whole-program runs of the leak report. It
// starts the engine as zarvello does, keeps one more reference to a surface the engine made (so the surface
// object and its name copy stay allocated by engine code) and 100 bytes of its own, shows a few frames (under
// sdl12-compat, SDL 2's OpenGL driver allocates meanwhile), and shuts down: the report must name exactly
// those bytes, whichever SDL 1.2 runs it.
// Depends on: the engine (start-up and shutdown, GraphicSurface, RenderQueue, the frame pacing).
#include <SDL.h>

#include "GraphicSurface.h"
#include "Init.h"
#include "RenderQueue.h"
#include "Video.h"

// Held in globals, so the sanitizer's leak checker sees them reachable and leaves the report to the program.
GraphicSurface *keptSurface = nullptr;
char *gamesOwnBytes = nullptr;

int main(int argc, char **argv)
{
    if (initializeSystem(argc, argv) != SDL_TRUE) {
        shutdownSystem();
        return 1;
    }
    keptSurface = GraphicSurface::newSurface(8, 8, "leaked");
    if (keptSurface)
        keptSurface->retain();
    gamesOwnBytes = new char[100];
    SDL_UpdateRect(screen, 0, 0, 0, 0);
    for (int frame = 0; frame < 20; ++frame) {
        waitForNextFrame();
        RenderQueue::globalRenderQueue()->addRegion(0, 0, 8, 8);
        RenderQueue::globalRenderQueue()->updateScreen();
    }
    shutdownSystem();
    return 0;
}
