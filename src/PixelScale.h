// PixelScale: enlarges a rectangle of a 16-bit surface into another 16-bit surface by a whole factor, each pixel
// becoming a factor x factor block of the same pixel (nearest pixel, no blending), for the scaled window.
// Depends on: SDL's surfaces.
#ifndef ZARVELLO_PIXELSCALE_H
#define ZARVELLO_PIXELSCALE_H

#include <SDL_video.h>

// Copies area of source (16 bits a pixel, inside source) to (area.x * factor, area.y * factor) of target (16 bits
// a pixel, at least factor times as large), each pixel as a factor x factor block. factor is 1 to 3. Neither
// surface is locked here.
void scalePixels16(const SDL_Surface *source, const SDL_Rect &area, SDL_Surface *target, int factor);

#endif
