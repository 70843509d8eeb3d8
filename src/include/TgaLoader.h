/// @file
/// A game uses it to read a TGA image as RGB pixels, whole or row by row.
/// TgaLoader: reads true-colour TGA 2.0 images (24 or 32 bit, uncompressed or run-length encoded, either
/// vertical origin, with the version 2.0 footer) through the data loader into an RGB buffer.
/// Depends on: NFILoader, Memory, Console.
///
/// Layout (little-endian): 18-byte header — IDLength, colorMapType, imageType (2 or 10), cMapStart(2),
/// cMapLength(2), cMapPixelDepth, xOffset(2), yOffset(2), width(2), height(2), pixelDepth (24 or 32),
/// imageDescriptor (bit 0x20: top row first) — then IDLength bytes of image ID, then the pixels stored blue,
/// green, red[, alpha]; the last 26 bytes are the footer: extensionOffset(4), devDirOffset(4), and the
/// signature "TRUEVISION-XFILE." with a zero byte (or "TRUEVISION-XFILE", a zero byte and a free byte).
#ifndef ZARVELLO_TGALOADER_H
#define ZARVELLO_TGALOADER_H

#include <SDL_types.h>

/// The 18-byte header of a TGA file, as read.
struct TargaHeader {
    /// Length of the image ID that follows the header; skipped.
    Uint8 IDLength;
    /// Must be 0: no colour map.
    Uint8 colorMapType;
    /// 2 (uncompressed true-colour) or 10 (run-length encoded true-colour).
    Uint8 imageType;
    /// Colour map fields: read and ignored.
    Uint16 cMapStart;
    /// Read and ignored.
    Uint16 cMapLength;
    /// Read and ignored.
    Uint8 cMapPixelDepth;
    /// Read and ignored.
    Uint16 xOffset;
    /// Read and ignored.
    Uint16 yOffset;
    /// Width in pixels, at least 1.
    Uint16 width;
    /// Height in pixels, at least 1.
    Uint16 height;
    /// 24 or 32 bits per pixel.
    Uint8 pixelDepth;
    /// Bit 0x20 set: the top row is stored first.
    Uint8 imageDescriptor;
};

/// The 26-byte footer at the end of a TGA 2.0 file.
struct TargaFooter {
    /// Read and ignored.
    Uint32 extensionOffset;
    /// Read and ignored.
    Uint32 devDirOffset;
    /// "TRUEVISION-XFILE." and a zero byte (or without the dot, with a free last byte).
    char signature[18];
};

/// The image as width x height pixels of red, green, blue, top row first, rows without gaps, in a tracked
/// array the caller frees with delete[] (a 32-bit image's array is 4 bytes per pixel long, of which the first
/// 3 per pixel are meaningful). Sets width and height only on success. Null on failure, after logging
/// "tgaImageFromFile ('<name>'): <reason>".
Uint8 *targaImageFromFile(const char *filename, Uint16 &width, Uint16 &height);

/// Receives a TGA image piece by piece as it is decoded, for loaders that convert straight into their own layout
/// without an intermediate RGB buffer. Pieces arrive in file order and cover every pixel of the image exactly
/// once; a piece never crosses a row's end. Uncompressed images arrive a whole row at a time; run-length images
/// a packet (or the part of it that falls in one row) at a time, so that a run's colour is handed over once.
/// y counts from the top row of the image, whatever order the file stores the rows in; pixels are as stored in
/// the file: blue, green, red, and alpha when bytesPerPixel is 4.
class TargaRowSink {
public:
    virtual ~TargaRowSink() {}

    /// Called once, before any pixel, with the image's size; SDL_FALSE when the sink cannot take the image. The
    /// reader then still reads the pixel data through, delivering none, so that data ending early is reported
    /// first; only data read whole is followed by refuseImage.
    virtual SDL_bool beginImage(Uint16 width, Uint16 height) = 0;

    /// Called when the data of an image that beginImage refused was whole: the sink reports why it refused.
    virtual void refuseImage() = 0;

    /// count different pixels for row y from column x on.
    virtual void imagePixels(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixels, Uint32 bytesPerPixel) = 0;

    /// count copies of one pixel for row y from column x on.
    virtual void imageRun(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixel, Uint32 bytesPerPixel) = 0;
};

/// Reads the same files as targaImageFromFile, with the same checks and messages in the same order, handing the
/// pixels to sink. SDL_TRUE when every pixel was delivered.
SDL_bool targaRowsFromFile(const char *filename, TargaRowSink &sink);

#endif
