/// @file
/// A game uses it to read a headerless RAW image.
/// RawLoader: reads headerless RAW images through the data loader. A RAW file holds width x height pixels of
/// red, green, blue (3 bytes each), top row first; the caller supplies the size, and bytes after the pixels
/// are ignored.
/// Depends on: NFILoader, Memory, Console.
#ifndef ZARVELLO_RAWLOADER_H
#define ZARVELLO_RAWLOADER_H

#include <SDL_types.h>

/// The first width x height x 3 bytes of the file in a tracked array the caller frees with delete[]. width and
/// height are inputs only, both non-zero. Null on failure, after logging
/// "rawImageFromFile ('<name>' , <width> , <height>): <reason>".
Uint8 *rawImageFromFile(const char *filename, Uint16 &width, Uint16 &height);

#endif
