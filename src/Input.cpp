// Input: the game's choices about the quit key, key repeat, the window's icon, full screen and joysticks, kept
// until start-up can apply them (the icon before the mode, as SDL 1.2 requires; key repeat after the engine's
// own; pads once the engine stands) or applied at once during the run. The icon is converted to 32 bits, a depth
// whose colour key every SDL 1.2 turns into the icon's mask.
// Depends on: Video (`screen`), ConfigTable (`keyQuit`), TgaLoader, ImageLoader, RenderQueue, Console, Utility.
#include "Input.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include <SDL.h>

#include "ConfigTable.h"
#include "Console.h"
#include "ImageLoader.h"
#include "InputSetup.h"
#include "RenderQueue.h"
#include "TgaLoader.h"
#include "Utility.h"
#include "Video.h"

namespace {

const int largestIcon = 256;

enum QuitKeyChoice { QUIT_KEY_CONFIGURED, QUIT_KEY_CHOSEN, QUIT_KEY_OFF };
QuitKeyChoice quitKeyChoice = QUIT_KEY_CONFIGURED;
SDLKey chosenQuitKey = SDLK_ESCAPE;

bool keysHeld[SDLK_LAST] = {};

bool repeatChosen = false;
int repeatDelay = 0;
int repeatInterval = 0;

char iconName[256] = "";
bool fullScreenKey = false;

bool joysticksWanted = false;
bool joysticksStarted = false;
SDL_Joystick **joysticks = nullptr;
int joystickCount = 0;

}  // namespace

SDL_bool setQuitKey(int key)
{
    if (key < 0 || key >= SDLK_LAST) {
        Console::addString("WARNING: setQuitKey (%d): no key has this number; the quit key stays", key);
        return SDL_FALSE;
    }
    quitKeyChoice = key == SDLK_UNKNOWN ? QUIT_KEY_OFF : QUIT_KEY_CHOSEN;
    chosenQuitKey = SDLKey(key);
    return SDL_TRUE;
}

SDL_bool isKeyDown(SDLKey key)
{
    return key > SDLK_UNKNOWN && key < SDLK_LAST && keysHeld[key] ? SDL_TRUE : SDL_FALSE;
}

void noteKeyEvent(const SDL_Event *event)
{
    if ((event->type == SDL_KEYDOWN || event->type == SDL_KEYUP) && event->key.keysym.sym < SDLK_LAST)
        keysHeld[event->key.keysym.sym] = event->type == SDL_KEYDOWN;
    else if (event->type == SDL_ACTIVEEVENT && !event->active.gain && (event->active.state & SDL_APPINPUTFOCUS))
        std::fill(std::begin(keysHeld), std::end(keysHeld), false);
}

SDL_bool isQuitKey(SDLKey key)
{
    switch (quitKeyChoice) {
    case QUIT_KEY_OFF:
        return SDL_FALSE;
    case QUIT_KEY_CHOSEN:
        return key == chosenQuitKey ? SDL_TRUE : SDL_FALSE;
    case QUIT_KEY_CONFIGURED:
        break;
    }
    return Uint32(key) == storedSetting(keyQuit) ? SDL_TRUE : SDL_FALSE;
}

SDL_bool setKeyRepeat(int delay, int interval)
{
    if (delay < 0 || (delay > 0 && interval < 1)) {
        Console::addString("WARNING: setKeyRepeat (%d, %d): not a delay and an interval; key repeat stays", delay,
                           interval);
        return SDL_FALSE;
    }
    repeatChosen = true;
    repeatDelay = delay;
    repeatInterval = delay > 0 ? interval : 0;
    if (displaySurface())
        applyKeyRepeat();
    return SDL_TRUE;
}

void applyKeyRepeat()
{
    if (repeatChosen)
        SDL_EnableKeyRepeat(repeatDelay, repeatInterval);
}

void setWindowIcon(const char *dataName)
{
    zarvello::snprintf(255, iconName, "%s", dataName ? dataName : "");
}

void setWindowIconBeforeMode()
{
    if (iconName[0] == '\0')
        return;
    if (typeOfImage(iconName) != IMG_TGA) {
        Console::addString("setWindowIcon ('%s'): an icon is a TGA image", iconName);
        return;
    }
    Uint16 width = 0;
    Uint16 height = 0;
    Uint8 *rgb = targaImageFromFile(iconName, width, height);
    if (!rgb)
        return;  // the reader said why
    if (width > largestIcon || height > largestIcon) {
        Console::addString("setWindowIcon ('%s'): an icon is at most %d x %d pixels", iconName, largestIcon,
                           largestIcon);
        delete[] rgb;
        return;
    }
    Uint32 *pixels = new Uint32[size_t(width) * height];
    for (size_t i = 0; i < size_t(width) * height; ++i)
        pixels[i] = Uint32(rgb[3 * i]) | Uint32(rgb[3 * i + 1]) << 8 | Uint32(rgb[3 * i + 2]) << 16;
    delete[] rgb;
    SDL_Surface *icon = SDL_CreateRGBSurfaceFrom(pixels, width, height, 32, width * 4, 0x0000ff, 0x00ff00,
                                                 0xff0000, 0);
    if (!icon) {
        Console::addString("setWindowIcon ('%s'): %s", iconName, SDL_GetError());
    } else {
        SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 255, 0, 255));
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    }
    delete[] pixels;
}

SDL_bool isFullScreen()
{
    SDL_Surface *display = displaySurface();
    return display && (display->flags & SDL_FULLSCREEN) ? SDL_TRUE : SDL_FALSE;
}

SDL_bool toggleFullScreen()
{
    SDL_Surface *display = displaySurface();
    if (!display) {
        Console::addString("WARNING: toggleFullScreen: the window is not open");
        return SDL_FALSE;
    }
    if (SDL_WM_ToggleFullScreen(display) == 0) {
        Console::addString("WARNING: toggleFullScreen: this display cannot switch between window and full screen");
        return SDL_FALSE;
    }
    // The switch may have lost what the display showed: the next flush presents all of it again.
    if (screen)
        RenderQueue::globalRenderQueue()->addRegion(0, 0, Uint16(screen->w), Uint16(screen->h));
    return SDL_TRUE;
}

void setFullScreenKey(SDL_bool on)
{
    fullScreenKey = on == SDL_TRUE;
}

void handleFullScreenKey(const SDL_Event *event)
{
    if (fullScreenKey && event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_RETURN &&
        (event->key.keysym.mod & KMOD_ALT))
        toggleFullScreen();
}

void setJoysticks(SDL_bool open, SDL_bool gamepadLayout)
{
    joysticksWanted = open == SDL_TRUE;
    // sdl12-compat reads this when its joystick subsystem starts; a player's own setting is kept.
    if (joysticksWanted && gamepadLayout == SDL_TRUE)
        setenv("SDL12COMPAT_USE_GAME_CONTROLLERS", "1", 0);
}

int openJoystickCount()
{
    return joystickCount;
}

void openJoysticks()
{
    if (!joysticksWanted || joysticksStarted)
        return;
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0) {
        Console::addString("WARNING: Couldn't initialize joysticks: %s", SDL_GetError());
        return;
    }
    joysticksStarted = true;
    int count = SDL_NumJoysticks();
    if (count <= 0) {
        Console::addString("WARNING: no joystick or gamepad is connected");
        return;
    }
    joysticks = new SDL_Joystick *[count];
    for (int i = 0; i < count; ++i) {
        SDL_Joystick *stick = SDL_JoystickOpen(i);
        if (!stick) {
            Console::addString("WARNING: Couldn't open joystick %d: %s", i, SDL_GetError());
            continue;
        }
        joysticks[joystickCount++] = stick;
        const char *name = SDL_JoystickName(i);
        Console::addString("Joystick %d: %s, %d axes, %d buttons, %d hats", i, name ? name : "",
                           SDL_JoystickNumAxes(stick), SDL_JoystickNumButtons(stick), SDL_JoystickNumHats(stick));
    }
    SDL_JoystickEventState(SDL_ENABLE);
}

void closeJoysticks()
{
    for (int i = 0; i < joystickCount; ++i)
        SDL_JoystickClose(joysticks[i]);
    delete[] joysticks;
    joysticks = nullptr;
    joystickCount = 0;
    if (joysticksStarted)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    joysticksStarted = false;
}
