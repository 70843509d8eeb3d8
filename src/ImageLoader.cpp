// Image loading: picks the reader by extension and converts its pixels into a new 16-bit surface in the
// screen's layout. Conversion writes straight into the locked surface, row by row at the surface's pitch, with
// exactly the pixel values SDL_MapRGB gives for the screen's format. TGA files are converted as their pixels are
// decoded, without an intermediate RGB buffer; RAW files and tinted images pass through an RGB buffer.
// Depends on: TgaLoader, RawLoader, VidBlend, GraphicSurface, Video (`screen`), Console, Utility.
#include "ImageLoader.h"

#include <cstring>

#include <SDL.h>

#include "Console.h"
#include "GraphicSurface.h"
#include "RawLoader.h"
#include "TgaLoader.h"
#include "Utility.h"
#include "VidBlend.h"
#include "Video.h"

namespace {

// Pixel values of the screen's format. Without a palette SDL_MapRGB is the OR of the three shifted channels
// and the alpha mask, so one table per channel, each entry made by SDL_MapRGB itself, gives exactly its
// values with two ORs per pixel. A palette format keeps calling SDL_MapRGB.
class PixelMapper {
public:
    void prepare(SDL_PixelFormat *inFormat)
    {
        format = inFormat;
        separable = format->palette == nullptr;
        if (!separable)
            return;
        for (int v = 0; v < 256; ++v) {
            const Uint8 value = static_cast<Uint8>(v);
            red[v] = static_cast<Uint16>(SDL_MapRGB(format, value, 0, 0));
            green[v] = static_cast<Uint16>(SDL_MapRGB(format, 0, value, 0));
            blue[v] = static_cast<Uint16>(SDL_MapRGB(format, 0, 0, value));
        }
    }

    // count pixels of red, green, blue.
    void mapRgb(const Uint8 *in, Uint16 *out, Uint32 count) const
    {
        if (!separable) {
            for (Uint32 i = 0; i < count; ++i, in += 3)
                out[i] = static_cast<Uint16>(SDL_MapRGB(format, in[0], in[1], in[2]));
            return;
        }
        for (Uint32 i = 0; i < count; ++i, in += 3)
            out[i] = red[in[0]] | green[in[1]] | blue[in[2]];
    }

    // One pixel as a TGA file stores it: blue, green, red.
    Uint16 mapStoredPixel(const Uint8 *in) const
    {
        if (!separable)
            return static_cast<Uint16>(SDL_MapRGB(format, in[2], in[1], in[0]));
        return red[in[2]] | green[in[1]] | blue[in[0]];
    }

    // count pixels as a TGA file stores them: blue, green, red, and alpha when pixelSize is 4.
    void mapStored(const Uint8 *in, Uint32 pixelSize, Uint16 *out, Uint32 count) const
    {
        if (!separable) {
            for (Uint32 i = 0; i < count; ++i, in += pixelSize)
                out[i] = static_cast<Uint16>(SDL_MapRGB(format, in[2], in[1], in[0]));
        } else if (pixelSize == 3) {
            for (Uint32 i = 0; i < count; ++i, in += 3)
                out[i] = red[in[2]] | green[in[1]] | blue[in[0]];
        } else {
            for (Uint32 i = 0; i < count; ++i, in += 4)
                out[i] = red[in[2]] | green[in[1]] | blue[in[0]];
        }
    }

private:
    SDL_PixelFormat *format = nullptr;
    bool separable = false;
    Uint16 red[256];
    Uint16 green[256];
    Uint16 blue[256];
};

Uint16 *surfaceRow(SDL_Surface *surface, Uint32 y)
{
    return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(surface->pixels) + static_cast<size_t>(y) * surface->pitch);
}

// A width x height, 16-bit software surface with the screen's masks; null with the reason in SDL's error text.
// SDL 1.2 keeps a surface's pitch in 16 bits; builds that do not refuse such widths themselves wrap it for
// images wider than 32766 pixels, and the surface would be too small for the rows written into it, so it is
// refused here.
SDL_Surface *createSurface(Uint16 width, Uint16 height)
{
    SDL_Surface *surface = nullptr;
    if (!screen) {
        SDL_SetError("the screen is not open");
    } else {
        const SDL_PixelFormat *format = screen->format;
        surface = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, format->Rmask, format->Gmask,
                                       format->Bmask, 0);
        if (surface && surface->pitch < static_cast<Uint32>(width) * 2) {
            SDL_FreeSurface(surface);
            surface = nullptr;
            SDL_SetError("an image %d pixels wide is too wide for a surface", width);
        }
    }
    return surface;
}

void reportUncreatedSurface(const char *filename, const char *reason)
{
    Console::addString("Unable to create surface for '%s': %s", filename, reason);
}

void reportUnlockedSurface(const char *filename)
{
    Console::addString("Couldn't lock surface loading '%s'", filename);
}

// Receives decoded TGA pixels and converts them into their places in a new surface: a run's colour is mapped
// once and its row filled with the value. A surface that cannot be made or locked is reported only when the
// reader says the image data was whole, as if the whole image had been read before the surface was made.
class SurfaceWriter : public TargaRowSink {
public:
    explicit SurfaceWriter(const char *inFilename) : filename(inFilename), surface(nullptr), locked(false) {}

    SDL_bool beginImage(Uint16 width, Uint16 height) override
    {
        surface = createSurface(width, height);
        if (!surface) {
            zarvello::snprintf(static_cast<int>(sizeof createFailure) - 1, createFailure, "%s", SDL_GetError());
            return SDL_FALSE;
        }
        if (SDL_LockSurface(surface) != 0) {
            SDL_FreeSurface(surface);
            surface = nullptr;
            return SDL_FALSE;
        }
        locked = true;
        mapper.prepare(screen->format);
        return SDL_TRUE;
    }

    void refuseImage() override
    {
        if (createFailure[0] != '\0')
            reportUncreatedSurface(filename, createFailure);
        else
            reportUnlockedSurface(filename);
    }

    void imagePixels(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixels, Uint32 bytesPerPixel) override
    {
        mapper.mapStored(pixels, bytesPerPixel, surfaceRow(surface, y) + x, count);
    }

    void imageRun(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixel, Uint32) override
    {
        const Uint16 value = mapper.mapStoredPixel(pixel);
        Uint16 *out = surfaceRow(surface, y) + x;
        for (Uint16 i = 0; i < count; ++i)
            out[i] = value;
    }

    // The finished surface, or null (and the surface freed) when the image did not arrive whole.
    SDL_Surface *finish(bool complete)
    {
        if (locked)
            SDL_UnlockSurface(surface);
        if (!complete && surface) {
            SDL_FreeSurface(surface);
            surface = nullptr;
        }
        return surface;
    }

private:
    const char *filename;
    SDL_Surface *surface;
    bool locked;
    char createFailure[256] = "";  // SDL's reason when the surface could not be made
    PixelMapper mapper;
};

Uint8 *dataForFilename(const char *filename, Uint16 &width, Uint16 &height)
{
    switch (typeOfImage(filename)) {
    case IMG_RAW:
        return rawImageFromFile(filename, width, height);
    case IMG_TGA:
        return targaImageFromFile(filename, width, height);
    case IMG_NONE:
        break;
    }
    Console::addString("dataForFilename ('%s'): Can't determine image type", filename);
    return nullptr;
}

// Converts an RGB buffer into the locked surface, row by row at the surface's pitch.
SDL_bool copyDataToSurface(const Uint8 *rgbData, SDL_Surface *surf, const char *filename)
{
    if (SDL_LockSurface(surf) != 0) {
        reportUnlockedSurface(filename);
        return SDL_FALSE;
    }
    PixelMapper mapper;
    mapper.prepare(screen->format);
    const Uint32 rowSize = static_cast<Uint32>(surf->w) * 3;
    for (int y = 0; y < surf->h; ++y)
        mapper.mapRgb(rgbData + static_cast<size_t>(y) * rowSize, surfaceRow(surf, y), surf->w);
    SDL_UnlockSurface(surf);
    return SDL_TRUE;
}

// Makes the named surface of an RGB buffer, which it frees.
GraphicSurface *surfaceFromData(Uint8 *rgbData, Uint16 width, Uint16 height, const char *filename)
{
    SDL_Surface *surface = createSurface(width, height);
    if (!surface)
        reportUncreatedSurface(filename, SDL_GetError());
    const bool copied = surface && copyDataToSurface(rgbData, surface, filename);
    delete[] rgbData;
    if (!copied) {
        if (surface)
            SDL_FreeSurface(surface);
        return nullptr;
    }
    return GraphicSurface::wrapSurface(surface, filename);
}

}  // namespace

ImageType typeOfImage(const char *filename)
{
    const char *extension = std::strrchr(filename, '.');
    if (!extension)
        return IMG_NONE;
    if (std::strcmp(extension, ".raw") == 0)
        return IMG_RAW;
    if (std::strcmp(extension, ".tga") == 0)
        return IMG_TGA;
    return IMG_NONE;
}

GraphicSurface *loadImage(const char *filename, Uint16 imgWidth, Uint16 imgHeight)
{
    if (typeOfImage(filename) == IMG_TGA) {
        SurfaceWriter writer(filename);
        const bool complete = targaRowsFromFile(filename, writer) == SDL_TRUE;
        SDL_Surface *surface = writer.finish(complete);
        return surface ? GraphicSurface::wrapSurface(surface, filename) : nullptr;
    }
    Uint16 width = imgWidth;
    Uint16 height = imgHeight;
    Uint8 *data = dataForFilename(filename, width, height);
    if (!data)
        return nullptr;
    return surfaceFromData(data, width, height, filename);
}

GraphicSurface *loadBlendedImage(const char *filename, const char *maskFilename, Uint8 r, Uint8 g, Uint8 b,
                                 Uint16 imgWidth, Uint16 imgHeight)
{
    Uint16 width = imgWidth;
    Uint16 height = imgHeight;
    Uint16 maskWidth = imgWidth;
    Uint16 maskHeight = imgHeight;
    Uint8 *data = dataForFilename(filename, width, height);
    Uint8 *mask = dataForFilename(maskFilename, maskWidth, maskHeight);
    if (!data || !mask) {
        delete[] data;
        delete[] mask;
        return nullptr;
    }
    if (width != maskWidth || height != maskHeight) {
        Console::addString("createBlendedSurfaceWithImages ('%s','%s'): source and mask aren't the same size",
                           filename, maskFilename);
        delete[] data;
        delete[] mask;
        return nullptr;
    }
    blendDataWithColor(data, mask, width, height, r, g, b);
    delete[] mask;
    return surfaceFromData(data, width, height, filename);
}
