/// @file
/// A game uses it to hand the engine its hooks: set-up, frame, event and clean-up.
/// Game: where a game plugs into the engine. A game hands its hook table to runEngine (Init.h): its scene set-up,
/// its step of every frame, its reaction to every event and its clean-up. The engine's own reaction to an event
/// comes first and stays the engine's: closing the window or pressing the quit key (`keyQuit`, or the game's
/// choice in Input.h) stops the main loop; Alt+Return toggles full screen when the game asked for it; key
/// releases and every other event are left to the game.
/// Depends on: GameLoop (stopGame), ConfigTable (`keyQuit`), Input and InputSetup (the game's quit key, Alt+Return),
/// RenderQueue and Video (the exposed window), SDL's events, GuiLayer, GameDispatch (the dispatch without translation).
#ifndef ZARVELLO_GAME_H
#define ZARVELLO_GAME_H

#include <SDL_types.h>

union SDL_Event;

/// A game's hooks; a null member does nothing (a null setUp counts as a set-up that succeeded).
struct GameHooks {
    /// Sets up the game's scene after start-up, before the first frame; SDL_FALSE ends the run with exit code 1.
    SDL_bool (*setUp)();
    /// The game's step of every frame: after the frame's events are handled, before its screen update.
    void (*frame)();
    /// The game's reaction to one event, after the engine's own; every event reaches it except those the GUI's
    /// widgets used (GuiLayer.h).
    void (*event)(SDL_Event *event);
    /// Releases what the game made; runs after the main loop (or the failed set-up), before shutdown.
    void (*cleanUp)();
};

/// Makes a copy of hooks the table the main loop calls (runEngine does this); null removes every hook.
void setGameHooks(const GameHooks *hooks);

/// The hook table in force; every member is null until setGameHooks is given one.
const GameHooks &gameHooks();

/// The reaction to one event: the GUI's, which may use it up (GuiLayer.h); the engine's (window close and quit
/// key stop the loop; an exposed window is queued whole when empty flushes are spared), then the game's event
/// hook. A null event is ignored.
void handleGameEvent(SDL_Event *event);

#endif
