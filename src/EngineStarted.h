// Whether runEngine has begun in this process: the engine runs once, and a game registers its settings before
// that. Private to the engine (not installed).
// Depends on: nothing.
#ifndef ZARVELLO_ENGINESTARTED_H
#define ZARVELLO_ENGINESTARTED_H

/// Records that runEngine has begun; there is no way back.
void markEngineStarted();

/// Whether runEngine has begun in this process.
bool engineStarted();

#endif
