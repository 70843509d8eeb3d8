/// @file
/// Input: what a game decides about the keyboard, joysticks and gamepads and its window. Without any of these
/// calls the engine keeps its own choices: the quit key is the configuration's `keyQuit` (Escape by default),
/// keys repeat after 500 ms every 30 ms, the window has the system's icon, full screen is chosen once at
/// start-up, and joysticks are left alone.
///
/// Joysticks and gamepads: setJoysticks opens every pad at start-up (and closes them at shutdown); their events
/// (SDL_JOYBUTTONDOWN, SDL_JOYAXISMOTION, SDL_JOYHATMOTION, ...) reach the game's event hook. Button numbers are
/// the device's own on classic SDL 1.2. On sdl12-compat, asking for the gamepad layout (or the player setting
/// SDL12COMPAT_USE_GAME_CONTROLLERS=1) makes every pad that SDL knows as a gamepad number its buttons by place,
/// whatever its make: 0 A (bottom), 1 B (right), 2 X (left), 3 Y (top), 4 back, 5 guide, 6 start, 7 left stick,
/// 8 right stick, 9 left shoulder, 10 right shoulder, 11 to 14 the d-pad (up, down, left, right); its axes 0 and
/// 1 are the left stick, 2 and 3 the right stick, 4 and 5 the triggers; it has no hats; pads SDL does not know as
/// gamepads are then left out.
/// Depends on: Video (`screen`), ConfigTable (`keyQuit`), the image readers (the icon), RenderQueue, Console,
/// ImageLoader, InputSetup, TgaLoader, Utility.
#ifndef ZARVELLO_INPUT_H
#define ZARVELLO_INPUT_H

#include <SDL_keyboard.h>
#include <SDL_types.h>

/// Makes key the quit key from now on, before runEngine or during the run, over the configuration's
/// `keyQuit`; SDLK_UNKNOWN turns the quit key off (closing the window still ends the game). A number that is no
/// key is ignored with a "WARNING: " line; SDL_FALSE then.
SDL_bool setQuitKey(int key);

/// Whether a press of key ends the game: the game's quit key if it chose one, otherwise `keyQuit`.
SDL_bool isQuitKey(SDLKey key);

/// Whether key is held down, as the key events the main loop handled so far tell (a press that no release has
/// followed; a window that loses the keyboard lets every key go). Unlike SDL_GetKeyState, a replayed session
/// (Replay.h) gives the same answers as the played one. SDL_FALSE for a number that is no key.
SDL_bool isKeyDown(SDLKey key);

/// Key repeat: a held key repeats after delay ms, then every interval ms; a delay of 0 turns repeat off.
/// Takes effect at once during the run, or at start-up when called before runEngine (the engine's own choice is
/// 500 and 30). A negative delay, or an interval below 1 with repeat on, is ignored with a "WARNING: " line;
/// SDL_FALSE then.
SDL_bool setKeyRepeat(int delay, int interval);

/// The window's icon, a TGA image named by its data name ("/gfx/icon.tga"; magenta is transparent; at most
/// 256 x 256 pixels), set at start-up before the window opens, as SDL 1.2 requires; call it before runEngine. An
/// icon that cannot be read is reported with one console line and the window keeps the system's icon. Null
/// forgets the choice.
void setWindowIcon(const char *dataName);

/// Switches between window and full screen during the run; SDL_FALSE, after a "WARNING: " line, where the
/// display cannot switch (the window then stays as it is) or before the window is open.
SDL_bool toggleFullScreen();

/// Whether the display is full screen now.
SDL_bool isFullScreen();

/// With SDL_TRUE, Alt+Return toggles full screen during the run (the game's event hook still sees the key);
/// off by default. Before runEngine or during the run.
void setFullScreenKey(SDL_bool on);

/// With open SDL_TRUE, start-up starts SDL's joystick subsystem and opens every joystick and gamepad, and
/// shutdown closes them; gamepadLayout asks sdl12-compat for one button layout for every gamepad (see above;
/// classic SDL 1.2 has no such layout and ignores it; a player's own SDL12COMPAT_USE_GAME_CONTROLLERS wins).
/// Call it before runEngine. No pad connected: one "WARNING: " line at start-up, and the game runs on.
void setJoysticks(SDL_bool open, SDL_bool gamepadLayout);

/// The number of joysticks and gamepads open (0 before start-up or without setJoysticks).
int openJoystickCount();

#endif
