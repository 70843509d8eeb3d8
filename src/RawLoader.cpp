// RAW reader: one read of the pixel bytes, after checking that the file holds them all, so a size the file
// cannot back never causes an allocation.
// Depends on: NFILoader, Memory, Console.
#include "RawLoader.h"

#include <new>

#include "Console.h"
#include "NFILoader.h"

namespace {

void logFailure(const char *filename, Uint16 width, Uint16 height, const char *reason)
{
    Console::addString("rawImageFromFile ('%s' , %d , %d): %s", filename, width, height, reason);
}

}  // namespace

Uint8 *rawImageFromFile(const char *filename, Uint16 &width, Uint16 &height)
{
    if (width == 0 || height == 0) {
        logFailure(filename, width, height, "Programmer forgot to specify image dimensions. Twit.");
        return nullptr;
    }
    NFILoader *loader = NFILoader::globalLoader();
    const NFIHandle handle = loader->openFile(filename);
    if (handle < 0) {
        logFailure(filename, width, height, "Couldn't open file");
        return nullptr;
    }

    // Up to 65535 x 65535 x 3 bytes, more than 32 bits hold; once the file is known to hold them, they fit.
    const Uint64 size = static_cast<Uint64>(width) * height * 3;
    const Sint32 fileLength = loader->fileSize(handle);
    Uint8 *buffer = nullptr;
    if (fileLength >= 0 && size <= static_cast<Uint64>(fileLength)) {
        buffer = new (std::nothrow) Uint8[size];
        if (buffer && !loader->readByteStream(handle, buffer, static_cast<Uint32>(size))) {
            delete[] buffer;
            buffer = nullptr;
        }
    }
    loader->closeFile(handle);
    if (!buffer) {
        logFailure(filename, width, height, "Error reading from file");
        return nullptr;
    }
    return buffer;
}
