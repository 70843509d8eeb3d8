/// @file
/// A game uses it to tint image pixels with a colour before making a surface of them.
/// VidBlend: tints RGB pixel buffers with a colour, through an optional mask, before they become surfaces.
/// Each channel becomes channel x component / 256, rounded down.
/// Depends on: nothing but SDL's types.
#ifndef ZARVELLO_VIDBLEND_H
#define ZARVELLO_VIDBLEND_H

#include <SDL_types.h>

/// Tints every pixel of the RGB buffer srcData (width x height pixels) whose pixel in the RGB buffer maskData
/// is exactly (255, 255, 255); with a null maskData every pixel.
void blendDataWithColor(Uint8 *srcData, Uint8 *maskData, Uint16 width, Uint16 height, Uint8 r, Uint8 g, Uint8 b);

/// Tints one pixel in place: *r = *r x cr / 256 rounded down, and so for green and blue.
void blendPixel(Uint8 *r, Uint8 *g, Uint8 *b, Uint8 cr, Uint8 cg, Uint8 cb);

#endif
