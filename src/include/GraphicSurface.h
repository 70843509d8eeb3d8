/// @file
/// A game uses it to make, draw and tile images on the screen.
/// GraphicSurface: the system's image object, a reference-counted SDL surface with a name, always in the
/// display's 16-bit pixel layout. It draws only onto `screen`, never queues a dirty rectangle itself, and its
/// tiling touches nothing outside the target rectangle and leaves the screen's clip rectangle as it found it.
/// Depends on: ManagedResource, Memory, Utility (strdup), Video (`screen`), SDL's surfaces.
#ifndef ZARVELLO_GRAPHICSURFACE_H
#define ZARVELLO_GRAPHICSURFACE_H

#include <SDL_types.h>
#include <SDL_video.h>

#include "ManagedResource.h"

/// A named, reference-counted SDL surface in the display's 16-bit layout, drawn onto `screen`.
class GraphicSurface : public ManagedResource {
public:
    /// A new width x height surface in the screen's pixel layout, pixels as SDL leaves them, retain count 0.
    /// Null, without a message, when the screen is not open or SDL cannot make the surface.
    static GraphicSurface *newSurface(Uint16 width, Uint16 height, const char *name);

    /// A new object that takes ownership of surface (null is accepted), retain count 0. Null only when memory
    /// for the name runs out; the surface is then freed.
    static GraphicSurface *wrapSurface(SDL_Surface *surface, const char *name);

    /// The wrapped SDL surface (null when a null surface was wrapped).
    SDL_Surface *getSurface() const { return surface; }
    /// The name given at creation; for a loaded image, the data name it came from.
    const char *getName() const { return name; }
    /// The surface's width in pixels; 0 without a surface.
    Sint32 width() const { return surface ? surface->w : 0; }
    /// The surface's height in pixels; 0 without a surface.
    Sint32 height() const { return surface ? surface->h : 0; }

    /// Makes (r, g, b), mapped through the screen's format, transparent; run-length accelerated unless the
    /// surface is hardware-accelerated.
    void setColorKey(Uint8 r, Uint8 g, Uint8 b);

    /// Blends the whole surface with the given alpha; run-length accelerated unless hardware-accelerated.
    void setAlpha(Uint8 alpha);

    /// Turns run-length acceleration on or off, keeping a colour key that is in force.
    void enableRLE(SDL_bool rleSupport);

    /// Draws the whole surface onto the screen with its top-left corner at (x, y).
    void blitToScreen(Sint16 x, Sint16 y)
    {
        blitRectToScreen(nullptr, x, y);
    }

    /// Draws the part sourceRect (null: all of it) onto the screen with its top-left corner at (destX, destY).
    void blitRectToScreen(SDL_Rect *sourceRect, Sint16 destX, Sint16 destY);

    /// Tiles the whole surface over destRect of the screen.
    void tileToRect(SDL_Rect *destRect)
    {
        SDL_Rect whole = {0, 0, static_cast<Uint16>(width()), static_cast<Uint16>(height())};
        tileRectToRect(&whole, destRect);
    }

    /// Tiles the part srcRect over destRect of the screen from its top-left corner; the tiles at the right and
    /// bottom are cut at destRect's edges. An empty srcRect or destRect draws nothing.
    void tileRectToRect(SDL_Rect *srcRect, SDL_Rect *destRect);

private:
    GraphicSurface(SDL_Surface *surface, char *name);
    ~GraphicSurface() override;

    SDL_Surface *surface;
    char *name;
};

#endif
