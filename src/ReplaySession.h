// ReplaySession: what the main loop, the frame pacing, start-up and the player's files tell a recorded or
// replayed session (Replay.h), and what it answers. Private to the engine. Without ZARVELLO_RECORD or
// ZARVELLO_REPLAY no session runs and every call passes straight through: the clock is read, the delay sleeps,
// the events come from SDL and the player's files from the disk.
// Depends on: SDL's events.
#ifndef ZARVELLO_REPLAYSESSION_H
#define ZARVELLO_REPLAYSESSION_H

#include <SDL_events.h>
#include <SDL_types.h>

// Starts the session the environment asks for, before anything of the engine starts. false, after console lines
// naming what is wrong, when the recording cannot be replayed (or the record file not made): the run must end
// with exit code 1 without running anything.
bool startSession(int argc, char **argv);

// Ends the session after the game's clean-up: writes the recording, or reports the replay and writes its
// checksums. false when a replay check failed or a file could not be written (the exit code becomes 1). Frees
// everything the session held.
bool endSession();

// After the configuration file and the switches: a recording keeps the game's settings, a replay puts the
// recorded ones in force.
void sessionSettings();

// A frame begins (the frame pacing calls it first thing).
void sessionFrameBegins();

// One reading of the frame clock through clock: recorded, or the recorded reading given back.
Uint32 sessionClockReading(Uint32 (*clock)());

// A sleep of the frame pacing through delay; none in a replay.
void sessionDelay(void (*delay)(Uint32), Uint32 milliseconds);

// Whether a replay is running: the events from outside (isRecordedEvent) come from the recording.
bool sessionReplaying();

// The frame's recorded events, for the main loop to hand on in this order; null count 0 outside a replay. After
// the last recorded frame's events the replay stops the game.
const SDL_Event *sessionFrameEvents(Uint32 *count);

// One event the main loop handles, as the game will see it (mouse positions in the game's 800 x 600).
void sessionEvent(const SDL_Event &event);

// The frame has reached the screen; last when the game has stopped. A replay checks the screen here.
void sessionFrameEnds(bool last);

// A player's file the game read: result bytes of buffer, or -1 for none.
void sessionPlayerFileRead(const char *name, const void *buffer, Sint32 result);

// In a replay, the recorded read of the player's file name (as loadPlayerFile returns it); sets *served. Outside
// a replay *served is false and nothing else happens.
Sint32 sessionPlayerFile(const char *name, void *buffer, Uint32 capacity, bool *served);

// Whether the player's files may be written: not in a replay, which leaves them as they were.
bool sessionWritesPlayerFiles();

#endif
