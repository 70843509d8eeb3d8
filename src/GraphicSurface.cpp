// GraphicSurface: surfaces in the screen's 16-bit layout, colour keys, alpha, run-length acceleration, blits
// and tiling onto `screen`. Tiling visits only the tiles that reach into the visible part of the target
// rectangle and hands SDL each of them already cut to it, so a tiny source over a huge rectangle cannot loop
// for long and no position ever leaves SDL's 16-bit range.
#include "GraphicSurface.h"

#include "Memory.h"
#include "Utility.h"
#include "Video.h"

GraphicSurface::GraphicSurface(SDL_Surface *surface, char *name) : surface(surface), name(name) {}

GraphicSurface::~GraphicSurface()
{
    if (name)
        mem_dealloc(name);
    if (surface)
        SDL_FreeSurface(surface);
}

GraphicSurface *GraphicSurface::newSurface(Uint16 width, Uint16 height, const char *name)
{
    if (!screen)
        return nullptr;
    const SDL_PixelFormat *format = screen->format;
    SDL_Surface *created =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, format->Rmask, format->Gmask, format->Bmask, 0);
    if (!created)
        return nullptr;
    return wrapSurface(created, name);
}

GraphicSurface *GraphicSurface::wrapSurface(SDL_Surface *surface, const char *name)
{
    char *copy = zarvello::strdup(name ? name : "");
    if (!copy) {
        if (surface)
            SDL_FreeSurface(surface);
        return nullptr;
    }
    return new GraphicSurface(surface, copy);
}

void GraphicSurface::setColorKey(Uint8 r, Uint8 g, Uint8 b)
{
    if (!surface)
        return;
    const SDL_PixelFormat *format = screen ? screen->format : surface->format;
    Uint32 key = SDL_MapRGB(const_cast<SDL_PixelFormat *>(format), r, g, b);
    Uint32 flags = (surface->flags & SDL_HWACCEL) ? SDL_SRCCOLORKEY : (SDL_SRCCOLORKEY | SDL_RLEACCEL);
    SDL_SetColorKey(surface, flags, key);
}

void GraphicSurface::setAlpha(Uint8 alpha)
{
    if (!surface)
        return;
    Uint32 flags = (surface->flags & SDL_HWACCEL) ? SDL_SRCALPHA : (SDL_SRCALPHA | SDL_RLEACCEL);
    SDL_SetAlpha(surface, flags, alpha);
}

void GraphicSurface::enableRLE(SDL_bool rleSupport)
{
    if (!surface)
        return;
    Uint32 flags = rleSupport == SDL_TRUE ? SDL_RLEACCEL : 0;
    Uint32 key = 0;
    if (surface->flags & SDL_SRCCOLORKEY) {
        flags |= SDL_SRCCOLORKEY;
        key = surface->format->colorkey;
    }
    SDL_SetColorKey(surface, flags, key);
}

void GraphicSurface::blitRectToScreen(SDL_Rect *sourceRect, Sint16 destX, Sint16 destY)
{
    if (!surface || !screen)
        return;
    SDL_Rect dest = {destX, destY, 0, 0};
    SDL_UpperBlit(surface, sourceRect, screen, &dest);
}

void GraphicSurface::tileRectToRect(SDL_Rect *srcRect, SDL_Rect *destRect)
{
    if (!surface || !screen || !srcRect || !destRect || srcRect->w == 0 || srcRect->h == 0)
        return;

    const int stepX = srcRect->w;
    const int stepY = srcRect->h;
    const int timesAcross = (destRect->w + stepX - 1) / stepX;
    const int timesDown = (destRect->h + stepY - 1) / stepY;

    SDL_Rect savedClip;
    SDL_GetClipRect(screen, &savedClip);
    SDL_SetClipRect(screen, destRect);
    SDL_Rect clip;
    SDL_GetClipRect(screen, &clip);

    if (clip.w > 0 && clip.h > 0) {
        // The clip lies inside destRect, so these offsets are never negative.
        const int clipLeft = clip.x - destRect->x;
        const int clipTop = clip.y - destRect->y;
        const int firstColumn = clipLeft / stepX;
        const int firstRow = clipTop / stepY;
        int lastColumn = (clipLeft + clip.w - 1) / stepX;
        int lastRow = (clipTop + clip.h - 1) / stepY;
        if (lastColumn > timesAcross - 1)
            lastColumn = timesAcross - 1;
        if (lastRow > timesDown - 1)
            lastRow = timesDown - 1;

        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                // Cut the tile's left and top to the clip; SDL cuts the rest.
                const int tileX = destRect->x + column * stepX;
                const int tileY = destRect->y + row * stepY;
                const int cutX = tileX < clip.x ? clip.x - tileX : 0;
                const int cutY = tileY < clip.y ? clip.y - tileY : 0;
                const int partX = srcRect->x + cutX;
                const int partY = srcRect->y + cutY;
                if (partX > 32767 || partY > 32767)
                    continue;
                SDL_Rect part = {Sint16(partX), Sint16(partY), Uint16(stepX - cutX), Uint16(stepY - cutY)};
                blitRectToScreen(&part, Sint16(tileX + cutX), Sint16(tileY + cutY));
            }
        }
    }

    SDL_SetClipRect(screen, &savedClip);
}
