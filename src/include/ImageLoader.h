/// @file
/// A game uses it to load an image file, optionally tinted, as a surface.
/// ImageLoader: turns a ".tga" or ".raw" data file into a named GraphicSurface in the screen's 16-bit pixel
/// layout, optionally tinted through a mask image first (the tint itself is in VidBlend).
/// Depends on: TgaLoader, RawLoader, VidBlend, GraphicSurface, Video (`screen`), Console, Utility.
#ifndef ZARVELLO_IMAGELOADER_H
#define ZARVELLO_IMAGELOADER_H

#include <SDL_types.h>

class GraphicSurface;

/// The image formats the loader reads, chosen by the data name's extension.
enum ImageType {
    IMG_NONE = 0,
    IMG_RAW = 1,
    IMG_TGA = 2
};

/// The kind of image a file name's last extension names: exactly ".raw" or ".tga", case-sensitive.
ImageType typeOfImage(const char *filename);

/// The image as a new surface (retain count 0) named filename. imgWidth and imgHeight give the size of a RAW
/// file; a TGA file brings its own (pass 0, 0). Null on failure, after the failing step has logged why.
GraphicSurface *loadImage(const char *filename, Uint16 imgWidth, Uint16 imgHeight);

/// The image filename tinted with (r, g, b) wherever the mask image maskFilename is pure white, as a new
/// surface named filename. Null on failure, including source and mask of different sizes.
GraphicSurface *loadBlendedImage(const char *filename, const char *maskFilename, Uint8 r, Uint8 g, Uint8 b,
                                 Uint16 imgWidth, Uint16 imgHeight);

#endif
