// Colour tinting of RGB buffers. Integer arithmetic gives exactly the rounded-down products: the largest
// product, 255 x 255, is 65025, and its 256th part is 254.
// Depends on: nothing but SDL's types.
#include "VidBlend.h"

#include <cstddef>

void blendDataWithColor(Uint8 *srcData, Uint8 *maskData, Uint16 width, Uint16 height, Uint8 r, Uint8 g, Uint8 b)
{
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < pixels; ++i) {
        Uint8 *pixel = srcData + i * 3;
        const Uint8 *mask = maskData ? maskData + i * 3 : nullptr;
        if (!mask || (mask[0] == 255 && mask[1] == 255 && mask[2] == 255))
            blendPixel(pixel, pixel + 1, pixel + 2, r, g, b);
    }
}

void blendPixel(Uint8 *r, Uint8 *g, Uint8 *b, Uint8 cr, Uint8 cg, Uint8 cb)
{
    *r = static_cast<Uint8>((*r * cr) >> 8);
    *g = static_cast<Uint8>((*g * cg) >> 8);
    *b = static_cast<Uint8>((*b * cb) >> 8);
}
