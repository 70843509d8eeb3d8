// Video: opens the fixed 800 x 600 x 16 display (no other mode or depth is ever tried), reports what the
// driver offers, and paces the main loop's frames. The frame clock and delay are function pointers so the
// schedule can be driven by a test instead of the machine's timing.
#include "Video.h"

#include <cstring>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "FrameSchedule.h"
#include "InputSetup.h"
#include "RenderQueue.h"
#include "Utility.h"

SDL_Surface *screen = nullptr;

namespace {

const int screenWidth = 800;
const int screenHeight = 600;
const int screenDepth = 16;
const Uint32 framePeriod = 14;

Uint32 sdlTicks()
{
    return SDL_GetTicks();
}

void sdlDelay(Uint32 milliseconds)
{
    SDL_Delay(milliseconds);
}

// The caption a game chose before start-up; 255 characters at most, like every name of the engine.
char windowCaption[256] = "Zarvello";

FrameClock frameClock = sdlTicks;
FrameDelay frameDelay = sdlDelay;
Uint32 nextFrame = 0;

Uint32 fullscreenSetting()
{
    return storedSetting(fullscreen);
}

const char *yesNo(Uint32 flag)
{
    return flag ? "YES" : "NO";
}

void addVideoCaps()
{
    char driverName[80] = "";
    if (!SDL_VideoDriverName(driverName, sizeof driverName))
        driverName[0] = '\0';
    Console::addString("Video subsystem using driver: %s", driverName);

    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    Console::addString("Hardware surfaces %s available", info->hw_available ? "are" : "are not");
    Console::addString("Accel: hw<->hw blit %s, hw_colorkey blit %s, hw_alpha blit %s", yesNo(info->blit_hw),
                       yesNo(info->blit_hw_CC), yesNo(info->blit_hw_A));
    Console::addString("Accel: sw<->hw blit %s, sw_colorkey blit %s, sw_alpha blit %s", yesNo(info->blit_sw),
                       yesNo(info->blit_sw_CC), yesNo(info->blit_sw_A));
    Console::addString("Initialized video system for %dx%d 16 bit %s video", screenWidth, screenHeight,
                       fullscreenSetting() != 0 ? "full screen" : "windowed");
}

}  // namespace

SDL_bool initializeVideo()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1) {
        Console::addString("Couldn't initialize video: %s\n", SDL_GetError());
        return SDL_FALSE;
    }
    // SDL 1.2 takes the window's icon only before the mode is set.
    setWindowIconBeforeMode();

    Uint32 flags = fullscreenSetting() == Uint32(SDL_TRUE) ? SDL_FULLSCREEN : 0;
    screen = SDL_SetVideoMode(screenWidth, screenHeight, screenDepth, flags);
    if (!screen) {
        Console::addString("Couldn't set %dx%dx%d video mode: %s\n", screenWidth, screenHeight, screenDepth,
                           SDL_GetError());
        return SDL_FALSE;
    }

    addVideoCaps();
    SDL_WM_SetCaption(windowCaption, "");
    RenderQueue::globalRenderQueue();
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(500, 30);
    applyKeyRepeat();
    return SDL_TRUE;
}

void setWindowCaption(const char *caption)
{
    zarvello::snprintf(255, windowCaption, "%s", caption ? caption : "Zarvello");
}

void shutdownVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The surface went with the subsystem; forgetting it keeps later drawing from touching freed memory.
    screen = nullptr;
    delete RenderQueue::globalRenderQueue();
}

void clearScreenArea(SDL_Rect *area, Uint8 r, Uint8 g, Uint8 b)
{
    if (!screen)
        return;
    SDL_FillRect(screen, area, SDL_MapRGB(screen->format, r, g, b));
}

void waitForNextFrame()
{
    if (steadyFramePacing()) {
        noteFrameStart(waitForSteadyFrame(frameClock, frameDelay));
        return;
    }
    Uint32 now = frameClock();
    // The deadline is never more than one period ahead, so an unsigned difference within one period means
    // "not yet", also when the tick count wraps around; anything larger means the deadline has passed.
    Uint32 remaining = nextFrame - now;
    Uint32 start = now;
    if (remaining > 0 && remaining <= framePeriod) {
        frameDelay(remaining);
        start = nextFrame;
    }
    nextFrame = now + framePeriod;
    noteFrameStart(start);
}

void setFrameTiming(FrameClock clock, FrameDelay delay)
{
    frameClock = clock ? clock : sdlTicks;
    frameDelay = delay ? delay : sdlDelay;
    nextFrame = 0;
    restartFrameSchedule();
}

Uint32 frameClockTicks()
{
    return frameClock();
}
