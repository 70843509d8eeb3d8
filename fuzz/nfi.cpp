// Fuzz target: NFI archives. The input is an archive file in the data directory; the loader registers it as
// start-up does, then every member the directory names is opened by its name and read every way a reader
// can: its size, whole, byte by byte with seeks from every origin, and line by line with readString.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "Console.h"
#include "FuzzSupport.h"
#include "Memory.h"
#include "NFILoader.h"

namespace {

void readMember(NFILoader *loader, const char *name)
{
    NFIHandle handle = loader->openFile(name);
    if (handle < 0)
        return;
    Sint32 length = loader->fileSize(handle);
    // A member's length is whatever its entry claims; reads past the archive's end must fail, not crash.
    Uint8 block[512];
    Uint32 want = length > 0 && static_cast<Uint32>(length) < sizeof block ? static_cast<Uint32>(length) : sizeof block;
    loader->readByteStream(handle, block, want);
    loader->seek(handle, 0, SEEK_SET);
    for (int i = 0; i < 64 && loader->readByte(handle, block); ++i) {
    }
    Uint32 value;
    loader->seek(handle, -4, SEEK_END);
    loader->readINT4(handle, &value);
    loader->seek(handle, -2, SEEK_CUR);
    loader->readINT2(handle, &value);
    loader->seek(handle, length, SEEK_SET);
    loader->readByte(handle, block);
    loader->seek(handle, -1, SEEK_SET);

    loader->seek(handle, 0, SEEK_SET);
    char line[17];
    for (int i = 0; i < 256 && loader->readString(handle, line, sizeof line, (i & 1) ? SDL_TRUE : SDL_FALSE); ++i) {
    }
    loader->closeFile(handle);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Uint32 baseline = fuzz::beginInput();
    fuzz::writeDataFile("/input.nfi", data, size);
    NFILoader *loader = fuzz::freshLoader();
    for (NFIFile *archive = loader->loadedNFIList(); archive; archive = archive->next) {
        Uint32 count = archive->dirHeader.dirSize;
        for (Uint32 i = 0; i < count && i < 64; ++i) {
            char name[261];
            std::memcpy(name, archive->directory[i].name, 260);
            name[260] = '\0';
            readMember(loader, name);
        }
        // Two members of one archive read in turns share its stream.
        if (count >= 2) {
            NFIHandle first = loader->openFile(archive->directory[0].name[259] ? "" : archive->directory[0].name);
            NFIHandle second = loader->openFile(archive->directory[1].name[259] ? "" : archive->directory[1].name);
            Uint8 a, b;
            for (int i = 0; i < 8; ++i) {
                loader->readByte(first, &a);
                loader->readByte(second, &b);
            }
            loader->closeFile(first);
            loader->closeFile(second);
        }
    }
    fuzz::endInput(baseline);
    return 0;
}
