/// @file
/// Start-up and shutdown: the command line, the configuration file, and the fixed order in which every
/// subsystem is brought up and torn down.
/// Depends on: every subsystem.
#ifndef ZARVELLO_INIT_H
#define ZARVELLO_INIT_H

#include <SDL_types.h>

/// Brings everything up; SDL_FALSE at the first step that fails (which has logged why).
SDL_bool initializeSystem(int argc, char **argv);

/// Tears everything down and prints the leak report; safe after a failed or partial start-up.
void shutdownSystem();

/// Applies the switches "-windowed", "-fullscreen", "-displayconsole", "-noddisplayconsole", "-logconsole"
/// and "-nologconsole"; anything else is ignored.
void parseCommandLine(int argc, char **argv);

/// Runs "zarvello.conf" from the run directory; a failing script is reported and the defaults restored.
void processConfigFile();

#endif
