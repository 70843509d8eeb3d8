// bare_sdl: the least a program must do to show what the engine's program shows, for the whole-program
// benchmark: SDL with the timer, the same 800 x 600 x 16 window with the same caption and keyboard set-up, one
// whole-screen update, then the same loop: wait for the 14 ms frame start, handle every pending event (Escape
// or closing the window ends it), update the (empty) list of dirty rectangles. No data, no skin, no fonts. At
// the end it prints its frame rate as the engine does.
// Depends on: SDL 1.2 only.
#include <cstdio>

#include <SDL.h>

namespace {

const Uint32 framePeriod = 14;
Uint32 nextFrame = 0;

// Frame starts as the engine paces them: the next one is 14 ms after the time read on entry.
void waitForNextFrame()
{
    const Uint32 now = SDL_GetTicks();
    if (now < nextFrame)
        SDL_Delay(nextFrame - now);
    nextFrame = now + framePeriod;
}

bool handleEvents()
{
    SDL_Event event;
    bool running = true;
    while (SDL_PollEvent(&event) == 1) {
        if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            running = false;
    }
    return running;
}

}  // namespace

int main(int, char **)
{
    if (SDL_Init(SDL_INIT_TIMER) < 0 || SDL_InitSubSystem(SDL_INIT_VIDEO) < 0)
        return 1;
    SDL_Surface *screen = SDL_SetVideoMode(800, 600, 16, 0);
    if (!screen) {
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("Zarvello", "");
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(500, 30);

    SDL_UpdateRect(screen, 0, 0, 0, 0);
    SDL_Rect dirty[1];
    bool running = true;
    const Uint32 start = SDL_GetTicks();
    int frames = 0;
    while (running) {
        waitForNextFrame();
        running = handleEvents();
        SDL_UpdateRects(screen, 0, dirty);
        ++frames;
    }
    // The engine's closing line, so that a measurement reads both programs' frame rates the same way.
    const float seconds = float(SDL_GetTicks() - start) / 1000.0f;
    std::fprintf(stderr, "FPS was %3.2f, %d frames in %3.2f seconds\n", seconds > 0 ? frames / seconds : 0.0f,
                 frames, seconds);
    SDL_Quit();
    return 0;
}
