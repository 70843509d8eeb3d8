/// @file
/// A game uses it to cut a sprite sheet into cells and draw them.
/// ImageList: a sprite sheet, one surface and up to 100 cell rectangles on it, addressed by index, blitted or
/// tiled onto the screen. Grid cells are numbered row by row from the top, left to right. The sheet holds a
/// reference to its surface for its whole life. A sheet made over no surface (a getImage that failed) has no
/// cells and draws nothing, after one error line; a null rectangle is ignored.
/// Depends on: ManagedResource, GraphicSurface, Console.
#ifndef ZARVELLO_IMAGELIST_H
#define ZARVELLO_IMAGELIST_H

#include <cstdarg>

#include <SDL_types.h>
#include <SDL_video.h>

#include "Console.h"
#include "GraphicSurface.h"
#include "ManagedResource.h"

/// A sprite sheet: one surface and up to 100 cells on it, blitted or tiled by index.
class ImageList : public ManagedResource {
public:
    /// The most cells a sheet holds.
    static const Uint32 maxCells = 100;

    /// A sheet without cells.
    explicit ImageList(GraphicSurface *inSurface) { baseInit(inSurface); }

    /// A sheet with the cells r1 and then each further SDL_Rect* argument up to a null pointer.
    ImageList(GraphicSurface *inSurface, SDL_Rect *r1, ...);

    /// A sheet cut into a grid of horzCount x vertCount equal cells; a remainder at the right and bottom
    /// belongs to no cell.
    ImageList(GraphicSurface *inSurface, Uint32 horzCount, Uint32 vertCount)
    {
        baseInit(inSurface);
        arrayInit(horzCount, vertCount);
    }

    /// Appends a copy of *rect as the next cell; a full sheet logs an error and drops it. A null rect, or a sheet
    /// without a surface, adds nothing.
    void addRect(SDL_Rect *rect)
    {
        if (!rect || !surface)
            return;
        if (currentSize == maxCells) {
            Console::addString("ERROR: ImageList::addRect () ran out of space!");
            return;
        }
        list[currentSize++] = *rect;
    }

    /// The number of cells.
    Uint32 count() const { return currentSize; }

    /// Draws cell index with its top-left corner at (x, y) of the screen.
    void blitImage(Uint32 index, Sint16 x, Sint16 y)
    {
        if (!surface)
            return;
        if (index >= currentSize) {
            Console::addString("ERROR: ImageList->blitImage (%d): bad index", index);
            return;
        }
        surface->blitRectToScreen(&list[index], x, y);
    }

    /// Tiles cell index over destRect of the screen.
    void tileImage(Uint32 index, SDL_Rect *destRect)
    {
        if (!surface)
            return;
        if (index >= currentSize) {
            Console::addString("ERROR: ImageList->blitImage (%d): bad index", index);
            return;
        }
        surface->tileRectToRect(&list[index], destRect);
    }

    /// The width and height of cell index; 0 for a bad index (and for every index of a sheet without a surface).
    Uint16 width(Uint32 index)
    {
        if (!surface)
            return 0;
        if (index >= currentSize) {
            Console::addString("ERROR: ImageList->width (%d): bad index", index);
            return 0;
        }
        return list[index].w;
    }

    /// The height of cell index; 0 (and an error line) for a bad index.
    Uint16 height(Uint32 index)
    {
        if (!surface)
            return 0;
        if (index >= currentSize) {
            Console::addString("ERROR: ImageList->height (%d): bad index", index);
            return 0;
        }
        return list[index].h;
    }

    /// The sheet surface's width in pixels.
    Sint32 surfaceWidth() const { return surface ? surface->width() : 0; }
    /// The sheet surface's height in pixels.
    Sint32 surfaceHeight() const { return surface ? surface->height() : 0; }

protected:
    ~ImageList() override;

private:
    void baseInit(GraphicSurface *inSurface);
    void rectInit(SDL_Rect *r1, va_list others);
    void arrayInit(Uint32 horzCount, Uint32 vertCount);

    GraphicSurface *surface;
    SDL_Rect list[maxCells];
    Uint32 currentSize;
};

#endif
