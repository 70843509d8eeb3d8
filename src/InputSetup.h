// InputSetup: where start-up and shutdown apply what a game chose in Input.h. Private to the engine.
// Depends on: nothing.
#ifndef ZARVELLO_INPUTSETUP_H
#define ZARVELLO_INPUTSETUP_H

union SDL_Event;

// Gives SDL the game's window icon; video is started, the mode not yet set.
void setWindowIconBeforeMode();

// Sets the game's key repeat, if it chose one, over the engine's.
void applyKeyRepeat();

// Starts the joystick subsystem and opens every pad, if the game asked for them.
void openJoysticks();

// Closes the pads and quits the joystick subsystem, if they were opened.
void closeJoysticks();

// Keeps which keys are held from a key event; a window that loses the keyboard lets every key go.
void noteKeyEvent(const SDL_Event *event);

// The engine's reaction to the full-screen key, when the game turned it on.
void handleFullScreenKey(const SDL_Event *event);

#endif
