// GameDispatch: the reaction to an event whose mouse position is already the game's (translated from a scaled
// window, or replayed as recorded). Private to the engine: the main loop calls it.
// Depends on: Game.
#ifndef ZARVELLO_GAMEDISPATCH_H
#define ZARVELLO_GAMEDISPATCH_H

union SDL_Event;

// handleGameEvent without the translation of mouse positions: the held keys, the GUI's, the engine's and the
// game's reaction.
void dispatchGameEvent(SDL_Event *event);

#endif
