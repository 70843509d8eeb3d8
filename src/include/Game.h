/// @file
/// Game: the game's reaction to one event. Closing the window or pressing the quit key (`keyQuit`) stops the
/// main loop; key releases and every other event are ignored.
/// Depends on: GameLoop (stopGame), ConfigTable (`keyQuit`), SDL's events.
#ifndef ZARVELLO_GAME_H
#define ZARVELLO_GAME_H

union SDL_Event;

/// Reacts to one event: a window close or a press of the quit key stops the main loop; null is ignored.
void handleGameEvent(SDL_Event *event);

#endif
