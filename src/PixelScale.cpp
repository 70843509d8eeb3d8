// PixelScale: the scaled window's enlargement. Each source row is widened once into the first target row (two
// pixels written as one 32-bit store when doubling), and the remaining rows of its block are copies of that row,
// so the work is one pass over the source and block copies of the target.
#include "PixelScale.h"

#include <cstring>

namespace {

void widenRow2(const Uint16 *from, Uint8 *to, int count)
{
    for (int i = 0; i < count; ++i) {
        Uint32 pair = Uint32(from[i]) * 0x00010001u;
        std::memcpy(to + i * 4, &pair, 4);
    }
}

void widenRow3(const Uint16 *from, Uint16 *to, int count)
{
    for (int i = 0; i < count; ++i) {
        Uint16 pixel = from[i];
        to[i * 3] = pixel;
        to[i * 3 + 1] = pixel;
        to[i * 3 + 2] = pixel;
    }
}

}  // namespace

void scalePixels16(const SDL_Surface *source, const SDL_Rect &area, SDL_Surface *target, int factor)
{
    const Uint8 *sourceRow = static_cast<const Uint8 *>(source->pixels) + area.y * source->pitch + area.x * 2;
    Uint8 *targetRow =
        static_cast<Uint8 *>(target->pixels) + area.y * factor * target->pitch + area.x * factor * 2;
    const std::size_t widened = std::size_t(area.w) * factor * 2;
    for (int y = 0; y < area.h; ++y) {
        const Uint16 *from = reinterpret_cast<const Uint16 *>(sourceRow);
        if (factor == 2)
            widenRow2(from, targetRow, area.w);
        else if (factor == 3)
            widenRow3(from, reinterpret_cast<Uint16 *>(targetRow), area.w);
        else
            std::memcpy(targetRow, from, widened);
        for (int copy = 1; copy < factor; ++copy)
            std::memcpy(targetRow + copy * target->pitch, targetRow, widened);
        sourceRow += source->pitch;
        targetRow += factor * target->pitch;
    }
}
