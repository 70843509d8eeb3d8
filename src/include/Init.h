/// @file
/// A game uses it to start the engine (runEngine) and to choose what start-up does.
/// Start-up and shutdown: the command line, the configuration file, the fixed order in which every subsystem is
/// brought up and torn down, and runEngine, the one call a game's main makes:
///
///     int main(int argc, char **argv)
///     {
///         GameHooks hooks = {setUp, frame, event, cleanUp};
///         return runEngine(argc, argv, &hooks);
///     }
///
/// Depends on: every subsystem.
#ifndef ZARVELLO_INIT_H
#define ZARVELLO_INIT_H

#include <SDL_types.h>

#include "Game.h"

/// Runs a game: start-up, the hooks' setUp, the main loop (with the hooks' frame and event), the hooks' cleanUp,
/// shutdown. Returns the exit code: 0 after a normal run, 1 when start-up or setUp failed (the loop is then not
/// run; cleanUp still runs after a failed setUp). Null hooks, or null members, do nothing. The engine runs once
/// in a process: a second call, or one from a hook, logs an "ERROR: " line and returns 1 at once.
int runEngine(int argc, char **argv, const GameHooks *hooks);

/// The configuration file's name, beside the executable ("zarvello.conf" by default), or a path when it starts
/// with "/". Null or "" restores "zarvello.conf". A name longer than 255 characters is refused with an "ERROR: "
/// line and the name in force stays. A game calls it before start-up.
void setConfigFileName(const char *name);

/// Whether shutdown reports memory left allocated on standard error: SDL_TRUE (the default) or SDL_FALSE.
void setLeakReport(SDL_bool report);

/// Brings everything up; SDL_FALSE at the first step that fails (which has logged why).
SDL_bool initializeSystem(int argc, char **argv);

/// Tears everything down and prints the leak report (unless a game turned it off); safe after a failed or partial
/// start-up.
void shutdownSystem();

/// Applies the switches "-windowed", "-fullscreen", "-displayconsole", "-noddisplayconsole", "-logconsole"
/// and "-nologconsole"; anything else is ignored.
void parseCommandLine(int argc, char **argv);

/// Runs the configuration file ("zarvello.conf" from the run directory unless a game named another); a failing
/// script is reported and the defaults restored. Then, for a game that named itself, the player's file of the same
/// name (PlayerSettings.h).
void processConfigFile();

#endif
