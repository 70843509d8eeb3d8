// Video: opens the fixed 800 x 600 x 16 display (or, when a game asks, a window two or three times as large; no
// other mode or depth is ever tried), reports what the driver offers, and paces the main loop's frames. The
// frame clock and delay are function pointers so the schedule can be driven by a test instead of the machine's
// timing.
// A scaled window: on classic SDL 1.2 `screen` becomes an off-screen surface and every update enlarges its
// rectangles into the real display surface, so only what changed is enlarged. sdl12-compat enlarges by itself
// when told before SDL starts (SDL12COMPAT_WINDOW_SCALING, sharp with SDL12COMPAT_SCALE_METHOD=nearest) and then
// reports mouse positions in 800 x 600 itself; the engine sets those variables only where the player has not, and
// removes them at shutdown. Where the player chose a blurring scale method, the engine enlarges there too.
#include "Video.h"

#include <time.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#include "PixelScale.h"

#include "ConfigTable.h"
#include "Console.h"
#include "FrameSchedule.h"
#include "InputSetup.h"
#include "RenderQueue.h"
#include "ReplaySession.h"
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

// The clock and the sleep as the frames see them: a recorded session keeps every reading, a replayed one gives
// the recorded readings back and does not sleep.
Uint32 sessionTicks()
{
    return sessionClockReading(frameClock);
}

void sessionSleep(Uint32 milliseconds)
{
    sessionDelay(frameDelay, milliseconds);
}

Uint32 fullscreenSetting()
{
    return storedSetting(fullscreen);
}

// The scale the game chose, the player's setting (not a number until a script assigns it) and its name.
int gameScale = 1;
double playerScale = NAN;
char scaleSettingName[256] = "";

// The open display: the surface SDL shows (`screen` unless the engine enlarges), the scale shown and who
// enlarges. lastMouseX/Y are the last translated position, from which relative motion is derived.
SDL_Surface *display = nullptr;
int shownScale = 1;
int compatScale = 1;
bool engineEnlarges = false;
int lastMouseX = -1;
int lastMouseY = -1;

SDL_bool cheapestPresent = SDL_FALSE;

// The variables the engine set in the environment for SDL, removed at shutdown.
const char *setForSdl[4];
int setForSdlCount = 0;

void setSdlVariable(const char *name, const char *value)
{
    setenv(name, value, 1);
    for (int i = 0; i < setForSdlCount; ++i)
        if (std::strcmp(setForSdl[i], name) == 0)
            return;
    if (setForSdlCount < 4)
        setForSdl[setForSdlCount++] = name;
}

void unsetSdlVariable(const char *name)
{
    for (int i = 0; i < setForSdlCount; ++i)
        if (std::strcmp(setForSdl[i], name) == 0) {
            unsetenv(name);
            setForSdl[i] = setForSdl[--setForSdlCount];
            return;
        }
}

void unsetSdlVariables()
{
    while (setForSdlCount > 0)
        unsetenv(setForSdl[--setForSdlCount]);
}

bool onSdl12Compat()
{
    // sdl12-compat numbers its releases from 1.2.50 on; the classic library ended at 1.2.15.
    return SDL_Linked_Version()->patch >= 50;
}

bool isWindowScale(double factor)
{
    return factor >= 1 && factor <= maxWindowScale && factor == std::floor(factor);
}

// The scale start-up opens the window with: the player's setting when it is usable, else the game's.
int chosenScale()
{
    if (scaleSettingName[0] && !std::isnan(playerScale)) {
        if (isWindowScale(playerScale))
            return int(playerScale);
        Console::addString("WARNING: Window scale '%s' = %g is not 1, 2 or 3; the window keeps scale %d",
                           scaleSettingName, playerScale, gameScale);
    }
    return gameScale;
}

// Opens the mode: enlarged by the engine when factor is above 1, else the plain 800 x 600 surface. A refused
// enlarged mode falls back to the plain one after a warning; a refused plain mode logs the failure.
SDL_bool openDisplay(int factor, Uint32 flags)
{
    if (factor > 1) {
        display = SDL_SetVideoMode(screenWidth * factor, screenHeight * factor, screenDepth, flags);
        if (display) {
            const SDL_PixelFormat *format = display->format;
            screen = SDL_CreateRGBSurface(SDL_SWSURFACE, screenWidth, screenHeight, screenDepth, format->Rmask,
                                          format->Gmask, format->Bmask, 0);
        }
        if (display && screen) {
            engineEnlarges = true;
            shownScale = factor;
            return SDL_TRUE;
        }
        Console::addString("WARNING: Couldn't open a %dx%d window for scale %d: %s; the window is not scaled",
                           screenWidth * factor, screenHeight * factor, factor, SDL_GetError());
    }
    screen = SDL_SetVideoMode(screenWidth, screenHeight, screenDepth, flags);
    display = screen;
    if (!screen) {
        Console::addString("Couldn't set %dx%dx%d video mode: %s\n", screenWidth, screenHeight, screenDepth,
                           SDL_GetError());
        return SDL_FALSE;
    }
    // Classic SDL 1.2 draws its own mouse pointer into a dummy display's screen, where a replay would see it in
    // its checksums; hidden before the game draws, it leaves nothing behind.
    if (sessionReplaying())
        SDL_ShowCursor(SDL_DISABLE);
    return SDL_TRUE;
}

void closeDisplay()
{
    if (display && screen && display != screen)
        SDL_FreeSurface(screen);
    if (SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The surfaces went with the subsystem; forgetting them keeps later drawing from touching freed memory.
    screen = nullptr;
    display = nullptr;
    engineEnlarges = false;
    shownScale = 1;
    lastMouseX = -1;
    lastMouseY = -1;
}

double processCpuMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// The process's CPU time (SDL 2's drawing threads included) for one whole-window present, over a few.
double presentCost()
{
    const int warmUp = 2;
    const int measured = 8;
    for (int i = 0; i < warmUp; ++i)
        updateWholeScreen();
    double start = processCpuMilliseconds();
    for (int i = 0; i < measured; ++i)
        updateWholeScreen();
    return (processCpuMilliseconds() - start) / measured;
}

// Opens the display with SDL 2's software renderer after the default one and keeps whichever presented the
// whole window for less CPU time; SDL_FALSE when a reopening failed (logged).
SDL_bool choosePresent(int factor, Uint32 flags)
{
    double defaultCost = presentCost();
    closeDisplay();
    setSdlVariable("SDL_RENDER_DRIVER", "software");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1 || openDisplay(factor, flags) == SDL_FALSE)
        return SDL_FALSE;
    double softwareCost = presentCost();
    if (softwareCost >= defaultCost) {
        closeDisplay();
        unsetSdlVariable("SDL_RENDER_DRIVER");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1 || openDisplay(factor, flags) == SDL_FALSE)
            return SDL_FALSE;
    }
    bool software = softwareCost < defaultCost;
    Console::addString("Present: SDL 2's %s renderer, %.2f ms of CPU a frame (%s renderer %.2f ms)",
                       software ? "software" : "default", software ? softwareCost : defaultCost,
                       software ? "default" : "software", software ? defaultCost : softwareCost);
    return SDL_TRUE;
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
    if (windowScale() > 1)
        Console::addString("Window scaled by %d to %dx%d by %s", windowScale(), screenWidth * windowScale(),
                           screenHeight * windowScale(), engineEnlarges ? "the engine" : "sdl12-compat");
}

}  // namespace

SDL_bool initializeVideo()
{
    Uint32 flags = fullscreenSetting() == Uint32(SDL_TRUE) ? SDL_FULLSCREEN : 0;
    int factor = chosenScale();
    int enlarge = 1;
    bool compat = onSdl12Compat();
    if (factor > 1 && flags == 0) {
        if (!compat) {
            enlarge = factor;
        } else if (!std::getenv("SDL12COMPAT_WINDOW_SCALING")) {
            if (!std::getenv("SDL12COMPAT_SCALE_METHOD"))
                setSdlVariable("SDL12COMPAT_SCALE_METHOD", "nearest");
            if (std::strcmp(std::getenv("SDL12COMPAT_SCALE_METHOD"), "nearest") == 0) {
                setSdlVariable("SDL12COMPAT_WINDOW_SCALING", factor == 2 ? "2" : "3");
                compatScale = factor;
            } else {
                enlarge = factor;
            }
        }
    }

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1) {
        Console::addString("Couldn't initialize video: %s\n", SDL_GetError());
        return SDL_FALSE;
    }
    // SDL 1.2 takes the window's icon only before the mode is set.
    setWindowIconBeforeMode();

    if (openDisplay(enlarge, flags) == SDL_FALSE)
        return SDL_FALSE;
    // The dummy driver presents nothing, so there is nothing to measure.
    char driverName[80] = "";
    SDL_VideoDriverName(driverName, sizeof driverName);
    if (cheapestPresent == SDL_TRUE && compat && !std::getenv("SDL_RENDER_DRIVER") &&
        std::strcmp(driverName, "dummy") != 0 && choosePresent(enlarge, flags) == SDL_FALSE)
        return SDL_FALSE;

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
    closeDisplay();
    compatScale = 1;
    unsetSdlVariables();
    delete RenderQueue::globalRenderQueue();
}

SDL_bool setWindowScale(int factor)
{
    if (!isWindowScale(factor)) {
        Console::addString("WARNING: Window scale %d is not 1, 2 or 3; the window keeps scale %d", factor, gameScale);
        return SDL_FALSE;
    }
    gameScale = factor;
    return SDL_TRUE;
}

SDL_bool registerWindowScaleSetting(const char *name)
{
    if (registerNumberSetting(name, &playerScale, NAN) == SDL_FALSE)
        return SDL_FALSE;
    zarvello::snprintf(255, scaleSettingName, "%s", name);
    return SDL_TRUE;
}

int windowScale()
{
    if (!display)
        return 1;
    return engineEnlarges ? shownScale : compatScale;
}

SDL_Surface *displaySurface()
{
    return display;
}

void updateWholeScreen()
{
    if (!screen)
        return;
    if (engineEnlarges) {
        SDL_Rect whole = {0, 0, Uint16(screenWidth), Uint16(screenHeight)};
        if (SDL_MUSTLOCK(display) && SDL_LockSurface(display) < 0)
            return;
        scalePixels16(screen, whole, display, shownScale);
        if (SDL_MUSTLOCK(display))
            SDL_UnlockSurface(display);
        SDL_UpdateRect(display, 0, 0, 0, 0);
        return;
    }
    SDL_UpdateRect(screen, 0, 0, 0, 0);
}

void updateScreenRects(int count, SDL_Rect *rects)
{
    if (!screen)
        return;
    if (!engineEnlarges) {
        SDL_UpdateRects(screen, count, rects);
        return;
    }
    if (SDL_MUSTLOCK(display) && SDL_LockSurface(display) < 0)
        return;
    for (int i = 0; i < count; ++i) {
        scalePixels16(screen, rects[i], display, shownScale);
        rects[i].x = Sint16(rects[i].x * shownScale);
        rects[i].y = Sint16(rects[i].y * shownScale);
        rects[i].w = Uint16(rects[i].w * shownScale);
        rects[i].h = Uint16(rects[i].h * shownScale);
    }
    if (SDL_MUSTLOCK(display))
        SDL_UnlockSurface(display);
    SDL_UpdateRects(display, count, rects);
}

void translateMouseEvent(SDL_Event *event)
{
    if (!event || !engineEnlarges)
        return;
    switch (event->type) {
    case SDL_MOUSEMOTION: {
        SDL_MouseMotionEvent &motion = event->motion;
        int x = motion.x / shownScale;
        int y = motion.y / shownScale;
        // The first motion has no translated position before it: its own movement, scaled down, stands in.
        int fromX = lastMouseX >= 0 ? lastMouseX : (motion.x - motion.xrel) / shownScale;
        int fromY = lastMouseY >= 0 ? lastMouseY : (motion.y - motion.yrel) / shownScale;
        motion.x = Uint16(x);
        motion.y = Uint16(y);
        motion.xrel = Sint16(x - fromX);
        motion.yrel = Sint16(y - fromY);
        lastMouseX = x;
        lastMouseY = y;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event->button.x = Uint16(event->button.x / shownScale);
        event->button.y = Uint16(event->button.y / shownScale);
        lastMouseX = event->button.x;
        lastMouseY = event->button.y;
        break;
    default:
        break;
    }
}

void setCheapestPresent(SDL_bool choose)
{
    cheapestPresent = choose == SDL_TRUE ? SDL_TRUE : SDL_FALSE;
}

void clearScreenArea(SDL_Rect *area, Uint8 r, Uint8 g, Uint8 b)
{
    if (!screen)
        return;
    SDL_FillRect(screen, area, SDL_MapRGB(screen->format, r, g, b));
}

void waitForNextFrame()
{
    sessionFrameBegins();
    if (steadyFramePacing()) {
        noteFrameStart(waitForSteadyFrame(sessionTicks, sessionSleep));
        return;
    }
    Uint32 now = sessionTicks();
    // The deadline is never more than one period ahead, so an unsigned difference within one period means
    // "not yet", also when the tick count wraps around; anything larger means the deadline has passed.
    Uint32 remaining = nextFrame - now;
    Uint32 start = now;
    if (remaining > 0 && remaining <= framePeriod) {
        sessionSleep(remaining);
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
    return sessionTicks();
}
