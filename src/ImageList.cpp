// Sprite sheets: the constructors' cell set-up and the release of the surface. Grid cutting never divides by
// zero: a grid without columns or rows has no cells, and cells of a sheet smaller than the grid are empty. A sheet
// over no surface (the usual result of a mistyped image name) says so once and stays without cells, so none of
// its calls reaches a null surface; the rectangle list's constructor given no rectangle reads no further argument.
// Depends on: ManagedResource, GraphicSurface, Console.
#include "ImageList.h"

ImageList::ImageList(GraphicSurface *inSurface, SDL_Rect *r1, ...)
{
    baseInit(inSurface);
    va_list others;
    va_start(others, r1);
    rectInit(r1, others);
    va_end(others);
}

ImageList::~ImageList()
{
    if (surface)
        surface->release();
}

void ImageList::baseInit(GraphicSurface *inSurface)
{
    if (inSurface)
        inSurface->retain();
    else
        Console::addString("ERROR: ImageList: no image to cut cells from; the sheet has none and draws nothing");
    surface = inSurface;
    currentSize = 0;
}

void ImageList::rectInit(SDL_Rect *r1, va_list others)
{
    if (!r1)
        return;
    addRect(r1);
    while (SDL_Rect *rect = va_arg(others, SDL_Rect *))
        addRect(rect);
}

void ImageList::arrayInit(Uint32 horzCount, Uint32 vertCount)
{
    if (!surface)
        return;
    const char *name = surface ? surface->getName() : "";
    if (horzCount == 0 || vertCount == 0) {
        Console::addString("WARNING: ImageList->arrayInit (%d,%d, '%s'): a grid without columns or rows has no "
                           "cells", horzCount, vertCount, name);
        return;
    }
    const Uint32 surfaceW = static_cast<Uint32>(surfaceWidth());
    const Uint32 surfaceH = static_cast<Uint32>(surfaceHeight());
    const Uint32 cellWidth = surfaceW / horzCount;
    const Uint32 cellHeight = surfaceH / vertCount;
    if (surfaceW % horzCount != 0)
        Console::addString("WARNING: ImageList->arrayInit (%d,%d, '%s'): width not evenly divisible", horzCount,
                           vertCount, name);
    if (surfaceH % vertCount != 0)
        Console::addString("WARNING: ImageList->arrayInit (%d,%d, '%s'): height not evenly divisible", horzCount,
                           vertCount, name);

    // Every cell past the hundredth is refused with its own message. Only an absurd grid (billions of cells
    // from a mistyped count) reaches the bound, far beyond any real sheet; it stops there rather than filling
    // the log for minutes.
    const Uint32 maxRefusals = 10000;
    Uint32 refused = 0;
    for (Uint32 r = 0; r < vertCount && refused < maxRefusals; ++r) {
        for (Uint32 c = 0; c < horzCount && refused < maxRefusals; ++c) {
            if (currentSize == maxCells)
                ++refused;
            SDL_Rect cell = {static_cast<Sint16>(c * cellWidth), static_cast<Sint16>(r * cellHeight),
                             static_cast<Uint16>(cellWidth), static_cast<Uint16>(cellHeight)};
            addRect(&cell);
        }
    }
}
