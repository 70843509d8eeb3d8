// TGA reader. Both entry points share the checks (footer, header, image ID, and a size check that refuses
// pixel data the rest of the file cannot hold before anything is allocated) and the one decoder, which hands the
// pixels to a row sink: the buffered reader's sink writes them into its RGB buffer. Pixel data is read in large
// blocks through the data loader; run-length packets may cross row ends, and the excess of a packet that runs
// past the last pixel of the image is dropped.
// Depends on: NFILoader, Memory, Console.
#include "TgaLoader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "Console.h"
#include "NFILoader.h"

namespace {

const char *const failureFormat = "tgaImageFromFile ('%s'): %s";
const char *const dataFailure = "Error reading targa data";

const Sint32 headerSize = 18;
const Sint32 footerSize = 26;
const Uint32 maxPacketPixels = 128;
// The tracked allocator keeps block sizes in 32 bits, next to a 16-byte header.
const Uint64 maxBufferSize = 0xFFFFFFFFull - 16;

Uint32 bytesPerPixel(const TargaHeader &header)
{
    return header.pixelDepth == 24 ? 3 : 4;
}

SDL_bool readHeader(NFIHandle fileHandle, TargaHeader &header)
{
    NFILoader *loader = NFILoader::globalLoader();
    try {
        if (!loader->readByte(fileHandle, &header.IDLength) || !loader->readByte(fileHandle, &header.colorMapType) ||
            !loader->readByte(fileHandle, &header.imageType) || !loader->readINT2(fileHandle, &header.cMapStart) ||
            !loader->readINT2(fileHandle, &header.cMapLength) ||
            !loader->readByte(fileHandle, &header.cMapPixelDepth) ||
            !loader->readINT2(fileHandle, &header.xOffset) || !loader->readINT2(fileHandle, &header.yOffset) ||
            !loader->readINT2(fileHandle, &header.width) || !loader->readINT2(fileHandle, &header.height) ||
            !loader->readByte(fileHandle, &header.pixelDepth) ||
            !loader->readByte(fileHandle, &header.imageDescriptor))
            throw 0;
    } catch (int) {
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

SDL_bool validateHeader(TargaHeader &header)
{
    if (header.pixelDepth != 24 && header.pixelDepth != 32)
        return SDL_FALSE;
    if (header.imageType != 2 && header.imageType != 10)
        return SDL_FALSE;
    return header.colorMapType == 0 ? SDL_TRUE : SDL_FALSE;
}

SDL_bool readFooter(NFIHandle fileHandle, TargaFooter &footer)
{
    NFILoader *loader = NFILoader::globalLoader();
    try {
        if (!loader->readINT4(fileHandle, &footer.extensionOffset) ||
            !loader->readINT4(fileHandle, &footer.devDirOffset) ||
            !loader->readByteStream(fileHandle, footer.signature, sizeof footer.signature))
            throw 0;
    } catch (int) {
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

// The signature "TRUEVISION-XFILE." with its zero byte, all 18 bytes; or "TRUEVISION-XFILE" with its zero
// byte, 17 bytes, the 18th being free.
SDL_bool validateFooter(TargaFooter &footer)
{
    static const char withDot[18] = "TRUEVISION-XFILE.";
    static const char withoutDot[17] = "TRUEVISION-XFILE";
    if (std::memcmp(footer.signature, withDot, sizeof withDot) == 0)
        return SDL_TRUE;
    return std::memcmp(footer.signature, withoutDot, sizeof withoutDot) == 0 ? SDL_TRUE : SDL_FALSE;
}

// Opens the file, checks footer and header and skips the image ID. On success returns null with the handle
// at the first pixel byte and available set to the bytes from there to the end of the file; on failure
// returns the reason, with the handle closed.
const char *openTarga(const char *filename, NFIHandle &handle, TargaHeader &header, Uint64 &available)
{
    NFILoader *loader = NFILoader::globalLoader();
    handle = loader->openFile(filename);
    if (handle < 0)
        return "Couldn't open file";

    const char *reason = nullptr;
    TargaFooter footer;
    if (!loader->seek(handle, -footerSize, SEEK_END))
        reason = "Error seeking to get footer";
    else if (!readFooter(handle, footer))
        reason = "Error reading footer";
    else if (!validateFooter(footer))
        reason = "Invalid TGA footer";
    else if (!loader->seek(handle, 0, SEEK_SET))
        reason = "Error seeking to get header";
    else if (!readHeader(handle, header))
        reason = "Error reading header";
    else if (!validateHeader(header))
        reason = "Invalid TGA header";
    else if (header.IDLength != 0 && !loader->seek(handle, header.IDLength, SEEK_CUR))
        reason = "Seeking to start of image data";
    if (reason) {
        loader->closeFile(handle);
        handle = -1;
        return reason;
    }

    const Sint32 fileLength = loader->fileSize(handle);
    const Sint64 dataStart = headerSize + header.IDLength;
    available = fileLength > dataStart ? static_cast<Uint64>(fileLength - dataStart) : 0;
    return nullptr;
}

// Whether the rest of the file can hold the pixel data: all of it when uncompressed; for run-length data at
// least one packet (a header byte and one pixel) per 128 pixels.
bool dataCanFit(const TargaHeader &header, Uint64 available)
{
    const Uint64 pixels = static_cast<Uint64>(header.width) * header.height;
    const Uint64 pixelSize = bytesPerPixel(header);
    if (header.imageType == 2)
        return pixels * pixelSize <= available;
    const Uint64 packets = (pixels + maxPacketPixels - 1) / maxPacketPixels;
    return packets * (1 + pixelSize) <= available;
}

// Reads the pixel data through the loader in blocks, never asking for more than the file holds.
class DataBlocks {
public:
    DataBlocks(NFIHandle inHandle, Uint64 inAvailable)
        : handle(inHandle), available(inAvailable), next(0), end(0) {}

    bool readByte(Uint8 &value)
    {
        if (next == end && !refill())
            return false;
        value = block[next++];
        return true;
    }

    // Up to wanted whole pixels of pixelSize bytes in one piece inside the block, at least one; got tells how
    // many. The pointer stays valid until the next read. Null when the file ends first.
    const Uint8 *pixels(Uint32 pixelSize, Uint32 wanted, Uint32 &got)
    {
        while (end - next < pixelSize) {
            if (!refill())
                return nullptr;
        }
        const Uint32 whole = end - next >= wanted * pixelSize ? wanted : (end - next) / pixelSize;
        got = wanted < whole ? wanted : whole;
        const Uint8 *first = block + next;
        next += got * pixelSize;
        return first;
    }

private:
    // The bytes not yet taken (part of a pixel at most) move to the front, so a pixel never straddles blocks.
    bool refill()
    {
        if (available == 0)
            return false;
        const Uint32 kept = end - next;
        std::memmove(block, block + next, kept);
        const Uint32 room = sizeof block - kept;
        const Uint32 size = available < room ? static_cast<Uint32>(available) : room;
        if (!NFILoader::globalLoader()->readByteStream(handle, block + kept, size))
            return false;
        available -= size;
        next = 0;
        end = kept + size;
        return true;
    }

    NFIHandle handle;
    Uint64 available;
    Uint32 next;
    Uint32 end;
    Uint8 block[65536];
};

// The stored row i as the image's row counted from the top.
Uint16 imageRowOf(const TargaHeader &header, Uint32 stored)
{
    const bool topDown = (header.imageDescriptor & 0x20) != 0;
    return static_cast<Uint16>(topDown ? stored : header.height - 1 - stored);
}

// Takes the pixels of an image whose sink could not take it, so that its data can still be read through.
class DiscardingSink : public TargaRowSink {
public:
    SDL_bool beginImage(Uint16, Uint16) override { return SDL_TRUE; }
    void refuseImage() override {}
    void imagePixels(Uint16, Uint16, Uint16, const Uint8 *, Uint32) override {}
    void imageRun(Uint16, Uint16, Uint16, const Uint8 *, Uint32) override {}
};

// Uncompressed rows are read many at a time: large reads cost far less per byte than row-sized ones.
bool deliverUncompressedRows(NFIHandle tgaFile, const TargaHeader &header, TargaRowSink &sink)
{
    const Uint32 pixelSize = bytesPerPixel(header);
    const Uint32 rowSize = static_cast<Uint32>(header.width) * pixelSize;
    if (rowSize == 0 || header.height == 0)
        return true;
    const Uint32 wantedBlock = 256 * 1024;
    const Uint32 rowsPerBlock = rowSize < wantedBlock ? wantedBlock / rowSize : 1;
    Uint8 *rows = new (std::nothrow) Uint8[static_cast<size_t>(rowsPerBlock) * rowSize];
    bool complete = rows != nullptr;
    for (Uint32 first = 0; complete && first < header.height; first += rowsPerBlock) {
        const Uint32 count = header.height - first < rowsPerBlock ? header.height - first : rowsPerBlock;
        complete = NFILoader::globalLoader()->readByteStream(tgaFile, rows, count * rowSize) == SDL_TRUE;
        for (Uint32 i = 0; complete && i < count; ++i)
            sink.imagePixels(imageRowOf(header, first + i), 0, header.width, rows + static_cast<size_t>(i) * rowSize,
                             pixelSize);
    }
    delete[] rows;
    return complete;
}

// Packets go to the sink as they are read: a run as its one pixel, raw pixels straight from the read block,
// each cut where it crosses a row's end. What is left of a packet after the image's last pixel is never read.
bool deliverRlePackets(NFIHandle tgaFile, const TargaHeader &header, Uint64 available, TargaRowSink &sink)
{
    const Uint32 pixelSize = bytesPerPixel(header);
    const Uint32 width = header.width;
    if (width == 0 || header.height == 0)
        return true;
    DataBlocks source(tgaFile, available);
    Uint32 stored = 0;
    Uint16 y = imageRowOf(header, 0);
    Uint32 x = 0;
    while (stored < header.height) {
        Uint8 packetHeader;
        if (!source.readByte(packetHeader))
            return false;
        Uint32 left = (packetHeader & 0x7F) + 1;
        const Uint8 *runPixel = nullptr;
        Uint32 got;
        if ((packetHeader & 0x80) != 0 && !(runPixel = source.pixels(pixelSize, 1, got)))
            return false;
        while (left > 0 && stored < header.height) {
            Uint32 count = width - x < left ? width - x : left;
            if (runPixel) {
                sink.imageRun(y, static_cast<Uint16>(x), static_cast<Uint16>(count), runPixel, pixelSize);
            } else {
                const Uint8 *pixels = source.pixels(pixelSize, count, count);
                if (!pixels)
                    return false;
                sink.imagePixels(y, static_cast<Uint16>(x), static_cast<Uint16>(count), pixels, pixelSize);
            }
            x += count;
            left -= count;
            if (x == width) {
                x = 0;
                if (++stored < header.height)
                    y = imageRowOf(header, stored);
            }
        }
    }
    return true;
}

// Opens the file with openTarga and checks that the rest of it can hold the pixel data and a buffer could hold
// the image (the buffer reader's limit holds for both readers). On failure logs why and returns false, the handle
// closed.
bool openTargaData(const char *filename, NFIHandle &handle, TargaHeader &header, Uint64 &available)
{
    if (const char *reason = openTarga(filename, handle, header, available)) {
        Console::addString(failureFormat, filename, reason);
        return false;
    }
    const Uint64 size = static_cast<Uint64>(header.width) * header.height * bytesPerPixel(header);
    if (!dataCanFit(header, available) || size > maxBufferSize) {
        NFILoader::globalLoader()->closeFile(handle);
        Console::addString(failureFormat, filename, dataFailure);
        return false;
    }
    return true;
}

// The one decoder of both entry points: the image's pixel data, at the handle's position, to the sink.
bool deliverImage(NFIHandle tgaFile, const TargaHeader &header, Uint64 available, TargaRowSink &sink)
{
    return header.imageType == 2 ? deliverUncompressedRows(tgaFile, header, sink)
                                 : deliverRlePackets(tgaFile, header, available, sink);
}

// Writes the pieces as red, green, blue into a buffer of width x height pixels, top row first.
class BufferSink : public TargaRowSink {
public:
    BufferSink(Uint8 *inBuffer, Uint16 inWidth) : buffer(inBuffer), width(inWidth) {}

    SDL_bool beginImage(Uint16, Uint16) override { return SDL_TRUE; }
    void refuseImage() override {}

    void imagePixels(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixels, Uint32 pixelSize) override
    {
        Uint8 *out = at(y, x);
        for (Uint16 i = 0; i < count; ++i, pixels += pixelSize, out += 3) {
            out[0] = pixels[2];
            out[1] = pixels[1];
            out[2] = pixels[0];
        }
    }

    // One pixel, then everything filled so far copied after itself: a few block copies per run instead of a
    // copy per pixel, which was the main cost of decoding flat artwork.
    void imageRun(Uint16 y, Uint16 x, Uint16 count, const Uint8 *pixel, Uint32) override
    {
        Uint8 *out = at(y, x);
        const Uint32 total = static_cast<Uint32>(count) * 3;
        if (total == 0)
            return;
        out[0] = pixel[2];
        out[1] = pixel[1];
        out[2] = pixel[0];
        for (Uint32 filled = 3; filled < total;) {
            const Uint32 part = filled < total - filled ? filled : total - filled;
            std::memcpy(out + filled, out, part);
            filled += part;
        }
    }

private:
    Uint8 *at(Uint16 y, Uint16 x) const { return buffer + (static_cast<size_t>(y) * width + x) * 3; }

    Uint8 *buffer;
    Uint16 width;
};

}  // namespace

Uint8 *targaImageFromFile(const char *filename, Uint16 &width, Uint16 &height)
{
    NFIHandle handle;
    TargaHeader header;
    Uint64 available;
    if (!openTargaData(filename, handle, header, available))
        return nullptr;
    Uint8 *data = new (std::nothrow) Uint8[static_cast<size_t>(header.width) * header.height * bytesPerPixel(header)];
    BufferSink sink(data, header.width);
    if (data && !deliverImage(handle, header, available, sink)) {
        delete[] data;
        data = nullptr;
    }
    NFILoader::globalLoader()->closeFile(handle);
    if (!data) {
        Console::addString(failureFormat, filename, dataFailure);
        return nullptr;
    }
    width = header.width;
    height = header.height;
    return data;
}

SDL_bool targaRowsFromFile(const char *filename, TargaRowSink &sink)
{
    NFIHandle handle;
    TargaHeader header;
    Uint64 available;
    if (!openTargaData(filename, handle, header, available))
        return SDL_FALSE;
    NFILoader *loader = NFILoader::globalLoader();
    // An image read whole comes before anything is made of it: when the sink cannot take the image, the data
    // is still read through, so that data ending early is reported as such, and the sink's own failure only
    // when the data was whole.
    DiscardingSink discard;
    const bool accepted = sink.beginImage(header.width, header.height) == SDL_TRUE;
    TargaRowSink &receiver = accepted ? sink : discard;
    const bool complete = deliverImage(handle, header, available, receiver);
    loader->closeFile(handle);
    if (!complete) {
        Console::addString(failureFormat, filename, dataFailure);
        return SDL_FALSE;
    }
    if (!accepted) {
        sink.refuseImage();
        return SDL_FALSE;
    }
    return SDL_TRUE;
}
