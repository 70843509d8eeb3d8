// The data loader: data paths, NFI archives and the 256-slot handle table. Loose files are looked up afresh on
// every open; archives are read once (NFIArchive.cpp) and their members served out of the archive's one open
// stream: byte reads at the member's place in its file, text lines through the stream positioned afresh. The
// name index built when an archive is accepted gives the same answer as walking the archives newest first and
// each directory in order, without the walk.
// Depends on: NFIArchive, Memory, Console, Utility, BitArray; the directory scan and positioned reads live in
// NFILoaderLinux.cpp.
#include "NFILoader.h"

#include <cerrno>
#include <cstring>

#include "BitArray.h"
#include "Console.h"
#include "Memory.h"
#include "NFIArchive.h"
#include "Utility.h"

namespace {

NFILoader *globalLoaderObject = nullptr;

const Sint32 handleCount = 256;

// A data name with a ".." component could name a file outside the data path; such a name is never looked up
// as a loose file.
bool leavesDataPath(const char *name)
{
    for (const char *component = name; *component;) {
        const char *end = std::strchr(component, '/');
        size_t length = end ? static_cast<size_t>(end - component) : std::strlen(component);
        if (length == 2 && component[0] == '.' && component[1] == '.')
            return true;
        if (!end)
            break;
        component = end + 1;
    }
    return false;
}

// A loose file's stream is only moved by seeks and reads; after a short read (the file shrank since it was
// opened) it is put back at the position, which counts the whole request. Members are positioned on every read.
void keepInStep(InternalHandle &slot)
{
    if (slot.isPacked == SDL_FALSE)
        std::fseek(slot.realFile, static_cast<long>(slot.position), SEEK_SET);
}

}  // namespace

NFILoader *NFILoader::globalLoader()
{
    if (!globalLoaderObject)
        globalLoaderObject = new NFILoader();
    return globalLoaderObject;
}

NFILoader::NFILoader() : NFIList(nullptr), NFICount(0), rootPathEntry(nullptr), handleList(), handleFlags(nullptr),
                         nameIndex(nullptr)
{
    Console::addString("Data Loader initializing");
    handleFlags = new BitArray(handleCount);
    nameIndex = new NFINameIndex();
}

NFILoader::~NFILoader()
{
    for (Sint32 h = 0; h < handleCount; ++h) {
        if (handleFlags->getBit(h) && handleList[h].isPacked == SDL_FALSE && handleList[h].realFile)
            std::fclose(handleList[h].realFile);
    }
    delete nameIndex;
    while (NFIList) {
        NFIFile *next = NFIList->next;
        freeNFIArchive(NFIList);
        NFIList = next;
    }
    while (rootPathEntry) {
        PathEntry *next = rootPathEntry->next;
        mem_dealloc(rootPathEntry->pathName);
        delete rootPathEntry;
        rootPathEntry = next;
    }
    delete handleFlags;
    if (globalLoaderObject == this)
        globalLoaderObject = nullptr;
}

void NFILoader::addDataPath(const char *path)
{
    if (!path)
        return;
    char *copy = zarvello::strdup(path);
    if (!copy)
        return;
    size_t length = std::strlen(copy);
    if (length > 0 && copy[length - 1] == '/')
        copy[length - 1] = '\0';
    Console::addString("Adding data path '%s'", copy);

    PathEntry *entry = new PathEntry;
    entry->pathName = copy;
    entry->next = rootPathEntry;
    rootPathEntry = entry;

    scanNFIFilesFromPath(copy);
}

SDL_bool NFILoader::addNFIFile(const char *filename)
{
    if (!filename)
        return SDL_FALSE;
    errno = 0;
    NFIFile *archive = readNFIArchive(filename, filename);
    if (!archive) {
        // Every accepted archive holds a descriptor for the rest of the run, so a data directory with very many
        // of them can use up the process's share: say so, or the refusals that follow look like damaged files.
        const bool outOfDescriptors = errno == EMFILE || errno == ENFILE;
        Console::addString("Error adding Archive file '%s'", fileComponentOfPath(filename));
        if (outOfDescriptors)
            Console::addString("WARNING: Too few file descriptors left to keep archive file '%s' open (each "
                               "accepted archive keeps one, %d stay free for other files; this process may open "
                               "%llu files)",
                               fileComponentOfPath(filename), descriptorsKeptFree,
                               static_cast<unsigned long long>(openFileLimit()));
        return SDL_FALSE;
    }
    Uint32 count = archive->dirHeader.dirSize;
    Console::addString("Adding Archive file '%s' (%d file%s)", fileComponentOfPath(filename), static_cast<int>(count),
                       count == 1 ? "" : "s");
    archive->next = NFIList;
    NFIList = archive;
    ++NFICount;
    nameIndex->addArchive(*archive);
    return SDL_TRUE;
}

NFIHandle NFILoader::openFile(const char *filename)
{
    if (!filename)
        return -1;
    NFIHandle handle = openFileLocally(filename);
    if (handle != -1)
        return handle;

    handle = handleFlags->findUnsetBit();
    if (handle == -1)
        return -1;
    const NFIDirEntry *entry;
    NFIFile *archive;
    if (nameIndex->find(NFIList, filename, entry, archive) == SDL_FALSE)
        return -1;

    InternalHandle &slot = handleList[handle];
    slot.realFile = archive->fileHandle;
    slot.isPacked = SDL_TRUE;
    slot.startPos = entry->offset;
    slot.length = entry->length;
    slot.position = 0;
    handleFlags->setBit(handle);
    return handle;
}

NFIHandle NFILoader::openFileLocally(const char *filename)
{
    NFIHandle handle = handleFlags->findUnsetBit();
    if (handle == -1 || !rootPathEntry || leavesDataPath(filename))
        return -1;

    size_t nameLength = std::strlen(filename);
    for (PathEntry *path = rootPathEntry; path; path = path->next) {
        // A combination that does not fit the 256-byte buffer is not looked up at all, so a cut name can
        // never open some other file.
        if (std::strlen(path->pathName) + nameLength > 255)
            continue;
        char fullName[256];
        zarvello::snprintf(255, fullName, "%s%s", path->pathName, filename);
        // Only a regular file opens: a FIFO, terminal, directory or device of that name is passed over without
        // waiting on it, like a missing file.
        FILE *file = openRegularFile(fullName, "rb");
        if (!file)
            continue;
        Sint32 size = getFileSize(file);
        if (size < 0) {
            std::fclose(file);
            continue;
        }
        InternalHandle &slot = handleList[handle];
        slot.realFile = file;
        slot.isPacked = SDL_FALSE;
        slot.startPos = 0;
        slot.length = static_cast<Uint32>(size);
        slot.position = 0;
        handleFlags->setBit(handle);
        return handle;
    }
    return -1;
}

InternalHandle *NFILoader::openHandle(NFIHandle handle)
{
    if (handle < 0 || handle >= handleCount || !handleFlags->getBit(handle))
        return nullptr;
    return &handleList[handle];
}

void NFILoader::closeFile(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return;
    if (slot->isPacked == SDL_FALSE && slot->realFile)
        std::fclose(slot->realFile);
    slot->realFile = nullptr;
    handleFlags->clearBit(handle);
}

SDL_bool NFILoader::fileExists(const char *filename)
{
    NFIHandle handle = openFile(filename);
    if (handle == -1)
        return SDL_FALSE;
    closeFile(handle);
    return SDL_TRUE;
}

Sint32 NFILoader::fileSize(const char *filename)
{
    NFIHandle handle = openFile(filename);
    if (handle == -1)
        return -1;
    Sint32 length = static_cast<Sint32>(handleList[handle].length);
    closeFile(handle);
    return length;
}

Sint32 NFILoader::fileSize(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    return slot ? static_cast<Sint32>(slot->length) : -1;
}

SDL_bool NFILoader::seek(NFIHandle handle, Sint32 position, Sint32 location)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return SDL_FALSE;
    Sint64 newPosition;
    switch (location) {
    case SEEK_SET:
        newPosition = position;
        break;
    case SEEK_CUR:
        newPosition = static_cast<Sint64>(slot->position) + position;
        break;
    case SEEK_END:
        newPosition = static_cast<Sint64>(slot->length) + position;
        break;
    default:
        return SDL_FALSE;
    }
    if (newPosition < 0 || newPosition > 0xFFFFFFFFLL)
        return SDL_FALSE;
    // The position only moves when the stream moved with it, so a loose file's stream stays in step.
    if (std::fseek(slot->realFile, static_cast<long>(slot->startPos + newPosition), SEEK_SET) != 0)
        return SDL_FALSE;
    slot->position = static_cast<Uint32>(newPosition);
    return SDL_TRUE;
}

Sint64 NFILoader::tell(NFIHandle handle)
{
    InternalHandle *slot = openHandle(handle);
    return slot ? static_cast<Sint64>(slot->position) : -1;
}

SDL_bool NFILoader::readByteStream(NFIHandle handle, void *buffer, Uint32 bytesToRead)
{
    InternalHandle *slot = openHandle(handle);
    if (!slot)
        return SDL_FALSE;
    if (static_cast<Uint64>(slot->position) + bytesToRead > slot->length)
        return SDL_FALSE;
    if (bytesToRead == 0)
        return SDL_TRUE;
    if (slot->isPacked == SDL_TRUE) {
        // A member is read straight from the archive's file at its place, one system call; the shared
        // stream's own buffer and position are not involved (readString positions the stream itself).
        SDL_bool complete = readAt(slot->realFile, buffer, bytesToRead,
                                   static_cast<Uint64>(slot->startPos) + slot->position);
        slot->position += bytesToRead;
        return complete;
    }
    size_t got = std::fread(buffer, 1, bytesToRead, slot->realFile);
    slot->position += bytesToRead;
    if (got != bytesToRead) {
        keepInStep(*slot);
        return SDL_FALSE;
    }
    return SDL_TRUE;
}

SDL_bool NFILoader::readByte(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 1);
}

SDL_bool NFILoader::readINT2(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 2);
}

SDL_bool NFILoader::readINT4(NFIHandle handle, void *buffer)
{
    return readByteStream(handle, buffer, 4);
}

SDL_bool NFILoader::readString(NFIHandle handle, char *buffer, Sint32 bufSize, SDL_bool keepNewline)
{
    if (buffer && bufSize > 0)
        buffer[0] = '\0';
    InternalHandle *slot = openHandle(handle);
    if (!slot || !buffer || slot->position >= slot->length || bufSize < 2)
        return SDL_FALSE;
    if (slot->isPacked == SDL_TRUE &&
        std::fseek(slot->realFile, static_cast<long>(static_cast<Uint64>(slot->startPos) + slot->position),
                   SEEK_SET) != 0)
        return SDL_FALSE;

    Sint32 stored = 0;
    while (true) {
        int c = std::fgetc(slot->realFile);
        if (c == EOF) {
            // What arrived stays in the buffer, terminated, and the position counts the bytes stored, so the
            // next read starts at the byte that could not be read.
            buffer[stored] = '\0';
            keepInStep(*slot);
            return SDL_FALSE;
        }
        buffer[stored++] = static_cast<char>(c);
        ++slot->position;
        if (c == '\n' || stored == bufSize - 1 || slot->position >= slot->length)
            break;
    }

    // A line cut right after a CR: the LF of its CR LF pair is taken along so that the next call does not
    // return an empty line. Any other byte stays where it is for the next call; a byte that cannot be read
    // takes nothing from the line read so far.
    if (buffer[stored - 1] == '\r' && slot->position < slot->length) {
        int c = std::fgetc(slot->realFile);
        if (c == '\n')
            ++slot->position;
        else if (c != EOF)
            std::ungetc(c, slot->realFile);
        else
            keepInStep(*slot);
    }
    if (buffer[stored - 1] == '\n')
        --stored;
    if (stored > 0 && buffer[stored - 1] == '\r') {
        if (keepNewline == SDL_TRUE)
            buffer[stored - 1] = '\n';
        else
            --stored;
    }
    buffer[stored] = '\0';
    return SDL_TRUE;
}
