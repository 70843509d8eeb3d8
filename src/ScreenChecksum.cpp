// ScreenChecksum: the screen's checksum a replay takes at the end of a checked frame.
// Depends on: SDL's surfaces.
#include "ScreenChecksum.h"

#include <cstring>

Uint64 surfaceChecksum(SDL_Surface *surface)
{
    const Uint64 multiplier = 0x9e3779b97f4a7c15ULL;
    Uint64 lanes[4] = {Uint64(surface->w) << 32 | Uint32(surface->h), surface->format->BitsPerPixel, 1, 2};
    if (SDL_MUSTLOCK(surface))
        SDL_LockSurface(surface);
    const size_t rowBytes = size_t(surface->w) * surface->format->BytesPerPixel;
    for (int y = 0; y < surface->h; ++y) {
        const unsigned char *row = static_cast<const unsigned char *>(surface->pixels) + size_t(y) * surface->pitch;
        size_t x = 0;
        for (; x + 32 <= rowBytes; x += 32) {
            for (int lane = 0; lane < 4; ++lane) {
                Uint64 word;
                std::memcpy(&word, row + x + lane * 8, 8);
                Uint64 mixed = (lanes[lane] ^ word) * multiplier;
                lanes[lane] = mixed ^ (mixed >> 29);
            }
        }
        Uint64 tail = 0;
        std::memcpy(&tail, row + x, rowBytes - x);
        Uint64 mixed = (lanes[0] ^ tail ^ (Uint64(rowBytes - x) << 56)) * multiplier;
        lanes[0] = mixed ^ (mixed >> 29);
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    Uint64 sum = 0;
    for (Uint64 lane : lanes) {
        sum = (sum ^ lane) * multiplier;
        sum ^= sum >> 31;
    }
    return sum;
}
