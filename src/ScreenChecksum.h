// ScreenChecksum: the checksum a replay takes of the screen at the end of a checked frame, kept apart from the
// replay so that its cost can be measured on its own. It hashes the visible pixel bytes row by row (never the
// padding between rows), so it is the same on every SDL 1.2 whatever the surface's pitch.
// Depends on: SDL's surfaces.
#ifndef ZARVELLO_SCREENCHECKSUM_H
#define ZARVELLO_SCREENCHECKSUM_H

#include <SDL_video.h>

// A 64-bit checksum of what the surface shows, with its width, height and bits per pixel: four interleaved lanes
// of 64-bit words, each mixed by a bijection, so a change of any one word always changes the result. A surface
// that needs locking is locked while it is read.
Uint64 surfaceChecksum(SDL_Surface *surface);

#endif
