/// @file
/// A game uses it to stop the main loop (stopGame).
/// GameLoop: the frame loop. Each frame waits for its start time, handles every pending event, runs the game's
/// frame hook, copies the frame's dirty rectangles to the display and counts itself; the loop ends when the game
/// is stopped (quit key, window close or the game's own stopGame) and then logs the frame rate it achieved. It
/// runs once per process.
/// Depends on: Video (`screen`, frame pacing), RenderQueue, Game, GameDispatch, Console, FrameSchedule, GuiLayer,
/// ReplaySession and RecordingFile (a recorded or replayed session).
#ifndef ZARVELLO_GAMELOOP_H
#define ZARVELLO_GAMELOOP_H

/// Shows the whole screen once, runs frames until stopGame, then logs
/// "FPS was %3.2f, %d frames in %3.2f seconds".
void runGame();

/// The per-frame game step: handles the pending events, runs the fixed steps due (Clock.h), calls the game's
/// frame hook (Game.h), then draws the GUI's dirty widgets (drawGui, GuiLayer.h).
void doGameLoop();

/// Passes every pending SDL event, in arrival order, to handleGameEvent.
void handleEvents();

/// Ends the loop after the current frame; nothing starts it again.
void stopGame();

#endif
