// An SDL_RWops over one of the data loader's handles. The RWops keeps no position or buffer of its own: seeks
// and reads go to the handle, whose position the loader keeps, so the RWops and the loader never disagree. A
// read of more than is left delivers the whole objects that are left, as SDL's own memory RWops does; the
// loader's read, which delivers all or nothing, is asked for exactly that many bytes.
// The handle lives in hidden.unknown.data1; type marks the RWops as ours, so that dataRWopsSize can tell.
// Depends on: NFILoader, SDL (SDL_AllocRW, SDL_FreeRW, SDL_SetError).
#include "DataRWops.h"

#include <cstdint>
#include <cstdio>

#include <SDL_error.h>

#include "NFILoader.h"

namespace {

// "ZDAT": the type of every RWops made here.
const Uint32 dataRWopsType = 0x5A444154u;

NFIHandle handleOf(SDL_RWops *rw)
{
    return static_cast<NFIHandle>(reinterpret_cast<std::intptr_t>(rw->hidden.unknown.data1));
}

int seekData(SDL_RWops *rw, int offset, int whence)
{
    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle handle = handleOf(rw);
    Sint64 base;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = loader->tell(handle); break;
    case SEEK_END: base = loader->fileSize(handle); break;
    default:
        SDL_SetError("openDataRWops: unknown seek origin %d", whence);
        return -1;
    }
    const Sint64 target = base + offset;
    if (base < 0 || target < 0 || target > 0x7FFFFFFF) {
        SDL_SetError("openDataRWops: seek outside the file");
        return -1;
    }
    if (loader->seek(handle, static_cast<Sint32>(target), SEEK_SET) == SDL_FALSE) {
        SDL_Error(SDL_EFSEEK);
        return -1;
    }
    return static_cast<int>(target);
}

int readData(SDL_RWops *rw, void *ptr, int size, int maxnum)
{
    if (size <= 0 || maxnum <= 0)
        return 0;
    NFILoader *loader = NFILoader::globalLoader();
    NFIHandle handle = handleOf(rw);
    const Sint64 length = loader->fileSize(handle);
    const Sint64 position = loader->tell(handle);
    if (length < 0 || position < 0) {
        SDL_Error(SDL_EFREAD);
        return -1;
    }
    const Sint64 left = position < length ? length - position : 0;
    const Sint64 wanted = static_cast<Sint64>(size) * maxnum;
    const Sint64 objects = (wanted < left ? wanted : left) / size;
    const Uint32 bytes = static_cast<Uint32>(objects * size);
    // Past the end the loader refuses even an empty read; there is simply nothing left.
    if (bytes == 0)
        return 0;
    if (loader->readByteStream(handle, ptr, bytes) == SDL_FALSE) {
        SDL_Error(SDL_EFREAD);
        return -1;
    }
    return static_cast<int>(objects);
}

int writeData(SDL_RWops *, const void *, int, int)
{
    SDL_SetError("openDataRWops: data files are read-only");
    return -1;
}

int closeData(SDL_RWops *rw)
{
    if (!rw)
        return 0;
    NFILoader::globalLoader()->closeFile(handleOf(rw));
    SDL_FreeRW(rw);
    return 0;
}

}  // namespace

SDL_RWops *openDataRWops(const char *filename)
{
    if (!filename) {
        SDL_SetError("openDataRWops: no data name");
        return nullptr;
    }
    NFIHandle handle = NFILoader::globalLoader()->openFile(filename);
    if (handle == -1) {
        SDL_SetError("openDataRWops ('%s'): not found, or no handle free", filename);
        return nullptr;
    }
    SDL_RWops *rw = SDL_AllocRW();
    if (!rw) {
        NFILoader::globalLoader()->closeFile(handle);
        return nullptr;
    }
    rw->seek = seekData;
    rw->read = readData;
    rw->write = writeData;
    rw->close = closeData;
    rw->type = dataRWopsType;
    rw->hidden.unknown.data1 = reinterpret_cast<void *>(static_cast<std::intptr_t>(handle));
    return rw;
}

Sint32 dataRWopsSize(SDL_RWops *rw)
{
    if (!rw || rw->type != dataRWopsType || rw->seek != seekData)
        return -1;
    return NFILoader::globalLoader()->fileSize(handleOf(rw));
}
