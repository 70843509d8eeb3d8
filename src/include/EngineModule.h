/// @file
/// EngineModule: how a library beside the engine (the audio library) joins start-up and shutdown without the
/// engine depending on it. The library registers a start and a stop function, normally from the call a game makes
/// before runEngine to ask for it; start-up starts the registered modules once the engine stands (after the GUI),
/// in the order registered, and shutdown stops the started ones first of all, in the reverse order.
/// Depends on: Console.
#ifndef ZARVELLO_ENGINEMODULE_H
#define ZARVELLO_ENGINEMODULE_H

#include <SDL_types.h>

/// A module's two functions. start returns SDL_FALSE, after a console line, when start-up must end.
struct EngineModule {
    SDL_bool (*start)();  ///< brings the module up; the engine's subsystems are up
    void (*stop)();  ///< tears it down; runs only after its start ran, and before the engine's subsystems go
};

/// The most modules that can be registered.
const int maxEngineModules = 8;

/// Adds a module to start-up and shutdown; registering the same start function again changes nothing.
/// SDL_FALSE, after an "ERROR: " console line, for a null start or stop, or when maxEngineModules are registered.
SDL_bool registerEngineModule(const EngineModule &module);

/// Starts the registered modules in order; SDL_FALSE at the first that fails (those before it stay started).
SDL_bool startEngineModules();

/// Stops the started modules in the reverse order; nothing when none started.
void stopEngineModules();

#endif
