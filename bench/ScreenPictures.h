// ScreenPictures: what the screenshot benchmarks share: a 16-bit screen as 8-bit RGB, its PNG by the peer
// stb_image_write, and the check that a PNG file decodes to the screen's pixels. Each channel is widened by
// repeating its top bits, as the engine's PNG writer does on every SDL 1.2 (SDL_GetRGB rounds on sdl12-compat).
// Included by one source of each benchmark program, after it has defined the stb implementations.
// Depends on: SDL's surfaces, stb_image and stb_image_write, BenchSupport.
#ifndef ZARVELLO_SCREENPICTURES_H
#define ZARVELLO_SCREENPICTURES_H

#include <string>
#include <vector>

#include <SDL.h>

#include "BenchSupport.h"

namespace {

Uint8 widenedChannel(Uint32 pixel, Uint32 mask, Uint8 shift, Uint8 loss)
{
    const int bits = 8 - loss;
    const Uint32 value = (pixel & mask) >> shift;
    Uint32 wide = 0;
    for (int at = 8 - bits; at > -bits; at -= bits)
        wide |= at >= 0 ? value << at : value >> -at;
    return Uint8(wide);
}

std::vector<unsigned char> rgbOf(SDL_Surface *s)
{
    const SDL_PixelFormat *f = s->format;
    std::vector<unsigned char> rgb(size_t(s->w) * s->h * 3);
    for (int y = 0; y < s->h; ++y) {
        const Uint16 *row = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) {
            unsigned char *p = &rgb[(size_t(y) * s->w + x) * 3];
            p[0] = widenedChannel(row[x], f->Rmask, f->Rshift, f->Rloss);
            p[1] = widenedChannel(row[x], f->Gmask, f->Gshift, f->Gloss);
            p[2] = widenedChannel(row[x], f->Bmask, f->Bshift, f->Bloss);
        }
    }
    return rgb;
}

std::vector<unsigned char> stbPng(SDL_Surface *s)
{
    std::vector<unsigned char> rgb = rgbOf(s);
    int length = 0;
    unsigned char *png = stbi_write_png_to_mem(rgb.data(), s->w * 3, s->w, s->h, 3, &length);
    std::vector<unsigned char> out(png, png + length);
    STBIW_FREE(png);
    return out;
}

void checkDecodesTo(const std::vector<unsigned char> &png, SDL_Surface *s, const char *who)
{
    int w = 0, h = 0, channels = 0;
    stbi_uc *decoded = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &channels, 3);
    if (!decoded || w != s->w || h != s->h || rgbOf(s) != std::vector<unsigned char>(decoded, decoded + w * h * 3))
        benchFailure(std::string(who) + "'s file does not show the screen");
    stbi_image_free(decoded);
}

}  // namespace

#endif
